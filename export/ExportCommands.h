#pragma once
// The export commands of the list's popup menu, run for the list's controller (its window, its
// XML document): each asks through the desktop services it is given what the export needs (the
// sheet's limits, the file name, whether an earlier file may go), makes the export request, and
// says "Export Finished" when the file was written. They live with the exports rather than on the
// controller, which the export layer builds on.
//
// An empty list exports nothing and asks nothing. A cancelled dialog or a refused overwrite ends
// the command quietly; errors (EExportStopped included) travel on, and no completion box is shown.
#include <string>
#include <string_view>

#include "core/ResultList.h"
#include "core/TallyscopeCtrl.h"
#include "export/ExportEngine.h"
#include "platform/desktop/DesktopServices.h"

namespace nulvane {

void ExportCSV(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);
void ExportText(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);
void ExportHTML(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);
void ExportXML(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);
// The spreadsheet workbook, through the spreadsheet application.
void ExportExcel(TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);

// The command of `format`: one of the above.
void RunExportCommand(TExportFormat format, TTallyscopeCtrl& ctrl, TResultList& list, IDesktopServices& desktop);

// The save question of every export: the save dialog of `desktop` with `defaultExt` and `filter`,
// then, when the chosen file exists, "Catalog with the same name already exists,overwrite?"
// (Yes/No). The chosen name, or empty when the dialog was cancelled or the overwrite refused. The
// existing file is left alone here: it is replaced only once a new one has been written whole.
std::string AskSaveFileName(IDesktopServices& desktop, std::string_view defaultExt, std::string_view filter,
                            const std::string& initialFileName, TOwnerWindow owner = nullptr);

}  // namespace nulvane
