// The export commands of the window: the questions, then the request.
#include "export/ExportCommands.h"

#include <optional>

#include "export/ExcelExport.h"
#include "platform/files/SafeFile.h"

namespace nulvane {

std::string AskSaveFileName(IDesktopServices& desktop, std::string_view defaultExt, std::string_view filter,
                            const std::string& initialFileName, TOwnerWindow owner) {
    std::string name = desktop.SaveFileName(std::string(defaultExt), std::string(filter), initialFileName, owner);
    if (name.empty()) return {};
    if (WouldReplace(name) &&
        desktop.MessageBox(std::string(OverwriteQuestionText), std::string(OverwriteQuestionCaption),
                           TMessageButtons::YesNo, TMessageIcon::Question, owner) != TMessageResult::Yes)
        return {};
    return name;
}

void RunExportCommand(TExportFormat format, TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    if (list.Count() == 0) return;
    TDesktopExportRunner runner(desktop);
    TExportRequest request{.Format = format, .MayReplace = true, .List = &list, .Runner = &runner, .Document = ctrl.XMLDoc};
    TTallyscopeCtrl::GetExportColumns(request.Columns);
    if (format == TExportFormat::Excel) {
        // Counted before the document is built: a list far too long is refused at once.
        const std::string_view warning = SheetLimitText(list.Count(), request.Columns.size());
        if (!warning.empty()) {
            desktop.MessageBox(std::string(warning), std::string(ExcelRowLimitCaption), TMessageButtons::Ok,
                               TMessageIcon::Warning, ctrl.Owner());
            return;
        }
    }
    // The document is gathered before the file name is asked for; without the window's document
    // the command keeps one for both steps.
    std::optional<TXmlDocComponent> ownDocument;
    if (format == TExportFormat::XML || format == TExportFormat::Excel) {
        if (!request.Document) request.Document = &ownDocument.emplace();
        GatherExportDocument(request);
        request.DocumentGathered = true;
    }
    const TExportFormatInfo& info = ExportFormatInfo(format);
    request.FileName = AskSaveFileName(desktop, info.DefaultExt, info.Filter, {}, ctrl.Owner());
    if (request.FileName.empty()) return;
    Export(request);
    desktop.MessageBox(std::string(ExportFinishedText), std::string(ExportFinishedCaption), TMessageButtons::Ok,
                       TMessageIcon::None, ctrl.Owner());
}

void ExportCSV(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    RunExportCommand(TExportFormat::CSV, ctrl, list, desktop);
}

void ExportText(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    RunExportCommand(TExportFormat::Text, ctrl, list, desktop);
}

void ExportHTML(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    RunExportCommand(TExportFormat::HTML, ctrl, list, desktop);
}

void ExportXML(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    RunExportCommand(TExportFormat::XML, ctrl, list, desktop);
}

void ExportExcel(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop) {
    RunExportCommand(TExportFormat::Excel, ctrl, list, desktop);
}

}  // namespace nulvane
