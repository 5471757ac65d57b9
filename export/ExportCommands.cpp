// The export commands of the formats the engine writes by itself.
#include "export/ExportCommands.h"

#include "export/ExportEngine.h"

namespace nulvane {

void ExportCSV(TTallyscopeCtrl& ctrl, TResultList& list) {
    RunExportCommand(ctrl, list, [&](TExportEngine& info) { return RunExportFormat(info, TExportFormat::CSV, list); });
}

void ExportText(TTallyscopeCtrl& ctrl, TResultList& list) {
    RunExportCommand(ctrl, list, [&](TExportEngine& info) { return RunExportFormat(info, TExportFormat::Text, list); });
}

void ExportHTML(TTallyscopeCtrl& ctrl, TResultList& list) {
    RunExportCommand(ctrl, list, [&](TExportEngine& info) { return RunExportFormat(info, TExportFormat::HTML, list); });
}

void ExportXML(TTallyscopeCtrl& ctrl, TResultList& list) {
    RunExportCommand(ctrl, list, [&](TExportEngine& info) { return RunExportFormat(info, TExportFormat::XML, list); });
}

}  // namespace nulvane
