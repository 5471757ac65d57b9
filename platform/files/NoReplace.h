#pragma once
// Renames that never replace anything: a deletion moves names aside and back, and the trash moves
// files into its folder, in folders where other programs create files at the same time; a name
// somebody took meanwhile must stay theirs. renameat2 with RENAME_NOREPLACE does this in one step;
// where a file system lacks it (some network and FUSE file systems answer EINVAL), a hard link
// under the new name, which refuses to replace as well, and the removal of the old name do the
// same.
#include <string>

namespace nulvane {

// Moves `from` in the folder `fromFd` to `to` in the folder `toFd` unless `to` exists: 0, or an
// error number (EEXIST when `to` is taken, EXDEV when the folders lie on different mounts). On a
// failure the file stays under `from`.
int MoveNoReplace(int fromFd, const char* from, int toFd, const char* to) noexcept;

// Puts the file `aside` of the folder back under `name`; when that name was taken meanwhile, beside
// it as "NAME.nulvane-kept" (or "-2" to "-9" after it). 0, with `now` empty when the file is back
// under its name or holding the name beside it; else the error number, and the file stays under
// `aside`.
int PutBackBeside(int folderFd, const char* aside, const std::string& name, std::string& now);

}  // namespace nulvane
