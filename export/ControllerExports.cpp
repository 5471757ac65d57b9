// The list controller's export commands. Until the formats exist they do nothing.
#include "core/TallyscopeCtrl.h"

namespace nulvane {

void TTallyscopeCtrl::ExportCSV(TResultList& /*list*/) {}
void TTallyscopeCtrl::ExportText(TResultList& /*list*/) {}
void TTallyscopeCtrl::ExportHTML(TResultList& /*list*/) {}
void TTallyscopeCtrl::ExportXML(TResultList& /*list*/) {}

}  // namespace nulvane
