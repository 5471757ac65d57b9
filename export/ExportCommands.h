#pragma once
// The export commands of the list's popup menu, run for the list's controller (its window, its
// XML document): each writes the list to a file the user names, in one format. They live with
// the exports rather than on the controller, which the export layer builds on.
#include "core/ResultList.h"
#include "core/TallyscopeCtrl.h"

namespace nulvane {

void ExportCSV(TTallyscopeCtrl& ctrl, TResultList& list);
void ExportText(TTallyscopeCtrl& ctrl, TResultList& list);
void ExportHTML(TTallyscopeCtrl& ctrl, TResultList& list);
void ExportXML(TTallyscopeCtrl& ctrl, TResultList& list);
// The spreadsheet workbook, through the spreadsheet application.
void ExportExcel(TTallyscopeCtrl& ctrl, TResultList& list);

}  // namespace nulvane
