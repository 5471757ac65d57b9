#pragma once
// Writes a workbook as an Excel 97-2003 file: BIFF8 records in the "Workbook" stream of an OLE2
// compound file. libgsf builds the container; the records are written here.
//
// What the records hold: the workbook globals (code page UTF-16, one window, five fonts of which
// the fifth, index 5 since the format has no font index 4, is the bold one, the 15 style formats
// and one cell format per distinct cell format of the model, the Normal style, one sheet entry per
// sheet pointing at its BOF record, and the shared string table), then per sheet the column
// widths, the used area, one ROW record with its cells per row, the window and the merged areas.
// Texts are UTF-16 (stored as one byte per unit when every unit fits in one); the shared string
// table goes on in CONTINUE records, splitting a long text between units where it must, since a
// record carries at most 8224 bytes of data.
#include <string>

#include "platform/system/LongWork.h"
#include "spreadsheet/Workbook.h"

namespace nulvane {

// The "Workbook" stream's bytes, padded to the 4096 bytes below which a stream would go to the
// compound file's small-block area. A stop request of `work` (if given) ends it between two rows
// with EOleException.
std::string BuildWorkbookStream(const TWorkbook& workbook, const TLongWork* work = nullptr);

// The compound file holding the stream.
std::string BuildCompoundFile(const std::string& workbookStream);

// Writes the workbook to `path`: the whole file goes to a new temporary file in the same folder,
// which replaces whatever `path` named only once it is complete. EOleException naming the path
// and the reason when it cannot be written; nothing is then left behind and an earlier file of
// that name is untouched. A stop request of `work` (if given) ends it the same way, between two
// rows, before the file is written.
void SaveWorkbookFile(const TWorkbook& workbook, const std::string& path, const TLongWork* work = nullptr);

}  // namespace nulvane
