#include "platform/files/TrashFolders.h"

// Linux: statx tells the mount a folder lies on, /proc the path of an open folder.
#if defined(__linux__)

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/Trash.h"

namespace nulvane {
namespace {

// Where a user's home trash is unless the user set XDG_DATA_HOME: "Trash" in this folder of the
// home folder.
constexpr std::string_view UsualHomeTrashParent = "/.local/share/";

}  // namespace

bool IsTopTrashName(std::string_view name) noexcept {
    constexpr std::string_view shared = ".Trash";
    if (!name.starts_with(shared)) return false;
    if (name.size() == shared.size()) return true;
    if (name.size() < shared.size() + 2 || name[shared.size()] != '-') return false;
    for (const char c : name.substr(shared.size() + 1))
        if (c < '0' || c > '9') return false;
    return true;
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
    if (::fstat(folderFd, &self) != 0) return {};
    const auto leadsThere = [&self](const std::string& candidate) {
        struct stat st;
        return candidate.starts_with('/') && ::stat(candidate.c_str(), &st) == 0 && st.st_dev == self.st_dev &&
               st.st_ino == self.st_ino;
    };
    // The kernel's own path of the folder; a folder removed meanwhile has " (deleted)" after it,
    // and one out of this process's reach a path that leads elsewhere: both fail the check.
    char link[40];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", folderFd);
    std::string real(4096, '\0');
    const ssize_t length = ::readlink(link, real.data(), real.size());
    real.resize(length > 0 && static_cast<std::size_t>(length) < real.size() ? static_cast<std::size_t>(length) : 0);
    if (!leadsThere(real)) {
        real.clear();
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            real = resolved;
            std::free(resolved);
        }
        if (!leadsThere(real)) return {};
    }
    if (real.back() != '/') real += '/';
    return real;
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

bool TTrashFolders::IsTopTrash(int parentFd, std::string_view name) noexcept {
    return IsTopTrashName(name) && IsMountTop(parentFd);
}

bool TTrashFolders::IsUsualHomeTrash(int parentFd, std::string_view name, const std::string& parentPath) {
    return name == "Trash" && RealFolderPath(parentFd, parentPath).ends_with(UsualHomeTrashParent);
}

bool TTrashFolders::Holds(std::string_view realPath) const {
    std::string path(realPath);
    if (path.empty() || path.front() != '/') return false;
    if (path.back() != '/') path += '/';
    if (!HomeReal_.empty() && path.starts_with(HomeReal_)) return true;
    if (path.find(std::string(UsualHomeTrashParent) + "Trash/") != std::string::npos) return true;
    for (std::size_t start = 1; start < path.size();) {
        const std::size_t end = path.find('/', start);
        if (IsTopTrashName(std::string_view(path).substr(start, end - start))) {
            const std::string parent = path.substr(0, start);
            const int fd = ::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            const bool top = fd >= 0 && IsMountTop(fd);
            if (fd >= 0) ::close(fd);
            if (top) return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace nulvane

#endif  // __linux__
