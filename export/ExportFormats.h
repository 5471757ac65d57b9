#pragma once
// The export formats, listed once: the name the command line gives each (and its completions and
// manual page with it), the window's menu entry and picture, and the save dialog's extension and
// filter. Everything that offers or names the formats reads this table, so that a format is added
// or renamed in one place. The table needs nothing of the exports themselves: a program that only
// parses its options reads it too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace nulvane {

// The formats the engine writes by itself, and the spreadsheet workbook, which the spreadsheet
// application builds from the engine's XML document.
enum class TExportFormat : unsigned char { CSV, Text, HTML, XML, Excel };

struct TExportFormatInfo {
    TExportFormat Format;
    std::string_view Name;         // on the command line: "csv"
    std::string_view MenuCaption;  // in the list's popup menu (the CSV entry has always read "SCV")
    int MenuPlace;                 // the entry's place in that menu, from 0
    std::string_view IconLabel;    // the word on the menu entry's picture
    std::uint32_t IconColour;      // the picture's band, 0xRRGGBB
    std::string_view DefaultExt;   // the save dialog's, added to a name typed without one
    std::string_view Filter;       // the save dialog's: a description and a pattern
};

// In the order of TExportFormat, which is the order the command line lists them in.
inline constexpr std::array<TExportFormatInfo, 5> ExportFormats{{
    {TExportFormat::CSV, "csv", "Export To SCV", 3, "CSV", 0x2D8C9E, ".csv", "CSV File|*.csv"},
    {TExportFormat::Text, "txt", "Export To Text", 1, "TXT", 0x5A6B7D, ".txt", "Text File|*.txt"},
    {TExportFormat::HTML, "html", "Export To HTML", 0, "HTM", 0xE36C2A, ".htm", "HTML File|*.htm"},
    {TExportFormat::XML, "xml", "Export To XML", 4, "XML", 0x7B4FB0, ".xml", "XML File|*.XML"},
    {TExportFormat::Excel, "xls", "Export To Excel", 2, "XLS", 0x1F7A44, ".xls", "EXCEL File|*.xls"},
}};

static_assert([] {
    for (std::size_t i = 0; i < ExportFormats.size(); ++i)
        if (static_cast<std::size_t>(ExportFormats[i].Format) != i) return false;
    return true;
}());

constexpr const TExportFormatInfo& ExportFormatInfo(TExportFormat format) noexcept {
    return ExportFormats[static_cast<std::size_t>(format)];
}

// The format of a command-line name ("csv", "txt", "html", "xml", "xls"); nothing for any other text.
std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept;

// A text made at compile time from the formats' names.
struct TFormatNamesText {
    std::array<char, 160> Chars{};
    std::size_t Size = 0;
    constexpr std::string_view View() const noexcept { return {Chars.data(), Size}; }
};

// The command-line names between `before` and `after`, `between` between two of them and `last`
// before the last: JoinFormatNames("", ", ", " or ", "") is "csv, txt, html, xml or xls".
constexpr TFormatNamesText JoinFormatNames(std::string_view before, std::string_view between, std::string_view last,
                                           std::string_view after) {
    TFormatNamesText text;
    const auto put = [&](std::string_view part) {
        for (const char c : part) text.Chars.at(text.Size++) = c;
    };
    put(before);
    for (std::size_t i = 0; i < ExportFormats.size(); ++i) {
        if (i > 0) put(i + 1 == ExportFormats.size() ? last : between);
        put(ExportFormats[i].Name);
    }
    put(after);
    return text;
}

}  // namespace nulvane
