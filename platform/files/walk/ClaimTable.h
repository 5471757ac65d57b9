#pragma once
// The folders one walk has claimed, by identity (device and inode), private to the walk: the first
// node that reaches a folder claims it and lists it, every later node that reaches the same folder
// (through a link, or a bind mount) finds that claim. A claim keeps its address for the whole walk,
// since nodes and the delivery hold it.
//
// Claims are made for every folder of the tree and kept to the end of the walk, so their size is a
// good part of what a walk holds: they stand in one deque (no node per claim, no arena keeping
// outgrown bucket arrays), found through an open-addressed table of 4-byte indexes.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "platform/files/walk/Nodes.h"

namespace nulvane::walk {

class TClaimTable {
public:
    // The claim of the folder `identity`, made for `walker` when the folder had none; whether it
    // was made now. Not thread-safe: the caller serialises claims.
    std::pair<TClaim*, bool> Claim(const TIdentity& identity, TNode* walker) {
        if ((Entries_.size() + 1) * 4 > Slots_.size() * 3) Grow();
        std::size_t slot = SlotOf(identity);
        while (const std::uint32_t index = Slots_[slot]) {
            TEntry& entry = Entries_[index - 1];
            if (entry.Identity == identity) return {&entry.Claim, false};
            slot = (slot + 1) & (Slots_.size() - 1);
        }
        Entries_.push_back(TEntry{identity, TClaim{walker}});
        Slots_[slot] = static_cast<std::uint32_t>(Entries_.size());
        return {&Entries_.back().Claim, true};
    }

    std::size_t Size() const noexcept { return Entries_.size(); }

private:
    struct TEntry {
        TIdentity Identity;
        TClaim Claim;
    };

    std::size_t SlotOf(const TIdentity& identity) const noexcept {
        return TIdentityHash{}(identity) & (Slots_.size() - 1);
    }

    void Grow() {
        std::vector<std::uint32_t> slots(Slots_.empty() ? 1024 : Slots_.size() * 2);
        Slots_.swap(slots);
        for (std::size_t i = 0; i < Entries_.size(); ++i) {
            std::size_t slot = SlotOf(Entries_[i].Identity);
            while (Slots_[slot]) slot = (slot + 1) & (Slots_.size() - 1);
            Slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    std::vector<std::uint32_t> Slots_;  // index + 1 into Entries_; 0: empty. A power of two, at most 3/4 full
    std::deque<TEntry> Entries_;
};

}  // namespace nulvane::walk
