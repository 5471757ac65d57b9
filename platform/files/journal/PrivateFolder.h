#pragma once
// Folders whose files the program acts on by itself, without a question: the state folder that
// holds the deletion journals, which every run reads at its start and obeys. What lies there moves
// and removes files, so it is trusted only where nobody but this user could have put it.
//
// The folder is named by the environment (XDG_STATE_HOME, HOME), which sudo -E, services and
// scripts pass on from another user. So it is checked as ssh checks its files: the folder belongs
// to the effective user and neither group nor others may write to it, and every folder above it, up
// to the root, belongs to that user or to root and may be written by nobody else either. A folder
// above with the sticky bit (/tmp) is one exception: there nobody but an entry's owner may rename
// or remove it, so the folder below it cannot be swapped by another user. A group that is the
// user's own (the primary group of the user's name, nobody else in it, as systems that give each
// user a group and a umask of 002 make folders) is the other: only the user may write there. The checks are
// made on the folders as they are open, from the open folder upwards through "..", so a link or a
// rename on the spelled path cannot change what was checked.
#include <string>

#include "platform/files/DescriptorPath.h"

namespace nulvane {

// The folder at `path`, open (O_RDONLY | O_DIRECTORY), when it is private to the effective user as
// described above; else -1 with `problem` saying why in words ("/x is owned by uid 1000") and
// `error` the error number (ENOENT when the folder does not exist, EPERM for a folder that is not
// private).
int OpenPrivateFolder(const std::string& path, int& error, std::string& problem) noexcept;

// The absolute path of the open folder `fd`, however long: where /proc cannot tell (a path longer
// than the kernel names there), from the nearest folder above whose path it can tell, down by the
// names each folder has in the one above. "" when it cannot be told.
std::string FolderPath(int fd);

}  // namespace nulvane
