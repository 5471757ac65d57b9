#pragma once
// The trash folders a walk passes by, where an open folder really is, and paths of any length.
//
// What lies in a trash is another deletion's original, and the info file beside it says where it
// goes back to: deleting it, or moving it into the trash a second time, leaves that info file
// pointing at nothing, and the original can no longer be restored. So a walk neither lists nor
// enters a trash, known by what it is wherever it lies:
//  - a folder named "Trash", ".Trash" or ".Trash-N" (N a user number) that holds the folders
//    "files" and "info", and a folder named by a user number that holds them inside a ".Trash"
//    (a shared trash's part for one user). This finds a trash however it is reached: another
//    user's home trash, one under an earlier XDG_DATA_HOME or under a ~/.local that is a link, and
//    a trash at the top of a mount reached through another path (the source of a bind mount);
//  - the home trash, where TTrash puts it ($XDG_DATA_HOME/Trash, ~/.local/share/Trash when that is
//    unset), known by its device and inode, and by its real path for a folder that a link leads
//    to or that a walk starts in, however little it holds;
//  - every other user's home trash where it is kept unless its user moved it, "Trash" in
//    ".local/share" (as a walk run by root over /home meets them), known by its real path;
//  - at the top of every mount, ".Trash" (the shared folder that holds one trash per user, every
//    user's, not only ours) and ".Trash-N" for any user number N, however little they hold: a
//    walk run by root over a removable disk must spare each user's trash on it.
// A folder that is none of these names costs nothing more than comparing its name; one that is
// costs a look at what it holds. Whether a folder is a mount's top is asked of the kernel (the
// mount it lies on differs from its parent's) rather than read from the mount table.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files/FileDescriptor.h"

namespace nulvane {

// Whether a folder of this name at the top of a mount is a trash: ".Trash", or ".Trash-" followed
// by a user number.
bool IsTopTrashName(std::string_view name) noexcept;

// Whether the open folder is the top of a mount ("/" included).
bool IsMountTop(int folderFd) noexcept;

// Where the open folder `folderFd` really is: its absolute path with links and ".." resolved,
// ending in "/". It is the kernel's own answer where /proc tells it, else the resolved `path` (by
// which the folder was opened) when that still leads to the same folder, else (for a path too long
// for either) the names found by going up through ".." from the folder to an ancestor whose path
// the kernel tells; empty when none of these leads to the folder.
std::string RealFolderPath(int folderFd, const std::string& path);

// A path of any length, for the calls that take a folder and a path relative to it: a path within
// the system's limit is used as it is; a longer one is opened a stretch at a time, each stretch
// relative to the folder the one before led to, so that links and ".." on the way resolve as one
// call on the whole path would resolve them. At() is -1 (errno set) when a stretch cannot be opened.
class TLongPath {
public:
    explicit TLongPath(const std::string& path);
    int At() const noexcept { return At_; }
    const char* Rest() const noexcept { return Rest_; }

private:
    TFd Base_;
    int At_;
    const char* Rest_;  // the end of the path given
};

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
    // Whether the folder `name` in the open folder `parentFd` is a trash by what it is (a trash's
    // name and the folders it holds) or by where it is (a trash's name at the top of a mount).
    static bool IsTrash(int parentFd, std::string_view name) noexcept;
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
