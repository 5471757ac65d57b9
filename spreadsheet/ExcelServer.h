#pragma once
// The spreadsheet application the export drives: an automation server inside the program that
// answers the calls a spreadsheet application answers, under the identifier the export creates
// it by (whoever loads the formats registers it), and saves a genuine .xls workbook.
//
// Objects and members (names without regard to case):
//   application: ScreenUpdating, Visible (get, put), Workbooks (the collection; with an index,
//     that workbook), Quit
//   workbook collection: Add, Item(index), Count
//   workbook: Worksheets (the collection; with an index or a name, that sheet), SaveAs(path),
//     Close
//   worksheet collection: Item(index or name), Count
//   worksheet: Cells(row, column), Range("A1" or "A1:E12", with or without "$"), Name
//   range: Value (put: one value for every cell, or a two-dimensional array laid over the range
//     from its top-left cell; cells beyond the array show #N/A), HorizontalAlignment,
//     VerticalAlignment (put), Font, Borders, Columns, Rows, Merge, AutoFit (on Columns or Rows)
//   font: Bold (get, put); borders: LineStyle (put)
// Texts that are plain decimal numbers are stored as numbers, as a spreadsheet program does;
// every other text is kept as given. A call the server cannot answer fails with a description
// of why, which the client sees. Filling a range from an array and saving look at the stop
// request of the job the call is made for, if it names one, and fail once a stop is asked for.
#include "platform/automation/Automation.h"

namespace nulvane {

// A new, hidden application with no workbooks.
TDispatchRef CreateSpreadsheetApplication();

// Registers the server under `progId`; called once where the export formats are loaded.
void RegisterSpreadsheetServer(std::string_view progId);

}  // namespace nulvane
