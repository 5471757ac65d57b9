#include "platform/files/trash/TrashFolders.h"

// Linux: statx tells the mount a folder lies on, /proc the path of an open folder.
#if defined(__linux__)

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/DescriptorPath.h"
#include "platform/files/trash/Trash.h"
#include "platform/files/trash/TrashLayout.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {
namespace {

// Going up from a folder stops here: no folder the system can hold lies deeper.
constexpr unsigned MaxLevelsUp = 1u << 16;

bool IsUserNumber(std::string_view name) noexcept {
    if (name.empty()) return false;
    for (const char c : name)
        if (c < '0' || c > '9') return false;
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) noexcept {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the folder `name` in the open folder `parentFd` holds the folders "files" and "info", as
// every trash does from its first use on. The folders are looked at without following a link.
bool HoldsTrashFolders(int parentFd, std::string_view name) noexcept {
    char path[NAME_MAX + 8];
    if (name.size() > NAME_MAX) return false;
    std::memcpy(path, name.data(), name.size());
    for (const char* folder : {TrashFilesFolder, TrashInfoFolder}) {
        path[name.size()] = '/';
        std::strcpy(path + name.size() + 1, folder);
        struct statx sx;
        if (::statx(parentFd, path, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &sx) != 0 ||
            !S_ISDIR(sx.stx_mode))
            return false;
    }
    return true;
}

// Whether the open folder is named ".Trash" in the folder above it.
bool IsNamedSharedTrash(int folderFd) noexcept {
    struct stat self, named;
    return ::fstatat(folderFd, "", &self, AT_EMPTY_PATH) == 0 &&
           ::fstatat(folderFd, "../.Trash", &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(self, named);
}

// Whether the absolute `path` leads to the folder `self`. A folder removed meanwhile has
// " (deleted)" after its kernel path, and one out of this process's reach a path that leads
// elsewhere: both fail.
bool LeadsTo(const std::string& path, const struct stat& self) {
    if (!path.starts_with('/')) return false;
    const TLongPath at(path);
    struct stat st;
    return at.At() != -1 && ::fstatat(at.At(), at.Rest(), &st, 0) == 0 && SameFile(st, self);
}

// The name of the folder `self` in the open folder `parentFd`, found by reading it; empty when it
// is not there or cannot be read.
std::string NameIn(int parentFd, const struct stat& self) {
    const int copy = ::openat(parentFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0) ::close(copy);
        return {};
    }
    const TScopeGuard closeDir([dir] { ::closedir(dir); });
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (entry->d_ino == self.st_ino && std::strcmp(entry->d_name, "..") != 0 &&
            std::strcmp(entry->d_name, ".") != 0 &&
            ::fstatat(parentFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(st, self))
            return entry->d_name;
    }
    return {};
}

// The path of a folder too deep for the kernel to tell: the names up to the nearest ancestor whose
// path it tells, each found by reading the folder above, as getcwd finds them.
std::string PathFoundUpward(int folderFd, const struct stat& self) {
    std::vector<std::string> names;
    TFd current;
    struct stat at = self;
    for (unsigned level = 0; level < MaxLevelsUp; ++level) {
        TFd parent(::openat(current ? current.Get() : folderFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat up;
        if (!parent || ::fstat(parent.Get(), &up) != 0 || SameFile(up, at)) return {};
        names.push_back(NameIn(parent.Get(), at));
        if (names.back().empty()) return {};
        std::string path = DescriptorPath(parent.Get());
        if (path.starts_with('/')) {
            for (auto name = names.rbegin(); name != names.rend(); ++name) {
                if (!path.ends_with('/')) path += '/';
                path += *name;
            }
            return path;
        }
        current.Reset(parent.Release());
        at = up;
    }
    return {};
}

}  // namespace

bool IsTopTrashName(std::string_view name) noexcept {
    constexpr std::string_view shared = SharedTrashName;
    if (!name.starts_with(shared)) return false;
    if (name.size() == shared.size()) return true;
    return name[shared.size()] == '-' && IsUserNumber(name.substr(shared.size() + 1));
}

bool IsMountTop(int folderFd) noexcept {
    constexpr unsigned mask = STATX_INO | STATX_MNT_ID;
    struct statx self, parent;
    if (::statx(folderFd, "", AT_EMPTY_PATH | AT_NO_AUTOMOUNT, mask, &self) != 0 ||
        ::statx(folderFd, "..", AT_NO_AUTOMOUNT, mask, &parent) != 0)
        return false;
    const bool sameDevice = self.stx_dev_major == parent.stx_dev_major && self.stx_dev_minor == parent.stx_dev_minor;
    if (sameDevice && self.stx_ino == parent.stx_ino) return true;  // "/" is its own parent
    // A bind mount of a folder lies on the same device as its parent: only the mount tells.
    if (self.stx_mask & parent.stx_mask & STATX_MNT_ID) return self.stx_mnt_id != parent.stx_mnt_id;
    return !sameDevice;
}

std::string RealFolderPath(int folderFd, const std::string& path) {
    struct stat self;
    // The working folder too (AT_FDCWD), which fstat does not take.
    if (::fstatat(folderFd, "", &self, AT_EMPTY_PATH) != 0) return {};
    std::string real = DescriptorPath(folderFd);
    if (!LeadsTo(real, self)) {
        real.clear();
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            real = resolved;
            std::free(resolved);
        }
    }
    if (!LeadsTo(real, self)) real = PathFoundUpward(folderFd, self);
    if (!LeadsTo(real, self)) return {};
    if (real.back() != '/') real += '/';
    return real;
}

TLongPath::TLongPath(const std::string& path) : At_(AT_FDCWD), Rest_(path.c_str()) {
    // Each stretch stays well within the limit; a name is at most NAME_MAX bytes.
    constexpr std::size_t Stretch = PATH_MAX / 2;
    std::string_view rest(path);
    while (rest.size() >= PATH_MAX) {
        const std::size_t cut = rest.rfind('/', Stretch);
        if (cut == std::string_view::npos || cut == 0) {
            errno = ENAMETOOLONG;
            At_ = -1;
            return;
        }
        const std::string stretch(rest.substr(0, cut));
        const int fd = ::openat(At_, stretch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            At_ = -1;
            return;
        }
        Base_.Reset(fd);
        At_ = fd;
        rest.remove_prefix(cut);
        while (rest.starts_with('/')) rest.remove_prefix(1);
        if (rest.empty()) rest = ".";
    }
    Rest_ = rest.data();
}

TTrashFolders::TTrashFolders() : TTrashFolders(TTrash().HomeTrash()) {}

TTrashFolders::TTrashFolders(const std::string& homeTrash) {
    // The home trash is the user's own: links on its way, set up by the user, are followed.
    struct stat st;
    if (homeTrash.empty() || ::stat(homeTrash.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    HomeDevice_ = static_cast<std::uint64_t>(st.st_dev);
    HomeInode_ = static_cast<std::uint64_t>(st.st_ino);
    HomeKnown_ = true;
    if (char* resolved = ::realpath(homeTrash.c_str(), nullptr)) {
        HomeReal_ = resolved;
        std::free(resolved);
        if (HomeReal_.back() != '/') HomeReal_ += '/';
    }
}

bool TTrashFolders::IsTrash(int parentFd, std::string_view name) noexcept {
    const bool topName = IsTopTrashName(name);
    if (topName || name == HomeTrashName) return HoldsTrashFolders(parentFd, name) || (topName && IsMountTop(parentFd));
    return IsUserNumber(name) && HoldsTrashFolders(parentFd, name) && IsNamedSharedTrash(parentFd);
}

bool TTrashFolders::IsUsualHomeTrash(int parentFd, std::string_view name, const std::string& parentPath) {
    return name == HomeTrashName && RealFolderPath(parentFd, parentPath).ends_with(UsualHomeTrashParent);
}

bool TTrashFolders::Holds(std::string_view realPath) const {
    std::string path(realPath);
    if (path.empty() || path.front() != '/') return false;
    if (path.back() != '/') path += '/';
    if (!HomeReal_.empty() && path.starts_with(HomeReal_)) return true;
    if (path.find(std::string(UsualHomeTrashParent).append(HomeTrashName) + "/") != std::string::npos) return true;
    // Each folder on the path that may be a trash by its name is looked at where it is.
    std::string_view above;
    for (std::size_t start = 1; start < path.size();) {
        const std::size_t end = path.find('/', start);
        const std::string_view name = std::string_view(path).substr(start, end - start);
        if (IsTopTrashName(name) || name == HomeTrashName || (above == SharedTrashName && IsUserNumber(name))) {
            const std::string parent = path.substr(0, start);
            const TLongPath at(parent);
            const TFd fd(at.At() == -1 ? -1 : ::openat(at.At(), at.Rest(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (fd && IsTrash(fd.Get(), name)) return true;
        }
        above = name;
        start = end + 1;
    }
    return false;
}

}  // namespace nulvane

#endif  // __linux__
