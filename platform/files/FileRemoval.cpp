#include "platform/files/FileRemoval.h"

// The POSIX removal: openat step by step, fstatat and unlinkat on the open folder.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nulvane {
namespace {

TRemoveResult Kept(TKeepReason reason, int error = 0) noexcept { return {TRemoveOutcome::Kept, reason, error}; }

// What a failed open, stat or unlink means for the file.
TRemoveResult FromError(int error) noexcept {
    switch (error) {
    case ENOENT:
    case ENOTDIR:  // a folder on the path became a file: the file is not there any more
        return {TRemoveOutcome::Missing, TKeepReason::None, error};
    case EACCES:
    case EPERM:
    case EROFS:
        return Kept(TKeepReason::PermissionDenied, error);
    case EBUSY:
    case ETXTBSY:
        return Kept(TKeepReason::InUse, error);
    default:
        return Kept(TKeepReason::OtherError, error);
    }
}

// Opens `name` in `parent` as a folder. O_PATH needs only search permission on the parent, which
// is all a removal needs, so a folder we may not list still lets us remove what is in it.
int OpenFolderAt(int parent, const char* name) noexcept {
    int fd;
    do fd = ::openat(parent, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

std::string TRemoveResult::ReasonText() const {
    switch (Reason) {
    case TKeepReason::None: return {};
    case TKeepReason::Changed: return "changed since the scan";
    case TKeepReason::PermissionDenied: return "permission denied";
    case TKeepReason::InUse: return "in use";
    case TKeepReason::OtherError: break;
    }
    return Error != 0 ? std::system_category().message(Error) : std::string("could not be removed");
}

void RaiseOpenFileLimit() noexcept {
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? 65536 : std::min<rlim_t>(limit.rlim_max, 65536);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return;
    limit.rlim_cur = wanted;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

TFileRemover::TFileRemover() {
    // Folders stay open for the remover's lifetime: a quarter of the process's descriptors at
    // most, so that the rest of the program never runs short.
    struct rlimit limit{};
    const rlim_t soft = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    MaxOpenFolders_ = soft == RLIM_INFINITY ? 4096 : std::clamp<std::size_t>(soft / 4, 8, 4096);
}

TFileRemover::~TFileRemover() {
    for (const auto& [path, fd] : Folders_) ::close(fd);
    if (Uncached_ >= 0) ::close(Uncached_);
}

int TFileRemover::OpenFolder(std::string_view folder) {
    if (folder.empty()) return AT_FDCWD;
    if (const auto it = Folders_.find(folder); it != Folders_.end()) return it->second;
    if (Uncached_ >= 0 && folder == UncachedPath_) return Uncached_;

    // Start from the deepest folder on the path that is open already.
    std::size_t pos = 0;
    int fd = folder.starts_with('/') ? -1 : AT_FDCWD;
    for (std::size_t end = folder.size() - 1; end > 0;) {
        const std::size_t slash = folder.rfind('/', end - 1);
        if (slash == std::string_view::npos) break;
        if (const auto it = Folders_.find(folder.substr(0, slash + 1)); it != Folders_.end()) {
            fd = it->second;
            pos = slash + 1;
            break;
        }
        end = slash;
    }
    // Folders are kept while there is room; once the cache is full, the folder last opened beyond
    // it stays open until another is needed, so a run of files in one folder still opens it once.
    auto keep = [this](std::string_view path, int opened) {
        if (Folders_.size() >= MaxOpenFolders_) return false;
        return Folders_.emplace(std::string(path), opened).second;
    };
    bool ownsFd = false;  // whether `fd` is kept nowhere and must be closed when done with
    if (fd == -1) {
        fd = OpenFolderAt(AT_FDCWD, "/");
        if (fd < 0) return -1;
        ownsFd = !keep("/", fd);
        pos = 1;
    }
    std::string component;
    while (pos < folder.size()) {
        const std::size_t end = folder.find('/', pos);
        component.assign(folder.substr(pos, end - pos));
        pos = end + 1;
        if (component.empty() || component == ".") continue;
        const int next = OpenFolderAt(fd, component.c_str());
        const int error = errno;
        if (ownsFd) ::close(fd);
        if (next < 0) {
            errno = error;
            return -1;
        }
        fd = next;
        ownsFd = !keep(folder.substr(0, pos), fd);
    }
    if (ownsFd) {
        if (Uncached_ >= 0) ::close(Uncached_);
        Uncached_ = fd;
        UncachedPath_.assign(folder);
    }
    return fd;
}

TRemoveResult TFileRemover::Remove(std::string_view path, std::uint64_t device, std::uint64_t inode) {
    // No file has a name with a NUL byte in it; handed on, it would cut the path short.
    if (path.empty() || path.find('\0') != std::string_view::npos) return FromError(ENOENT);

    const std::size_t slash = path.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (name.empty()) return Kept(TKeepReason::Changed);  // the path names a folder

    const int folderFd = OpenFolder(folder);
    if (folderFd == -1) return FromError(errno);

    struct stat st;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FromError(errno);
    if (!S_ISREG(st.st_mode) || st.st_size != 0 || static_cast<std::uint64_t>(st.st_dev) != device ||
        static_cast<std::uint64_t>(st.st_ino) != inode)
        return Kept(TKeepReason::Changed);
    if (::unlinkat(folderFd, name.c_str(), 0) != 0) return FromError(errno);
    return {TRemoveOutcome::Deleted, TKeepReason::None, 0};
}

}  // namespace nulvane
