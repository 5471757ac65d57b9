// The export formats by the names a command line gives them: a unit of its own, since a program
// that only parses its options needs none of the exports themselves.
#include "export/ExportFormats.h"

namespace nulvane {

std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept {
    for (const TExportFormatInfo& format : ExportFormats)
        if (format.Name == name) return format.Format;
    return std::nullopt;
}

}  // namespace nulvane
