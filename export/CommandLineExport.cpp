#include "export/CommandLineExport.h"

#include "core/TallyscopeCtrl.h"

namespace nulvane {

bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force,
                      TLongWork& work) {
    CheckExportFileName(fileName);
    TJobExportRunner runner(work);
    TExportRequest request{.Format = format, .FileName = fileName, .MayReplace = force, .List = &list, .Runner = &runner};
    TTallyscopeCtrl::GetExportColumns(request.Columns);
    return Export(request) == TExportOutcome::Written;
}

}  // namespace nulvane
