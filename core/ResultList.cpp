#include "core/ResultList.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <utility>

#include "platform/files/PathNames.h"
#include "platform/system/Errors.h"

namespace nulvane {

// ---- entries --------------------------------------------------------------------------------

TListEntry& TResultList::Initialised(std::size_t index) {
    if (OnInitNode) OnInitNode(*this, index);
    NotifyChange(TListChange::EntriesAppended, index, 1);
    return Entries_[index];
}

void TResultList::NotifyChange(TListChange change, std::size_t first, std::size_t count) noexcept {
    if (IsUpdating()) {
        if (change == TListChange::ColumnsRebuilt)
            PendingColumns_ = true;
        else if (change == TListChange::EntriesAppended && Pending_ == TPending::None) {
            Pending_ = TPending::Appended;
            PendingFirst_ = first;
        } else if (change != TListChange::EntriesAppended)
            Pending_ = TPending::Reset;
        return;
    }
    if (!OnListChange) return;
    try {
        OnListChange(*this, change, first, count);
    } catch (...) {
        // A view that fails to follow a change resets itself at the next one; the list's own
        // change has happened and stands.
    }
}

void TResultList::UpdateEnded() noexcept {
    const TPending pending = std::exchange(Pending_, TPending::None);
    if (std::exchange(PendingColumns_, false)) NotifyChange(TListChange::ColumnsRebuilt);
    if (pending == TPending::Reset)
        NotifyChange(TListChange::EntriesReset);
    else if (pending == TPending::Appended && PendingFirst_ < Entries_.size())
        NotifyChange(TListChange::EntriesAppended, PendingFirst_, Entries_.size() - PendingFirst_);
}

TListEntry& TResultList::Append() {
    Entries_.emplace_back();
    return Initialised(Entries_.size() - 1);
}

TListEntry& TResultList::Append(TListEntry&& entry) {
    Entries_.emplace_back(std::move(entry));
    return Initialised(Entries_.size() - 1);
}

TListEntry& TResultList::Entry(std::size_t index) {
    if (index >= Entries_.size()) throw EListError("entry index out of range: " + std::to_string(index));
    return Entries_[index];
}

const TListEntry& TResultList::Entry(std::size_t index) const {
    if (index >= Entries_.size()) throw EListError("entry index out of range: " + std::to_string(index));
    return Entries_[index];
}

void TResultList::ChangeFocus(std::size_t entry) {
    if (entry == Focused_) return;
    Focused_ = entry;
    if (OnChange) OnChange(*this, entry);
}

void TResultList::SetFocusedEntry(std::size_t entry) {
    if (entry != NoEntry && entry >= Entries_.size())
        throw EListError("entry index out of range: " + std::to_string(entry));
    ChangeFocus(entry);
}

TAnchorIndex TResultList::AddAnchor(TScanAnchor anchor) {
    if (Anchors_.size() >= NoAnchor) throw EListError("too many scan anchors");
    Anchors_.push_back(std::move(anchor));
    return static_cast<TAnchorIndex>(Anchors_.size() - 1);
}

TAnchorIndex TResultList::AnchorOf(const TListEntry& entry) const noexcept {
    return entry.Folder < Folders_.size() ? Folders_[entry.Folder].Anchor : NoAnchor;
}

TFolderIndex TResultList::AddFolder(TFolderIndex parent, std::string_view name, TAnchorIndex anchor) {
    if (Folders_.size() >= NoFolder) throw EListError("too many folders");
    if (parent != NoFolder && parent >= Folders_.size()) throw EListError("no such folder: " + std::to_string(parent));
    if (name.size() > NameBlockSize_ - NameBlockUsed_) {
        // Blocks grow with the table, so that a few hold the names of a million folders.
        const std::size_t size = std::max(name.size(), std::clamp<std::size_t>(NameBlockSize_ * 2, 4096, 1u << 20));
        auto block = std::make_unique_for_overwrite<char[]>(size);
        NameBlocks_.push_back(std::move(block));
        NameBlockSize_ = size;
        NameBlockUsed_ = 0;
    }
    char* stored = NameBlocks_.empty() ? nullptr : NameBlocks_.back().get() + NameBlockUsed_;
    if (!name.empty()) std::memcpy(stored, name.data(), name.size());
    NameBlockUsed_ += name.size();
    Folders_.push_back({std::string_view(stored, name.size()), parent, anchor});
    return static_cast<TFolderIndex>(Folders_.size() - 1);
}

void TResultList::AppendFolderPath(TFolderIndex folder, std::string& out) const {
    AppendChainedPath(out, folder, NoFolder, [this](TFolderIndex f) { return Folders_.at(f).Parent; },
                      [this](TFolderIndex f) { return Folders_.at(f).Name; });
}

TResultList::TPathParts TResultList::PathParts(const TListEntry& entry) const noexcept {
    // A scanned entry's record holds what follows its folder's path; any other holds its path whole.
    if (!entry.Record.HasPathTail()) return {NoFolder, entry.Record.Get(fiFullPath)};
    return {entry.Folder, entry.Record.PathTail()};
}

std::string_view TResultList::PathAfterFolder(const TListEntry& entry) const noexcept {
    return entry.Record.HasPathTail() ? entry.Record.PathTail() : std::string_view();
}

std::string_view TResultList::FieldText(const TListEntry& entry, int field, std::string& scratch) const {
    if (field != fiFullPath) return entry.Record.Get(field);
    const TPathParts parts = PathParts(entry);
    if (parts.Folder == NoFolder) return parts.Rest;
    scratch.clear();
    AppendFolderPath(parts.Folder, scratch);
    scratch += parts.Rest;
    return scratch;
}

std::string TResultList::FullPath(const TListEntry& entry) const {
    std::string path;
    return std::string(FieldText(entry, fiFullPath, path));
}

void TResultList::SetFolderInRepository(TFolderIndex folder) {
    if (folder >= Folders_.size()) return;
    if (RepositoryFolders_.size() <= folder) RepositoryFolders_.resize(folder + 1);
    RepositoryFolders_[folder] = true;
}

void TResultList::Clear() {
    TEntries().swap(Entries_);
    std::vector<TScanAnchor>().swap(Anchors_);
    std::vector<TListFolder>().swap(Folders_);
    std::vector<bool>().swap(RepositoryFolders_);
    NameBlocks_.clear();
    NameBlockUsed_ = NameBlockSize_ = 0;
    ChangeFocus(NoEntry);
    NotifyChange(TListChange::EntriesReset);
}

void TResultList::Remove(std::size_t index) {
    if (index >= Entries_.size()) throw EListError("entry index out of range: " + std::to_string(index));
    Entries_.erase(Entries_.begin() + static_cast<std::ptrdiff_t>(index));
    if (Focused_ == index)
        ChangeFocus(NoEntry);
    else if (Focused_ != NoEntry && Focused_ > index)
        --Focused_;  // the same entry, one place up
    NotifyChange(TListChange::EntriesRemoved, index, 1);
}

std::size_t TResultList::RemoveIf(const std::function<bool(std::size_t, TListEntry&)>& remove) {
    std::vector<bool> chosen(Entries_.size());
    std::size_t count = 0;
    auto compact = [&] {
        if (count == 0) return;
        std::size_t focused = NoEntry;
        std::size_t out = 0;
        for (std::size_t i = 0; i < Entries_.size(); ++i) {
            if (chosen[i]) continue;
            if (i == Focused_) focused = out;
            if (out != i) Entries_[out] = std::move(Entries_[i]);
            ++out;
        }
        Entries_.resize(out);
        if (focused != NoEntry)
            Focused_ = focused;  // the same entry at its new place
        else
            ChangeFocus(NoEntry);
        NotifyChange(TListChange::EntriesReset);
    };
    try {
        for (std::size_t i = Entries_.size(); i-- > 0;)
            if (remove(i, Entries_[i])) {
                chosen[i] = true;
                ++count;
            }
    } catch (...) {
        compact();
        throw;
    }
    compact();
    return count;
}

void TResultList::SetAllCheckStates(TCheckState state) noexcept {
    for (TListEntry& entry : Entries_) SetCheckState(entry, state);
    NotifyChange(TListChange::CheckStatesChanged);
}

// ---- sort -----------------------------------------------------------------------------------

namespace {

// `Compare(first, second)` takes entry indices; the result decides as the direction says.
template <bool Descending, class TCompare>
class TMergeSort {
public:
    TMergeSort(TCompare& compare, std::uint32_t* scratch) noexcept : Compare_(compare), Scratch_(scratch) {}

    void Run(std::uint32_t* keys, std::size_t n) {
        if (n < 2) return;
        const std::size_t firstCount = n / 2;
        Run(keys, firstCount);
        Run(keys + firstCount, n - firstCount);

        // The first part moves to the scratch buffer; merging writes from the front of `keys`,
        // never overtaking the unread rest of the second part.
        std::memcpy(Scratch_, keys, firstCount * sizeof *keys);
        const std::uint32_t* a = Scratch_;
        const std::uint32_t* const aEnd = Scratch_ + firstCount;
        const std::uint32_t* b = keys + firstCount;
        const std::uint32_t* const bEnd = keys + n;
        std::uint32_t* out = keys;
        while (a != aEnd && b != bEnd) {
            const int result = Compare_(*a, *b);
            if (Descending ? result >= 0 : result <= 0)
                *out++ = *a++;
            else
                *out++ = *b++;
        }
        // What is left of the second part already stands in place.
        std::memcpy(out, a, static_cast<std::size_t>(aEnd - a) * sizeof *keys);
    }

private:
    TCompare& Compare_;
    std::uint32_t* const Scratch_;
};

template <class TCompare>
void MergeSort(std::uint32_t* keys, std::size_t n, TSortDirection direction, TCompare compare) {
    std::vector<std::uint32_t> scratch(n / 2);
    if (direction == TSortDirection::Descending)
        TMergeSort<true, TCompare>(compare, scratch.data()).Run(keys, n);
    else
        TMergeSort<false, TCompare>(compare, scratch.data()).Run(keys, n);
}

}  // namespace

void TResultList::Sort(int column, TSortDirection direction) {
    const std::size_t n = Entries_.size();
    if (n < 2) return;
    if (n > std::numeric_limits<std::uint32_t>::max()) throw EListError("too many entries to sort");

    std::vector<std::uint32_t> order(n);
    const TIndexCompare prepared = OnPrepareSort ? OnPrepareSort(*this, column, direction) : nullptr;
    const TPreparedOrder* whole = prepared ? prepared.target<TPreparedOrder>() : nullptr;
    if (!whole || !whole->Fill || !whole->Fill(direction, order.data())) {
        std::iota(order.begin(), order.end(), std::uint32_t{0});
        if (prepared)
            MergeSort(order.data(), n, direction, [&](std::uint32_t a, std::uint32_t b) { return prepared(a, b); });
        else if (OnCompareEntries)
            MergeSort(order.data(), n, direction, [&](std::uint32_t a, std::uint32_t b) {
                return OnCompareEntries(*this, Entries_[a], Entries_[b], column);
            });
        else
            return;  // every pair compares 0: the order stays
    }

    // Only now, with the order complete, do the entries move: an error above leaves them as
    // they were. They move in place along the permutation's cycles, one entry held aside per
    // cycle, so that a sort never needs a second entry array (32 bytes an entry at the peak).
    std::size_t focused = NoEntry;
    for (std::size_t i = 0; i < n && focused == NoEntry; ++i)
        if (order[i] == Focused_) focused = i;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (order[i] == i) continue;
        TListEntry held = std::move(Entries_[i]);
        std::uint32_t j = i;
        while (order[j] != i) {
            const std::uint32_t from = order[j];
            Entries_[j] = std::move(Entries_[from]);
            order[j] = j;
            j = from;
        }
        Entries_[j] = std::move(held);
        order[j] = j;
    }
    Focused_ = focused;
    NotifyChange(TListChange::Sorted);
}

// ---- what the view shows --------------------------------------------------------------------

std::string TResultList::CellText(std::size_t entry, int column, TTextKind kind) {
    std::string text = DefaultText_;
    if (OnGetText) OnGetText(*this, entry, column, kind, text);
    return text;
}

std::string TResultList::Hint(std::size_t entry, int column, THintLineBreakStyle& lineBreakStyle) {
    std::string hint;
    if (OnGetHint) OnGetHint(*this, entry, column, lineBreakStyle, hint);
    return hint;
}

void TResultList::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}

}  // namespace nulvane
