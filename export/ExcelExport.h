#pragma once
// The spreadsheet export: the list's XML document (one "file" element per entry) laid out as a
// workbook that the spreadsheet application builds and saves, driven through late-bound
// automation under "Excel.Application" exactly as a desktop program drives an installed
// spreadsheet program: a merged, bold, centred title in row 1, a header row and one row per
// document node below it with a "SerialNO" column first, borders, fitted columns and rows.
//
// The export makes forty automation calls whatever the size of the list: every data cell travels
// in one put of a two-dimensional array on the data range. A sheet holds 65,536 rows and 256
// columns, so a list whose rows (entries plus the header) pass 65,535, or whose columns (the
// export columns plus the serial number) pass 256, is refused before any dialog; the command
// counts the list's entries before it builds the document, so that a list far too long is refused
// at once (the window's command shows a warning, a request for such a workbook fails with its text).
//
// The rows of the sheet array are counted on the job its runner gives it and the export stops
// after any of them, or between two steps of the application, when the job is asked to: the
// workbook is then closed without being saved and EExportStopped travels on.
//
// A failed export never costs the user an earlier file of the chosen name: the overwrite question
// leaves it alone, and the workbook is saved only when it was built without an error (the
// application then replaces the file only once the new one is complete).
#include <string>
#include <string_view>
#include <vector>

#include "core/ResultList.h"
#include "export/ExportEngine.h"
#include "platform/automation/Automation.h"
#include "platform/xml/XmlDom.h"

namespace nulvane {

// The identifier the spreadsheet application is created by, and registered under where the
// formats are loaded.
inline constexpr std::string_view ExcelProgId = "Excel.Application";
inline constexpr std::string_view ExcelRowLimitText = "The row count is out of excel range.";
inline constexpr std::string_view ExcelRowLimitCaption = "Warning";
inline constexpr std::string_view ExcelNotInstalledText = "Excel is not installed.";
inline constexpr std::string_view ExcelColumnLimitText =
    "The column count is out of excel range: a sheet holds 256 columns, \"SerialNO\" and at most 255 export columns.";
// The most sheet rows an export may fill below the title: the header and one row per node.
inline constexpr int ExcelMaxRows = 65535;
// The most sheet columns (A to IV): "SerialNO" and one per export column.
inline constexpr int ExcelMaxColumns = 256;

// The warning for a sheet of `entries` rows below the header and `columns` export columns, when
// a sheet cannot hold it (ExcelRowLimitText, ExcelColumnLimitText); empty when it can.
std::string_view SheetLimitText(std::size_t entries, std::size_t columns) noexcept;

// The number of element nodes below `node`, at any depth.
int CountNodes(const TXmlElement& node);

class TExportRows;

// The running state of the row filling: the sheet array (row 0 the header), the attribute name
// of each export column (its name without spaces, column j at index j - 1), the last row
// written, and where each row is counted (none: not counted).
struct TExcelRows {
    TWideStringArray& Sheet;
    std::vector<std::string> AttributeNames;
    int Row = 0;
    TExportRows* Progress = nullptr;
};

// Writes the rows of every node below `node`, depth first, each node's row before its children's,
// numbering them on from `rows.Row`.
void AddChildRows(const TXmlElement& node, TExcelRows& rows);

// A column number given as decimal text turned into spreadsheet column letters (1 "A", 27 "AA",
// 702 "ZZ", 703 "AAA"); a text that is not numeric, or a number below 1, comes back unchanged.
// EConvertError for a numeric text that is no whole number.
std::string ColumnLetters(std::string_view text);

// Builds and saves the workbook of `engine`'s document (already filled) and export columns to
// `fileName`, on the engine's runner. Errors travel on (EOleException "Excel is not installed."
// when the application cannot be created, EExportStopped when the job was asked to stop).
void WriteWorkbook(TExportEngine& engine, const std::string& fileName);

}  // namespace nulvane
