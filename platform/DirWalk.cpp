#include "platform/DirWalk.h"

// The Linux walk: getdents64 and statx. A Windows build brings its own, on FindFirstFileEx.
#if defined(__linux__)

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory_resource>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace nulvane {
namespace {

// One stat gives everything a listed file needs, so a regular file costs exactly one call.
constexpr unsigned FileStatMask =
    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

// Large enough that a folder of a few thousand entries is read in one call.
constexpr std::size_t ListingBufferSize = 256 * 1024;

class TFd {
public:
    explicit TFd(int fd) noexcept : Fd_(fd) {}
    ~TFd() {
        if (Fd_ >= 0) ::close(Fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const noexcept { return Fd_; }
    explicit operator bool() const noexcept { return Fd_ >= 0; }

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

// Whether the symbolic link `name` in the open folder leads to a folder.
bool IsFolderLink(int folderFd, const char* name) noexcept {
    struct statx sx;
    return ::statx(folderFd, name, 0, STATX_TYPE, &sx) == 0 && S_ISDIR(sx.stx_mode);
}

// One folder of the walk. Its files stand together in the items of the thread that listed it,
// from First on; its subfolders form a list in listing order, each with the number of the
// folder's files listed before it.
struct TNode {
    const TNode* Parent = nullptr;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    TWalkItems* Items = nullptr;
    std::size_t First = 0;
    std::size_t Count = 0;
    std::size_t Position = 0;  // in the parent's files
    TNode* FirstChild = nullptr;
    TNode* LastChild = nullptr;
    TNode* NextSibling = nullptr;
};

struct TTask {
    TNode* Node = nullptr;
    std::string_view Path;  // ends in "/"; NUL-terminated in the arena
    bool ThroughLink = false;
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
};

class TWalker {
public:
    explicit TWalker(TWalkVisitor& visitor) noexcept : Visitor_(visitor) {}

    void Run(const std::string& folder, unsigned threads) {
        States_.resize(threads);
        for (auto& state : States_) state = std::make_unique<TThreadState>();
        Stack_.push_back({&Root_, CopyPath(*States_[0], folder, {}), true});
        Pending_ = 1;
        {
            std::vector<std::jthread> helpers;
            for (unsigned i = 1; i < threads; ++i) {
                try {
                    helpers.emplace_back([this, i] { Work(*States_[i]); });
                } catch (const std::system_error&) {
                    break;  // fewer threads walk; the result is the same
                }
            }
            Work(*States_[0]);
        }
        Deliver();
        if (Error_) std::rethrow_exception(Error_);
    }

private:
    void Work(TThreadState& state) noexcept {
        try {
            TScratch scratch;
            TTask task;
            while (NextTask(task)) {
                try {
                    ListFolder(task, state, scratch);
                } catch (...) {
                    Stop(std::current_exception());
                }
                TaskDone();
            }
        } catch (...) {
            Stop(std::current_exception());
        }
    }

    bool NextTask(TTask& task) {
        std::unique_lock lock(Mutex_);
        for (;;) {
            if (Stopped_) return false;
            if (!Stack_.empty()) {
                task = Stack_.back();
                Stack_.pop_back();
                return true;
            }
            if (Pending_ == 0) return false;
            ++Waiting_;
            Wake_.wait(lock);
            --Waiting_;
        }
    }

    void Push(const TTask& task) {
        std::lock_guard lock(Mutex_);
        Stack_.push_back(task);
        ++Pending_;
        if (Waiting_ > 0) Wake_.notify_one();
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

    void ListFolder(const TTask& task, TThreadState& state, TScratch& scratch) {
        TNode& node = *task.Node;
        // A real subfolder is opened without following a link that replaced it meanwhile.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (task.ThroughLink ? 0 : O_NOFOLLOW);
        const TFd fd(::open(task.Path.data(), flags));
        if (!fd) return;
        struct stat self;
        if (::fstat(fd.Get(), &self) != 0) return;
        node.Device = self.st_dev;
        node.Inode = self.st_ino;
        for (const TNode* up = node.Parent; up; up = up->Parent)
            if (up->Device == node.Device && up->Inode == node.Inode) return;

        node.First = state.ItemCount;
        scratch.Path = task.Path;
        char* const listing = reinterpret_cast<char*>(scratch.Listing.get());
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd.Get(), listing, ListingBufferSize);
            if (got <= 0) break;  // the end, or a listing that failed part way: keep what was read
            for (long pos = 0; pos < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(listing + pos);
                pos += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
                ListEntry(task, fd.Get(), name, entry->d_type, state, scratch);
            }
        }
    }

    void ListEntry(const TTask& task, int folderFd, const char* name, unsigned char type, TThreadState& state,
                   TScratch& scratch) {
        switch (type) {
            case DT_DIR:
                AddSubfolder(task, name, false, state);
                return;
            case DT_LNK:
                if (IsFolderLink(folderFd, name)) AddSubfolder(task, name, true, state);
                return;
            case DT_REG:
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
                OfferFile(task, name, FromStatx(sx), state, scratch);
                return;
            case S_IFDIR:
                AddSubfolder(task, name, false, state);
                return;
            case S_IFLNK:
                if (IsFolderLink(folderFd, name)) AddSubfolder(task, name, true, state);
                return;
            default:
                return;
        }
    }

    void AddSubfolder(const TTask& task, std::string_view name, bool throughLink, TThreadState& state) {
        TNode& node = *task.Node;
        auto* child = new (state.Arena.allocate(sizeof(TNode), alignof(TNode))) TNode;
        child->Parent = &node;
        child->Position = node.Count;
        (node.LastChild ? node.LastChild->NextSibling : node.FirstChild) = child;
        node.LastChild = child;
        Push({child, CopyPath(state, task.Path, name), throughLink});
    }

    void OfferFile(const TTask& task, std::string_view name, const TFileStat& stat, TThreadState& state,
                   TScratch& scratch) {
        if (!Visitor_.Wants(stat)) return;
        const std::size_t folderLength = task.Path.size();
        scratch.Path.resize(folderLength);
        scratch.Path.append(name);
        const std::string_view path = scratch.Path;
        Visitor_.Take(state.Items, TWalkFile{path, path.substr(folderLength), stat});
        ++state.ItemCount;
        task.Node->Items = state.Items.get();
        ++task.Node->Count;
    }

    // Hands the items over in depth-first listing order.
    void Deliver() {
        struct TFrame {
            const TNode* Node;
            const TNode* NextChild;
            std::size_t Delivered = 0;
        };
        std::vector<TFrame> stack{{&Root_, Root_.FirstChild}};
        const auto deliverUpTo = [this](TFrame& frame, std::size_t position) {
            if (position > frame.Delivered) {
                const TNode& node = *frame.Node;
                Visitor_.Deliver(*node.Items, node.First + frame.Delivered, node.First + position);
                frame.Delivered = position;
            }
        };
        while (!stack.empty()) {
            TFrame& frame = stack.back();
            if (const TNode* child = frame.NextChild) {
                frame.NextChild = child->NextSibling;
                deliverUpTo(frame, child->Position);
                stack.push_back({child, child->FirstChild});  // `frame` is not used past this point
                continue;
            }
            deliverUpTo(frame, frame.Node->Count);
            stack.pop_back();
        }
    }

    TWalkVisitor& Visitor_;
    TNode Root_;
    std::vector<std::unique_ptr<TThreadState>> States_;

    std::mutex Mutex_;
    std::condition_variable Wake_;
    std::vector<TTask> Stack_;  // folders waiting to be listed, the latest found first
    std::size_t Pending_ = 0;   // folders waiting or being listed
    unsigned Waiting_ = 0;      // threads waiting for a folder
    bool Stopped_ = false;
    std::exception_ptr Error_;
};

unsigned DefaultThreads() noexcept {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

}  // namespace

void WalkFolder(const std::string& folder, TWalkVisitor& visitor, const TWalkOptions& options) {
    TWalker walker(visitor);
    walker.Run(folder, options.Threads ? options.Threads : DefaultThreads());
}

}  // namespace nulvane

#endif  // __linux__
