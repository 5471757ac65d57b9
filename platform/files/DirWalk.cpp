#include "platform/files/DirWalk.h"

// The Linux walk: getdents64 and statx. A Windows build brings its own, on FindFirstFileEx.
#if defined(__linux__)

#include <algorithm>
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

// One folder entry of the walk. Its files stand together in the items of the thread that listed
// it, from First on; its subfolders form a list in listing order, each with the number of the
// folder's files listed before it. A node whose folder was already claimed by another node lists
// nothing and points at that node (Walker); the order of the listing is settled when the walk ends.
struct TNode {
    TNode* Parent = nullptr;
    std::string_view Path;  // ends in "/"; NUL-terminated in the arena
    TIdentity Identity;     // of the folder actually opened
    const TNode* Walker = nullptr;  // the node that lists this folder; none when it was not opened
    TWalkItems* Items = nullptr;
    std::size_t First = 0;
    std::size_t Count = 0;
    std::size_t Position = 0;  // in the parent's files
    TNode* FirstChild = nullptr;
    TNode* LastChild = nullptr;
    TNode* NextSibling = nullptr;
    int GivenUp = 0;     // the error number when it was given up after resource errors
    int Unreadable = 0;  // the error number when it could not be opened or read to its end
    bool ThroughLink = false;
    bool Delivered = false;  // used on the caller's thread after the walk
    // The folder's descriptor, kept open while subfolders wait to be opened from it. Guarded by
    // the walker's descriptor mutex.
    int Fd = -1;
    unsigned FdUsers = 0;
    unsigned PendingChildren = 0;
    TNode* HeldPrev = nullptr;
    TNode* HeldNext = nullptr;

    // The last component, NUL-terminated in `buffer` (at least NAME_MAX + 1 bytes).
    const char* Name(char* buffer) const noexcept {
        const std::string_view name = Path.substr(Parent->Path.size(), Path.size() - Parent->Path.size() - 1);
        std::memcpy(buffer, name.data(), name.size());
        buffer[name.size()] = '\0';
        return buffer;
    }
    int OpenFlags() const noexcept {
        // A real subfolder is opened without following a link that replaced it meanwhile.
        return O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (ThroughLink || !Parent ? 0 : O_NOFOLLOW);
    }
};

// What one walking thread owns. Nodes and folder paths go to its arena, which hands out large
// blocks and frees them all when the walk is over; Items holds what the visitor kept.
struct TThreadState {
    std::pmr::monotonic_buffer_resource Arena{64 * 1024};
    std::unique_ptr<TWalkItems> Items;
    std::size_t ItemCount = 0;
};

// Per-thread buffers reused from folder to folder, released when the thread stops.
struct TScratch {
    std::unique_ptr<std::uint64_t[]> Listing =  // 8-byte aligned, as the kernel's records are
        std::make_unique_for_overwrite<std::uint64_t[]>(ListingBufferSize / sizeof(std::uint64_t));
    std::string Path;
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
        States_.resize(threads);
        for (auto& state : States_) state = std::make_unique<TThreadState>();
        Root_.Path = CopyPath(*States_[0], folder, {});
        Stack_.push_back(&Root_);
        Pending_ = 1;
        {
            std::vector<std::jthread> helpers;
            for (unsigned i = 1; i < threads; ++i) {
                try {
                    helpers.emplace_back([this, i] { Work(*States_[i]); });
                } catch (const std::system_error&) {
                    break;  // fewer threads walk; the result is the same
                } catch (const std::bad_alloc&) {
                    break;
                }
            }
            Work(*States_[0]);
        }
        Deliver();
        if (Error_) std::rethrow_exception(Error_);
        return !StopRequested_;
    }

private:
    void Work(TThreadState& state) noexcept {
        try {
            TScratch scratch;
            TNode* node = nullptr;
            while (NextTask(node)) {
                try {
                    ListFolder(*node, state, scratch);
                } catch (...) {
                    Stop(std::current_exception());
                }
                TaskDone();
            }
        } catch (...) {
            Stop(std::current_exception());
        }
    }

    bool NextTask(TNode*& node) {
        if (StopAsked()) return false;
        std::unique_lock lock(Mutex_);
        for (;;) {
            if (Stopped_) return false;
            if (!Stack_.empty()) {
                node = Stack_.back();
                Stack_.pop_back();
                return true;
            }
            if (Pending_ == 0) return false;
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
    }

    void TaskDone() {
        std::lock_guard lock(Mutex_);
        if (--Pending_ == 0) Wake_.notify_all();
    }

    void Stop(std::exception_ptr error) noexcept {
        std::lock_guard lock(Mutex_);
        if (!Error_) Error_ = std::move(error);
        Stopped_ = true;
        Wake_.notify_all();
    }

    // Whether the job asked the walk to stop; the first thread to see it stops the others, and
    // the walk ends as it would after the last folder.
    bool StopAsked() {
        if (!Work_ || !Work_->StopRequested()) return false;
        std::lock_guard lock(Mutex_);
        if (!Stopped_ && Pending_ > 0) StopRequested_ = true;
        Stopped_ = true;
        Wake_.notify_all();
        return true;
    }

    // folder + name + "/" (just folder when name is empty), NUL-terminated, in the arena.
    static std::string_view CopyPath(TThreadState& state, std::string_view folder, std::string_view name) {
        const bool addSeparator = !name.empty();
        const std::size_t length = folder.size() + name.size() + (addSeparator ? 1 : 0);
        char* text = static_cast<char*>(state.Arena.allocate(length + 1, 1));
        std::memcpy(text, folder.data(), folder.size());
        if (addSeparator) {
            std::memcpy(text + folder.size(), name.data(), name.size());
            text[length - 1] = '/';
        }
        text[length] = '\0';
        return {text, length};
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
    bool MayEnter(int parentFd, const TNode& node, char* name, int& error) {
        struct statx sx;
        const int follow = node.ThroughLink ? 0 : AT_SYMLINK_NOFOLLOW;
        if (::statx(parentFd, node.Name(name), follow | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &sx) != 0) {
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
            const int fd = ::open(node.Path.data(), node.OpenFlags());
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
        char name[NAME_MAX + 1];
        bool ok = true;
        for (auto it = missing.rbegin(); it != missing.rend() && ok; ++it) {
            TNode& step = **it;
            const int fd = step.Parent ? ::openat(current, step.Name(name), step.OpenFlags())
                                       : ::open(step.Path.data(), step.OpenFlags());
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
        if (ok && MayEnter(current, node, name, error)) {
            fd = ::openat(current, name, node.OpenFlags());
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
        const auto [it, added] = Claimed_.try_emplace(node.Identity, &node);
        node.Walker = it->second;
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
        if (!Claim(node)) return;

        node.First = state.ItemCount;
        scratch.Path = node.Path;
        scratch.Children.clear();
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

    void ListEntry(TNode& node, int folderFd, const char* name, unsigned char type, TThreadState& state,
                   TScratch& scratch) {
        switch (type) {
            case DT_DIR:
                if (!Excluded(node, name, true, scratch)) AddSubfolder(node, name, false, state, scratch);
                return;
            case DT_LNK:
                if (Options_.FollowFolderLinks && !Excluded(node, name, true, scratch) &&
                    IsFolderLinkToFollow(folderFd, name))
                    AddSubfolder(node, name, true, state, scratch);
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
        if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, FileStatMask, &sx) != 0)
            return;  // gone since it was listed
        switch (sx.stx_mode & S_IFMT) {
            case S_IFREG:
                if (type != DT_REG && Excluded(node, name, false, scratch)) return;
                OfferFile(node, name, FromStatx(sx), state, scratch);
                return;
            case S_IFDIR:
                if (!Excluded(node, name, true, scratch)) AddSubfolder(node, name, false, state, scratch);
                return;
            case S_IFLNK:
                if (Options_.FollowFolderLinks && !Excluded(node, name, true, scratch) &&
                    IsFolderLinkToFollow(folderFd, name))
                    AddSubfolder(node, name, true, state, scratch);
                return;
            default:
                return;
        }
    }

    // Whether the options leave the name in the node's folder out of the walk.
    bool Excluded(const TNode& node, std::string_view name, bool folder, TScratch& scratch) const {
        if (!Options_.Exclude) return false;
        scratch.Path.resize(node.Path.size());  // the folder's path, which the listing keeps there
        scratch.Path.append(name);
        return Options_.Exclude(std::string_view(scratch.Path).substr(Root_.Path.size()), folder);
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

    void AddSubfolder(TNode& node, std::string_view name, bool throughLink, TThreadState& state, TScratch& scratch) {
        auto* child = new (state.Arena.allocate(sizeof(TNode), alignof(TNode))) TNode;
        child->Parent = &node;
        child->Path = CopyPath(state, node.Path, name);
        child->ThroughLink = throughLink;
        child->Position = node.Count;
        (node.LastChild ? node.LastChild->NextSibling : node.FirstChild) = child;
        node.LastChild = child;
        scratch.Children.push_back(child);
    }

    void OfferFile(TNode& node, std::string_view name, const TFileStat& stat, TThreadState& state, TScratch& scratch) {
        if (!Visitor_.Wants(stat)) return;
        const std::size_t folderLength = node.Path.size();
        scratch.Path.resize(folderLength);
        scratch.Path.append(name);
        const std::string_view path = scratch.Path;
        Visitor_.Take(state.Items, TWalkFile{path, path.substr(folderLength), stat});
        ++state.ItemCount;
        node.Items = state.Items.get();
        ++node.Count;
    }

    // Hands the items over in depth-first listing order: a folder's files and subfolders in
    // listing order, each folder once, under the first path that reaches it in that order; tells
    // of folders unread or given up at their place in that order, and of each anchor before the
    // items listed under it.
    void Deliver() {
        struct TFrame {
            const TNode* Node;       // the node that listed the folder
            const TNode* NextChild;  // of Node
            std::size_t Delivered = 0;
            std::string Path;  // the path the folder is listed under, when not Node's own
            std::size_t Anchor = 0;
        };
        std::vector<TFrame> stack;
        std::size_t anchors = 0;
        const auto tell = [](const auto& handler, std::string_view path, int error) {
            if (handler) handler(std::string(path), error);
        };
        const auto enter = [&](const TNode& entry, std::string path, std::size_t parentAnchor) {
            if (entry.GivenUp) {
                tell(Options_.OnGivenUp, path.empty() ? entry.Path : path, entry.GivenUp);
                return;
            }
            TNode* walker = const_cast<TNode*>(entry.Walker);
            if (!walker) {
                if (entry.Unreadable) tell(Options_.OnUnreadable, path.empty() ? entry.Path : path, entry.Unreadable);
                return;
            }
            if (walker->Delivered) return;
            walker->Delivered = true;
            if (path.empty() && &entry != walker) path = entry.Path;
            if (path == walker->Path) path.clear();
            const std::string_view listedAs = path.empty() ? walker->Path : std::string_view(path);
            if (walker->Unreadable) tell(Options_.OnUnreadable, listedAs, walker->Unreadable);
            std::size_t anchor = parentAnchor;
            if (!entry.Parent || entry.ThroughLink) {
                Visitor_.AddAnchor({.Path = listedAs,
                                    .Parent = entry.Parent ? parentAnchor : TWalkAnchor::None,
                                    .Device = walker->Identity.Device,
                                    .Inode = walker->Identity.Inode});
                anchor = anchors++;
            }
            stack.push_back({walker, walker->FirstChild, 0, std::move(path), anchor});
        };
        const auto deliverUpTo = [this](TFrame& frame, std::size_t position) {
            if (position > frame.Delivered) {
                const TNode& node = *frame.Node;
                const std::size_t first = node.First + frame.Delivered, last = node.First + position;
                if (!frame.Path.empty()) Visitor_.Relocate(*node.Items, first, last, node.Path, frame.Path);
                Visitor_.Deliver(*node.Items, first, last, frame.Anchor);
                frame.Delivered = position;
            }
        };
        enter(Root_, {}, TWalkAnchor::None);
        while (!stack.empty()) {
            TFrame& frame = stack.back();
            if (const TNode* child = frame.NextChild) {
                frame.NextChild = child->NextSibling;
                deliverUpTo(frame, child->Position);
                std::string path;
                if (!frame.Path.empty())
                    path.append(frame.Path).append(child->Path.substr(frame.Node->Path.size()));
                enter(*child, std::move(path), frame.Anchor);  // `frame` is not used past this point
                continue;
            }
            deliverUpTo(frame, frame.Node->Count);
            stack.pop_back();
        }
    }

    TWalkVisitor& Visitor_;
    const TWalkOptions& Options_;
    unsigned Threads_ = 1;
    TNode Root_;
    TLongWork* const Work_;
    std::vector<std::unique_ptr<TThreadState>> States_;

    std::mutex Mutex_;
    std::condition_variable Wake_;
    std::vector<TNode*> Stack_;  // folders waiting to be listed, the next one last
    std::size_t Pending_ = 0;    // folders waiting or being listed
    unsigned Waiting_ = 0;       // threads waiting for a folder
    bool Stopped_ = false;
    bool StopRequested_ = false;  // a stop request ended the walk before its end
    std::exception_ptr Error_;

    std::mutex ClaimMutex_;
    std::pmr::monotonic_buffer_resource ClaimArena_{64 * 1024};
    std::pmr::unordered_map<TIdentity, TNode*, TIdentityHash> Claimed_{&ClaimArena_};

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
