#pragma once
// The result list: the toolkit-neutral list the whole system works on (the main window's VT).
// Entries stand in list order, each with one TFileRecord, a check state and the identity of the
// file it was made from. A header carries the columns and the sort state. The list holds data and
// raises events; it draws nothing. A view shows it and forwards the user's actions to it.
//
// Entries are addressed by their index in list order; NoEntry stands for "no entry". Columns are
// addressed by their creation index, never by their display position; NoColumn stands for "no
// column".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/FileRecord.h"

namespace nulvane {

enum class TCheckState : std::uint8_t { Unchecked, Checked };
// Whether an entry shows a check box at all; the main window gives every entry one.
enum class TCheckType : std::uint8_t { None, CheckBox };

// Device and inode of the file an entry was made from (zero when unknown).
struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
};

// Index of an entry in the list's anchor table; NoAnchor for an entry no scan made.
using TAnchorIndex = std::uint32_t;
inline constexpr TAnchorIndex NoAnchor = std::numeric_limits<TAnchorIndex>::max();

// Index of a folder in the list's folder table; NoFolder for an entry that holds its whole path.
using TFolderIndex = std::uint32_t;
inline constexpr TFolderIndex NoFolder = std::numeric_limits<TFolderIndex>::max();

// A folder that scanned entries lie in, stored once for all of them: its name and the folder it
// lies in, so that a path costs its last component per folder, however deep the tree. A scanned
// folder's own path as the user gave it is a chain of such folders too, one per component ("/a/"
// is the folder "a" in the folder with the empty name); the path of a folder is the names from the
// top down, each followed by the separator.
struct TListFolder {
    std::string_view Name;           // kept by the list
    TFolderIndex Parent = NoFolder;  // NoFolder at the top
    TAnchorIndex Anchor = NoAnchor;  // the innermost anchor the scan reached the folder's files through
};

// A folder through which a scan reached entries: a scanned folder under its path as the user gave
// it, or a folder link the scan followed out of the scanned folder, under the link's own path.
// An entry's full path is its anchor's path followed by names of real folders, so that opening
// it again follows symbolic links only in a scanned folder's own path and at the last component
// of each link anchor's path (the part before that lies under the link's parent anchor).
struct TScanAnchor {
    std::string Path;            // ends in the separator
    // Where the folder really is (absolute, links and ".." resolved, ending in the separator), for
    // what must not depend on how the path was spelled; empty when the scan could not tell.
    std::string RealPath;
    TAnchorIndex Parent = NoAnchor;  // the anchor the link lies under; NoAnchor for a scanned folder
    TFileIdentity Folder;        // the folder it led to when scanned
    bool IsLink() const noexcept { return Parent != NoAnchor; }
};

// What an entry carries beyond its record, shown as its hint: a keep rule holds it back (it
// starts unchecked; checking it makes it an ordinary entry again), or the last deletion kept its
// file, and why.
enum class TEntryNote : std::uint8_t {
    None,
    HeldByRule,            // matches a keep rule
    KeptChanged,           // no longer the empty file the scan found
    KeptInUse,             // another program holds a lock on it
    KeptPermissionDenied,  // its folder does not let us remove it
    KeptPathGone,          // a folder on its path is gone: the path no longer leads to it
    KeptNoTrash,           // to go to the trash, and its file system has no usable trash
    KeptOtherError,        // any other failure
    KeptReadOnly,          // its file system is mounted read-only
    KeptLockUnknown,       // nothing could tell whether another program holds a lock on it
};

struct TListEntry {
    TFileRecord Record;
    TFileIdentity Identity;
    TCheckState CheckState = TCheckState::Unchecked;
    TCheckType CheckType = TCheckType::None;
    // For each time field, two bits from "Create Time" on: which instant its local text means
    // where the clocks were turned back and the text stands for two (TTimeReading's values).
    std::uint8_t TimeReadings = 0;
    TEntryNote Note = TEntryNote::None;
    // The folder a scan found the file in: its "Full Path" is that folder's path followed by the
    // record's path tail. NoFolder for an entry whose record holds its "Full Path" whole.
    TFolderIndex Folder = NoFolder;
};
// A million entries are a list people scan: each byte here is a megabyte there.
static_assert(sizeof(TListEntry) == 32);

// The reading of a time field's text (0 the only one, 1 the earlier, 2 the later of two); 0 for
// any other field.
inline std::uint8_t TimeReadingOf(const TListEntry& entry, int field) noexcept {
    if (field < fiCreateTime || field > fiWriteTime) return 0;
    return static_cast<std::uint8_t>((entry.TimeReadings >> (2 * (field - fiCreateTime))) & 3u);
}
inline void SetTimeReading(TListEntry& entry, int field, std::uint8_t reading) noexcept {
    const int shift = 2 * (field - fiCreateTime);
    entry.TimeReadings = static_cast<std::uint8_t>((entry.TimeReadings & ~(3u << shift)) | ((reading & 3u) << shift));
}

inline constexpr std::size_t NoEntry = std::numeric_limits<std::size_t>::max();
inline constexpr int NoColumn = -1;

// Colours as 0x00BBGGRR values. A value with the top bit set names a colour of the desktop's
// palette instead; the view maps it.
using TColor = std::uint32_t;
inline constexpr TColor SystemColorFlag = 0x80000000u;
inline constexpr TColor clInfoBk = SystemColorFlag | 24u;  // the palette's tooltip background
inline constexpr TColor ListBackgroundColor = 0x00FFF3EFu;  // pale blue: red 239, green 243, blue 255

enum class TAlignment : std::uint8_t { Left, Right, Center };
enum class TSortDirection : std::uint8_t { Ascending, Descending };
enum class TTextKind : std::uint8_t { Normal, Static };
enum class THintLineBreakStyle : std::uint8_t { Default, ForceSingleLine, ForceMultiLine };
enum class TMouseButton : std::uint8_t { Left, Right, Middle };

using TShiftState = std::uint8_t;
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;

struct TListColumn {
    std::string Text;  // the caption, exactly as configured
    int Width = 50;    // pixels
    // The column's own background; none means it paints with the list's colour.
    std::optional<TColor> Color;
    TAlignment Alignment = TAlignment::Left;
    bool Visible = true;
};

// An update bracket that nests: while it is open, changes are applied together (columns) or
// not repainted (the list) until it closes.
class TUpdateBracket {
public:
    virtual ~TUpdateBracket() = default;
    void BeginUpdate() noexcept { ++UpdateCount_; }
    void EndUpdate() noexcept {
        if (UpdateCount_ > 0 && --UpdateCount_ == 0) UpdateEnded();
    }
    bool IsUpdating() const noexcept { return UpdateCount_ > 0; }

    // Opens the bracket for its own lifetime, so that an error cannot leave it open.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TUpdateBracket& bracket) noexcept : Bracket_(bracket) { Bracket_.BeginUpdate(); }
        ~TUpdateScope() { Bracket_.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TUpdateBracket& Bracket_;
    };

protected:
    // Called when the outermost bracket closes; must not throw.
    virtual void UpdateEnded() noexcept {}

private:
    int UpdateCount_ = 0;
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

// What changed in a list, for a view that mirrors it. Appended and Removed carry the first index
// and the count of the entries concerned; the others carry nothing.
enum class TListChange : std::uint8_t {
    EntriesAppended,
    EntriesRemoved,
    EntriesReset,  // anything else about the entries: cleared, many removed, reordered
    ColumnsRebuilt,
    Sorted,
    CheckStatesChanged,
};

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

    // What the view forwards: a mouse button pressed on the header, and a completed click on a
    // column.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void Click(int column, TMouseButton button, TShiftState shift, int x, int y);

private:
    friend class TListColumns;
    TResultList& Owner_;
    TListColumns Columns_{*this};
    int SortColumn_ = NoColumn;
    TSortDirection SortDirection_ = TSortDirection::Ascending;
};

class TResultList : public TUpdateBracket {
public:
    using TEntries = std::vector<TListEntry>;

    // Events. Each holds at most one handler; assigning replaces the previous one.
    // Orders two entries for Sort: negative, zero or positive. The entries are passed themselves
    // because Sort reorders a permutation and moves the entries only once it is complete.
    using TCompareEvent = std::function<int(TResultList& sender, const TListEntry& first,
                                            const TListEntry& second, int column)>;
    // Supplies a cell's text; `text` arrives holding DefaultText().
    using TGetTextEvent = std::function<void(TResultList& sender, std::size_t entry, int column,
                                             TTextKind kind, std::string& text)>;
    using THeaderClickEvent = std::function<void(TListHeader& sender, int column, TMouseButton button,
                                                 TShiftState shift, int x, int y)>;
    using THeaderMouseEvent =
        std::function<void(TListHeader& sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using TGetHintEvent = std::function<void(TResultList& sender, std::size_t entry, int column,
                                             THintLineBreakStyle& lineBreakStyle, std::string& hint)>;
    using TNotifyEvent = std::function<void(TResultList& sender)>;
    // An entry's state changed; `entry` may be NoEntry (the focus went away).
    using TEntryEvent = std::function<void(TResultList& sender, std::size_t entry)>;
    // Orders two entries given by their places before the sort began.
    using TIndexCompare = std::function<int(std::size_t first, std::size_t second)>;
    // Asked once at the start of every Sort for a comparison to use during that sort instead of
    // OnCompareNodes; an empty answer means OnCompareNodes. It must answer exactly as
    // OnCompareNodes would: it exists so that a handler can convert each entry's sort key once
    // per sort rather than once per comparison. Nothing it prepares may outlive the sort.
    using TPrepareSortEvent =
        std::function<TIndexCompare(TResultList& sender, int column, TSortDirection direction)>;

    TCompareEvent OnCompareNodes;
    TGetTextEvent OnGetText;
    THeaderClickEvent OnHeaderClick;
    TGetHintEvent OnGetHint;
    TNotifyEvent OnDblClick;
    THeaderMouseEvent OnHeaderMouseDown;
    TEntryEvent OnChange;    // raised when the focused entry changes
    TEntryEvent OnInitNode;  // raised for every entry as it is added
    TPrepareSortEvent OnPrepareSort;
    // Change notifications for a view. While the list's update bracket is open they are held
    // back and one notification is raised when it closes (appends alone: one EntriesAppended for
    // all of them; anything else: EntriesReset). The listener must not change the list.
    using TChangeEvent = std::function<void(TResultList& sender, TListChange change, std::size_t first,
                                            std::size_t count)>;
    TChangeEvent OnListChange;

    TResultList() : Header_(*this) {}
    TResultList(const TResultList&) = delete;
    TResultList& operator=(const TResultList&) = delete;

    TListHeader& Header() noexcept { return Header_; }
    const TListHeader& Header() const noexcept { return Header_; }

    // Adds an entry at the end (with an empty record, or the given one), raises OnInitNode for
    // it and returns it. The reference stays valid until the list next changes its entries.
    TListEntry& Append();
    TListEntry& Append(TListEntry&& entry);
    void Reserve(std::size_t count) { Entries_.reserve(count); }

    // The anchors of the entries scanned into the list, in the order the scans met them. They
    // stay while any entry may refer to them: until Clear().
    const std::vector<TScanAnchor>& Anchors() const noexcept { return Anchors_; }
    // Adds an anchor and returns its index. Throws EListError when the table is full.
    TAnchorIndex AddAnchor(TScanAnchor anchor);
    // The innermost anchor the scan reached the entry's file through; NoAnchor for an entry no
    // scan made.
    TAnchorIndex AnchorOf(const TListEntry& entry) const noexcept;

    // The folders of the entries scanned into the list. Like the anchors, they stay until Clear().
    std::size_t FolderCount() const noexcept { return Folders_.size(); }
    const TListFolder& Folder(TFolderIndex folder) const { return Folders_.at(folder); }
    // Adds a folder named `name` in `parent` (NoFolder, or a folder added before) and returns its
    // index. Throws EListError when the table is full or `parent` is no folder of the list.
    TFolderIndex AddFolder(TFolderIndex parent, std::string_view name, TAnchorIndex anchor = NoAnchor);
    void SetFolderAnchor(TFolderIndex folder, TAnchorIndex anchor) { Folders_.at(folder).Anchor = anchor; }
    // Appends the folder's path, ending in the separator, to `out`.
    void AppendFolderPath(TFolderIndex folder, std::string& out) const;

    // The text of an entry's field, as every export, sort and view reads it: the record's own
    // text, except "Full Path" of a scanned entry, which is its folder's path followed by its
    // path tail, composed in `scratch` (the result then views into `scratch`).
    std::string_view FieldText(const TListEntry& entry, int field, std::string& scratch) const;
    std::string FullPath(const TListEntry& entry) const;

    std::size_t Count() const noexcept { return Entries_.size(); }
    bool Empty() const noexcept { return Entries_.empty(); }

    TListEntry& operator[](std::size_t index) { return Entries_[index]; }
    const TListEntry& operator[](std::size_t index) const { return Entries_[index]; }
    // As operator[], but throws EListError for an index outside the list.
    TListEntry& Entry(std::size_t index);
    const TListEntry& Entry(std::size_t index) const;
    TEntries::iterator begin() noexcept { return Entries_.begin(); }
    TEntries::iterator end() noexcept { return Entries_.end(); }
    TEntries::const_iterator begin() const noexcept { return Entries_.begin(); }
    TEntries::const_iterator end() const noexcept { return Entries_.end(); }

    // Removes every entry (and the anchors) at once.
    void Clear();
    // Removes one entry; the entries after it move up one place. Throws EListError for an index
    // outside the list.
    void Remove(std::size_t index);
    // Visits the entries from the last to the first and removes those for which `remove` returns
    // true, in one pass whatever their number. Returns how many were removed. When `remove`
    // throws, the entries it chose so far are removed and the error travels on.
    std::size_t RemoveIf(const std::function<bool(std::size_t index, TListEntry& entry)>& remove);

    // The focused entry, or NoEntry. Sort and Remove keep the focus on the same entry (none
    // when it was removed).
    std::size_t FocusedEntry() const noexcept { return Focused_; }
    // Throws EListError unless the value is NoEntry or an entry of the list.
    void SetFocusedEntry(std::size_t entry);

    // Check states. SetAllCheckStates sets them directly, without any notification. Checking an
    // entry that a keep rule held back makes it an ordinary entry: its note goes.
    TCheckState CheckState(std::size_t entry) const { return Entry(entry).CheckState; }
    void SetCheckState(std::size_t entry, TCheckState state) { SetCheckState(Entry(entry), state); }
    void SetAllCheckStates(TCheckState state) noexcept;

    // Reorders the entries by a top-down merge sort driven by OnCompareNodes, or by the
    // comparison OnPrepareSort gives for this sort (no handler: every pair compares 0). A run of n entries is split into its first n/2 (rounded down) and the
    // rest; merging takes the head of the first part while the comparison of (first head,
    // second head) is <= 0 when ascending, >= 0 when descending. This exact rule is what makes
    // ties keep or reverse their order, so it must not be replaced by another stable sort.
    // `column` is passed to the comparison unchanged. When the comparison throws, the list is
    // left as it was and the error travels on.
    void Sort(int column, TSortDirection direction);

    // What the view shows and forwards.
    const std::string& DefaultText() const noexcept { return DefaultText_; }
    void SetDefaultText(std::string text) { DefaultText_ = std::move(text); }
    std::string CellText(std::size_t entry, int column, TTextKind kind = TTextKind::Normal);
    std::string Hint(std::size_t entry, int column, THintLineBreakStyle& lineBreakStyle);
    void DblClick();

    // Background of the list and of every column without a colour of its own.
    TColor Color() const noexcept { return Color_; }

    // Raises OnListChange, or holds it back while the update bracket is open.
    void NotifyChange(TListChange change, std::size_t first = 0, std::size_t count = 0) noexcept;

protected:
    void UpdateEnded() noexcept override;

private:
    static void SetCheckState(TListEntry& entry, TCheckState state) noexcept {
        entry.CheckState = state;
        if (state == TCheckState::Checked && entry.Note == TEntryNote::HeldByRule) entry.Note = TEntryNote::None;
    }
    void ChangeFocus(std::size_t entry);
    TListEntry& Initialised(std::size_t index);

    TListHeader Header_;
    TEntries Entries_;
    std::vector<TScanAnchor> Anchors_;
    std::vector<TListFolder> Folders_;
    // The folder names, in blocks that never move once filled, so that the names' views stay.
    std::vector<std::unique_ptr<char[]>> NameBlocks_;
    std::size_t NameBlockUsed_ = 0, NameBlockSize_ = 0;
    std::size_t Focused_ = NoEntry;
    std::string DefaultText_;
    TColor Color_ = ListBackgroundColor;
    // What happened while the update bracket was open: nothing, appends from PendingFirst_ on,
    // or more than that.
    enum class TPending : std::uint8_t { None, Appended, Reset } Pending_ = TPending::None;
    std::size_t PendingFirst_ = 0;
    bool PendingColumns_ = false;
};

// Reads the field texts of one list's entries for a reader that goes through many of them (an
// export, a sort, the command line's output): the path of the last folder is composed once and
// kept. A text it returns stays valid until its next call. One reader per thread, for one pass
// over a list whose folders do not change meanwhile.
class TEntryTexts {
public:
    explicit TEntryTexts(const TResultList& list) noexcept : List_(list) {}
    std::string_view Get(const TListEntry& entry, int field);
    std::string_view FullPath(const TListEntry& entry) { return Get(entry, fiFullPath); }

private:
    const TResultList& List_;
    TFolderIndex Folder_ = NoFolder;  // whose path Path_ starts with
    std::size_t FolderLength_ = 0;
    std::string Path_;
};

}  // namespace nulvane
