#include "platform/files/removal/FileRemoval.h"

// The POSIX removal: the file's folder opened step by step (AnchoredFolders.cpp); on the open
// folder, fstatat, a journal record, renameat2 to a private name, fstatat again, the file's own
// lock queries and unlinkat.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <system_error>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/removal/AnchoredFolders.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/files/PrivateName.h"
#include "platform/files/trash/TrashFolders.h"
#include "platform/system/ScopeGuard.h"
#include "platform/text/Translatable.h"

namespace nulvane {
namespace {

TRemoveResult Kept(TKeepReason reason, int error = 0) { return {TRemoveOutcome::Kept, reason, error, {}}; }

// What a failed stat, rename or unlink of the name in its open folder means for the file.
TRemoveResult FromError(int error) {
    switch (error) {
    case ENOENT: return {TRemoveOutcome::Missing, TKeepReason::None, error, {}};
    case EACCES:
    case EPERM: return Kept(TKeepReason::PermissionDenied, error);
    case EROFS: return Kept(TKeepReason::ReadOnly, error);
    case EBUSY:
    case ETXTBSY: return Kept(TKeepReason::InUse, error);
    case EXDEV: return Kept(TKeepReason::NoTrash, error);  // only a disposal moves across folders
    default: return Kept(TKeepReason::OtherError, error);
    }
}

// What a folder on the path that cannot be opened means: the path no longer leads to the file,
// which may well still be on disk (reached before through a folder or a link that is gone, or
// now a link where the scan met a folder).
TRemoveResult FromFolderError(int error) {
    if (error == ENOENT || error == ENOTDIR || error == ELOOP) return Kept(TKeepReason::PathGone, error);
    return FromError(error);
}

bool IsFoundFile(const struct stat& st, std::uint64_t device, std::uint64_t inode) noexcept {
    return S_ISREG(st.st_mode) && st.st_size == 0 && static_cast<std::uint64_t>(st.st_dev) == device &&
           static_cast<std::uint64_t>(st.st_ino) == inode;
}

bool IsFoundFolder(const struct stat& st, std::uint64_t device, std::uint64_t inode) noexcept {
    return S_ISDIR(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == device &&
           static_cast<std::uint64_t>(st.st_ino) == inode;
}

// Opens the folder `name` in `parent` to read it, never through a link (ELOOP) and never anything
// but a folder (ENOTDIR, without opening it: a FIFO does not wait).
int OpenFolderToRead(int parent, const char* name) noexcept {
    int fd;
    do fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// A folder under the one removed is a mount point, or a trash, now: not what the scan met.
constexpr int TreeChanged = -1;
// A folder under the one removed is one the user scanned.
constexpr int TreeScanned = -2;

// What must never go with a folder tree: the home trash, and the folders the user scanned.
struct TTreeGuard {
    const TTrashFolders& Trash;
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& Scanned;  // device, inode; sorted
    // TreeChanged or TreeScanned for a folder that must not go, else 0.
    int Guards(const struct stat& st) const {
        if (std::binary_search(Scanned.begin(), Scanned.end(),
                               std::pair{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}))
            return TreeScanned;
        return Trash.IsHomeTrash(st.st_dev, st.st_ino) ? TreeChanged : 0;
    }
};
// Deeper than this, a tree costs more descriptors and stack than a remover should hold; no path
// the system can name goes that deep.
constexpr unsigned MaxTreeDepth = 2048;

// A folder tree that is to go: read whole before anything of it goes, then removed deepest first.
// Each folder is opened once, without following a link, and looked at through the open folder:
// one statx gives its identity, mount and metadata, its names are read from the same descriptor,
// and (for an undo record) its attributes too. Removing needs no second look at a folder that holds
// no folder: the removal of an empty folder fails on its own when it is not empty any more.
class TFolderTree {
public:
    struct TNode {
        std::string Name;        // in its parent; the top's is its own
        std::size_t Parent = 0;  // index; the top is its own parent
        std::size_t End = 0;     // past the last folder inside it: they follow it, in the order read
        struct stat Stat{};
        std::uint64_t MountId = 0;
        bool HasSubfolders = false;
        TEntryMetadata Metadata;  // read only for an undo record
    };

    TFolderTree(const TTreeGuard& guard, bool metadata) : Guard_(guard), Metadata_(metadata) {}

    // Reads the folder open as `fd` (`name`, its stat `st`) and everything under it: 0 when it
    // holds nothing but folders of its own mount (`st`'s device, no mount point), each empty all
    // the way down, else ENOTEMPTY, TreeChanged, TreeScanned or the error that stopped the look.
    int Read(int fd, std::string name, const struct stat& st) {
        struct statx sx;
        if (::statx(fd, "", AT_EMPTY_PATH | AT_NO_AUTOMOUNT, STATX_MNT_ID, &sx) != 0) return errno;
        Nodes_.push_back({std::move(name), 0, 0, st, (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0, false, {}});
        Buffer_.resize(32 * 1024);
        if (const int error = ReadFolder(fd, 0, 0); error != 0) return error;
        for (std::size_t i = Nodes_.size(); i-- > 0;) {
            Nodes_[i].End = std::max(Nodes_[i].End, i + 1);
            if (i > 0) Nodes_[Nodes_[i].Parent].End = std::max(Nodes_[Nodes_[i].Parent].End, Nodes_[i].End);
        }
        return 0;
    }

    const std::vector<TNode>& Nodes() const noexcept { return Nodes_; }

    // Removes everything under the top, open as `fd`, deepest first: 0, or the error of the first
    // folder that could not go (ENOTEMPTY for one that holds something now); what is above it stays.
    int RemoveUnder(int fd) { return RemoveChildren(fd, 0); }

private:
    int ReadFolder(int fd, std::size_t self, unsigned depth) {
        if (depth > MaxTreeDepth) return ENAMETOOLONG;
        if (Metadata_)
            if (const int error = ReadEntryMetadata(fd, Nodes_[self].Stat, Nodes_[self].Metadata); error != 0) return error;
        std::vector<std::string> names;
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd, Buffer_.data(), Buffer_.size());
            if (got < 0) return errno;
            if (got == 0) break;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(Buffer_.data() + at);
                at += entry->d_reclen;
                const std::string_view name = entry->d_name;
                if (name == "." || name == "..") continue;
                if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) return ENOTEMPTY;
                names.emplace_back(name);
            }
        }
        if (names.empty()) return 0;
        // Removing a subfolder needs the folder's permission: asked before anything goes.
        if (::faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) != 0) return errno;
        Nodes_[self].HasSubfolders = true;
        for (std::string& name : names) {
            const TFd sub(OpenFolderToRead(fd, name.c_str()));
            if (!sub) {
                if (errno == ENOENT) continue;  // gone meanwhile
                return errno == ENOTDIR || errno == ELOOP ? ENOTEMPTY : errno;
            }
            struct statx sx;
            constexpr unsigned mask = STATX_BASIC_STATS | STATX_MNT_ID;
            if (::statx(sub.Get(), "", AT_EMPTY_PATH | AT_NO_AUTOMOUNT, mask, &sx) != 0) return errno;
            TNode node{std::move(name), self, 0, StatOf(sx), (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0, false, {}};
            // Another file system, or a mount of the same one, below: not what the scan met.
            if (node.Stat.st_dev != Nodes_[0].Stat.st_dev || (node.MountId != Nodes_[0].MountId) ||
                TTrashFolders::IsTrash(fd, node.Name))
                return TreeChanged;
            if (const int guarded = Guard_.Guards(node.Stat); guarded != 0) return guarded;
            Nodes_.push_back(std::move(node));
            if (const int error = ReadFolder(sub.Get(), Nodes_.size() - 1, depth + 1); error != 0) return error;
        }
        return 0;
    }

    int RemoveChildren(int fd, std::size_t self) {
        for (std::size_t i = self + 1; i < Nodes_[self].End; i = Nodes_[i].End) {
            const TNode& node = Nodes_[i];
            if (node.HasSubfolders) {
                // Opened again by name without following a link: it must be the folder read.
                const TFd sub(OpenFolderToRead(fd, node.Name.c_str()));
                struct stat st;
                if (!sub) return errno == ENOTDIR || errno == ELOOP ? ENOTEMPTY : errno;
                if (::fstat(sub.Get(), &st) != 0) return errno;
                if (st.st_dev != node.Stat.st_dev || st.st_ino != node.Stat.st_ino) return TreeChanged;
                if (const int error = RemoveChildren(sub.Get(), i); error != 0) return error;
            }
            if (::unlinkat(fd, node.Name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) return errno;
        }
        return 0;
    }

    static struct stat StatOf(const struct statx& sx) noexcept {
        struct stat st{};
        st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        st.st_ino = sx.stx_ino;
        st.st_mode = sx.stx_mode;
        st.st_nlink = sx.stx_nlink;
        st.st_uid = sx.stx_uid;
        st.st_gid = sx.stx_gid;
        st.st_size = static_cast<off_t>(sx.stx_size);
        st.st_atim = {sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec};
        st.st_mtim = {sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec};
        st.st_ctim = {sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec};
        return st;
    }

    const TTreeGuard& Guard_;
    const bool Metadata_;
    std::vector<TNode> Nodes_;  // the top first, then each folder before the folders inside it
    std::vector<char> Buffer_;
};

// What a folder tree that could not be emptied or disposed of means for the folder.
TRemoveResult FromTreeError(int error) {
    switch (error) {
    case ENOTEMPTY:
    case EEXIST: return Kept(TKeepReason::NotEmpty, error);
    case TreeChanged: return Kept(TKeepReason::Changed);
    case TreeScanned: return Kept(TKeepReason::Scanned, ENOTEMPTY);
    case ENOENT:
    case EBUSY: return Kept(TKeepReason::Changed, error);  // taken, or a mount point now
    default: return FromError(error);
    }
}

}  // namespace

std::string TRemoveResult::ReasonText() const {
    switch (Reason) {
    case TKeepReason::None: return {};
    case TKeepReason::Changed: return N_("changed since the scan");
    case TKeepReason::PermissionDenied: return N_("permission denied");
    case TKeepReason::InUse: return N_("in use");
    case TKeepReason::PathGone: return N_("path no longer leads to it");
    case TKeepReason::NoTrash: return N_("no trash on this file system");
    case TKeepReason::ReadOnly: return N_("read-only file system");
    case TKeepReason::LockUnknown: return N_("cannot tell whether it is in use");
    case TKeepReason::NotEmpty: return N_("no longer empty");
    case TKeepReason::Scanned: return Error == ENOTEMPTY ? N_("holds a scanned folder") : N_("a scanned folder");
    case TKeepReason::TooManyAttributes: return N_("too many attributes to undo");
    case TKeepReason::OtherError: break;
    }
    return Error != 0 ? std::system_category().message(Error) : std::string(N_("could not be removed"));
}

void RaiseOpenFileLimit() noexcept {
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? 65536 : std::min<rlim_t>(limit.rlim_max, 65536);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return;
    limit.rlim_cur = wanted;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

TFileRemover::TFileRemover() : TFileRemover(std::make_shared<const TLockTable>(TLockTable::ReadSystem())) {}

TFileRemover::TFileRemover(std::shared_ptr<const TLockTable> locks, unsigned sharers) : Locks_(std::move(locks)) {
    if (!Locks_) Locks_ = std::make_shared<const TLockTable>();
    // Folders stay open for the remover's lifetime: a quarter of the process's descriptors at
    // most, shared among the removers working side by side, so that the rest of the program never
    // runs short.
    struct rlimit limit{};
    const rlim_t soft = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    const std::size_t quarter = soft == RLIM_INFINITY ? 4096 * 4 : soft / 4;
    MaxOpenFolders_ = std::clamp<std::size_t>(quarter / std::max(sharers, 1u), 8, 4096);
}

TFileRemover::~TFileRemover() { ReleaseFolders(); }

void TFileRemover::ProtectFolders(std::vector<std::pair<std::uint64_t, std::uint64_t>> identities) {
    std::sort(identities.begin(), identities.end());
    Scanned_ = std::move(identities);
}

int TFileRemover::OpenToAsk(const TTarget& target, const char* name) noexcept {
    for (;;) {
        const int fd = ::openat(target.FolderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == EINTR) continue;
        if (!IsResourceError(errno)) return -1;
        const int error = errno;
        if (!ReleaseFolders(&target)) {
            errno = error;
            return -1;
        }
    }
}

TKeepReason TFileRemover::LockReason(const TTarget& target, std::uint64_t device, std::uint64_t inode, int& error) {
    error = 0;
    switch (Locks_->Find(device, inode)) {
    case TLockTable::TMatch::None: return TKeepReason::None;
    case TLockTable::TMatch::Identity: return TKeepReason::InUse;
    case TLockTable::TMatch::InodeOnly: break;
    }
    // Not sure it is this file: ask the file. One under a lease cannot be opened without waiting
    // for its holder, so it is in use; one we cannot open to ask is kept with the reason.
    const TFd fd(OpenToAsk(target, target.Name.c_str()));
    if (!fd) {
        if (errno == ENOENT) return TKeepReason::None;  // gone: the move aside will say so
        if (errno == EWOULDBLOCK) return TKeepReason::InUse;
        error = errno;
        return FromError(error).Reason;
    }
    struct stat st;
    const bool same = ::fstat(fd.Get(), &st) == 0 && IsFoundFile(st, device, inode);
    // A file that cannot answer is taken at the table's word.
    const bool locked = same && AskFileLocks(fd.Get(), error) != TLockState::Free;
    error = 0;
    return locked ? TKeepReason::InUse : same ? TKeepReason::None : TKeepReason::Changed;
}

TKeepReason TFileRemover::CheckAside(const TTarget& target, const char* aside, std::uint64_t device,
                                     std::uint64_t inode, int& error, bool& gone, TEntryMetadata* metadata) {
    error = 0;
    gone = false;
    TLockState state = TLockState::Unknown;
    struct stat st;
    // A file that may go, described for its undo record.
    const auto described = [&error](int readError) {
        if (readError == 0) return TKeepReason::None;
        if (readError == E2BIG) return TKeepReason::TooManyAttributes;
        error = readError;
        return TKeepReason::OtherError;
    };
    // Opened first and checked through the open file, which spares a second lookup of the name.
    // What lies under the private name passed the same checks under its own name a moment ago;
    // the open neither waits (a FIFO swapped in opens at once) nor follows a link, and only who
    // may make device nodes on this file system could have put one there.
    if (const TFd fd(OpenToAsk(target, aside)); fd) {
        if (::fstat(fd.Get(), &st) != 0 || !IsFoundFile(st, device, inode)) return TKeepReason::Changed;
        state = AskFileLocks(fd.Get(), error, true);
        if (state == TLockState::Free && metadata) return described(ReadEntryMetadata(fd.Get(), st, *metadata));
    } else {
        const int openError = errno;
        // Not opened (no read permission, a lease, a link in its place): the name says what it is.
        if (openError == ENOENT || ::fstatat(target.FolderFd, aside, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            gone = true;  // taken from the private name already
            error = openError == ENOENT ? ENOENT : errno;
            return TKeepReason::Changed;
        }
        if (!IsFoundFile(st, device, inode)) return TKeepReason::Changed;
        if (openError == EWOULDBLOCK) return TKeepReason::InUse;  // under a lease
        error = openError;
    }
    if (state == TLockState::Locked) return TKeepReason::InUse;
    if (state == TLockState::Free) return TKeepReason::None;
    // The file cannot answer (no read permission, or a file system without either kind of lock):
    // the system's table, read now, answers for the locks it lists; a lock taken since the
    // deletion began counts too.
    if (const TLockTable now = Locks_->Now(); now.Readable()) {
        error = 0;
        if (now.Find(device, inode) != TLockTable::TMatch::None) return TKeepReason::InUse;
        return metadata ? described(ReadEntryMetadataAt(target.FolderFd, aside, st, *metadata)) : TKeepReason::None;
    }
    return TKeepReason::LockUnknown;
}

int TFileRemover::Record(const TTarget& target, const char* aside, std::uint64_t device,
                         std::uint64_t inode) noexcept {
    int error = Journal_.RecordMove(target.FolderFd, aside, target.Name, device, inode);
    while (IsResourceError(error) && ReleaseFolders(&target))
        error = Journal_.RecordMove(target.FolderFd, aside, target.Name, device, inode);
    if (error != 0) JournalFailed_ = true;
    return error;
}

TRemoveResult TFileRemover::NotMovedAside(int error) noexcept {
    // A record that could not be written is no property of the file: its number says why.
    if (std::exchange(JournalFailed_, false)) return Kept(TKeepReason::OtherError, error);
    return FromError(error);
}

void TFileRemover::KeepJournalSmall(const TPendingFile* pending) noexcept {
    if (!Journal_.Full()) return;
    Journal_.Rotate([&](TDeletionJournal& journal) {
        return pending ? journal.RecordMove(pending->FolderFd, pending->Aside, pending->Name, pending->Device,
                                            pending->Inode)
                       : 0;
    });
}

int TFileRemover::MoveAside(const TTarget& target, std::uint64_t device, std::uint64_t inode,
                            TAsideName& aside) noexcept {
    const int folderFd = target.FolderFd;
    const char* name = target.Name.c_str();
    for (int attempt = 0; attempt < 8; ++attempt, aside = TAsideName()) {
        // No record, no move: a kill could lose the name.
        if (const int error = Record(target, aside.Text, device, inode); error != 0) return error;
        const int error = MoveNoReplace(folderFd, name, folderFd, aside.Text, TNewName::Private);
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

std::string TFileRemover::PutBack(int folderFd, const char* aside, const std::string& name, std::string_view folder) {
    std::string now;
    if (PutBackBeside(folderFd, aside, name, now) != 0) {
        Journal_.KeepForRecovery();
        return std::string(folder) + aside;
    }
    return now.empty() ? std::string() : std::string(folder) + now;
}

TRemoveResult TFileRemover::Remove(std::string_view path, std::uint64_t device, std::uint64_t inode) {
    return Remove(TRemoveRequest{path, device, inode});
}

TRemoveResult TFileRemover::Remove(const TRemoveRequest& request) {
    if (request.Folder) return RemoveFolder(request, nullptr);
    return DisposeOf(request, [](int folderFd, const char* asideName, const TRemoveRequest&, TDeletionJournal&) {
        return ::unlinkat(folderFd, asideName, 0) == 0 ? 0 : errno;
    }, true);
}

bool TFileRemover::Locate(const TRemoveRequest& request, TTarget& target, TRemoveResult& result) {
    using namespace anchored;
    // No file has a name with a NUL byte in it; handed on, it would cut the path short.
    const std::string_view path = request.Path;
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        result = FromError(ENOENT);
        return false;
    }
    target.Folder = FolderPartOf(path);
    target.Name.assign(path.substr(target.Folder.size()));
    if (target.Name.empty()) {
        result = Kept(TKeepReason::Changed);  // the path names a folder
        return false;
    }
    if (!AnchorsFit(request, target.Folder.size())) {
        result = Kept(TKeepReason::OtherError, EINVAL);
        return false;
    }
    FolderKey(request, target.Folder.size(), target.Key);
    return true;
}

bool TFileRemover::Prepare(const TRemoveRequest& request, TTarget& target, TRemoveResult& result) {
    target.FolderFd = OpenFolder(request, target);
    if (target.FolderFd == -1) {
        result = FromFolderError(errno);
        return false;
    }
    // What the name holds now: a file that plainly changed, or one in use, is left as it is.
    struct stat st;
    if (::fstatat(target.FolderFd, target.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        result = FromError(errno);
        return false;
    }
    if (!IsFoundFile(st, request.Device, request.Inode)) {
        result = Kept(TKeepReason::Changed);
        return false;
    }
    int error = 0;
    const TKeepReason reason = LockReason(target, request.Device, request.Inode, error);
    if (reason != TKeepReason::None) {
        result = Kept(reason, error);
        return false;
    }
    return true;
}

TRemoveResult TFileRemover::Dispose(std::string_view path, std::uint64_t device, std::uint64_t inode,
                                    const TDisposal& dispose) {
    return Dispose(TRemoveRequest{path, device, inode}, dispose);
}

TRemoveResult TFileRemover::Dispose(const TRemoveRequest& request, const TDisposal& dispose) {
    return DisposeOf(request, dispose, false);
}

TRemoveResult TFileRemover::DisposeOf(const TRemoveRequest& request, const TDisposal& dispose, bool forGood) {
    if (request.Folder) return RemoveFolder(request, &dispose);
    const bool undoable = forGood && UndoRecords_;
    TTarget target;
    TRemoveResult result;
    KeepJournalSmall(nullptr);
    if (!Locate(request, target, result) || !Prepare(request, target, result)) return result;

    TAsideName aside;
    if (const int error = MoveAside(target, request.Device, request.Inode, aside); error != 0) return NotMovedAside(error);
    // From here on the file under the private name can change only by its content, which the
    // checks see, or by someone who read the name from the folder (and could as well have
    // removed the file).
    int error = 0;
    bool gone = false;
    if (const TKeepReason reason = CheckAside(target, aside.Text, request.Device, request.Inode, error, gone,
                                              undoable ? &Gone_ : nullptr);
        gone) {
        return Kept(reason, error);  // moved on from the private name already
    } else if (reason != TKeepReason::None) {
        result = Kept(reason, error);
    } else if (undoable && (error = Journal_.RecordGone(target.FolderFd, target.Name, Gone_)) != 0) {
        result = Kept(TKeepReason::OtherError, error);  // no record, no removal: it could not come back
    } else {
        error = dispose(target.FolderFd, aside.Text, request, Journal_);
        while (IsResourceError(error) && ReleaseFolders(&target))
            error = dispose(target.FolderFd, aside.Text, request, Journal_);
        if (error == 0) return {TRemoveOutcome::Deleted, TKeepReason::None, 0, {}};
        if (undoable) Journal_.RecordNotGone(target.FolderFd, target.Name, request.Inode);
        if (error == ENOENT) return Kept(TKeepReason::Changed, error);
        result = FromError(error);
    }
    result.KeptAs = PutBack(target.FolderFd, aside.Text, target.Name, target.Folder);
    return result;
}

void TFileRemover::RemoveAll(std::size_t count, const TRequestSource& request, const TStopQuery& stop,
                             const TResultSink& done, const TDisposal* dispose) {
    if (dispose) {
        for (std::size_t i = 0; i < count && !stop(); ++i) done(i, Dispose(request(i), *dispose));
        return;
    }
    // The verified file of the last request, still under its private name in its folder. The
    // next file of the same folder is moved aside onto that name, which removes it in the same
    // step; a file of another folder, the end or a stop removes it on its own.
    struct {
        bool Active = false;
        std::size_t Index = 0;
        std::string Folder;
        std::string Key;
        int FolderFd = -1;
        std::string Name;
        std::uint64_t Device = 0, Inode = 0;
        TAsideName Aside;
        TEntryMetadata Metadata;  // what makes it again, where it goes for good undoably
    } pending;
    const bool undoable = UndoRecords_;
    // Records that the pending file is about to go for good: 0, or why not, and then it is put back
    // and told as kept.
    auto recordPendingGone = [&]() -> int {
        const int error = undoable ? Journal_.RecordGone(pending.FolderFd, pending.Name, pending.Metadata) : 0;
        if (error == 0) return 0;
        pending.Active = false;
        TRemoveResult result = Kept(TKeepReason::OtherError, error);
        result.KeptAs = PutBack(pending.FolderFd, pending.Aside.Text, pending.Name, pending.Folder);
        done(pending.Index, std::move(result));
        return error;
    };
    auto finishPending = [&] {
        if (!pending.Active || recordPendingGone() != 0) return;
        pending.Active = false;
        if (::unlinkat(pending.FolderFd, pending.Aside.Text, 0) == 0) {
            done(pending.Index, {TRemoveOutcome::Deleted, TKeepReason::None, 0, {}});
            return;
        }
        const int error = errno;
        if (undoable) Journal_.RecordNotGone(pending.FolderFd, pending.Name, pending.Inode);
        if (error == ENOENT) {
            done(pending.Index, Kept(TKeepReason::Changed, error));  // taken from the private name
            return;
        }
        TRemoveResult result = FromError(error);
        result.KeptAs = PutBack(pending.FolderFd, pending.Aside.Text, pending.Name, pending.Folder);
        done(pending.Index, std::move(result));
    };
    // An error on the way (no memory for a result) still removes the verified file: it is not
    // left behind under its private name.
    const TScopeGuard leaveNothing([&pending, &undoable, this] {
        if (!pending.Active) return;
        if (!undoable || Journal_.RecordGone(pending.FolderFd, pending.Name, pending.Metadata) == 0)
            ::unlinkat(pending.FolderFd, pending.Aside.Text, 0);
        else if (MoveNoReplace(pending.FolderFd, pending.Aside.Text, pending.FolderFd, pending.Name.c_str()) != 0)
            Journal_.KeepForRecovery();
    });
    TEntryMetadata candidate;  // what makes the file just checked again

    TTarget target;
    for (std::size_t i = 0; i < count; ++i) {
        if (stop()) break;
        if (pending.Active) {
            const TPendingFile carried{pending.FolderFd, pending.Aside.Text, pending.Name, pending.Device, pending.Inode};
            KeepJournalSmall(&carried);
        } else {
            KeepJournalSmall(nullptr);
        }
        const TRemoveRequest next = request(i);
        if (next.Folder) {
            // Opening its parent may close the pending file's folder.
            finishPending();
            done(i, RemoveFolder(next, nullptr));
            continue;
        }
        TRemoveResult result;
        if (!Locate(next, target, result)) {
            done(i, std::move(result));
            continue;
        }
        // Another folder may close the pending file's folder when it is opened. Two names of one
        // file are another matter: a rename from one onto the other changes nothing.
        if (pending.Active &&
            (target.Key != pending.Key || (next.Device == pending.Device && next.Inode == pending.Inode)))
            finishPending();
        if (!Prepare(next, target, result)) {
            done(i, std::move(result));
            continue;
        }
        // A new private name only for a file that is not moved onto the pending file's.
        TAsideName aside = pending.Active ? pending.Aside : TAsideName();
        if (pending.Active) {
            // Both names are in the open folder: the rename replaces the pending file, which
            // was verified and is ours alone, and that removes it.
            if (const int error = Record(target, pending.Aside.Text, next.Device, next.Inode); error != 0) {
                done(i, NotMovedAside(error));  // nothing moved: the pending file stays pending
                continue;
            }
            if (const int error = recordPendingGone(); error != 0) {
                done(i, Kept(TKeepReason::OtherError, error));  // nothing moved
                continue;
            }
            if (::renameat(target.FolderFd, target.Name.c_str(), target.FolderFd, pending.Aside.Text) != 0) {
                const int error = errno;
                if (undoable) Journal_.RecordNotGone(pending.FolderFd, pending.Name, pending.Inode);
                done(i, FromError(error));  // nothing moved: the pending file stays pending
                continue;
            }
            pending.Active = false;
            done(pending.Index, {TRemoveOutcome::Deleted, TKeepReason::None, 0, {}});
        } else if (const int error = MoveAside(target, next.Device, next.Inode, aside); error != 0) {
            done(i, NotMovedAside(error));
            continue;
        }
        int error = 0;
        bool gone = false;
        const TKeepReason reason =
            CheckAside(target, aside.Text, next.Device, next.Inode, error, gone, undoable ? &candidate : nullptr);
        if (gone) {
            done(i, Kept(reason, error));  // taken from the private name meanwhile
            continue;
        }
        if (reason != TKeepReason::None) {
            result = Kept(reason, error);
            result.KeptAs = PutBack(target.FolderFd, aside.Text, target.Name, target.Folder);
            done(i, std::move(result));
            continue;
        }
        pending.Active = true;
        pending.Index = i;
        pending.Folder.assign(target.Folder);
        pending.Key = target.Key;
        pending.FolderFd = target.FolderFd;
        pending.Name = target.Name;
        pending.Device = next.Device;
        pending.Inode = next.Inode;
        pending.Aside = aside;
        std::swap(pending.Metadata, candidate);
    }
    finishPending();
}

int TFileRemover::Protected(const TTarget& target, std::uint64_t device, std::uint64_t inode) {
    if (!TrashFolders_) TrashFolders_ = std::make_unique<TTrashFolders>();
    if (TrashFolders_->IsHomeTrash(device, inode) || TTrashFolders::IsTrash(target.FolderFd, target.Name))
        return EPERM;
    // A folder whose place cannot be told may lie in a trash: it stays.
    const std::string real = RealFolderPath(target.FolderFd, target.Folder.empty() ? std::string(".") : std::string(target.Folder));
    return real.empty() || TrashFolders_->Holds(real + target.Name + "/") ? EPERM : 0;
}

namespace {

// An undo record of a folder tree stays well within a journal's bound.
constexpr std::size_t MaxTreeRecord = 4 << 20;

// Records the folder tree read as `tree`, about to go for good from the folder `folderFd` as `name`,
// in `journal`: 0, or why not (E2BIG: too large to record).
int RecordGoneFolder(TDeletionJournal& journal, int folderFd, std::string_view name, const TFolderTree& tree) {
    try {
        std::vector<TGoneFolder> gone;
        std::size_t bytes = 0;
        for (const TFolderTree::TNode& node : tree.Nodes()) {
            const std::string_view own = gone.empty() ? name : std::string_view(node.Name);
            bytes += 128 + own.size() * 3 + node.Metadata.Attributes.size() * 3;
            if (bytes > MaxTreeRecord) return E2BIG;
            gone.push_back({own, node.Parent, node.Metadata});
        }
        return journal.RecordGoneTree(folderFd, gone);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

}  // namespace

TRemoveResult TFileRemover::RemoveFolder(const TRemoveRequest& request, const TDisposal* dispose) {
    TTarget target;
    TRemoveResult result;
    KeepJournalSmall(nullptr);
    // A folder scanned, whoever scanned it under whatever spelling, is known by its identity. (As
    // its own scan's anchor, longer than the folder's parent, Locate refuses it too.)
    if (std::binary_search(Scanned_.begin(), Scanned_.end(), std::pair{request.Device, request.Inode}))
        return Kept(TKeepReason::Scanned);
    if (!Locate(request, target, result)) return result;
    target.FolderFd = OpenFolder(request, target);
    if (target.FolderFd == -1) return FromFolderError(errno);
    struct stat parent, st;
    // The working folder too (AT_FDCWD, a FOLDER "." scanned), which fstat does not take.
    if (::fstatat(target.FolderFd, "", &parent, AT_EMPTY_PATH) != 0) return Kept(TKeepReason::OtherError, errno);
    if (::fstatat(target.FolderFd, target.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FromError(errno);
    // A link, a file, another folder, or a folder of another file system mounted here.
    if (!IsFoundFolder(st, request.Device, request.Inode) || st.st_dev != parent.st_dev) return Kept(TKeepReason::Changed);
    if (const int error = Protected(target, request.Device, request.Inode); error != 0)
        return Kept(TKeepReason::OtherError, error);

    TAsideName aside;
    if (const int error = MoveAside(target, request.Device, request.Inode, aside); error != 0)
        return error == EBUSY && !JournalFailed_ ? Kept(TKeepReason::Changed, error)  // EBUSY: a mount point
                                                 : NotMovedAside(error);
    // Under the private name nobody else knows, the folder is what it holds now: opened there, it
    // must be the folder found, on its parent's mount, and its subtree is looked at from it.
    const TFd folder(OpenFolderToRead(target.FolderFd, aside.Text));
    const TTreeGuard guard{*TrashFolders_, Scanned_};
    int error = 0;
    if (!folder) {
        if (errno == ENOENT) return Kept(TKeepReason::Changed, ENOENT);  // moved on from the private name
        result = FromTreeError(errno == ENOTDIR || errno == ELOOP ? TreeChanged : errno);
    } else if (::fstat(folder.Get(), &st) != 0 || !IsFoundFolder(st, request.Device, request.Inode) ||
               st.st_dev != parent.st_dev || IsMountTop(folder.Get())) {
        result = Kept(TKeepReason::Changed);
    } else {
        // Read whole, and recorded for an undo, before anything of it goes.
        TFolderTree tree(guard, !dispose && UndoRecords_);
        if ((error = tree.Read(folder.Get(), target.Name, st)) != 0) {
            result = FromTreeError(error);
        } else if (!dispose && UndoRecords_ && (error = RecordGoneFolder(Journal_, target.FolderFd, target.Name, tree)) != 0) {
            // No record, no removal: it could not come back.
            result = error == E2BIG ? Kept(TKeepReason::TooManyAttributes) : Kept(TKeepReason::OtherError, error);
        } else {
            if (dispose) {
                // The trash takes the folder whole, empty subfolders and all.
                error = (*dispose)(target.FolderFd, aside.Text, request, Journal_);
                while (IsResourceError(error) && ReleaseFolders(&target))
                    error = (*dispose)(target.FolderFd, aside.Text, request, Journal_);
            } else {
                error = tree.RemoveUnder(folder.Get());
                if (error == 0 && ::unlinkat(target.FolderFd, aside.Text, AT_REMOVEDIR) != 0) error = errno;
            }
            if (error == 0) return {TRemoveOutcome::Deleted, TKeepReason::None, 0, {}};
            if (error == ENOENT) return Kept(TKeepReason::Changed, error);
            result = dispose && error != ENOTEMPTY ? FromError(error) : FromTreeError(error);
        }
    }
    result.KeptAs = PutBack(target.FolderFd, aside.Text, target.Name, target.Folder);
    return result;
}

}  // namespace nulvane
