#include "platform/files/journal/PrivateFolder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"

namespace nulvane {
namespace {

// Whether the group `gid` is the user's own, as Debian and others make one per user: the user's
// primary group, of the user's name, that nobody else is listed in. A folder only that group may
// write (a umask of 002 makes them) is the user's alone.
bool IsUsersOwnGroup(uid_t user, gid_t gid) {
    std::vector<char> buffer(16384);
    struct passwd pw, *pwFound = nullptr;
    struct group gr, *grFound = nullptr;
    if (::getpwuid_r(user, &pw, buffer.data(), buffer.size() / 2, &pwFound) != 0 || !pwFound || pw.pw_gid != gid)
        return false;
    if (::getgrgid_r(gid, &gr, buffer.data() + buffer.size() / 2, buffer.size() / 2, &grFound) != 0 || !grFound)
        return false;
    if (std::strcmp(gr.gr_name, pw.pw_name) != 0) return false;
    for (char** member = gr.gr_mem; member && *member; ++member)
        if (std::strcmp(*member, pw.pw_name) != 0) return false;
    return true;
}

// Whether others than the owner may write the folder (`st`): others, or a group not the user's own.
bool OthersMayWrite(const struct stat& st, uid_t user) {
    if (st.st_mode & S_IWOTH) return true;
    return (st.st_mode & S_IWGRP) && !IsUsersOwnGroup(user, st.st_gid);
}

// The folder's path for a message: where it really is, else as it was given.
std::string Named(int fd, const std::string& given) {
    std::string path = DescriptorPath(fd);
    return path.empty() ? given : path;
}

}  // namespace

namespace {

// The name the folder `child` (open) has in the open folder `parent`: the entry with its inode that
// leads to it; "" when none does.
std::string NameIn(int parent, int child) {
    struct stat st;
    if (::fstat(child, &st) != 0) return {};
    const int copy = ::openat(parent, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0) ::close(copy);
        return {};
    }
    std::string name;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat found;
        // A mount point's entry names the folder below it: the look at the name decides.
        if (::fstatat(parent, entry->d_name, &found, AT_SYMLINK_NOFOLLOW) == 0 && found.st_dev == st.st_dev &&
            found.st_ino == st.st_ino && std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            name = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return name;
}

}  // namespace

std::string FolderPath(int fd) {
    std::string path = DescriptorPath(fd);
    if (!path.empty() || errno != ENAMETOOLONG) return path;
    std::vector<std::string> names;  // from the folder upwards
    TFd at(::openat(fd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (unsigned level = 0; at && level < 65536; ++level) {
        TFd parent(::openat(at.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parent) return {};
        std::string name = NameIn(parent.Get(), at.Get());
        if (name.empty()) return {};
        names.push_back(std::move(name));
        path = DescriptorPath(parent.Get());
        if (!path.empty()) {
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                if (!path.ends_with('/')) path += '/';
                path += *it;
            }
            return path;
        }
        if (errno != ENAMETOOLONG) return {};
        at.Reset(parent.Release());
    }
    return {};
}

int OpenPrivateFolder(const std::string& path, int& error, std::string& problem) noexcept {
    problem.clear();
    try {
        TFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
        if (!folder) {
            error = errno;
            problem = path + ": " + std::system_category().message(error);
            return -1;
        }
        const uid_t user = ::geteuid();
        struct stat st;
        if (::fstat(folder.Get(), &st) != 0) {
            error = errno;
            problem = path + ": " + std::system_category().message(error);
            return -1;
        }
        error = EPERM;
        if (st.st_uid != user) {
            problem = Named(folder.Get(), path) + " is owned by uid " + std::to_string(st.st_uid);
            return -1;
        }
        if (OthersMayWrite(st, user)) {
            problem = Named(folder.Get(), path) + " may be written by others";
            return -1;
        }
        // Upwards to the root, which is its own parent.
        TFd at(::openat(folder.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        dev_t device = st.st_dev;
        ino_t inode = st.st_ino;
        for (unsigned depth = 0; at; ++depth) {
            struct stat above;
            if (::fstat(at.Get(), &above) != 0 || depth > 4096) break;
            if (above.st_uid != 0 && above.st_uid != user) {
                problem = Named(at.Get(), path) + " is owned by uid " + std::to_string(above.st_uid);
                return -1;
            }
            if ((above.st_mode & S_ISVTX) == 0 && OthersMayWrite(above, user)) {
                problem = Named(at.Get(), path) + " may be written by others";
                return -1;
            }
            if (above.st_dev == device && above.st_ino == inode) return folder.Release();
            device = above.st_dev;
            inode = above.st_ino;
            at.Reset(::openat(at.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        error = errno != 0 ? errno : EPERM;
        problem = path + ": the folders above it cannot be checked";
        return -1;
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
        return -1;
    }
}

}  // namespace nulvane
