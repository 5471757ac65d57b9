// The list controller's export commands and the export column list they start from.
#include "config/Config.h"
#include "core/TallyscopeCtrl.h"
#include "export/FileInfo.h"

namespace nulvane {

void TTallyscopeCtrl::GetExportColumns(std::vector<std::string>& columns) {
    const TXMLNodesType nodes = GetConfig(false)->GetConfigRoot()->Nodes();
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType node = nodes.Item(i);
        if (node.Visible()) columns.push_back(node.Name());
    }
}

void TTallyscopeCtrl::ExportCSV(TResultList& list) {
    RunExportCommand(*this, list, [&](TFileInfo& info) { return RunExportFormat(info, TExportFormat::CSV, list); });
}

void TTallyscopeCtrl::ExportText(TResultList& list) {
    RunExportCommand(*this, list, [&](TFileInfo& info) { return RunExportFormat(info, TExportFormat::Text, list); });
}

void TTallyscopeCtrl::ExportHTML(TResultList& list) {
    RunExportCommand(*this, list, [&](TFileInfo& info) { return RunExportFormat(info, TExportFormat::HTML, list); });
}

void TTallyscopeCtrl::ExportXML(TResultList& list) {
    RunExportCommand(*this, list, [&](TFileInfo& info) { return RunExportFormat(info, TExportFormat::XML, list); });
}

}  // namespace nulvane
