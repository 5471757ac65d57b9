#pragma once
// The folders one walk has claimed, by identity (device and inode), private to the walk: the first
// node that reaches a folder claims it and lists it, every later node that reaches the same folder
// (through a link, or a bind mount) finds that claim. A claim keeps its address for the whole walk,
// since nodes and the delivery hold it.
//
// Claims are made for every folder of the tree and kept to the end of the walk, so their size is a
// good part of what a walk holds: they stand in blocks of whole pages (no node per claim, no arena
// keeping outgrown bucket arrays), found through an open-addressed table of 4-byte indexes. The
// blocks go straight back to the system when the walk ends: freed to the allocator, their pages
// would stay resident among the list's records made meanwhile.
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/files/walk/Nodes.h"
#include "platform/system/Pages.h"

namespace nulvane::walk {

class TClaimTable {
public:
    TClaimTable() = default;
    TClaimTable(const TClaimTable&) = delete;
    TClaimTable& operator=(const TClaimTable&) = delete;
    ~TClaimTable() {
        for (TEntry* block : Blocks_) UnmapPages(block, BlockBytes);
    }

    // The claim of the folder `identity`, made for `walker` when the folder had none; whether it
    // was made now. Not thread-safe: the caller serialises claims.
    std::pair<TClaim*, bool> Claim(const TIdentity& identity, TNode* walker) {
        if ((Count_ + 1) * 4 > Slots_.size() * 3) Grow();
        std::size_t slot = SlotOf(identity);
        while (const std::uint32_t index = Slots_[slot]) {
            TEntry& entry = At(index - 1);
            if (entry.Identity == identity) return {&entry.Claim, false};
            slot = (slot + 1) & (Slots_.size() - 1);
        }
        if (Count_ % BlockEntries == 0) {
            Blocks_.reserve(Blocks_.size() + 1);  // so that a block mapped is never lost
            Blocks_.push_back(static_cast<TEntry*>(MapPages(BlockBytes)));
        }
        TEntry* entry = new (&Blocks_.back()[Count_ % BlockEntries]) TEntry{identity, TClaim(walker)};
        Slots_[slot] = static_cast<std::uint32_t>(++Count_);
        return {&entry->Claim, true};
    }

    std::size_t Size() const noexcept { return Count_; }

private:
    struct TEntry {
        TIdentity Identity;
        TClaim Claim;
    };
    static_assert(std::is_trivially_destructible_v<TEntry> && sizeof(TEntry) == 24);
    static constexpr std::size_t BlockBytes = 64 * 1024;
    static constexpr std::size_t BlockEntries = BlockBytes / sizeof(TEntry);

    TEntry& At(std::size_t i) noexcept { return Blocks_[i / BlockEntries][i % BlockEntries]; }

    std::size_t SlotOf(const TIdentity& identity) const noexcept {
        return TIdentityHash{}(identity) & (Slots_.size() - 1);
    }

    void Grow() {
        std::vector<std::uint32_t> slots(Slots_.empty() ? 1024 : Slots_.size() * 2);
        Slots_.swap(slots);
        for (std::size_t i = 0; i < Count_; ++i) {
            std::size_t slot = SlotOf(At(i).Identity);
            while (Slots_[slot]) slot = (slot + 1) & (Slots_.size() - 1);
            Slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    std::vector<std::uint32_t> Slots_;  // the claim's index + 1; 0: empty. A power of two, at most 3/4 full
    std::vector<TEntry*> Blocks_;  // of BlockEntries claims each, the last one filling
    std::size_t Count_ = 0;
};

}  // namespace nulvane::walk
