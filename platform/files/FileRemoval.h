#pragma once
// Verified removal of one empty file. A file is removed only when, right before the removal, its
// path still names a regular file of zero bytes with the device and inode the caller recorded: a
// file that got content since it was found is somebody's data, and another file put under the
// same name is not the file that was found.
//
// The path is never handed to the kernel whole. Its folder is opened one component at a time,
// each relative to the one before (as GNU find does), so a path longer than PATH_MAX is reached,
// and the check and the removal both act on that one open folder: once it is open, no rename or
// link swapped in higher up can move the removal elsewhere. Only the last name can still change
// between the check and the removal, and the two are consecutive system calls on the same folder
// descriptor.
//
// Symbolic links to folders along the path are followed, because the scan descends them and a
// folder the user picked may itself be reached through one; the identity check on the file is
// what guarantees that nothing but the found file is removed. The last component is never
// followed: a link is not an empty regular file, so it is kept.
//
// On POSIX nothing is changed on the file before removing it: removing needs only the folder's
// permission. A Windows build brings its own removal, which clears the read-only and hidden
// attributes first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nulvane {

enum class TRemoveOutcome : std::uint8_t {
    Deleted,  // the file was removed
    Missing,  // nothing is at the path any more (or a folder on it is gone)
    Kept,     // the file is still there and was not touched; Reason says why
};

enum class TKeepReason : std::uint8_t {
    None,              // not kept
    Changed,           // no longer an empty regular file with the recorded identity
    PermissionDenied,  // the folder does not let us remove it
    InUse,             // the file or its file system is busy
    OtherError,        // anything else; Error holds the system's error number
};

struct TRemoveResult {
    TRemoveOutcome Outcome = TRemoveOutcome::Kept;
    TKeepReason Reason = TKeepReason::None;
    int Error = 0;  // errno of the failure behind the outcome, 0 when none

    bool Removed() const noexcept { return Outcome != TRemoveOutcome::Kept; }
    // A short reason a person can read, e.g. "changed since the scan"; empty unless kept.
    std::string ReasonText() const;
};

// Removes files one after another, keeping the folders it opened (a bounded number) so that a
// list worked through in any order costs about one folder open per folder, not one per file and
// path component.
class TFileRemover {
public:
    TFileRemover();
    ~TFileRemover();
    TFileRemover(const TFileRemover&) = delete;
    TFileRemover& operator=(const TFileRemover&) = delete;

    // Removes the file at `path` when it is still an empty regular file on `device` with `inode`.
    // Never throws for anything the file system does.
    TRemoveResult Remove(std::string_view path, std::uint64_t device, std::uint64_t inode);

private:
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    // The descriptor of `folder` (a path ending in "/", or empty for the working folder), or -1
    // with errno set.
    int OpenFolder(std::string_view folder);

    // Folder path as it stood in the removed paths -> descriptor opened with O_PATH.
    std::unordered_map<std::string, int, THash, std::equal_to<>> Folders_;
    std::size_t MaxOpenFolders_ = 0;
    // The last folder opened when Folders_ had no room for it.
    std::string UncachedPath_;
    int Uncached_ = -1;
};
// Raises the process's soft limit of open descriptors towards its hard limit (at most 65,536).
// Desktop sessions start programs with a soft limit of 1,024, which leaves a remover room for 256
// folders; raised, a large list worked through in name order across thousands of folders does
// not reopen a folder for every file. Only a soft limit below the hard one changes.
void RaiseOpenFileLimit() noexcept;

}  // namespace nulvane
