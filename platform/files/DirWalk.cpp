#include "platform/files/DirWalk.h"

// The Linux walk: getdents64 and statx. A Windows build brings its own, on FindFirstFileEx.
#if defined(__linux__)

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory_resource>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/files/TrashFolders.h"
#include "platform/system/LongWork.h"

namespace nulvane {
namespace {

// One stat gives everything a listed file needs, so a regular file costs exactly one call.
constexpr unsigned FileStatMask =
    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

// Large enough that a folder of a few thousand entries is read in one call.
constexpr std::size_t ListingBufferSize = 256 * 1024;

class TFd {
public:
    explicit TFd(int fd = -1) noexcept : Fd_(fd) {}
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const noexcept { return Fd_; }
    explicit operator bool() const noexcept { return Fd_ >= 0; }
    int Release() noexcept { return std::exchange(Fd_, -1); }
    void Reset(int fd = -1) noexcept {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = fd;
    }

private:
    int Fd_;
};

TFileTime FromStatxTime(const struct statx_timestamp& t) noexcept {
    return {static_cast<std::int64_t>(t.tv_sec), t.tv_nsec};
}

TFileStat FromStatx(const struct statx& sx) noexcept {
    TFileStat st;
    st.Size = sx.stx_size;
    // Encoded like st_dev, so that identities compare with those from fstat.
    st.Device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.Inode = sx.stx_ino;
    st.Create = FromStatxTime((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    st.Access = FromStatxTime(sx.stx_atime);
    st.Write = FromStatxTime(sx.stx_mtime);
    return st;
}

// File systems whose files describe processes, the kernel or devices rather than hold data: their
// files claim size 0 without being empty, and their folder links lead back into the tree. autofs
// is among them because entering it would mount what it stands for.
bool IsPseudoFileSystem(std::uint32_t type) noexcept {
    switch (type) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case PSTOREFS_MAGIC:
        case BPF_FS_MAGIC:
        case 0x62656570:  // configfs
        case EFIVARFS_MAGIC:
        case 0x65735543:  // fusectl
        case 0x19800202:  // mqueue
        case BINFMTFS_MAGIC:
        case AUTOFS_SUPER_MAGIC:
        case SELINUX_MAGIC:
        case SMACK_MAGIC:
        case NSFS_MAGIC:
            return true;
        default:
            return false;
    }
}

// Whether the statx result describes a folder that an open would mount something on first.
bool IsAutomountPoint(const struct statx& sx) noexcept {
    return (sx.stx_attributes_mask & STATX_ATTR_AUTOMOUNT) && (sx.stx_attributes & STATX_ATTR_AUTOMOUNT);
}

// Errors after which opening a folder may succeed once the walk holds fewer folders open.
bool IsResourceError(int error) noexcept { return error == EMFILE || error == ENFILE || error == ENOMEM; }

struct TIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TIdentity&, const TIdentity&) = default;
};

TIdentity IdentityOf(const struct statx& sx) noexcept {
    return {makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
}

struct TIdentityHash {
    std::size_t operator()(const TIdentity& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.Inode * 0x9E3779B97F4A7C15ull ^ id.Device);
    }
};

struct TNode;

// Who lists a folder (by device and inode): the first node to open it. The others that reach it
// list nothing and point here, and the contents are delivered once, under whichever of them comes
// first in listing order. Claims live as long as the walk; a delivered walker node is given back
// and its claim then says so.
struct TClaim {
    TNode* Walker = nullptr;  // none once delivered and given back
    bool Delivered = false;   // caller's thread only
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
    // the walker's descriptor mutex.
    int Fd = -1;
    unsigned FdUsers = 0;
    unsigned PendingChildren = 0;
    TNode* HeldPrev = nullptr;
    TNode* HeldNext = nullptr;
    std::uint16_t NameLength = 0;
    bool ThroughLink = false;
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

// What one walking thread owns: Items holds what the visitor kept.
struct TThreadState {
    std::unique_ptr<TWalkItems> Items;
    std::size_t ItemCount = 0;
};

// Per-thread buffers reused from folder to folder, released when the thread stops.
struct TScratch {
    std::unique_ptr<std::uint64_t[]> Listing =  // 8-byte aligned, as the kernel's records are
        std::make_unique_for_overwrite<std::uint64_t[]>(ListingBufferSize / sizeof(std::uint64_t));
    std::string Path;  // the path of PathNode, then a file's name
    const TNode* PathNode = nullptr;
    std::size_t PathLength = 0;
    std::vector<TNode*> Children;
};

// How many folders the walk keeps open for their waiting subfolders: a share of the process's
// descriptor limit, so that the program around the walk keeps room for its own files.
std::size_t HeldFolderLimit() noexcept {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 256;
    return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur) / 4, 1, 256);
}

class TWalker {
public:
    TWalker(TWalkVisitor& visitor, const TWalkOptions& options) noexcept
        : Visitor_(visitor), Options_(options), Work_(options.Work), HeldLimit_(HeldFolderLimit()) {}

    ~TWalker() {
        // A walk stopped by an error may leave folders open for subfolders never listed.
        while (HeldFirst_) {
            TNode* node = HeldFirst_;
            Unhold(*node);
            ::close(node->Fd);
            node->Fd = -1;
        }
    }

    // False when a stop request ended the walk early.
    bool Run(const std::string& folder, unsigned threads) {
        Threads_ = threads;
        Early_ = Visitor_.WantsEarlyDelivery();
        States_.resize(threads);
        for (auto& state : States_) state = std::make_unique<TThreadState>();
        RootPath_ = folder;
        Stack_.push_back(&Root_);
        Pending_ = 1;
        {
            std::vector<std::jthread> helpers;
            for (unsigned i = 1; i < threads; ++i) {
                try {
                    helpers.emplace_back([this, i] { Work(*States_[i], false); });
                } catch (const std::system_error&) {
                    break;  // fewer threads walk; the result is the same
                } catch (const std::bad_alloc&) {
                    break;
                }
            }
            Work(*States_[0], true);
        }
        if (!DeliveryFailed_) DeliverSafely(true);
        if (RootInTrash_ && Options_.OnInTrash) Options_.OnInTrash(RootPath_);
        if (Error_) std::rethrow_exception(Error_);
        return !StopRequested_;
    }

private:
    // What NextTask found: a folder to list, folders listed meanwhile (for the caller's thread
    // when it delivers early), or the end of the walk.
    enum class TNext : std::uint8_t { Task, Listed, End };

    void Work(TThreadState& state, bool caller) noexcept {
        const bool delivers = caller && Early_;
        try {
            TScratch scratch;
            TNode* node = nullptr;
            for (;;) {
                if (delivers && !DeliveryFailed_) DeliverSafely(false);
                const TNext next = NextTask(node, delivers);
                if (next == TNext::End) break;
                if (next == TNext::Listed) continue;
                try {
                    ListFolder(*node, state, scratch);
                } catch (...) {
                    Stop(std::current_exception());
                }
                node->Listed.store(true, std::memory_order_release);
                TaskDone();
            }
        } catch (...) {
            Stop(std::current_exception());
        }
    }

    TNext NextTask(TNode*& node, bool delivers) {
        if (StopAsked()) return TNext::End;
        std::unique_lock lock(Mutex_);
        for (;;) {
            if (Stopped_) return TNext::End;
            if (!Stack_.empty()) {
                node = Stack_.back();
                Stack_.pop_back();
                return TNext::Task;
            }
            if (Pending_ == 0) return TNext::End;
            if (delivers) {
                // Nothing to list: wait for another thread to list a folder, which may let the
                // delivery go on, or to queue subfolders.
                if (std::exchange(ListedMeanwhile_, false)) return TNext::Listed;
                CallerWaiting_ = true;
                CallerWake_.wait(lock);
                CallerWaiting_ = false;
                continue;
            }
            ++Waiting_;
            Wake_.wait(lock);
            --Waiting_;
        }
    }

    // Queues a folder's subfolders so that the first listed is taken first: one thread then
    // walks in exactly the listing order, and several rarely reach a folder out of it.
    void Push(const std::vector<TNode*>& children) {
        std::lock_guard lock(Mutex_);
        Stack_.insert(Stack_.end(), children.rbegin(), children.rend());
        Pending_ += children.size();
        if (Waiting_ > 0) Wake_.notify_all();
        if (CallerWaiting_) CallerWake_.notify_one();
    }

    void TaskDone() {
        std::lock_guard lock(Mutex_);
        if (--Pending_ == 0) Wake_.notify_all();
        ListedMeanwhile_ = true;
        if (CallerWaiting_) CallerWake_.notify_one();
    }

    void Stop(std::exception_ptr error) noexcept {
        std::lock_guard lock(Mutex_);
        if (!Error_) Error_ = std::move(error);
        Stopped_ = true;
        Wake_.notify_all();
        CallerWake_.notify_one();
    }

    // Whether the job asked the walk to stop; the first thread to see it stops the others, and
    // the walk ends as it would after the last folder.
    bool StopAsked() {
        if (!Work_ || !Work_->StopRequested()) return false;
        std::lock_guard lock(Mutex_);
        if (!Stopped_ && Pending_ > 0) StopRequested_ = true;
        Stopped_ = true;
        Wake_.notify_all();
        CallerWake_.notify_one();
        return true;
    }

    // The path of a node's folder as its own ancestry gives it: the walked folder's path, then the
    // names down to it, each followed by "/".
    void ComposePath(const TNode& node, std::string& out) const {
        std::size_t length = RootPath_.size();
        for (const TNode* up = &node; up->Parent; up = up->Parent) length += up->NameLength + 1u;
        out.resize(length);
        for (const TNode* up = &node; up->Parent; up = up->Parent) {
            out[--length] = '/';
            length -= up->NameLength;
            std::memcpy(out.data() + length, up->Name(), up->NameLength);
        }
        std::memcpy(out.data(), RootPath_.data(), RootPath_.size());
    }

    // --- Descriptors of folders kept open for their subfolders ---

    void Hold(TNode& node) {  // descriptor mutex held
        node.HeldPrev = HeldLast_;
        node.HeldNext = nullptr;
        (HeldLast_ ? HeldLast_->HeldNext : HeldFirst_) = &node;
        HeldLast_ = &node;
        ++HeldCount_;
    }

    void Unhold(TNode& node) noexcept {  // descriptor mutex held
        (node.HeldPrev ? node.HeldPrev->HeldNext : HeldFirst_) = node.HeldNext;
        (node.HeldNext ? node.HeldNext->HeldPrev : HeldLast_) = node.HeldPrev;
        node.HeldPrev = node.HeldNext = nullptr;
        --HeldCount_;
    }

    void CloseIfDone(TNode& node) noexcept {  // descriptor mutex held
        if (node.Fd >= 0 && node.FdUsers == 0 && node.PendingChildren == 0) {
            Unhold(node);
            ::close(node.Fd);
            node.Fd = -1;
        }
    }

    // Closes held folders nobody is opening from right now, the longest held first, until at
    // most `keep` stay open. Their subfolders open them again when their turn comes.
    void CloseIdle(std::size_t keep) noexcept {  // descriptor mutex held
        for (TNode* node = HeldFirst_; node && HeldCount_ > keep;) {
            TNode* next = node->HeldNext;
            if (node->FdUsers == 0) {
                Unhold(*node);
                ::close(node->Fd);
                node->Fd = -1;
            }
            node = next;
        }
    }

    // Keeps a listed folder's descriptor for its subfolders, within the limit.
    void KeepOpen(TNode& node, TFd& fd, std::size_t children) {
        std::lock_guard lock(FdMutex_);
        node.PendingChildren = static_cast<unsigned>(children);
        if (HeldCount_ >= HeldLimit_) CloseIdle(HeldLimit_ - 1);
        if (HeldCount_ >= HeldLimit_) return;  // all busy: the subfolders open it again
        node.Fd = fd.Release();
        Hold(node);
    }

    int Acquire(TNode& node) noexcept {
        std::lock_guard lock(FdMutex_);
        if (node.Fd < 0) return -1;
        ++node.FdUsers;
        return node.Fd;
    }

    void Release(TNode& node) noexcept {
        std::lock_guard lock(FdMutex_);
        --node.FdUsers;
        CloseIfDone(node);
    }

    void ChildOpened(TNode& parent) noexcept {
        std::lock_guard lock(FdMutex_);
        --parent.PendingChildren;
        CloseIfDone(parent);
    }

    // Offers a descriptor opened again for a folder whose subfolders still wait; true when the
    // folder took it (the caller then uses it as one of its users).
    bool Adopt(TNode& node, int fd) noexcept {
        std::lock_guard lock(FdMutex_);
        if (node.Fd >= 0 || node.PendingChildren == 0 || HeldCount_ >= HeldLimit_) return false;
        node.Fd = fd;
        ++node.FdUsers;
        Hold(node);
        return true;
    }

    // Looks at a subfolder before opening it, for what opening must not do: trigger an automount,
    // enter a pseudo file system or, when asked to stay on one, another file system. A folder on
    // the same device as its parent is none of these, so only mount points cost a second look.
    // False with `error` set to Skipped for such a folder, or to the error number when the folder
    // cannot be looked at.
    bool MayEnter(int parentFd, const TNode& node, int& error) {
        struct statx sx;
        const int follow = node.ThroughLink ? 0 : AT_SYMLINK_NOFOLLOW;
        const char* const name = node.Name();
        if (::statx(parentFd, name, follow | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &sx) != 0) {
            error = errno;
            return false;
        }
        const std::uint64_t device = IdentityOf(sx).Device;
        if (IsAutomountPoint(sx) || (Options_.OneFileSystem && device != Root_.Identity.Device)) {
            error = Skipped;
            return false;
        }
        if (device == node.Parent->Identity.Device) return true;
        // A path descriptor mounts nothing, even on an automount point that statx does not mark.
        const TFd path(::openat(parentFd, name, O_PATH | O_CLOEXEC | (node.ThroughLink ? 0 : O_NOFOLLOW)));
        struct statfs fs;
        if (path && ::fstatfs(path.Get(), &fs) == 0 && IsPseudoFileSystem(static_cast<std::uint32_t>(fs.f_type))) {
            error = Skipped;
            return false;
        }
        return true;
    }

    // Opens `node` relative to the nearest ancestor that is open, opening the folders in between
    // one by one and checking that each is still the folder listed there. -1 with `error` set
    // when it cannot: an error number, Changed when the tree changed under the walk, or Skipped
    // for a folder the walk does not enter.
    int OpenOnce(TNode& node, int& error) {
        if (!node.Parent) {
            const int fd = ::open(RootPath_.c_str(), node.OpenFlags());
            if (fd < 0) error = errno;
            return fd;
        }
        error = Changed;
        std::vector<TNode*> missing;  // ancestors without a descriptor, the nearest first
        TNode* base = nullptr;
        int baseFd = -1;
        for (TNode* up = node.Parent; up; up = up->Parent) {
            if ((baseFd = Acquire(*up)) >= 0) {
                base = up;
                break;
            }
            missing.push_back(up);
        }
        TFd own;           // a descriptor opened here for an ancestor
        TNode* used = base;  // the ancestor whose descriptor this walk is a user of
        int current = baseFd;
        bool ok = true;
        for (auto it = missing.rbegin(); it != missing.rend() && ok; ++it) {
            TNode& step = **it;
            const int fd = step.Parent ? ::openat(current, step.Name(), step.OpenFlags())
                                       : ::open(RootPath_.c_str(), step.OpenFlags());
            struct stat self;
            if (fd < 0) {
                error = errno;
                ok = false;
            } else if (::fstat(fd, &self) != 0 || TIdentity{self.st_dev, self.st_ino} != step.Identity) {
                ::close(fd);
                ok = false;  // no longer the folder that was listed there
            } else {
                if (used) Release(*used);
                used = nullptr;
                own.Reset(fd);
                current = fd;
                if (&step == node.Parent && Adopt(step, fd)) {
                    own.Release();
                    used = &step;
                }
            }
        }
        int fd = -1;
        if (ok && MayEnter(current, node, error)) {
            fd = ::openat(current, node.Name(), node.OpenFlags());
            if (fd < 0) error = errno;
        }
        if (used) Release(*used);
        return fd;
    }

    // Opens the folder of a node, retrying after closing held folders when descriptors or memory
    // run short; records the node as given up when that does not help either.
    // Any other failure leaves `error` as OpenOnce set it.
    int Open(TNode& node, int& error) {
        for (int attempt = 1;; ++attempt) {
            Busy_.fetch_add(1);
            const int fd = OpenOnce(node, error);
            if (fd >= 0) return fd;  // busy until its listing ends
            Busy_.fetch_sub(1);
            if (!IsResourceError(error)) return fd;
            if (StopAsked()) {
                error = Skipped;
                return -1;
            }
            // After closing every idle folder, only another thread opening or listing a folder
            // can give back a descriptor: wait for that a while, but not for ever (the shortage
            // may be the system's).
            if (attempt > 1 && (Busy_.load() == 0 || attempt > MaxOpenAttempts)) {
                node.GivenUp = error;
                error = Skipped;
                return -1;
            }
            {
                std::lock_guard lock(FdMutex_);
                CloseIdle(0);
            }
            if (attempt > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Claims the folder for `node` unless another node has; the node then lists nothing.
    bool Claim(TNode& node) {
        std::lock_guard lock(ClaimMutex_);
        const auto [it, added] = Claimed_.try_emplace(node.Identity, TClaim{&node});
        node.Claim = &it->second;
        return added;
    }

    void ListFolder(TNode& node, TThreadState& state, TScratch& scratch) {
        int error = 0;
        TFd fd(Open(node, error));
        if (node.Parent) ChildOpened(*node.Parent);
        if (!fd) {
            // A folder replaced or gone since it was listed could not be read either.
            if (error != Skipped) node.Unreadable = error == Changed ? ENOENT : error;
            return;
        }
        // Counted as busy from a successful open on, until the folder's descriptor is closed or
        // kept for its subfolders.
        const struct TBusy {
            std::atomic<int>& Count;
            ~TBusy() { Count.fetch_sub(1); }
        } busy{Busy_};
        struct stat self;
        if (::fstat(fd.Get(), &self) != 0) {
            node.Unreadable = errno;
            return;
        }
        node.Identity = {self.st_dev, self.st_ino};
        if (!node.Parent) Root_.Identity = node.Identity;  // written before any subfolder is queued
        else if (Options_.OneFileSystem && self.st_dev != Root_.Identity.Device) return;
        if (InTrash(node, fd.Get())) {
            if (!node.Parent) RootInTrash_ = true;
            return;
        }
        // Without search permission for everybody, this process may be one that cannot look at
        // anything in the folder, though it may list the names: then nothing in it is listed and
        // the folder is reported. Looking up "." is asked that permission as any name is.
        if ((self.st_mode & 0111) != 0111) {
            struct statx probe;
            if (::statx(fd.Get(), ".", AT_NO_AUTOMOUNT, STATX_TYPE, &probe) != 0) {
                node.Unreadable = errno;
                return;
            }
        }
        if (!Claim(node)) return;

        node.First = state.ItemCount;
        scratch.Children.clear();
        scratch.PathNode = nullptr;  // a node given back may come again at the same address
        char* const listing = reinterpret_cast<char*>(scratch.Listing.get());
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd.Get(), listing, ListingBufferSize);
            if (got < 0) node.Unreadable = errno;  // what was read before stays
            if (got <= 0) break;
            const std::size_t before = node.Count;
            for (long pos = 0; pos < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(listing + pos);
                pos += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
                ListEntry(node, fd.Get(), name, entry->d_type, state, scratch);
            }
            if (Work_ && node.Count > before) Work_->Found.fetch_add(node.Count - before, std::memory_order_relaxed);
            if (StopAsked()) break;  // between two batches of a large folder; the walk is incomplete
        }
        if (Work_) Work_->Folders.fetch_add(1, std::memory_order_relaxed);
        if (!scratch.Children.empty()) {
            KeepOpen(node, fd, scratch.Children.size());
            Push(scratch.Children);
        }
    }

    // Whether the walk passes the open folder of `node` by: the home trash, or (for the walked folder
    // and a folder a link leads to, whose real path it keeps for their anchors) a folder that is a
    // trash or lies in one.
    bool InTrash(TNode& node, int fd) {
        if (Trash_.IsHomeTrash(node.Identity.Device, node.Identity.Inode)) return true;
        if (node.Parent && !node.ThroughLink) return false;
        std::string path;
        node.Parent ? ComposePath(node, path) : void(path = RootPath_);
        std::string real = RealFolderPath(fd, path);
        if (Trash_.Holds(real)) return true;
        const std::lock_guard lock(RealPathMutex_);
        RealPaths_.insert_or_assign(&node, std::move(real));
        return false;
    }

    // Whether the walk enters the subfolder `name` of the node's open folder.
    bool Enters(const TNode& node, int folderFd, const char* name, TScratch& scratch) const {
        return !Excluded(node, name, true, scratch) && !TTrashFolders::IsTopTrash(folderFd, name);
    }

    void ListEntry(TNode& node, int folderFd, const char* name, unsigned char type, TThreadState& state,
                   TScratch& scratch) {
        switch (type) {
            case DT_DIR:
                if (Enters(node, folderFd, name, scratch)) AddSubfolder(node, name, false, scratch);
                return;
            case DT_LNK:
                if (Options_.FollowFolderLinks && !Excluded(node, name, true, scratch) &&
                    IsFolderLinkToFollow(folderFd, name))
                    AddSubfolder(node, name, true, scratch);
                return;
            case DT_REG:  // an excluded file costs no stat
                if (Excluded(node, name, false, scratch)) return;
                break;
            case DT_UNKNOWN:  // file systems that do not fill in the type
                break;
            default:  // FIFOs, sockets, devices
                return;
        }
        struct statx sx;
        if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, FileStatMask, &sx) != 0) {
            // Gone since it was listed; any other failure leaves the folder not wholly read.
            if (errno != ENOENT && !node.Unreadable) node.Unreadable = errno;
            return;
        }
        switch (sx.stx_mode & S_IFMT) {
            case S_IFREG:
                if (type != DT_REG && Excluded(node, name, false, scratch)) return;
                OfferFile(node, name, FromStatx(sx), state, scratch);
                return;
            case S_IFDIR:
                if (Enters(node, folderFd, name, scratch)) AddSubfolder(node, name, false, scratch);
                return;
            case S_IFLNK:
                if (Options_.FollowFolderLinks && !Excluded(node, name, true, scratch) &&
                    IsFolderLinkToFollow(folderFd, name))
                    AddSubfolder(node, name, true, scratch);
                return;
            default:
                return;
        }
    }

    // Whether the options leave the name in the node's folder out of the walk.
    bool Excluded(const TNode& node, std::string_view name, bool folder, TScratch& scratch) const {
        if (!Options_.Exclude) return false;
        if (scratch.PathNode != &node) {  // kept for the files offered next
            ComposePath(node, scratch.Path);
            scratch.PathNode = &node;
            scratch.PathLength = scratch.Path.size();
        }
        scratch.Path.resize(scratch.PathLength);
        scratch.Path.append(name);
        return Options_.Exclude(std::string_view(scratch.Path).substr(RootPath_.size()), folder);
    }

    // Whether the symbolic link `name` in the open folder leads to a folder the walk follows it
    // into: one outside the walked folder, and no automount point.
    bool IsFolderLinkToFollow(int folderFd, const char* name) {
        struct statx sx;
        if (::statx(folderFd, name, AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &sx) != 0 || !S_ISDIR(sx.stx_mode) ||
            IsAutomountPoint(sx))
            return false;
        return !LeadsInside(folderFd, name, IdentityOf(sx));
    }

    // Whether the folder that the link `name` leads to (`target`) is the walked folder or lies
    // inside it: going up from it through ".." as the kernel resolves it, whatever links led
    // there, meets the walked folder before the top of the tree. A folder whose way up cannot
    // be followed counts as outside: following a link at worst lists a folder under the link's
    // path, never twice.
    bool LeadsInside(int folderFd, const char* name, TIdentity target) const {
        const TIdentity root = Root_.Identity;
        std::string up(name);  // relative to `at`
        TFd base;
        int at = folderFd;
        for (unsigned level = 0; level < MaxLevelsUp; ++level) {
            if (target == root) return true;
            if (up.size() > 2048) {  // far up: go on from a descriptor, within the path length limit
                const int fd = ::openat(at, up.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                if (fd < 0) return false;
                base.Reset(fd);
                at = fd;
                up.clear();
                up += '.';
            }
            up += "/..";
            struct statx sx;
            if (::statx(at, up.c_str(), AT_NO_AUTOMOUNT, STATX_INO, &sx) != 0) return false;
            const TIdentity parent = IdentityOf(sx);
            if (parent == target) return false;  // the top: ".." is the folder itself
            target = parent;
        }
        return false;
    }

    void AddSubfolder(TNode& node, std::string_view name, bool throughLink, TScratch& scratch) {
        TNode* child = Pool_.Allocate(name);
        child->Parent = &node;
        child->ThroughLink = throughLink;
        child->Position = node.Count;
        (node.LastChild ? node.LastChild->NextSibling : node.FirstChild) = child;
        node.LastChild = child;
        scratch.Children.push_back(child);
    }

    void OfferFile(TNode& node, std::string_view name, const TFileStat& stat, TThreadState& state, TScratch& scratch) {
        if (!Visitor_.Wants(stat)) return;
        if (scratch.PathNode != &node) {
            ComposePath(node, scratch.Path);
            scratch.PathNode = &node;
            scratch.PathLength = scratch.Path.size();
        }
        const std::size_t folderLength = scratch.PathLength;
        scratch.Path.resize(folderLength);
        scratch.Path.append(name);
        const std::string_view path = scratch.Path;
        Visitor_.Take(state.Items, TWalkFile{path, path.substr(folderLength), stat});
        ++state.ItemCount;
        node.Items = state.Items.get();
        ++node.Count;
    }

    // --- Delivery, on the caller's thread ---
    //
    // The items go over in depth-first listing order: a folder's files and subfolders in listing
    // order, each folder once, under the first path that reaches it in that order; folders unread
    // or given up are told at their place in that order, and each anchor before the items listed
    // under it. Delivery goes as far as the folders listed so far allow (all of them once the walk
    // is over) and takes up again where it stopped; a folder's node goes back to the pool once
    // everything under it is delivered.

    // One folder being delivered: the node that listed it and what of it is delivered so far.
    struct TFrame {
        TNode* Node;
        TNode* NextChild;           // of Node, the next subfolder to enter
        std::size_t Delivered;      // of Node's files
        std::size_t PathLength;     // of the path the folder is listed under, in ListedPath_
        std::size_t Anchor;
        bool Relocated;             // listed under another path than the node's own
    };

    // Delivers what is ready: everything when `final` (the walk is over). An error of the visitor
    // ends the delivery and stops the walk; it is rethrown when the walk ends.
    void DeliverSafely(bool final) noexcept {
        try {
            DeliverReady(final);
            if (!final) Visitor_.DeliveryPaused();
        } catch (...) {
            DeliveryFailed_ = true;
            Stop(std::current_exception());
        }
    }

    // Whether a subfolder's delivery can go on: its node is listed, and so is the node that lists
    // its folder when another does.
    static bool Ready(const TNode& entry) noexcept {
        if (!entry.Listed.load(std::memory_order_acquire)) return false;
        const TClaim* claim = entry.Claim;
        return !claim || claim->Delivered || claim->Walker->Listed.load(std::memory_order_acquire);
    }

    void DeliverReady(bool final) {
        if (!DeliveryStarted_) {
            if (!final && !Ready(Root_)) return;
            DeliveryStarted_ = true;
            ListedPath_ = RootPath_;
            Enter(Root_, TWalkAnchor::None, false);
        }
        while (!Frames_.empty()) {
            TFrame& frame = Frames_.back();
            ListedPath_.resize(frame.PathLength);
            if (TNode* child = frame.NextChild) {
                DeliverUpTo(frame, child->Position);
                if (!final && !Ready(*child)) return;
                frame.NextChild = child->NextSibling;
                ListedPath_.append(child->NameView()) += '/';
                Enter(*child, frame.Anchor, frame.Relocated);  // `frame` is not used past this point
                continue;
            }
            DeliverUpTo(frame, frame.Node->Count);
            TNode* const done = frame.Node;
            Frames_.pop_back();
            GiveBackSubfolders(*done);
        }
    }

    // Starts delivering the folder `entry` reached (its path is in ListedPath_), or tells why
    // there is nothing to deliver.
    void Enter(TNode& entry, std::size_t parentAnchor, bool parentRelocated) {
        const auto tell = [this](const auto& handler, int error) {
            if (handler) handler(ListedPath_, error);
        };
        if (entry.GivenUp) {
            tell(Options_.OnGivenUp, entry.GivenUp);
            return;
        }
        std::string realPath;
        if (!entry.Parent || entry.ThroughLink) {
            const std::lock_guard lock(RealPathMutex_);
            if (auto found = RealPaths_.find(&entry); found != RealPaths_.end()) {
                realPath = std::move(found->second);
                RealPaths_.erase(found);
            }
        }
        TClaim* const claim = entry.Claim;
        if (!claim) {
            if (entry.Unreadable) tell(Options_.OnUnreadable, entry.Unreadable);
            return;
        }
        if (claim->Delivered) return;
        claim->Delivered = true;
        TNode& walker = *claim->Walker;
        if (walker.Unreadable) tell(Options_.OnUnreadable, walker.Unreadable);
        std::size_t anchor = parentAnchor;
        if (!entry.Parent || entry.ThroughLink) {
            Visitor_.AddAnchor({.Path = ListedPath_,
                                .RealPath = realPath,
                                .Parent = entry.Parent ? parentAnchor : TWalkAnchor::None,
                                .Device = walker.Identity.Device,
                                .Inode = walker.Identity.Inode});
            anchor = AnchorCount_++;
        }
        Frames_.push_back({&walker, walker.FirstChild, 0, ListedPath_.size(), anchor,
                           parentRelocated || &entry != &walker});
    }

    void DeliverUpTo(TFrame& frame, std::size_t position) {
        if (position <= frame.Delivered) return;
        const TNode& node = *frame.Node;
        const std::size_t first = node.First + frame.Delivered, last = node.First + position;
        const TWalkFolder folder{.Path = ListedPath_, .Anchor = frame.Anchor};
        if (frame.Relocated) {
            ComposePath(node, OwnPath_);
            if (OwnPath_ != ListedPath_) Visitor_.Relocate(*node.Items, first, last, OwnPath_, ListedPath_);
        }
        Visitor_.Deliver(*node.Items, first, last, folder);
        frame.Delivered = position;
    }

    // Gives back the nodes of a delivered folder's subfolders: every one was entered, and
    // whatever it listed is delivered.
    void GiveBackSubfolders(TNode& node) noexcept {
        for (TNode* child = node.FirstChild; child;) {
            TNode* const next = child->NextSibling;
            if (child->Claim && child->Claim->Walker == child) child->Claim->Walker = nullptr;
            {
                // A walk that was stopped may have kept a folder open for subfolders never opened.
                std::lock_guard lock(FdMutex_);
                if (child->Fd >= 0) {
                    Unhold(*child);
                    ::close(child->Fd);
                    child->Fd = -1;
                }
            }
            Pool_.Free(child);
            child = next;
        }
        node.FirstChild = node.LastChild = nullptr;
    }

    TWalkVisitor& Visitor_;
    const TWalkOptions& Options_;
    unsigned Threads_ = 1;
    bool Early_ = false;  // the visitor takes deliveries while the walk goes on
    std::string RootPath_;
    TNodePool Pool_;
    TNode Root_;
    TLongWork* const Work_;
    std::vector<std::unique_ptr<TThreadState>> States_;

    std::mutex Mutex_;
    std::condition_variable Wake_;
    std::vector<TNode*> Stack_;  // folders waiting to be listed, the next one last
    std::size_t Pending_ = 0;    // folders waiting or being listed
    unsigned Waiting_ = 0;       // threads waiting for a folder
    std::condition_variable CallerWake_;  // the caller's thread, when it delivers early
    bool CallerWaiting_ = false;
    bool ListedMeanwhile_ = false;  // a folder was listed since the caller's thread last looked
    bool Stopped_ = false;
    bool StopRequested_ = false;  // a stop request ended the walk before its end
    std::exception_ptr Error_;

    const TTrashFolders Trash_;
    bool RootInTrash_ = false;
    // The real paths of the walked folder and of folders links lead to, from their opening until
    // their anchor is announced.
    std::mutex RealPathMutex_;
    std::unordered_map<const TNode*, std::string> RealPaths_;

    std::mutex ClaimMutex_;
    std::pmr::monotonic_buffer_resource ClaimArena_{64 * 1024};
    // Node-based: a claim stays where it is while others are added.
    std::pmr::unordered_map<TIdentity, TClaim, TIdentityHash> Claimed_{&ClaimArena_};

    static constexpr int MaxOpenAttempts = 200;
    static constexpr unsigned MaxLevelsUp = 1u << 16;
    // What OpenOnce says besides error numbers.
    static constexpr int Changed = 0;   // a folder on the way is no longer the one listed there
    static constexpr int Skipped = -1;  // a folder the walk does not enter
    std::atomic<int> Busy_{0};  // threads opening or listing a folder: they give descriptors back
    std::mutex FdMutex_;
    const std::size_t HeldLimit_;
    std::size_t HeldCount_ = 0;
    TNode* HeldFirst_ = nullptr;  // held folders, the longest held first
    TNode* HeldLast_ = nullptr;

    // Delivery state (caller's thread).
    bool DeliveryStarted_ = false;
    bool DeliveryFailed_ = false;
    std::vector<TFrame> Frames_;
    std::string ListedPath_;  // of the innermost folder being delivered
    std::string OwnPath_;
    std::size_t AnchorCount_ = 0;
};

unsigned DefaultThreads() noexcept {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

}  // namespace

bool WalkFolder(const std::string& folder, TWalkVisitor& visitor, const TWalkOptions& options) {
    TWalker walker(visitor, options);
    return walker.Run(folder, options.Threads ? options.Threads : DefaultThreads());
}

}  // namespace nulvane

#endif  // __linux__
