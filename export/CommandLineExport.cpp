#include "export/CommandLineExport.h"

#include "core/TallyscopeCtrl.h"
#include "platform/SystemDesktopServices.h"

namespace nulvane {

namespace {

// No window to show: the file named on the command line is the dialog's answer, the overwrite
// question answers as --force says, everything else keeps the system defaults (nothing shown,
// long work in place).
class TCommandLineDesktopServices : public TSystemDesktopServices {
public:
    TCommandLineDesktopServices(std::string fileName, bool force) : FileName_(std::move(fileName)), Force_(force) {}

    std::string SaveFileName(const std::string&, const std::string&, const std::string&, TOwnerWindow) override {
        return FileName_;
    }
    TMessageResult MessageBox(const std::string&, const std::string&, TMessageButtons buttons, TMessageIcon,
                              TOwnerWindow) override {
        if (buttons == TMessageButtons::Ok) return TMessageResult::Ok;
        return Force_ ? TMessageResult::Yes : TMessageResult::No;
    }

private:
    std::string FileName_;
    bool Force_;
};

}  // namespace

std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept {
    if (name == "csv") return TExportFormat::CSV;
    if (name == "txt") return TExportFormat::Text;
    if (name == "html") return TExportFormat::HTML;
    if (name == "xml") return TExportFormat::XML;
    return std::nullopt;
}

bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force) {
    TCommandLineDesktopServices services(fileName, force);
    const TDesktopServicesScope scope(services);
    TFileInfo info;
    TTallyscopeCtrl::GetExportColumns(info.ExportColumns);
    return RunExportFormat(info, format, list);
}

}  // namespace nulvane
