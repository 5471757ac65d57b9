#pragma once
// The folder walk's tree (see DirWalk.h), private to the walk: one node per folder entry, holding
// only its name, so that the walk's memory follows the number of folders, not the length of their
// paths; the pool nodes come from and go back to; and what the walk keeps per folder until it is
// delivered (who lists it, and where a folder a link leads to really is).
#include <array>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory_resource>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/files/DirWalk.h"
#include "platform/files/PathNames.h"

namespace nulvane::walk {

struct TIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TIdentity&, const TIdentity&) = default;
};

inline TIdentity IdentityOf(const struct statx& sx) noexcept {
    return {makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
}

struct TIdentityHash {
    std::size_t operator()(const TIdentity& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.Inode * 0x9E3779B97F4A7C15ull ^ id.Device);
    }
};

// Whether the statx result describes a folder that an open would mount something on first.
inline bool IsAutomountPoint(const struct statx& sx) noexcept {
    return (sx.stx_attributes_mask & STATX_ATTR_AUTOMOUNT) && (sx.stx_attributes & STATX_ATTR_AUTOMOUNT);
}

struct TNode;

// Who lists a folder (by device and inode): the first node to open it. The others that reach it
// list nothing and point here, and the contents are delivered once, under whichever of them comes
// first in listing order. Claims live as long as the walk; a delivered walker node is given back
// and its claim then says so. A claim is made for every folder of the walk and kept to its end,
// so it is one word: the walker's address, whose lowest bit (nodes are aligned) says delivered.
class TClaim {
public:
    explicit TClaim(TNode* walker) noexcept : Bits_(reinterpret_cast<std::uintptr_t>(walker)) {}
    // None once delivered and given back.
    TNode* Walker() const noexcept { return reinterpret_cast<TNode*>(Bits_ & ~DeliveredBit); }
    // Caller's thread only, as is everything below.
    bool Delivered() const noexcept { return Bits_ & DeliveredBit; }
    void SetDelivered() noexcept { Bits_ |= DeliveredBit; }
    void WalkerGivenBack() noexcept { Bits_ &= DeliveredBit; }

private:
    static constexpr std::uintptr_t DeliveredBit = 1;
    std::uintptr_t Bits_;
};

// One folder entry of the walk. Its files stand together in the items of the thread that listed
// it, from First on; its subfolders form a list in listing order, each with the number of the
// folder's files listed before it. A node keeps only its own name (after the node, NUL-terminated),
// so the walk's memory grows with the number of folders, not with the length of their paths.
struct TNode {
    TNode* Parent = nullptr;
    TClaim* Claim = nullptr;  // of the folder it opened; none when it opened none
    TWalkItems* Items = nullptr;
    std::size_t First = 0;
    std::size_t Count = 0;
    std::size_t Position = 0;  // in the parent's files
    TNode* FirstChild = nullptr;
    TNode* LastChild = nullptr;
    TNode* NextSibling = nullptr;
    TIdentity Identity;  // of the folder actually opened
    int GivenUp = 0;     // the error number when it was given up after resource errors
    int Unreadable = 0;  // the error number when it could not be opened or read to its end
    // The folder's descriptor, kept open while subfolders wait to be opened from it. Guarded by
    // the folder cache's mutex (see FolderCache.h).
    int Fd = -1;
    unsigned FdUsers = 0;
    unsigned PendingChildren = 0;
    TNode* HeldPrev = nullptr;
    TNode* HeldNext = nullptr;
    std::uint16_t NameLength = 0;
    bool ThroughLink = false;
    // The folder holds something besides subfolders (a file of any kind, a link, a folder the walk
    // passes by), or was not read to its end: it cannot count as empty.
    bool HoldsMore = false;
    // The folder is a version-control store or lies in one; set when it is listed.
    bool InRepository = false;
    // Set by the thread that took the node once it is done with it: from then on everything above
    // (and the nodes of its subfolders as far as listing made them) stays as it is.
    std::atomic<bool> Listed{false};

    // The last component, NUL-terminated; not for the walked folder, which has its path instead.
    const char* Name() const noexcept { return reinterpret_cast<const char*>(this + 1); }
    std::string_view NameView() const noexcept { return {Name(), NameLength}; }
    int OpenFlags() const noexcept {
        // A real subfolder is opened without following a link that replaced it meanwhile.
        return O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (ThroughLink || !Parent ? 0 : O_NOFOLLOW);
    }
};

static_assert(alignof(TNode) > 1, "a claim keeps a flag in the lowest bit of a node's address");

// Memory for nodes with their names: the walking threads take it, the caller's thread gives it
// back once a node is delivered, and it is taken again for later folders, so that a walk that
// delivers as it goes holds only what is not delivered yet. Everything goes when the walk ends.
class TNodePool {
public:
    TNode* Allocate(std::string_view name) {
        const std::size_t cls = ClassOf(name.size());
        void* memory;
        {
            std::lock_guard lock(Mutex_);
            if (TFreeNode* free = Free_[cls]) {
                Free_[cls] = free->Next;
                memory = free;
            } else {
                memory = Arena_.allocate(SizeOf(cls), alignof(TNode));
            }
        }
        auto* node = new (memory) TNode;
        char* text = reinterpret_cast<char*>(node + 1);
        std::memcpy(text, name.data(), name.size());
        text[name.size()] = '\0';
        node->NameLength = static_cast<std::uint16_t>(name.size());
        return node;
    }

    void Free(TNode* node) noexcept {
        const std::size_t cls = ClassOf(node->NameLength);
        node->~TNode();
        std::lock_guard lock(Mutex_);
        Free_[cls] = new (static_cast<void*>(node)) TFreeNode{Free_[cls]};
    }

private:
    struct TFreeNode {
        TFreeNode* Next;
    };
    static constexpr std::size_t Granule = 32;
    static constexpr std::size_t ClassOf(std::size_t nameLength) noexcept { return (nameLength + 1) / Granule; }
    static constexpr std::size_t SizeOf(std::size_t cls) noexcept { return sizeof(TNode) + (cls + 1) * Granule; }

    std::mutex Mutex_;
    std::pmr::monotonic_buffer_resource Arena_{64 * 1024};
    std::array<TFreeNode*, (NAME_MAX + 1) / Granule + 1> Free_{};
};

// The tree of one walk: the walked folder's path and node, below which every other node hangs,
// and the pool they come from.
struct TWalkTree {
    std::string RootPath;
    TNode Root;
    TNodePool Pool;

    // The path of a node's folder as its own ancestry gives it: the walked folder's path, then the
    // names down to it, each followed by "/".
    void ComposePath(const TNode& node, std::string& out) const {
        out.assign(RootPath);
        AppendChainedPath(out, &node, static_cast<const TNode*>(&Root),
                          [](const TNode* up) { return up->Parent; }, [](const TNode* up) { return up->NameView(); });
    }
};

// The real paths of the walked folder and of folders links lead to, from their opening (on a
// walking thread) until their anchor is announced (on the caller's thread).
class TRealPaths {
public:
    void Keep(const TNode& node, std::string realPath) {
        const std::lock_guard lock(Mutex_);
        Paths_.insert_or_assign(&node, std::move(realPath));
    }
    // The real path kept for the node, which is then forgotten; empty when none was.
    std::string Take(const TNode& node) {
        const std::lock_guard lock(Mutex_);
        std::string realPath;
        if (auto found = Paths_.find(&node); found != Paths_.end()) {
            realPath = std::move(found->second);
            Paths_.erase(found);
        }
        return realPath;
    }

private:
    std::mutex Mutex_;
    std::unordered_map<const TNode*, std::string> Paths_;
};

}  // namespace nulvane::walk
