// The spreadsheet export command. Until the format exists it does nothing.
#include "core/TallyscopeCtrl.h"

namespace nulvane {

void TTallyscopeCtrl::ExportExcel(TResultList& /*list*/) {}

}  // namespace nulvane
