#include "platform/files/walk/FolderOpener.h"

#if defined(__linux__)

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"

namespace nulvane::walk {
namespace {

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

}  // namespace

// Looks at a subfolder before opening it, for what opening must not do: trigger an automount,
// enter a pseudo file system or, when asked to stay on one, another file system. A folder on
// the same device as its parent is none of these, so only mount points cost a second look.
// False with `error` set to Skipped for such a folder, or to the error number when the folder
// cannot be looked at.
bool TFolderOpener::MayEnter(int parentFd, const TNode& node, int& error) {
    struct statx sx;
    const int follow = node.ThroughLink ? 0 : AT_SYMLINK_NOFOLLOW;
    const char* const name = node.Name();
    if (::statx(parentFd, name, follow | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &sx) != 0) {
        error = errno;
        return false;
    }
    const std::uint64_t device = IdentityOf(sx).Device;
    if (IsAutomountPoint(sx) || (Options_.OneFileSystem && device != Tree_.Root.Identity.Device)) {
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
int TFolderOpener::OpenOnce(TNode& node, int& error) {
    if (!node.Parent) {
        const int fd = ::open(Tree_.RootPath.c_str(), node.OpenFlags());
        if (fd < 0) error = errno;
        return fd;
    }
    error = Changed;
    std::vector<TNode*> missing;  // ancestors without a descriptor, the nearest first
    TNode* base = nullptr;
    int baseFd = -1;
    for (TNode* up = node.Parent; up; up = up->Parent) {
        if ((baseFd = Cache_.Acquire(*up)) >= 0) {
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
                                   : ::open(Tree_.RootPath.c_str(), step.OpenFlags());
        struct stat self;
        if (fd < 0) {
            error = errno;
            ok = false;
        } else if (::fstat(fd, &self) != 0 || TIdentity{self.st_dev, self.st_ino} != step.Identity) {
            ::close(fd);
            ok = false;  // no longer the folder that was listed there
        } else {
            if (used) Cache_.Release(*used);
            used = nullptr;
            own.Reset(fd);
            current = fd;
            if (&step == node.Parent && Cache_.Adopt(step, fd)) {
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
    if (used) Cache_.Release(*used);
    return fd;
}

int TFolderOpener::Open(TNode& node, int& error) {
    for (int attempt = 1;; ++attempt) {
        Busy_.fetch_add(1);
        const int fd = OpenOnce(node, error);
        if (fd >= 0) return fd;  // busy until its listing ends
        Busy_.fetch_sub(1);
        if (!IsResourceError(error)) return fd;
        if (Queue_.StopAsked()) {
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
        Cache_.CloseIdle();
        if (attempt > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace nulvane::walk

#endif  // __linux__
