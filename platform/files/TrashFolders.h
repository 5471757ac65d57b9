#pragma once
// The trash folders a walk passes by, and where an open folder really is.
//
// What lies in a trash is another deletion's original, and the info file beside it says where it
// goes back to: deleting it, or moving it into the trash a second time, leaves that info file
// pointing at nothing, and the original can no longer be restored. So a walk neither lists nor
// enters
//  - the home trash, where TTrash puts it ($XDG_DATA_HOME/Trash, ~/.local/share/Trash when that is
//    unset), known by its device and inode, and by its real path for a folder that a link leads
//    to or that a walk starts in;
//  - every other user's home trash where it is kept unless its user moved it, "Trash" in
//    ".local/share" (as a walk run by root over /home meets them), known by its real path;
//  - at the top of every mount, ".Trash" (the shared folder that holds one trash per user, every
//    user's, not only ours) and ".Trash-N" for any user number N: a walk run by root over a
//    removable disk must spare each user's trash on it.
// Whether a folder is a mount's top is asked of the kernel (the mount it lies on differs from its
// parent's) rather than read from the mount table, so that a walk that meets no folder of these
// names reads nothing more.
#include <cstdint>
#include <string>
#include <string_view>

namespace nulvane {

// Whether a folder of this name at the top of a mount is a trash: ".Trash", or ".Trash-" followed
// by a user number.
bool IsTopTrashName(std::string_view name) noexcept;

// Whether the open folder is the top of a mount ("/" included).
bool IsMountTop(int folderFd) noexcept;

// Where the open folder `folderFd` really is: its absolute path with links and ".." resolved,
// ending in "/". It is the kernel's own answer where /proc tells it, else the resolved `path` (by
// which the folder was opened) when that still leads to the same folder; empty when neither does.
std::string RealFolderPath(int folderFd, const std::string& path);

class TTrashFolders {
public:
    // The trash folders of the user this process runs as.
    TTrashFolders();
    // With the home trash at `homeTrash` (which need not exist).
    explicit TTrashFolders(const std::string& homeTrash);

    // Whether the folder of this device and inode is the home trash.
    bool IsHomeTrash(std::uint64_t device, std::uint64_t inode) const noexcept {
        return HomeKnown_ && device == HomeDevice_ && inode == HomeInode_;
    }
    // Whether the folder `name` in the open folder `parentFd` is a trash at the top of a mount.
    static bool IsTopTrash(int parentFd, std::string_view name) noexcept;
    // Whether the folder `name` in the open folder `parentFd`, opened by `parentPath`, is a home
    // trash at its usual place, "Trash" in a real ".../.local/share/".
    static bool IsUsualHomeTrash(int parentFd, std::string_view name, const std::string& parentPath);
    // Whether the folder at the real path `realPath` (as RealFolderPath gives it) is a trash folder
    // or lies in one.
    bool Holds(std::string_view realPath) const;

private:
    std::string HomeReal_;  // ends in "/"; empty when the home trash does not exist
    std::uint64_t HomeDevice_ = 0;
    std::uint64_t HomeInode_ = 0;
    bool HomeKnown_ = false;
};

}  // namespace nulvane
