#pragma once
// Exports for a program without a window (nulvane-cli): the same engine, columns and bytes as the
// desktop program's export commands, with the questions answered from the command line.
#include <optional>
#include <string>
#include <string_view>

#include "export/FileInfo.h"

namespace nulvane {

// "csv", "txt", "html" or "xml"; nothing for any other text.
std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept;

// Writes the list to `fileName` in `format` with the export columns of the configuration beside
// the executable (written on first use). The save dialog answers `fileName`; the overwrite
// question answers Yes only with `force`; no window, progress or completion box is shown. Unlike
// the window's command it writes an empty list too (a header, an empty table, a bare root), so
// that a script always finds the file it asked for. False when the file exists and `force` was
// not given (the file is left untouched); errors (EOSError, EXmlError, configuration errors)
// travel on, leaving any earlier file intact.
bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force);

}  // namespace nulvane
