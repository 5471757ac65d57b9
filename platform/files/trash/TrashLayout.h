#pragma once
// The layout of a trash as freedesktop.org's desktops share it, used by those who
// put files in (TTrash), take them back out (RestoreFromTrash, the journal's recovery) and keep the
// walk out of them (TTrashFolders): a trash folder holds "files/" with the trashed entries and
// "info/" with one NAME.trashinfo each. The home trash is "Trash" in the user's data folder
// (~/.local/share by default); a mount's top holds ".Trash/UID" (shared, sticky) or ".Trash-UID".
#include <string_view>

#include <cerrno>

#include <fcntl.h>

namespace nulvane {

inline constexpr const char* TrashFilesFolder = "files";
inline constexpr const char* TrashInfoFolder = "info";
inline constexpr std::string_view TrashInfoSuffix = ".trashinfo";
inline constexpr std::string_view HomeTrashName = "Trash";
// The home trash's folder in a home without XDG_DATA_HOME, between the home folder and "Trash".
inline constexpr std::string_view UsualHomeTrashParent = "/.local/share/";
inline constexpr char SharedTrashName[] = ".Trash";
inline constexpr char UserTrashPrefix[] = ".Trash-";

// The folder `name` in `parent`, opened with O_PATH to reach the entries in it; a link is followed
// only where `follow` says (the trash folders themselves are never links). -1 with errno set.
inline int OpenFolderAt(int parent, const char* name, bool follow) noexcept {
    int fd;
    do fd = ::openat(parent, name, O_PATH | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace nulvane
