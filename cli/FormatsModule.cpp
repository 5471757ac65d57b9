// The export formats module's entry point (also linked into a program built without the module).
#include "cli/FormatsModule.h"

#include "export/CommandLineExport.h"
#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"

#if defined(__GNUC__)
#define NULVANE_ENTRY_POINT __attribute__((visibility("default")))
#else
#define NULVANE_ENTRY_POINT
#endif

extern "C" NULVANE_ENTRY_POINT const nulvane::TFormatsModule* NulvaneFormatsModule() {
    // The spreadsheet application is registered with the table that the exports are reached by.
    static const nulvane::TFormatsModule table = [] {
        nulvane::RegisterSpreadsheetServer(nulvane::ExcelProgId);
        return nulvane::TFormatsModule{nulvane::FormatsModuleIdentity, &nulvane::ExportListToFile};
    }();
    return &table;
}
