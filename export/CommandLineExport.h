#pragma once
// Exports for a program without a window (nulvane-cli): the same engine, columns and bytes as the
// desktop program's export commands, with what they ask answered by the command line.
#include <string>

#include "export/ExportEngine.h"

namespace nulvane {

// Writes the list to `fileName` in `format` with the export columns of the configuration beside
// the executable (written on first use), replacing a file that is there only with `force`; no
// window, progress or completion box is shown. Unlike the window's command it writes an empty list
// too (a header, an empty table, a bare root, a sheet of headers), so that a script always finds
// the file it asked for. False when the file exists and `force` was not given (the file is left
// untouched), a symbolic link at the name included; errors (EOSError, also for an empty name,
// EXmlError, configuration errors, ENulvaneError with the row- or column-limit text when a sheet
// cannot hold the list, told before the document is built) travel on, leaving any earlier file
// intact, and so does EExportStopped when `work`, the program's job, is asked to stop.
bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force,
                      TLongWork& work);

}  // namespace nulvane
