#include "export/CommandLineExport.h"

#include "core/TallyscopeCtrl.h"

namespace nulvane {

std::string TCommandLineDesktopServices::SaveFileName(const std::string&, const std::string&, const std::string&,
                                                      TOwnerWindow) {
    return FileName_;
}

TMessageResult TCommandLineDesktopServices::MessageBox(const std::string&, const std::string&, TMessageButtons buttons,
                                                       TMessageIcon, TOwnerWindow) {
    if (buttons == TMessageButtons::Ok) return TMessageResult::Ok;
    return Force_ ? TMessageResult::Yes : TMessageResult::No;
}

void CheckExportFileName(const std::string& fileName) {
    // An empty answer of the save dialog means "cancelled", which would pass for a refusal.
    if (fileName.empty()) throw EOSError("the file name is empty");
}

bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force,
                      TLongWork& work) {
    CheckExportFileName(fileName);
    TCommandLineDesktopServices services(fileName, force, work);
    const TDesktopServicesScope scope(services);
    TExportEngine info;
    TTallyscopeCtrl::GetExportColumns(info.ExportColumns);
    return RunExportFormat(info, format, list);
}

}  // namespace nulvane
