#include "export/ExportEngine.h"

#include "core/TallyscopeCtrl.h"
#include "export/ExportOutput.h"
#include "platform/files/PathNames.h"
#include "platform/files/SafeFile.h"
#include "platform/files/Volumes.h"

namespace nulvane {

namespace {

// Hides the progress window when the work ends, however it ends.
class TWaitFormScope {
public:
    explicit TWaitFormScope(std::string_view message) {
        ShowWaitForm(true, false);
        SetWaitMessage(std::string(message));
    }
    ~TWaitFormScope() {
        try {
            ShowWaitForm(false, false);
        } catch (...) {
        }
    }
    TWaitFormScope(const TWaitFormScope&) = delete;
    TWaitFormScope& operator=(const TWaitFormScope&) = delete;
};

}  // namespace

TExportEngine::~TExportEngine() = default;

TXmlDocComponent& TExportEngine::XmlDocument() {
    if (Document) return *Document;
    if (!OwnDocument_) OwnDocument_ = std::make_unique<TXmlDocComponent>();
    return *OwnDocument_;
}

void TExportEngine::RunWithWaitForm(std::string_view message, const std::function<void(TLongWork&)>& work) const {
    const TWaitFormScope wait(message);
    DesktopServices().RunBusy(work);
}

void TExportEngine::WriteExportFile(const std::string& fileName, std::size_t rows,
                                const std::function<void(TExportText&)>& make) const {
    RunWithWaitForm(ExportToFileMessage, [&](TLongWork& work) {
        TSafeFileWriter file(fileName);
        TExportText out(rows, file, work);
        make(out);
        out.Finish();
    });
}

std::string AskSaveFileName(std::string_view defaultExt, std::string_view filter, const std::string& initialFileName,
                            TOwnerWindow owner) {
    IDesktopServices& desktop = DesktopServices();
    std::string name = desktop.SaveFileName(std::string(defaultExt), std::string(filter), initialFileName, owner);
    if (name.empty()) return {};
    if (WouldReplace(name) &&
        desktop.MessageBox(std::string(OverwriteQuestionText), std::string(OverwriteQuestionCaption),
                           TMessageButtons::YesNo, TMessageIcon::Question, owner) != TMessageResult::Yes)
        return {};
    return name;
}

std::string GetCatalogName(const std::string& path) {
    const TDriveType type = QueryDriveType(path);
    if (type == dtUnknown || type == dtNoRootDir) {
        std::string_view name = path;
        if (const std::size_t last = name.rfind(PathSeparator); last != std::string_view::npos)
            name.remove_prefix(last + 1);
        return std::string(name.substr(0, name.find('.')));
    }
    std::string label = GetVolumeLabel(path);
    if (!label.empty()) return label;
    if (const std::size_t colon = path.find(':'); colon != std::string::npos) return path.substr(0, colon);
    return path;
}

std::string GetVolumeLabel(const std::string& root) {
#ifdef _WIN32
    if (!root.empty() && root.back() == ':') return QueryVolumeName(root + "\\");
#endif
    return QueryVolumeName(root);
}

bool RunExportFormat(TExportEngine& info, TExportFormat format, const TResultList& list) {
    switch (format) {
    case TExportFormat::CSV:
        return info.ExportToCSV({}, CsvSeparator, list);
    case TExportFormat::Text:
        return info.ExportToText({}, TextSeparator, list);
    case TExportFormat::HTML:
        return info.ExportToHTML({}, list);
    case TExportFormat::XML:
        info.ResetDocument();
        info.FillDocument(list);
        return info.ExportToXML({});
    }
    return false;
}

void RunExportCommand(TTallyscopeCtrl& ctrl, TResultList& list, const std::function<bool(TExportEngine&)>& format) {
    if (list.Count() == 0) return;
    TExportEngine info;
    info.Document = ctrl.XMLDoc;
    info.Owner = ctrl.Owner();
    TTallyscopeCtrl::GetExportColumns(info.ExportColumns);
    if (format(info))
        DesktopServices().MessageBox(std::string(ExportFinishedText), std::string(ExportFinishedCaption),
                                     TMessageButtons::Ok, TMessageIcon::None, ctrl.Owner());
}

}  // namespace nulvane
