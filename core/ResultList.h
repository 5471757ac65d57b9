#pragma once
// The result list: the toolkit-neutral list the whole system works on (the main window's Results).
// Entries stand in list order, each with one TFileRecord, a check state and the identity of the
// file it was made from (ListEntry.h). A header carries the columns and the sort state
// (ListColumns.h). The list holds data and raises events; it draws nothing. A view shows it and
// forwards the user's actions to it. An entry's fields are read through the list: FieldText for one,
// TEntryTexts (EntryTexts.h, which comes with this header) for many.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/EntryTexts.h"
#include "core/ListColumns.h"
#include "core/ListEntry.h"
#include "core/UpdateBracket.h"

namespace nulvane {

enum class TTextKind : std::uint8_t { Normal, Static };
enum class THintLineBreakStyle : std::uint8_t { Default, ForceSingleLine, ForceMultiLine };

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
    using THeaderClickEvent = std::function<void(TListHeader& sender, int column, TMouseButton button)>;
    using TGetHintEvent = std::function<void(TResultList& sender, std::size_t entry, int column,
                                             THintLineBreakStyle& lineBreakStyle, std::string& hint)>;
    using TNotifyEvent = std::function<void(TResultList& sender)>;
    // An entry's state changed; `entry` may be NoEntry (the focus went away).
    using TEntryEvent = std::function<void(TResultList& sender, std::size_t entry)>;
    // Orders two entries given by their places before the sort began.
    using TIndexCompare = std::function<int(std::size_t first, std::size_t second)>;
    // Asked once at the start of every Sort for a comparison to use during that sort instead of
    // OnCompareEntries; an empty answer means OnCompareEntries. It must answer exactly as
    // OnCompareEntries would: it exists so that a handler can convert each entry's sort key once
    // per sort rather than once per comparison. Nothing it prepares may outlive the sort.
    using TPrepareSortEvent =
        std::function<TIndexCompare(TResultList& sender, int column, TSortDirection direction)>;
    // A prepared comparison that may also give a sort's whole order at once, as a permutation
    // (order[j] is the index of the entry that lands at j), for when that is far cheaper than
    // comparing: Sort then uses it instead of merging. `Fill` must give exactly the order the
    // merge would give with `Compare`, or answer false (leaving `order` as it may) so that Sort
    // merges after all.
    struct TPreparedOrder {
        std::function<int(std::size_t first, std::size_t second)> Compare;
        std::function<bool(TSortDirection direction, std::uint32_t* order)> Fill;
        int operator()(std::size_t first, std::size_t second) const { return Compare(first, second); }
    };

    TCompareEvent OnCompareEntries;
    TGetTextEvent OnGetText;
    THeaderClickEvent OnHeaderClick;
    TGetHintEvent OnGetHint;
    TNotifyEvent OnDblClick;
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
    // Whether the scan found the folder to be a version-control store or to lie in one (what lies
    // in it is held, see TKeepRules::Hold); a bit per folder, set by the scan.
    void SetFolderInRepository(TFolderIndex folder);
    bool FolderInRepository(TFolderIndex folder) const noexcept {
        return folder < RepositoryFolders_.size() && RepositoryFolders_[folder];
    }
    // Appends the folder's path, ending in the separator, to `out`.
    void AppendFolderPath(TFolderIndex folder, std::string& out) const;

    // The text of one field of an entry, whatever the entry's record holds (TEntryTexts reads many
    // entries' fields in a loop, with the folder path kept between them). "Full Path" may be
    // composed in `scratch`, and is then valid until `scratch` changes; every other field views
    // into the entry and stays valid while the entry is unchanged. A field outside 0..18 reads
    // as empty.
    std::string_view FieldText(const TListEntry& entry, int field, std::string& scratch) const;
    // "Full Path" (FieldText) as a string of its own.
    std::string FullPath(const TListEntry& entry) const;
    // An entry's "Full Path" in the two parts it is made of, for a reader that works folder by
    // folder instead of composing paths: the path of a folder of the folder table (AppendFolderPath;
    // NoFolder: none) followed by `Rest`, which views into the entry.
    struct TPathParts {
        TFolderIndex Folder = NoFolder;
        std::string_view Rest;
    };
    TPathParts PathParts(const TListEntry& entry) const noexcept;
    // What follows the folder's path in a scanned entry's "Full Path" (its name, or a path below
    // the folder); "" for an entry that holds its path whole.
    std::string_view PathAfterFolder(const TListEntry& entry) const noexcept;

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

    // Reorders the entries by a top-down merge sort driven by OnCompareEntries, or by the
    // comparison OnPrepareSort gives for this sort (no handler: every pair compares 0), or in one
    // step when that comparison is a TPreparedOrder that fills the order. A run of n entries is split into its first n/2 (rounded down) and the
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
        if (state == TCheckState::Checked && IsHeld(entry.Note)) entry.Note = TEntryNote::None;
    }
    void ChangeFocus(std::size_t entry);
    TListEntry& Initialised(std::size_t index);

    TListHeader Header_;
    TEntries Entries_;
    std::vector<TScanAnchor> Anchors_;
    std::vector<TListFolder> Folders_;
    std::vector<bool> RepositoryFolders_;  // by folder index; shorter where none follows
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

}  // namespace nulvane
