#pragma once
// Verified removal of one empty file. A file is removed only when the very file about to be
// removed is a regular file of zero bytes with the device and inode the caller recorded, and no
// other program holds a lock on it: a file that got content since it was found is somebody's
// data, another file put under the same name is not the file that was found, and a locked file is
// in use.
//
// The path is never handed to the kernel whole. Its folder is opened one component at a time,
// each relative to the one before (as GNU find does), so a path longer than PATH_MAX is reached,
// and everything after acts on that one open folder: once it is open, no rename or link swapped
// in higher up can move the removal elsewhere.
//
// Checking a name and then removing it leaves a window in which another program can put a
// different file under the name (rename, or an exchange of two names). So the file is first moved
// to a private name in the same folder, one no other program picks, without replacing anything
// there (renameat2 with RENAME_NOREPLACE; where a file system lacks it, a plain rename to a name
// found free); no other program puts a file under that name, so what it holds is checked and only
// then removed. Anything else is moved back under its own name, again without replacing anything: when
// that name was taken meanwhile, the file is kept under a name beside it that says what happened,
// and the result says where. A check before the move (same checks, on the name) leaves a file
// that plainly changed, and a locked one, untouched: moving a lock file aside even for a moment
// would let a second program take the lock.
//
// The same sequence serves a trash (Dispose): the verified file is moved into the trash instead
// of being removed, and put back when that fails.
//
// Symbolic links to folders along the path are followed, because the scan descends them and a
// folder the user picked may itself be reached through one; every component is opened in one
// place (OpenComponent), where a rule on which links may be followed belongs. The last component
// is never followed: a link is not an empty regular file, so it is kept.
//
// On POSIX nothing is changed on the file before removing it: removing needs only the folder's
// permission. A Windows build brings its own removal, which clears the read-only and hidden
// attributes first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/files/FileLocks.h"

namespace nulvane {

enum class TRemoveOutcome : std::uint8_t {
    Deleted,  // the file was removed (or disposed of)
    Missing,  // its folder was opened and holds nothing under the name any more
    Kept,     // the file is still there and was not removed; Reason says why
};

enum class TKeepReason : std::uint8_t {
    None,              // not kept
    Changed,           // no longer an empty regular file with the recorded identity
    PermissionDenied,  // the folder does not let us remove it
    InUse,             // another program holds a lock on it, or its file system is busy
    PathGone,          // a folder on the path is gone or is no longer a folder: the file may
                       // still exist, the path just does not lead to it
    OtherError,        // anything else; Error holds the system's error number
};

struct TRemoveResult {
    TRemoveOutcome Outcome = TRemoveOutcome::Kept;
    TKeepReason Reason = TKeepReason::None;
    int Error = 0;  // errno of the failure behind the outcome, 0 when none
    // Set when the file had been moved aside and its own name was taken before it could go back:
    // the full path it is kept under now.
    std::string KeptAs;

    bool Removed() const noexcept { return Outcome != TRemoveOutcome::Kept; }
    // A short reason a person can read, e.g. "changed since the scan"; empty unless kept.
    std::string ReasonText() const;
};

struct TRemoveRequest {
    std::string_view Path;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

// What becomes of a verified file: called with its open folder and the private name it holds
// there; returns 0, or the error number after which the file is put back under its own name.
using TDisposal = std::function<int(int folderFd, const char* asideName)>;

// Removes files one after another, keeping the folders it opened (a bounded number) so that a
// list worked through in any order costs about one folder open per folder, not one per file and
// path component. When descriptors or memory run short, it closes the folders it keeps, keeps
// fewer from then on, and tries again. One remover serves one thread.
class TFileRemover {
public:
    // Reads the system's lock table (once, for every file this remover handles).
    TFileRemover();
    // With a lock table read once for several removers, `sharers` of which work side by side
    // (they share the descriptors a remover may keep).
    explicit TFileRemover(std::shared_ptr<const TLockTable> locks, unsigned sharers = 1);
    ~TFileRemover();
    TFileRemover(const TFileRemover&) = delete;
    TFileRemover& operator=(const TFileRemover&) = delete;

    // Removes the file at `path` when it is still an empty regular file on `device` with `inode`
    // that nobody holds a lock on. Never throws for anything the file system does.
    TRemoveResult Remove(std::string_view path, std::uint64_t device, std::uint64_t inode);
    // The same sequence with `dispose` in place of the removal.
    TRemoveResult Dispose(std::string_view path, std::uint64_t device, std::uint64_t inode,
                          const TDisposal& dispose);

    // Removes the files of `count` requests, in their order, as Remove would, and tells each
    // result through `done(index, result)` once it is final; asks `stop()` before each file and
    // ends there when it answers true (the requests not reached get no result).
    //
    // Files of one folder that follow each other cost less than one by one: a verified file stays
    // under its private name until the next file of the folder is moved aside onto that name,
    // which removes it in the same step. Its result is told then (or when the folder changes, or
    // at the end), so results do not always come in the order of the requests.
    using TRequestSource = std::function<TRemoveRequest(std::size_t index)>;
    using TStopQuery = std::function<bool()>;
    using TResultSink = std::function<void(std::size_t index, TRemoveResult&& result)>;
    void RemoveAll(std::size_t count, const TRequestSource& request, const TStopQuery& stop, const TResultSink& done);

private:
    // The file a request names, in its open folder.
    struct TTarget {
        std::string_view Folder;  // as in the request's path, with its last "/"
        std::string Name;
        int FolderFd = -1;
    };
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    // The descriptor of `folder` (a path ending in "/", or empty for the working folder), or -1
    // with errno set.
    int OpenFolder(std::string_view folder);
    int OpenFolderOnce(std::string_view folder);
    // Opens the folder `name` in `parent`; `pathSoFar` is the path that names it.
    int OpenComponent(int parent, const char* name, std::string_view pathSoFar) noexcept;
    // Opens the request's folder and checks the name as it stands: true when the file may be
    // moved aside, else false with the result.
    bool Prepare(const TRemoveRequest& request, TTarget& target, TRemoveResult& result);
    // Closes every folder kept and keeps fewer from now on; false when none was open.
    bool ReleaseFolders() noexcept;
    // Why the file `name` in the folder, found to be `device` and `inode`, must be kept because of
    // locks (InUse, or why the file could not be asked, with `error` set), or None.
    TKeepReason LockReason(int folderFd, const char* name, std::uint64_t device, std::uint64_t inode, int& error);

    std::shared_ptr<const TLockTable> Locks_;
    // Folder path as it stood in the removed paths -> descriptor opened with O_PATH.
    std::unordered_map<std::string, int, THash, std::equal_to<>> Folders_;
    std::size_t MaxOpenFolders_ = 0;
    // The last folder opened when Folders_ had no room for it.
    std::string UncachedPath_;
    int Uncached_ = -1;
};

// Raises the process's soft limit of open descriptors towards its hard limit (at most 65,536).
// Desktop sessions start programs with a soft limit of 1,024, which leaves a remover room for 256
// folders; raised, files taken in any order across thousands of folders do not reopen a folder
// for every file. Only a soft limit below the hard one changes.
void RaiseOpenFileLimit() noexcept;

}  // namespace nulvane
