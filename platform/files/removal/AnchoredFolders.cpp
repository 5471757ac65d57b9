#include "platform/files/removal/AnchoredFolders.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"

namespace nulvane {

namespace anchored {

bool AnchorsFit(const TRemoveRequest& request, std::size_t folderLength) noexcept {
    std::size_t previous = 0;
    for (const TPathAnchor& anchor : request.Anchors) {
        if (anchor.Path.size() <= previous || anchor.Path.size() > folderLength || !anchor.Path.ends_with('/') ||
            !request.Path.starts_with(anchor.Path))
            return false;
        previous = anchor.Path.size();
    }
    return true;
}

void FolderKey(const TRemoveRequest& request, std::size_t length, std::string& key) {
    key.assign(request.Path.substr(0, length));
    if (request.Anchors.empty() || length < request.Anchors.front().Path.size()) return;
    key += '\0';  // no path holds one
    for (const TPathAnchor& anchor : request.Anchors) {
        if (anchor.Path.size() > length) break;
        const std::uint64_t fields[] = {anchor.Path.size(), anchor.Device, anchor.Inode};
        key.append(reinterpret_cast<const char*>(fields), sizeof fields);
    }
}

}  // namespace anchored

namespace {

using namespace anchored;

// Whether the folder whose path ends at `length` (just past its "/") may be reached through a
// symbolic link: anywhere in the scanned folder's path as given, or as a followed link itself.
bool MayFollow(const TRemoveRequest& request, std::size_t length) noexcept {
    if (request.Anchors.empty() || length <= request.Anchors.front().Path.size()) return true;
    for (const TPathAnchor& anchor : request.Anchors.subspan(1))
        if (anchor.Path.size() == length) return true;
    return false;
}

// Whether the open folder `fd`, whose path ends at `length`, is the folder an anchor ending there
// led to at the scan (true where no anchor ends there, or its identity is not known).
bool AnchorHolds(const TRemoveRequest& request, std::size_t length, int fd) noexcept {
    for (const TPathAnchor& anchor : request.Anchors) {
        if (anchor.Path.size() != length) continue;
        if (anchor.Device == 0 && anchor.Inode == 0) return true;
        struct stat st;
        return ::fstatat(fd, "", &st, AT_EMPTY_PATH) == 0 && static_cast<std::uint64_t>(st.st_dev) == anchor.Device &&
               static_cast<std::uint64_t>(st.st_ino) == anchor.Inode;
    }
    return true;
}

}  // namespace

void TFileRemover::CloseFolder(int fd) noexcept {
    Journal_.FolderClosed(fd);
    ::close(fd);
}

bool TFileRemover::ReleaseFolders(const TTarget* keep) noexcept {
    const int kept = keep ? keep->FolderFd : -1;
    bool closed = false, keptCached = false;
    std::string keptKey;
    MaxOpenFolders_ = Folders_.size() / 2;
    for (auto it = Folders_.begin(); it != Folders_.end();) {
        if (it->second == kept) {
            keptKey = std::move(Folders_.extract(it++).key());
            keptCached = true;
        } else {
            CloseFolder(it->second);
            closed = true;
            ++it;
        }
    }
    Folders_.clear();
    if (Uncached_ >= 0 && Uncached_ != kept) {
        CloseFolder(Uncached_);
        closed = true;
        Uncached_ = -1;
        UncachedKey_.clear();
    }
    if (keptCached) {
        // The folder in use stays open, as the one kept beyond the cache.
        Uncached_ = kept;
        UncachedKey_ = std::move(keptKey);
        UncachedLength_ = keep->Folder.size();
    }
    return closed;
}

int TFileRemover::OpenComponent(int parent, const char* name, bool follow) noexcept {
    // O_PATH needs only search permission on the parent, which is all a removal needs, so a
    // folder we may not list still lets us remove what is in it. Without following, a link fails
    // with ENOTDIR.
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    int fd;
    do fd = ::openat(parent, name, flags);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int TFileRemover::OpenFolder(const TRemoveRequest& request, const TTarget& target) {
    // Each release halves the folders kept, so this ends: at the latest when none is left to
    // release, the shortage is not ours and the error stands.
    for (;;) {
        const int fd = OpenFolderOnce(request, target);
        if (fd != -1 || !IsResourceError(errno)) return fd;
        const int error = errno;
        if (!ReleaseFolders()) {
            errno = error;
            return -1;
        }
    }
}

int TFileRemover::OpenFolderOnce(const TRemoveRequest& request, const TTarget& target) {
    const std::string_view folder = target.Folder;
    if (folder.empty()) return AT_FDCWD;
    if (const auto it = Folders_.find(target.Key); it != Folders_.end()) return it->second;
    if (Uncached_ >= 0 && target.Key == UncachedKey_) return Uncached_;

    // Start from the deepest folder on the path that is open already, opened the same way: the one
    // opened last when the path goes on from it (folder by folder, a walk goes deeper one folder at
    // a time), else the deepest one kept.
    std::size_t pos = 0;
    int fd = folder.starts_with('/') ? -1 : AT_FDCWD;
    if (Uncached_ >= 0 && UncachedLength_ < folder.size()) {
        FolderKey(request, UncachedLength_, Probe_);
        if (Probe_ == UncachedKey_) {
            fd = Uncached_;
            pos = UncachedLength_;
        }
    }
    for (std::size_t end = folder.size() - 1; end > pos;) {
        const std::size_t slash = folder.rfind('/', end - 1);
        if (slash == std::string_view::npos || slash + 1 <= pos) break;
        FolderKey(request, slash + 1, Probe_);
        if (const auto it = Folders_.find(Probe_); it != Folders_.end()) {
            fd = it->second;
            pos = slash + 1;
            break;
        }
        end = slash;
    }
    // Folders are kept while there is room; once the cache is full, the folder last opened beyond
    // it stays open until another is needed, so a run of files in one folder still opens it once.
    auto keep = [&](std::size_t length, int opened) {
        if (Folders_.size() >= MaxOpenFolders_) return false;
        FolderKey(request, length, Probe_);
        return Folders_.emplace(Probe_, opened).second;
    };
    bool ownsFd = false;  // whether `fd` is kept nowhere and must be closed when done with
    // An anchor that leads to another folder than at the scan: as far as this path goes, the
    // folder scanned is gone.
    auto leadsElsewhere = [&](std::size_t length) {
        if (AnchorHolds(request, length, fd)) return false;
        if (ownsFd) CloseFolder(fd);
        errno = ENOENT;
        return true;
    };
    if (fd == -1) {
        fd = OpenComponent(AT_FDCWD, "/", true);
        if (fd < 0) return -1;
        pos = 1;
        ownsFd = true;
        if (leadsElsewhere(pos)) return -1;
        ownsFd = !keep(pos, fd);
    }
    std::string component;
    while (pos < folder.size()) {
        const std::size_t end = folder.find('/', pos);
        component.assign(folder.substr(pos, end - pos));
        pos = end + 1;
        if (component.empty() || component == ".") {
            if (leadsElsewhere(pos)) return -1;
            continue;
        }
        const int next = OpenComponent(fd, component.c_str(), MayFollow(request, pos));
        const int error = errno;
        if (ownsFd) CloseFolder(fd);
        if (next < 0) {
            errno = error;
            return -1;
        }
        fd = next;
        ownsFd = true;
        if (leadsElsewhere(pos)) return -1;
        ownsFd = !keep(pos, fd);
    }
    if (ownsFd) {
        if (Uncached_ >= 0) CloseFolder(Uncached_);
        Uncached_ = fd;
        UncachedKey_ = target.Key;
        UncachedLength_ = folder.size();
    }
    return fd;
}

}  // namespace nulvane
