#include "app/Servers.h"

#include "spreadsheet/ExcelServer.h"

namespace nulvane {

void RegisterServers() { RegisterSpreadsheetServer(); }

}  // namespace nulvane
