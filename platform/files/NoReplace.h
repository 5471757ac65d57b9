#pragma once
// Renames that never replace anything: a deletion moves names aside and back, the trash moves
// files into its folder, and a safe write puts a new file under a name that was free, in folders
// where other programs create files at the same time; a name somebody took meanwhile must stay
// theirs. renameat2 with RENAME_NOREPLACE does this in one step. Where a file system lacks it
// (some network and FUSE file systems answer EINVAL), how the move is made depends on who may take
// the new name meanwhile (TNewName): this is the one place that decides it.
#include <string>

namespace nulvane {

// Who may take the name a file is moved to while it is moved, which decides how a file system
// without RENAME_NOREPLACE moves it.
enum class TNewName {
    // Anyone may: a hard link under the new name, which refuses to replace as well, and the removal
    // of the old name. A file system without hard links fails the move.
    Shared,
    // As Shared, but where the file system has no hard links either, a look that the name is free
    // and a plain rename: a name taken in the moment between is replaced. For a file the user asked
    // to write, which must land somewhere.
    SharedOrLook,
    // Nobody else knows the name (a private name of this process): a look that it is free and a
    // plain rename, so that a kill never leaves the file under both names.
    Private,
};

// Moves `from` in the folder `fromFd` to `to` in the folder `toFd` unless `to` exists: 0, or an
// error number (EEXIST when `to` is taken, EXDEV when the folders lie on different mounts). On a
// failure the file stays under `from`.
int MoveNoReplace(int fromFd, const char* from, int toFd, const char* to,
                  TNewName newName = TNewName::Shared) noexcept;

// Puts the file `aside` of the folder back under `name`; when that name was taken meanwhile, beside
// it as "NAME.nulvane-kept" (or "-2" to "-9" after it). 0, with `now` empty when the file is back
// under its name or holding the name beside it; else the error number, and the file stays under
// `aside`.
int PutBackBeside(int folderFd, const char* aside, const std::string& name, std::string& now);

}  // namespace nulvane
