#include "app/Servers.h"

#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"

namespace nulvane {

void RegisterServers() { RegisterSpreadsheetServer(ExcelProgId); }

}  // namespace nulvane
