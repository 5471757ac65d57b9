// The export formats by the names a command line gives them: a unit of its own, since a program
// that only parses its options needs none of the exports themselves.
#include "export/CommandLineExport.h"

namespace nulvane {

std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept {
    if (name == "csv") return TExportFormat::CSV;
    if (name == "txt") return TExportFormat::Text;
    if (name == "html") return TExportFormat::HTML;
    if (name == "xml") return TExportFormat::XML;
    if (name == "xls") return TExportFormat::Excel;
    return std::nullopt;
}

}  // namespace nulvane
