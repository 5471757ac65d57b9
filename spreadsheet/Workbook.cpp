#include "spreadsheet/Workbook.h"

#include <algorithm>
#include <charconv>

#include "platform/automation/Automation.h"

namespace nulvane {

namespace {

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// Whether the text is a plain decimal number of at most 15 significant digits.
bool IsPlainDecimal(std::u16string_view text) noexcept {
    std::size_t i = 0;
    if (i < text.size() && text[i] == u'-') ++i;
    const std::size_t intStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    const std::size_t intLength = i - intStart;
    if (intLength == 0 || (intLength > 1 && text[intStart] == u'0')) return false;
    std::size_t fractionLength = 0;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++fractionLength;
        if (fractionLength == 0) return false;
    }
    if (i != text.size()) return false;
    // Significant digits: leading zeros of "0.000123" do not count.
    std::size_t significant = 0;
    bool started = false;
    for (std::size_t k = intStart; k < text.size(); ++k) {
        if (!IsDigit(text[k])) continue;
        if (text[k] != u'0') started = true;
        if (started) ++significant;
    }
    return significant <= 15;
}

std::size_t LinesOf(const TCellValue& value) {
    const auto* text = std::get_if<std::u16string>(&value);
    return text ? static_cast<std::size_t>(std::count(text->begin(), text->end(), u'\n')) + 1 : 1;
}

// Width in 1/256 of a character for a text of `units` characters: about seven pixels per
// character of the 10-point font (eight when bold) and five pixels of margin, capped at the
// widest column the file format allows.
std::uint16_t WidthFor(std::size_t units, bool bold) {
    const std::size_t pixels = units * (bold ? 8 : 7) + 5;
    const std::size_t width = std::min<std::size_t>(pixels * 256 / 7, 255 * 256);
    return static_cast<std::uint16_t>(width);
}

void CheckArea(const TCellArea& a) {
    if (a.FirstRow < 0 || a.FirstColumn < 0 || a.LastRow >= SheetRows || a.LastColumn >= SheetColumns ||
        a.FirstRow > a.LastRow || a.FirstColumn > a.LastColumn)
        throw EOleException("Application-defined or object-defined error.");
}

}  // namespace

TCellValue ValueOfText(std::u16string text, bool asText) {
    if (text.empty()) return std::monostate();
    if (asText || !IsPlainDecimal(text)) return TCellValue(std::move(text));
    std::string ascii(text.begin(), text.end());
    double number = 0;
    std::from_chars(ascii.data(), ascii.data() + ascii.size(), number);
    return number;
}

std::u16string DisplayText(const TCellValue& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, *number);
        if (result.ptr - buffer > 11) result = std::to_chars(buffer, buffer + sizeof buffer, *number,
                                                            std::chars_format::general, 6);
        return std::u16string(buffer, result.ptr);
    }
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? u"TRUE" : u"FALSE";
    if (std::holds_alternative<TCellError>(value)) return u"#N/A";
    return {};
}

std::uint16_t TFormatTable::Intern(const TCellFormat& format) {
    const auto it = std::find(Formats_.begin(), Formats_.end(), format);
    if (it != Formats_.end()) return static_cast<std::uint16_t>(it - Formats_.begin());
    // Cell formats follow the 16 built-in ones, and the file format counts them in 12 bits.
    if (Formats_.size() >= 4000) throw EOleException("Too many different cell formats.");
    Formats_.push_back(format);
    return static_cast<std::uint16_t>(Formats_.size() - 1);
}

const TCell* TWorksheet::Find(int row, int column) const noexcept {
    if (row < 0 || column < 0 || row >= RowSlots()) return nullptr;
    const auto& cells = Rows_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? &cells[static_cast<std::size_t>(column)] : nullptr;
}

TCell& TWorksheet::At(int row, int column) {
    CheckArea({row, column, row, column});
    if (row >= RowSlots()) Rows_.resize(static_cast<std::size_t>(row) + 1);
    auto& cells = Rows_[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    return cells[static_cast<std::size_t>(column)];
}

void TWorksheet::SetValue(int row, int column, TCellValue value) {
    if (auto* text = std::get_if<std::u16string>(&value)) {
        if (text->size() > MaxCellTextLength) throw EOleException("A cell holds at most 32,767 characters.");
        // Half a surrogate pair is no character a reader could show (a file name that was not
        // UTF-8 brings them): it shows as the replacement character.
        for (std::size_t i = 0; i < text->size(); ++i) {
            const char16_t u = (*text)[i];
            if (u < 0xD800 || u > 0xDFFF) continue;
            const bool paired = u <= 0xDBFF && i + 1 < text->size() && (*text)[i + 1] >= 0xDC00 &&
                                (*text)[i + 1] <= 0xDFFF;
            if (paired)
                ++i;
            else
                (*text)[i] = u'\uFFFD';
        }
    }
    At(row, column).Value = std::move(value);
}

void TWorksheet::Merge(const TCellArea& area) {
    CheckArea(area);
    if (area.FirstRow == area.LastRow && area.FirstColumn == area.LastColumn) return;
    std::erase_if(Merged_, [&](const TCellArea& m) { return m.Intersects(area); });
    const std::uint16_t format = At(area.FirstRow, area.FirstColumn).Format;
    for (int r = area.FirstRow; r <= area.LastRow; ++r)
        for (int c = area.FirstColumn; c <= area.LastColumn; ++c) {
            TCell& cell = At(r, c);
            if (r != area.FirstRow || c != area.FirstColumn) cell.Value = std::monostate();
            cell.Format = format;
        }
    Merged_.push_back(area);
}

void TWorksheet::AutoFitColumns(const TCellArea& area) {
    CheckArea(area);
    std::vector<std::uint16_t> widest(static_cast<std::size_t>(area.LastColumn - area.FirstColumn + 1));
    const auto spansColumns = [&](int r, int c) {
        return std::any_of(Merged_.begin(), Merged_.end(), [&](const TCellArea& m) {
            return m.FirstColumn != m.LastColumn && m.Intersects({r, c, r, c});
        });
    };
    for (int r = area.FirstRow; r <= std::min(area.LastRow, RowSlots() - 1); ++r) {
        const auto& cells = Rows_[static_cast<std::size_t>(r)];
        const int last = std::min(area.LastColumn, static_cast<int>(cells.size()) - 1);
        for (int c = area.FirstColumn; c <= last; ++c) {
            const TCell& cell = cells[static_cast<std::size_t>(c)];
            if (std::holds_alternative<std::monostate>(cell.Value)) continue;
            if (!Merged_.empty() && spansColumns(r, c)) continue;
            // The widest line of the text is what shows.
            const auto* text = std::get_if<std::u16string>(&cell.Value);
            const std::u16string other = text ? std::u16string() : DisplayText(cell.Value);
            const std::u16string_view shown = text ? std::u16string_view(*text) : std::u16string_view(other);
            std::size_t longest = 0;
            for (std::size_t start = 0; start <= shown.size();) {
                const std::size_t end = std::min(shown.find(u'\n', start), shown.size());
                longest = std::max(longest, end - start);
                start = end + 1;
            }
            auto& w = widest[static_cast<std::size_t>(c - area.FirstColumn)];
            w = std::max(w, WidthFor(longest, (*Formats_)[cell.Format].Bold));
        }
    }
    for (int c = area.FirstColumn; c <= area.LastColumn; ++c)
        Widths_[static_cast<std::size_t>(c)] = widest[static_cast<std::size_t>(c - area.FirstColumn)];
}

void TWorksheet::AutoFitRows(const TCellArea& area) {
    CheckArea(area);
    if (Heights_.size() <= static_cast<std::size_t>(area.LastRow))
        Heights_.resize(static_cast<std::size_t>(area.LastRow) + 1);
    for (int r = area.FirstRow; r <= area.LastRow; ++r) {
        std::size_t lines = 1;
        if (r < RowSlots()) {
            const auto& cells = Rows_[static_cast<std::size_t>(r)];
            const int last = std::min(area.LastColumn, static_cast<int>(cells.size()) - 1);
            for (int c = area.FirstColumn; c <= last; ++c)
                lines = std::max(lines, LinesOf(cells[static_cast<std::size_t>(c)].Value));
        }
        // The file format's highest row is 409.5 points.
        Heights_[static_cast<std::size_t>(r)] =
            static_cast<std::uint16_t>(std::min<std::size_t>(lines * DefaultRowHeight, 8190));
    }
}

TWorkbook::TWorkbook() : Formats_(std::make_shared<TFormatTable>()) {
    Sheets.push_back(std::make_shared<TWorksheet>(u"Sheet1", Formats_));
}

}  // namespace nulvane
