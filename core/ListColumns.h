#pragma once
// The result list's header: its columns (caption, width, colour, alignment, visibility) in creation
// order and in display order, and the sort state the header shows. Columns are addressed by their
// creation index, never by their display position; NoColumn stands for "no column". The header
// forwards clicks to its list's events; it sorts nothing itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/UpdateBracket.h"

namespace nulvane {

inline constexpr int NoColumn = -1;

// Colours as 0x00BBGGRR values. A value with the top bit set names a colour of the desktop's
// palette instead; the view maps it.
using TColor = std::uint32_t;
inline constexpr TColor SystemColorFlag = 0x80000000u;
inline constexpr TColor clInfoBk = SystemColorFlag | 24u;  // the palette's tooltip background
inline constexpr TColor ListBackgroundColor = 0x00FFF3EFu;  // pale blue: red 239, green 243, blue 255

enum class TAlignment : std::uint8_t { Left, Right, Center };
enum class TSortDirection : std::uint8_t { Ascending, Descending };
enum class TMouseButton : std::uint8_t { Left, Right, Middle };


struct TListColumn {
    std::string Text;  // the caption, exactly as configured
    int Width = 50;    // pixels
    // The column's own background; none means it paints with the list's colour.
    std::optional<TColor> Color;
    TAlignment Alignment = TAlignment::Left;
    bool Visible = true;
};

class TListHeader;

// The header's columns in creation order, and the order in which they are displayed.
class TListColumns : public TUpdateBracket {
public:
    explicit TListColumns(TListHeader& header) noexcept : Header_(header) {}
    TListColumns(const TListColumns&) = delete;
    TListColumns& operator=(const TListColumns&) = delete;

    int Count() const noexcept { return static_cast<int>(Columns_.size()); }
    // Throws EListError for an index outside 0..Count()-1.
    TListColumn& operator[](int index);
    const TListColumn& operator[](int index) const;

    // Adds a column at the end of both orders; its index is the previous Count().
    TListColumn& Add();
    // Removes every column; the header then has no sort column.
    void Clear() noexcept;
    // Tells the list's change listener that the columns changed, unless a bracket is open (then
    // closing it tells). Column properties set through operator[] are told by the one who sets them.
    void Changed() noexcept;

    // Display position of a column (0 is leftmost), and the column shown at a position.
    int Position(int index) const;
    int ColumnAt(int position) const;
    // Moves the column to the position at once; the columns in between shift by one place. A
    // position beyond the last, or a negative one, means the last.
    void SetPosition(int index, int position);

protected:
    void UpdateEnded() noexcept override;

private:
    TListHeader& Header_;
    bool Changed_ = false;
    std::vector<TListColumn> Columns_;
    std::vector<int> DisplayOrder_;  // column index at each position
};

class TResultList;

class TListHeader {
public:
    explicit TListHeader(TResultList& owner) noexcept : Owner_(owner) {}
    TListHeader(const TListHeader&) = delete;
    TListHeader& operator=(const TListHeader&) = delete;

    TResultList& Owner() const noexcept { return Owner_; }
    TListColumns& Columns() noexcept { return Columns_; }
    const TListColumns& Columns() const noexcept { return Columns_; }

    // The column that carries the sort glyph, or NoColumn. Setting it does not sort.
    int SortColumn() const noexcept { return SortColumn_; }
    // Throws EListError unless the value is NoColumn or an existing column.
    void SetSortColumn(int column);
    TSortDirection SortDirection() const noexcept { return SortDirection_; }
    void SetSortDirection(TSortDirection direction) noexcept { SortDirection_ = direction; }

    // The column that holds the check boxes: the first column once columns exist.
    int MainColumn() const noexcept { return Columns_.Count() > 0 ? 0 : NoColumn; }

    // What the view forwards: a completed click on a column.
    void Click(int column, TMouseButton button);

private:
    friend class TListColumns;
    TResultList& Owner_;
    TListColumns Columns_{*this};
    int SortColumn_ = NoColumn;
    TSortDirection SortDirection_ = TSortDirection::Ascending;
};

}  // namespace nulvane
