#pragma once
// The folder walk's descriptor cache (see DirWalk.h), private to the walk: the folders kept open
// while their subfolders wait to be opened from them, so that a subfolder is opened relative to
// its parent's descriptor rather than by its path. Only a bounded number stay open, a share of the
// process's descriptor limit; when descriptors run short the ones nobody is opening from right
// now are closed, the longest held first, and a subfolder whose parent was closed opens it again.
// A node's descriptor fields are guarded by the cache's mutex.
#include <cstddef>
#include <mutex>

#include "platform/files/FileDescriptor.h"
#include "platform/files/walk/Nodes.h"

namespace nulvane::walk {

class TFolderCache {
public:
    TFolderCache() noexcept;
    // A walk stopped by an error may leave folders open for subfolders never listed.
    ~TFolderCache();
    TFolderCache(const TFolderCache&) = delete;
    TFolderCache& operator=(const TFolderCache&) = delete;

    // Keeps a listed folder's descriptor for its subfolders, within the limit.
    void KeepOpen(TNode& node, TFd& fd, std::size_t children);
    // The node's descriptor with the caller counted as one of its users, or -1 when it is closed.
    int Acquire(TNode& node) noexcept;
    void Release(TNode& node) noexcept;
    // One of the node's waiting subfolders has been opened (or given up).
    void ChildOpened(TNode& parent) noexcept;
    // Offers a descriptor opened again for a folder whose subfolders still wait; true when the
    // folder took it (the caller then uses it as one of its users).
    bool Adopt(TNode& node, int fd) noexcept;
    // Closes every held folder nobody is opening from right now.
    void CloseIdle() noexcept;
    // Closes the node's descriptor if it is still held: its subfolders will never be opened (a
    // walk that was stopped).
    void Forget(TNode& node) noexcept;

private:
    void Hold(TNode& node);              // mutex held
    void Unhold(TNode& node) noexcept;   // mutex held
    void CloseIfDone(TNode& node) noexcept;  // mutex held
    void CloseIdle(std::size_t keep) noexcept;  // mutex held

    std::mutex Mutex_;
    const std::size_t Limit_;
    std::size_t Count_ = 0;
    TNode* First_ = nullptr;  // held folders, the longest held first
    TNode* Last_ = nullptr;
};

}  // namespace nulvane::walk
