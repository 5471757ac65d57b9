#pragma once
// The workbook model behind the spreadsheet server: sheets of cells with values and formats,
// merged areas, column widths and row heights. It holds what an Excel 97-2003 workbook can hold
// of these and no more: 65,536 rows by 256 columns per sheet, texts of at most 32,767 UTF-16
// units.
//
// Cell formats are kept once per workbook in a table and cells refer to them by index, so that
// formatting a whole column of a large sheet costs one index per cell; format 0 is the default.
// Rows and columns are counted from 0 here; the automation side counts from 1.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nulvane {

inline constexpr int SheetRows = 65536;
inline constexpr int SheetColumns = 256;
inline constexpr std::size_t MaxCellTextLength = 32767;

// The default row height of the workbook's 10-point font, in twentieths of a point.
inline constexpr std::uint16_t DefaultRowHeight = 255;

// A rectangle of cells, both corners included.
struct TCellArea {
    int FirstRow = 0;
    int FirstColumn = 0;
    int LastRow = 0;
    int LastColumn = 0;
    bool Intersects(const TCellArea& other) const noexcept {
        return FirstRow <= other.LastRow && other.FirstRow <= LastRow && FirstColumn <= other.LastColumn &&
               other.FirstColumn <= LastColumn;
    }
    friend bool operator==(const TCellArea&, const TCellArea&) = default;
};

// Border line styles, valued as the file format stores them.
enum class TLineStyle : std::uint8_t {
    None = 0,
    Thin = 1,
    Dashed = 3,
    Dotted = 4,
    Double = 6,
    DashDot = 9,
    DashDotDot = 11,
    SlantDashDot = 13,
};

// Alignments, valued as the file format stores them.
enum class THorizontalAlign : std::uint8_t { General = 0, Left, Center, Right, Fill, Justify, CenterAcross, Distributed };
enum class TVerticalAlign : std::uint8_t { Top = 0, Center, Bottom, Justify, Distributed };

struct TCellFormat {
    bool Bold = false;
    THorizontalAlign Horizontal = THorizontalAlign::General;
    TVerticalAlign Vertical = TVerticalAlign::Bottom;
    TLineStyle Left = TLineStyle::None;
    TLineStyle Right = TLineStyle::None;
    TLineStyle Top = TLineStyle::None;
    TLineStyle Bottom = TLineStyle::None;
    bool Text = false;  // the number format "@": a text put into the cell stays that text
    friend bool operator==(const TCellFormat&, const TCellFormat&) = default;
};

// The error value a cell shows when an array is smaller than the range it is put into.
enum class TCellError : std::uint8_t { NotAvailable = 0x2A };

using TCellValue = std::variant<std::monostate, double, std::u16string, bool, TCellError>;

struct TCell {
    TCellValue Value;
    std::uint16_t Format = 0;
};

// The value a spreadsheet program stores for a text typed into a cell: a plain decimal number
// (an optional minus sign, digits without superfluous leading zeros, an optional fraction; at
// most 15 significant digits, so that the number stands for the text exactly) becomes that
// number, the empty text leaves the cell empty, every other text stays as given. In a cell
// formatted as text (`asText`) every text but the empty one stays as given.
TCellValue ValueOfText(std::u16string text, bool asText = false);

// The text a cell shows in the general number format (for widths); empty for an empty cell.
std::u16string DisplayText(const TCellValue& value);

class TFormatTable {
public:
    TFormatTable() : Formats_(1) {}
    const TCellFormat& operator[](std::uint16_t index) const { return Formats_[index]; }
    std::size_t Size() const noexcept { return Formats_.size(); }
    // The index of the format, added when new. EOleException when the table is full.
    std::uint16_t Intern(const TCellFormat& format);

private:
    std::vector<TCellFormat> Formats_;
};

class TWorksheet {
public:
    TWorksheet(std::u16string name, std::shared_ptr<TFormatTable> formats)
        : Name(std::move(name)), Formats_(std::move(formats)) {}

    std::u16string Name;

    const TFormatTable& Formats() const noexcept { return *Formats_; }

    // The cell, or null when it was never written or formatted.
    const TCell* Find(int row, int column) const noexcept;
    // The rows that hold cells: row r's cells are Row(r), indexed by column, possibly shorter
    // than the sheet is wide. RowSlots() is one past the last row that has a slot.
    int RowSlots() const noexcept { return static_cast<int>(Rows_.size()); }
    const std::vector<TCell>& Row(int row) const { return Rows_[static_cast<std::size_t>(row)]; }

    // Writes a value; texts longer than a cell holds give EOleException.
    void SetValue(int row, int column, TCellValue value);
    // Applies `change` to the format of every cell of the area.
    template <class TChange>
    void ChangeFormat(const TCellArea& area, TChange change);

    // Merges the area into one cell: every merged area it touches is dissolved first, the values
    // of every cell but the top-left one are cleared and every cell takes the top-left one's
    // format. A single cell is left alone.
    void Merge(const TCellArea& area);
    const std::vector<TCellArea>& MergedAreas() const noexcept { return Merged_; }

    // Widths in 1/256 of a character, heights in twentieths of a point; 0 for the default.
    std::uint16_t ColumnWidth(int column) const { return Widths_[static_cast<std::size_t>(column)]; }
    // One past the last row that may have a height of its own.
    int HeightSlots() const noexcept { return static_cast<int>(Heights_.size()); }
    std::uint16_t RowHeight(int row) const {
        return static_cast<std::size_t>(row) < Heights_.size() ? Heights_[static_cast<std::size_t>(row)] : 0;
    }
    // Fits each column of the area to the widest text it shows within the area (merged cells
    // that span columns do not count); a column without text in the area goes back to the
    // default width.
    void AutoFitColumns(const TCellArea& area);
    // Fits each row of the area to the most lines a cell of it shows within the area.
    void AutoFitRows(const TCellArea& area);

private:
    TCell& At(int row, int column);

    std::shared_ptr<TFormatTable> Formats_;
    std::vector<std::vector<TCell>> Rows_;
    std::vector<TCellArea> Merged_;
    std::vector<std::uint16_t> Widths_ = std::vector<std::uint16_t>(SheetColumns);
    std::vector<std::uint16_t> Heights_;
};

class TWorkbook {
public:
    // A workbook with one empty sheet, "Sheet1".
    TWorkbook();
    const std::shared_ptr<TFormatTable>& Formats() const noexcept { return Formats_; }
    std::vector<std::shared_ptr<TWorksheet>> Sheets;

private:
    std::shared_ptr<TFormatTable> Formats_;
};

template <class TChange>
void TWorksheet::ChangeFormat(const TCellArea& area, TChange change) {
    // A large area holds few distinct formats: remember what each became.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> changed;
    for (int r = area.FirstRow; r <= area.LastRow; ++r)
        for (int c = area.FirstColumn; c <= area.LastColumn; ++c) {
            TCell& cell = At(r, c);
            std::uint16_t result = 0;
            bool known = false;
            for (const auto& [from, to] : changed)
                if (from == cell.Format) result = to, known = true;
            if (!known) {
                TCellFormat format = (*Formats_)[cell.Format];
                change(format);
                result = Formats_->Intern(format);
                changed.emplace_back(cell.Format, result);
            }
            cell.Format = result;
        }
}

}  // namespace nulvane
