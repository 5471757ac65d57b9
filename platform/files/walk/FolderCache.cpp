#include "platform/files/walk/FolderCache.h"

#if defined(__linux__)

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace nulvane::walk {
namespace {

// How many folders the walk keeps open for their waiting subfolders: a share of the process's
// descriptor limit, so that the program around the walk keeps room for its own files.
std::size_t HeldFolderLimit() noexcept {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 256;
    return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur) / 4, 1, 256);
}

}  // namespace

TFolderCache::TFolderCache() noexcept : Limit_(HeldFolderLimit()) {}

TFolderCache::~TFolderCache() {
    while (First_) {
        TNode* node = First_;
        Unhold(*node);
        ::close(node->Fd);
        node->Fd = -1;
    }
}

void TFolderCache::Hold(TNode& node) {
    node.HeldPrev = Last_;
    node.HeldNext = nullptr;
    (Last_ ? Last_->HeldNext : First_) = &node;
    Last_ = &node;
    ++Count_;
}

void TFolderCache::Unhold(TNode& node) noexcept {
    (node.HeldPrev ? node.HeldPrev->HeldNext : First_) = node.HeldNext;
    (node.HeldNext ? node.HeldNext->HeldPrev : Last_) = node.HeldPrev;
    node.HeldPrev = node.HeldNext = nullptr;
    --Count_;
}

void TFolderCache::CloseIfDone(TNode& node) noexcept {
    if (node.Fd >= 0 && node.FdUsers == 0 && node.PendingChildren == 0) {
        Unhold(node);
        ::close(node.Fd);
        node.Fd = -1;
    }
}

// Closes held folders nobody is opening from right now, the longest held first, until at most
// `keep` stay open. Their subfolders open them again when their turn comes.
void TFolderCache::CloseIdle(std::size_t keep) noexcept {
    for (TNode* node = First_; node && Count_ > keep;) {
        TNode* next = node->HeldNext;
        if (node->FdUsers == 0) {
            Unhold(*node);
            ::close(node->Fd);
            node->Fd = -1;
        }
        node = next;
    }
}

void TFolderCache::CloseIdle() noexcept {
    std::lock_guard lock(Mutex_);
    CloseIdle(0);
}

void TFolderCache::KeepOpen(TNode& node, TFd& fd, std::size_t children) {
    std::lock_guard lock(Mutex_);
    node.PendingChildren = static_cast<unsigned>(children);
    if (Count_ >= Limit_) CloseIdle(Limit_ - 1);
    if (Count_ >= Limit_) return;  // all busy: the subfolders open it again
    node.Fd = fd.Release();
    Hold(node);
}

int TFolderCache::Acquire(TNode& node) noexcept {
    std::lock_guard lock(Mutex_);
    if (node.Fd < 0) return -1;
    ++node.FdUsers;
    return node.Fd;
}

void TFolderCache::Release(TNode& node) noexcept {
    std::lock_guard lock(Mutex_);
    --node.FdUsers;
    CloseIfDone(node);
}

void TFolderCache::ChildOpened(TNode& parent) noexcept {
    std::lock_guard lock(Mutex_);
    --parent.PendingChildren;
    CloseIfDone(parent);
}

bool TFolderCache::Adopt(TNode& node, int fd) noexcept {
    std::lock_guard lock(Mutex_);
    if (node.Fd >= 0 || node.PendingChildren == 0 || Count_ >= Limit_) return false;
    node.Fd = fd;
    ++node.FdUsers;
    Hold(node);
    return true;
}

void TFolderCache::Forget(TNode& node) noexcept {
    std::lock_guard lock(Mutex_);
    if (node.Fd >= 0) {
        Unhold(node);
        ::close(node.Fd);
        node.Fd = -1;
    }
}

}  // namespace nulvane::walk

#endif  // __linux__
