#include "platform/files/walk/FolderLister.h"

#if defined(__linux__)

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"
#include "platform/files/PrivateName.h"
#include "platform/system/LongWork.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane::walk {
namespace {

// One stat gives everything a listed file needs, so a regular file costs exactly one call.
constexpr unsigned FileStatMask =
    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

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

// Names a version-control store holds; which others it must hold as well is looked at once its
// folder is listed (IsRepository).
constexpr unsigned GitHead = 1, HgChangelog = 2, SvnWorkingCopy = 4, SvnRepository = 8, BzrFormat = 16;

unsigned MarkerOf(const char* name) noexcept {
    switch (name[0]) {
    case 'H': return std::strcmp(name, "HEAD") == 0 ? GitHead : 0u;
    case '0': return std::strcmp(name, "00changelog.i") == 0 ? HgChangelog : 0u;
    case 'w': return std::strcmp(name, "wc.db") == 0 ? SvnWorkingCopy : 0u;
    case 'f': return std::strcmp(name, "format") == 0 ? SvnRepository : 0u;
    case 'b': return std::strcmp(name, "branch-format") == 0 ? BzrFormat : 0u;
    default: return 0;
    }
}

bool Holds(int fd, const char* name, bool folder) noexcept {
    struct stat st;
    return ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

}  // namespace

bool TFolderLister::IsRepository(int fd, unsigned markers) noexcept {
    return ((markers & GitHead) &&
            ((Holds(fd, "objects", true) && Holds(fd, "refs", true)) || Holds(fd, "commondir", false))) ||
           ((markers & HgChangelog) && Holds(fd, "requires", false)) ||
           ((markers & SvnWorkingCopy) && Holds(fd, "pristine", true)) ||
           ((markers & SvnRepository) && Holds(fd, "db", true) && Holds(fd, "hooks", true)) ||
           ((markers & BzrFormat) && (Holds(fd, "branch", true) || Holds(fd, "repository", true)));
}

bool TFolderLister::LiesInRepository(int fd) noexcept {
    TFd at(::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat below;
    if (::fstat(fd, &below) != 0) return false;
    for (unsigned level = 0; at && level < 4096; ++level) {
        struct stat st;
        if (::fstat(at.Get(), &st) != 0 || (st.st_dev == below.st_dev && st.st_ino == below.st_ino)) return false;
        unsigned markers = 0;
        for (const char* name : {"HEAD", "00changelog.i", "wc.db", "format", "branch-format"})
            if (Holds(at.Get(), name, false)) markers |= MarkerOf(name);
        if (markers && IsRepository(at.Get(), markers)) return true;
        below = st;
        at.Reset(::openat(at.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return false;
}

// Claims the folder for `node` unless another node has; the node then lists nothing.
bool TFolderLister::Claim(TNode& node) {
    std::lock_guard lock(ClaimMutex_);
    const auto [claim, added] = Claimed_.Claim(node.Identity, &node);
    node.Claim = claim;
    return added;
}

void TFolderLister::ListFolder(TNode& node, TThreadState& state, TScratch& scratch) {
    int error = 0;
    TFd fd(Opener_.Open(node, error));
    if (node.Parent) Cache_.ChildOpened(*node.Parent);
    if (!fd) {
        // A folder replaced or gone since it was listed could not be read either.
        if (error != TFolderOpener::Skipped) node.Unreadable = error == TFolderOpener::Changed ? ENOENT : error;
        return;
    }
    // Counted as busy from a successful open on, until the folder's descriptor is closed or
    // kept for its subfolders.
    const TScopeGuard busy([this] { Opener_.ListingDone(); });
    struct stat self;
    if (::fstat(fd.Get(), &self) != 0) {
        node.Unreadable = errno;
        return;
    }
    node.Identity = {self.st_dev, self.st_ino};
    if (!node.Parent) Tree_.Root.Identity = node.Identity;  // written before any subfolder is queued
    else if (Options_.OneFileSystem && self.st_dev != Tree_.Root.Identity.Device) return;
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
    scratch.Markers = 0;
    scratch.FileDepth = 1;
    if (Options_.MaxDepth != 0 || Options_.MinDepth != 0)
        for (const TNode* up = node.Parent; up; up = up->Parent) ++scratch.FileDepth;
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
        if (Queue_.StopAsked()) {  // between two batches of a large folder; the walk is incomplete
            node.HoldsMore = true;
            break;
        }
    }
    if (Work_) Work_->Folders.fetch_add(1, std::memory_order_relaxed);
    // Known before the folder counts as listed and before its subfolders are listed.
    if (Options_.FindRepositories)
        node.InRepository = (node.Parent ? node.Parent->InRepository : LiesInRepository(fd.Get())) ||
                            (scratch.Markers != 0 && IsRepository(fd.Get(), scratch.Markers));
    if (!scratch.Children.empty()) {
        Cache_.KeepOpen(node, fd, scratch.Children.size());
        Queue_.Push(scratch.Children);
    }
}

// Whether the walk passes the open folder of `node` by: the home trash, or (for the walked folder
// and a folder a link leads to, whose real path it keeps for their anchors) a folder that is a
// trash or lies in one.
bool TFolderLister::InTrash(TNode& node, int fd) {
    if (Trash_.IsHomeTrash(node.Identity.Device, node.Identity.Inode)) return true;
    if (node.Parent && !node.ThroughLink) return false;
    std::string path;
    node.Parent ? Tree_.ComposePath(node, path) : void(path = Tree_.RootPath);
    std::string real = RealFolderPath(fd, path);
    if (Trash_.Holds(real)) return true;
    RealPaths_.Keep(node, std::move(real));
    return false;
}

void TFolderLister::ListEntry(TNode& node, int folderFd, const char* name, unsigned char type, TThreadState& state,
                              TScratch& scratch) {
    // A private name holds what a deletion moved aside: a live run's, or one a recovery still has
    // to give its name back. Never listed nor entered; its folder holds something.
    if (name[0] == '.' && name[1] == 'n' && IsPrivateName(name)) {
        node.HoldsMore = true;
        return;
    }
    if (Options_.FindRepositories) scratch.Markers |= MarkerOf(name);
    switch (type) {
        case DT_DIR:
            FoundFolder(node, folderFd, name, scratch);
            return;
        case DT_LNK:
            node.HoldsMore = true;
            FoundLink(node, folderFd, name, scratch);
            return;
        case DT_REG:  // an excluded file costs no stat
            if (Excluded(node, name, false, scratch)) {
                node.HoldsMore = true;
                return;
            }
            break;
        case DT_UNKNOWN:  // file systems that do not fill in the type
            break;
        default:  // FIFOs, sockets, devices
            node.HoldsMore = true;
            return;
    }
    struct statx sx;
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, FileStatMask, &sx) != 0) {
        // Gone since it was listed; any other failure leaves the folder not wholly read.
        if (errno != ENOENT && !node.Unreadable) node.Unreadable = errno;
        return;
    }
    if ((sx.stx_mode & S_IFMT) != S_IFDIR && (sx.stx_mode & S_IFMT) != S_IFREG) node.HoldsMore = true;
    switch (sx.stx_mode & S_IFMT) {
        case S_IFREG:
            // A file taken leaves its folder empty for a visitor that lists the folder with it.
            if ((type != DT_REG && Excluded(node, name, false, scratch)) ||
                !OfferFile(node, name, FromStatx(sx), state, scratch) || !Visitor_.TakenFilesLeaveFoldersEmpty())
                node.HoldsMore = true;
            return;
        case S_IFDIR:
            FoundFolder(node, folderFd, name, scratch);
            return;
        case S_IFLNK:
            FoundLink(node, folderFd, name, scratch);
            return;
        default:
            return;
    }
}

// A subfolder `name` of the node's open folder: entered unless excluded or a trash (by what it is,
// at the top of a mount, or a user's home trash at its usual place).
void TFolderLister::FoundFolder(TNode& node, int folderFd, const char* name, TScratch& scratch) {
    if (!Excluded(node, name, true, scratch) && !TTrashFolders::IsTrash(folderFd, name) &&
        !IsUsualHomeTrash(node, folderFd, name))
        AddSubfolder(node, name, false, scratch);
    else
        node.HoldsMore = true;  // what a folder passed by holds is not known
}

bool TFolderLister::IsUsualHomeTrash(const TNode& node, int folderFd, std::string_view name) const {
    if (name != "Trash") return false;  // the folder's path is composed only for this name
    std::string path;
    node.Parent ? Tree_.ComposePath(node, path) : void(path = Tree_.RootPath);
    return TTrashFolders::IsUsualHomeTrash(folderFd, name, path);
}

// A symbolic link `name` in the node's open folder: followed when links are and it leads to a
// folder the walk follows it into.
void TFolderLister::FoundLink(TNode& node, int folderFd, const char* name, TScratch& scratch) {
    if (Options_.FollowFolderLinks && !Excluded(node, name, true, scratch) && IsFolderLinkToFollow(folderFd, name))
        AddSubfolder(node, name, true, scratch);
}

// Whether the options leave the name in the node's folder out of the walk.
bool TFolderLister::Excluded(const TNode& node, std::string_view name, bool folder, TScratch& scratch) const {
    if (!Options_.Exclude) return false;
    if (scratch.PathNode != &node) {  // kept for the files offered next
        Tree_.ComposePath(node, scratch.Path);
        scratch.PathNode = &node;
        scratch.PathLength = scratch.Path.size();
    }
    scratch.Path.resize(scratch.PathLength);
    scratch.Path.append(name);
    return Options_.Exclude(std::string_view(scratch.Path).substr(Tree_.RootPath.size()), folder);
}

// Whether the symbolic link `name` in the open folder leads to a folder the walk follows it
// into: one outside the walked folder, and no automount point.
bool TFolderLister::IsFolderLinkToFollow(int folderFd, const char* name) {
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
bool TFolderLister::LeadsInside(int folderFd, const char* name, TIdentity target) const {
    const TIdentity root = Tree_.Root.Identity;
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

void TFolderLister::AddSubfolder(TNode& node, std::string_view name, bool throughLink, TScratch& scratch) {
    // Its files would be too deep; a visitor of folders has the folder itself looked into as long
    // as it is not too deep itself.
    if (Options_.MaxDepth != 0 &&
        (Visitor_.WantsFolders() ? scratch.FileDepth > Options_.MaxDepth : scratch.FileDepth >= Options_.MaxDepth)) {
        node.HoldsMore = true;
        return;
    }
    TNode* child = Tree_.Pool.Allocate(name);
    child->Parent = &node;
    child->ThroughLink = throughLink;
    child->Position = node.Count;
    (node.LastChild ? node.LastChild->NextSibling : node.FirstChild) = child;
    node.LastChild = child;
    scratch.Children.push_back(child);
}

bool TFolderLister::OfferFile(TNode& node, std::string_view name, const TFileStat& stat, TThreadState& state,
                              TScratch& scratch) {
    if (scratch.FileDepth < Options_.MinDepth || (Options_.MaxDepth != 0 && scratch.FileDepth > Options_.MaxDepth) ||
        !Visitor_.Wants(stat))
        return false;
    if ((Options_.WrittenSince && stat.Write < *Options_.WrittenSince) ||
        (Options_.WrittenBefore && !(stat.Write < *Options_.WrittenBefore)))
        return false;
    if (scratch.PathNode != &node) {
        Tree_.ComposePath(node, scratch.Path);
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
    return true;
}

}  // namespace nulvane::walk

#endif  // __linux__
