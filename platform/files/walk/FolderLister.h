#pragma once
// How the folder walk lists one folder (see DirWalk.h), private to the walk: it opens the folder,
// claims it unless another node listed it first, reads its names in large batches, stats each
// regular file once and offers it to the visitor, notes each subfolder (and each folder link it
// follows) as a node to list later, and passes by what the walk never enters: excluded names,
// trash folders, and links that lead back inside the walked folder.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/DirWalk.h"
#include "platform/files/trash/TrashFolders.h"
#include "platform/files/walk/ClaimTable.h"
#include "platform/files/walk/FolderCache.h"
#include "platform/files/walk/FolderOpener.h"
#include "platform/files/walk/Nodes.h"
#include "platform/files/walk/WalkQueue.h"

namespace nulvane::walk {

// What one walking thread owns: Items holds what the visitor kept.
struct TThreadState {
    std::unique_ptr<TWalkItems> Items;
    std::size_t ItemCount = 0;
};

// Large enough that a folder of a few thousand entries is read in one call.
inline constexpr std::size_t ListingBufferSize = 256 * 1024;

// Per-thread buffers reused from folder to folder, released when the thread stops.
struct TScratch {
    std::unique_ptr<std::uint64_t[]> Listing =  // 8-byte aligned, as the kernel's records are
        std::make_unique_for_overwrite<std::uint64_t[]>(ListingBufferSize / sizeof(std::uint64_t));
    std::string Path;  // the path of PathNode, then a file's name
    const TNode* PathNode = nullptr;
    std::size_t PathLength = 0;
    std::vector<TNode*> Children;
    unsigned FileDepth = 1;  // of the files in the folder being listed (1: the walked folder's)
    unsigned Markers = 0;    // names of the folder being listed that a version-control store holds
};

class TFolderLister {
public:
    TFolderLister(TWalkTree& tree, TWalkVisitor& visitor, const TWalkOptions& options, TFolderOpener& opener,
                  TFolderCache& cache, TWalkQueue& queue, TRealPaths& realPaths) noexcept
        : Tree_(tree), Visitor_(visitor), Options_(options), Work_(options.Work), Opener_(opener), Cache_(cache),
          Queue_(queue), RealPaths_(realPaths) {}

    // Lists the node's folder on the calling thread, queueing its subfolders.
    void ListFolder(TNode& node, TThreadState& state, TScratch& scratch);

    // After the walk: whether the walked folder is a trash folder or lies in one.
    bool RootInTrash() const noexcept { return RootInTrash_; }

private:
    bool Claim(TNode& node);
    bool InTrash(TNode& node, int fd);
    void ListEntry(TNode& node, int folderFd, const char* name, unsigned char type, TThreadState& state,
                   TScratch& scratch);
    void FoundFolder(TNode& node, int folderFd, const char* name, TScratch& scratch);
    bool IsUsualHomeTrash(const TNode& node, int folderFd, std::string_view name) const;
    void FoundLink(TNode& node, int folderFd, const char* name, TScratch& scratch);
    std::string_view RelativePath(const TNode& node, std::string_view name, TScratch& scratch) const;
    bool Excluded(const TNode& node, std::string_view name, bool folder, TScratch& scratch) const;
    bool Selected(const TNode& node, std::string_view name, TScratch& scratch) const;
    bool IsFolderLinkToFollow(int folderFd, const char* name);
    bool LeadsInside(int folderFd, const char* name, TIdentity target) const;
    void AddSubfolder(TNode& node, std::string_view name, bool throughLink, TScratch& scratch);
    // Whether the file was taken.
    bool OfferFile(TNode& node, std::string_view name, const TFileStat& stat, TThreadState& state, TScratch& scratch);
    // Whether the folder open as `fd`, whose listing held the names `markers` says, is a store.
    static bool IsRepository(int fd, unsigned markers) noexcept;
    // Whether a folder above the open folder `fd` is a store.
    static bool LiesInRepository(int fd) noexcept;

    static constexpr unsigned MaxLevelsUp = 1u << 16;
    TWalkTree& Tree_;
    TWalkVisitor& Visitor_;
    const TWalkOptions& Options_;
    TLongWork* const Work_;
    TFolderOpener& Opener_;
    TFolderCache& Cache_;
    TWalkQueue& Queue_;
    TRealPaths& RealPaths_;

    const TTrashFolders Trash_;
    bool RootInTrash_ = false;

    std::mutex ClaimMutex_;
    TClaimTable Claimed_;
};

}  // namespace nulvane::walk
