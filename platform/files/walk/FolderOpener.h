#pragma once
// How the folder walk opens a folder (see DirWalk.h), private to the walk: relative to the nearest
// ancestor that is open, opening the folders in between one by one and checking that each is still
// the folder listed there; never a folder on which an open would mount something, nor one on a
// pseudo file system, nor (when asked to stay on one) one on another file system; and, when
// descriptors or memory run short, again after the held folders are closed, until it is given up.
#include <atomic>

#include "platform/files/DirWalk.h"
#include "platform/files/walk/FolderCache.h"
#include "platform/files/walk/Nodes.h"
#include "platform/files/walk/WalkQueue.h"

namespace nulvane::walk {

class TFolderOpener {
public:
    // What Open says besides error numbers.
    static constexpr int Changed = 0;   // a folder on the way is no longer the one listed there
    static constexpr int Skipped = -1;  // a folder the walk does not enter

    TFolderOpener(const TWalkTree& tree, const TWalkOptions& options, TFolderCache& cache, TWalkQueue& queue) noexcept
        : Tree_(tree), Options_(options), Cache_(cache), Queue_(queue) {}

    // Opens the folder of a node, retrying after closing held folders when descriptors or memory
    // run short; records the node as given up when that does not help either. -1 with `error` set
    // when it cannot: an error number, Changed or Skipped. A folder opened counts as busy until
    // ListingDone: a thread that lists a folder will give a descriptor back.
    int Open(TNode& node, int& error);
    void ListingDone() noexcept { Busy_.fetch_sub(1); }

private:
    bool MayEnter(int parentFd, const TNode& node, int& error);
    int OpenOnce(TNode& node, int& error);

    static constexpr int MaxOpenAttempts = 200;
    const TWalkTree& Tree_;
    const TWalkOptions& Options_;
    TFolderCache& Cache_;
    TWalkQueue& Queue_;
    std::atomic<int> Busy_{0};  // threads opening or listing a folder: they give descriptors back
};

}  // namespace nulvane::walk
