#pragma once
// The result list: the toolkit-neutral list the whole system works on (the main window's VT).
// Entries stand in list order, each with one TFileRecord, a check state and the identity of the
// file it was made from. The list holds data and raises events; it draws nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/FileRecord.h"

namespace nulvane {

enum class TCheckState : std::uint8_t { Unchecked, Checked };

// Device and inode of the file an entry was made from (zero when unknown).
struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
};

struct TListEntry {
    TFileRecord Record;
    TFileIdentity Identity;
    TCheckState CheckState = TCheckState::Unchecked;
};

class TResultList {
public:
    using TEntries = std::vector<TListEntry>;

    TResultList() = default;
    TResultList(const TResultList&) = delete;
    TResultList& operator=(const TResultList&) = delete;

    // Adds an entry with an empty record at the end and returns it. The reference stays valid
    // until the list next changes its entries.
    TListEntry& Append();
    TListEntry& Append(TListEntry&& entry);
    void Reserve(std::size_t count) { Entries_.reserve(count); }

    std::size_t Count() const noexcept { return Entries_.size(); }
    bool Empty() const noexcept { return Entries_.empty(); }
    void Clear() noexcept;

    TListEntry& operator[](std::size_t index) { return Entries_[index]; }
    const TListEntry& operator[](std::size_t index) const { return Entries_[index]; }
    TEntries::iterator begin() noexcept { return Entries_.begin(); }
    TEntries::iterator end() noexcept { return Entries_.end(); }
    TEntries::const_iterator begin() const noexcept { return Entries_.begin(); }
    TEntries::const_iterator end() const noexcept { return Entries_.end(); }

    // Update bracket: while open, the list is not repainted. Brackets nest.
    void BeginUpdate() noexcept { ++UpdateCount_; }
    void EndUpdate() noexcept {
        if (UpdateCount_ > 0) --UpdateCount_;
    }
    bool IsUpdating() const noexcept { return UpdateCount_ > 0; }

    // Opens an update bracket for its own lifetime, so that an error cannot leave the list frozen.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TResultList& list) noexcept : List_(list) { List_.BeginUpdate(); }
        ~TUpdateScope() { List_.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TResultList& List_;
    };

private:
    TEntries Entries_;
    int UpdateCount_ = 0;
};

}  // namespace nulvane
