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
// that plainly changed, and one the lock table read at the start names, untouched: moving a lock
// file aside even for a moment would let a second program take the lock.
//
// Locks are asked of each file under its private name, just before it goes: opened without
// waiting, it answers an open-file-description lock test and a flock probe let go at once, which
// see the locks of every process, taken up to that moment, in any pid namespace. A file that
// cannot be opened to ask (no read permission) is answered by the lock table; where neither can
// answer, the file is kept: "cannot tell whether it is in use".
//
// Before a name is moved aside, what puts it back is recorded in the remover's journal (see
// DeletionJournal.h), so that a remover killed half way leaves nothing the next run cannot put
// back. No record, no move: a file whose record cannot be written is kept, and a caller asks
// StartJournal() before it begins, so that a deletion that could not keep its journal does not
// start at all.
//
// The same sequence serves the trash (Dispose, or RemoveAll with a disposal): the verified file is
// moved into the trash instead of being removed, and put back when that fails.
//
// A remover told to keep an undo record (KeepUndoRecord) writes, just before a verified file goes
// for good, what makes it again (EntryMetadata.h) into its journal: the stat the check made, and
// the file's extended attributes, one listxattr where it has none. No record, no removal: a file
// whose record cannot be written, or whose attributes pass the bound ("too many attributes to
// undo"), is put back and kept. A folder's record holds the folders inside it too.
//
// Symbolic links to folders on the path are followed only where the scan followed them: anywhere
// in the folder the user picked, as its path was given (it may well be reached through a link),
// and at the last component of each folder link the scan followed out of it; each of these must
// still lead to the folder it led to at the scan. Every other folder on the path is opened
// without following a link, so a folder replaced by a link since the scan does not lead the
// removal elsewhere: the path no longer leads to the file, which is kept. A path without anchors
// (not made by a scan) is taken as its caller gave it. The last component is never followed: a
// link is not an empty regular file, so it is kept.
//
// A folder (a request for a folder) goes the same way, from its verified parent: only while it is
// still the folder found (device and inode), on the parent's mount (never a mount point), neither a
// trash folder nor a scanned folder (by its anchors, or by its identity among those given to
// ProtectFolders), and empty all the way down (nothing but folders, each empty).
// It is moved to a private name first, then opened there without following a link and checked to
// be that folder; its subfolders are opened the same way, relative to the folder above, and
// removed deepest first, and the folder last. Removing a folder succeeds only while it is empty, so
// a file put in meanwhile anywhere in it keeps it ("no longer empty"), and a folder swapped in under
// its name is not the folder found. The trash takes such a folder whole, as it is.
//
// On POSIX nothing is changed on the file before removing it: removing needs only the folder's
// permission. A Windows build brings its own removal, which clears the read-only and hidden
// attributes first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/files/journal/DeletionJournal.h"
#include "platform/files/EntryMetadata.h"
#include "platform/files/removal/FileLocks.h"

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
    PathGone,          // a folder on the path is gone, is no longer a folder, or leads elsewhere:
                       // the file may still exist, the path just does not lead to it
    NoTrash,           // to go to the trash, and its file system has no trash that can be used
    ReadOnly,          // its file system is mounted read-only
    LockUnknown,       // neither the file nor the lock table could tell whether it is locked
    OtherError,        // anything else (a shortage of descriptors among them); Error holds the
                       // system's error number
    NotEmpty,          // a folder that holds something other than empty folders now
    Scanned,           // a folder the user scanned (Error 0), or one that holds one (ENOTEMPTY)
    TooManyAttributes, // its extended attributes pass what an undo record keeps
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

struct TAsideName;
class TTrashFolders;

// A folder on a file's path through which a scan reached the file, where a symbolic link may stand.
struct TPathAnchor {
    std::string_view Path;      // the leading part of the file's path, ending in "/"
    std::uint64_t Device = 0;   // the folder it led to at the scan; both 0: not checked
    std::uint64_t Inode = 0;
};

struct TRemoveRequest {
    std::string_view Path;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    // The anchors on the path, outermost first: the folder scanned, under its path as the user
    // gave it (links anywhere in it are followed), then each folder link the scan followed (a link
    // only at its own last component). Empty: the path as its caller gave it, links followed
    // anywhere but at the file itself.
    std::span<const TPathAnchor> Anchors = {};
    // The path names a folder, removed only while it holds nothing but empty folders.
    bool Folder = false;
};

// What becomes of a verified file instead of its removal: called with its open folder, the private
// name it holds there, the request and the remover's journal (for what it must record before it
// moves the file); returns 0 once the file has left the folder, or the error number after which it
// is put back under its own name (EXDEV: it would have to leave its file system, the file is kept
// as NoTrash). A shortage of descriptors or memory is tried again once the remover has let go of
// the folders it keeps.
using TDisposal = std::function<int(int folderFd, const char* asideName, const TRemoveRequest& request,
                                    TDeletionJournal& journal)>;

// Removes files one after another, keeping the folders it opened (a bounded number) so that a
// list worked through in any order costs about one folder open per folder, not one per file and
// path component. When descriptors or memory run short, it closes the folders it keeps, keeps
// fewer from then on, and tries again. One remover serves one thread.
class TFileRemover {
public:
    // Reads the system's lock table (once, for every file this remover handles); the journal goes
    // to the XDG state folder.
    TFileRemover();
    // With a lock table read once for several removers, `sharers` of which work side by side
    // (they share the descriptors a remover may keep).
    explicit TFileRemover(std::shared_ptr<const TLockTable> locks, unsigned sharers = 1);
    ~TFileRemover();
    TFileRemover(const TFileRemover&) = delete;
    TFileRemover& operator=(const TFileRemover&) = delete;

    // Removes the file at `path` (or the folder, for a folder request) when it is still an empty regular file on `device` with `inode`
    // that nobody holds a lock on. Never throws for anything the file system does.
    TRemoveResult Remove(std::string_view path, std::uint64_t device, std::uint64_t inode);
    TRemoveResult Remove(const TRemoveRequest& request);
    // The same sequence with `dispose` in place of the removal.
    TRemoveResult Dispose(const TRemoveRequest& request, const TDisposal& dispose);
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
    //
    // With `dispose`, each verified file goes to it instead, one after another, results in order.
    using TRequestSource = std::function<TRemoveRequest(std::size_t index)>;
    using TStopQuery = std::function<bool()>;
    using TResultSink = std::function<void(std::size_t index, TRemoveResult&& result)>;
    void RemoveAll(std::size_t count, const TRequestSource& request, const TStopQuery& stop, const TResultSink& done,
                   const TDisposal* dispose = nullptr);

    // Makes the journal now: 0, or why records cannot be written (JournalProblem() in words).
    int StartJournal() noexcept { return Journal_.Start(); }
    // Why the journal could not be written (an error number, 0 when it could), and where it is.
    int JournalError() const noexcept { return Journal_.Error(); }
    std::string JournalProblem() const { return Journal_.Problem(); }
    const std::string& JournalFolder() const noexcept { return Journal_.Folder(); }

    // Folders that never go, nor a folder holding one, by device and inode: the folders scanned,
    // however their paths were spelled or overlap.
    void ProtectFolders(std::vector<std::pair<std::uint64_t, std::uint64_t>> identities);
    // Makes what Remove, RemoveAll (without a disposal) and a folder's removal take away for good
    // undoable, in the undo record `id` (UndoRecords.h). Called before the journal is started.
    void KeepUndoRecord(std::string id) {
        Journal_.KeepUndoRecord(std::move(id));
        UndoRecords_ = true;
    }

private:
    // The verified file a RemoveAll keeps under a private name until the next file replaces it, as
    // a journal carries it over.
    struct TPendingFile {
        int FolderFd;
        const char* Aside;
        const std::string& Name;
        std::uint64_t Device, Inode;
    };
    // The file a request names, in its open folder.
    struct TTarget {
        std::string_view Folder;  // as in the request's path, with its last "/"
        std::string Name;
        std::string Key;          // what the folder is kept under (FolderKey)
        int FolderFd = -1;
    };
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    // The descriptor of the request's folder `target.Folder` (a path ending in "/", or empty for
    // the working folder), or -1 with errno set.
    int OpenFolder(const TRemoveRequest& request, const TTarget& target);
    int OpenFolderOnce(const TRemoveRequest& request, const TTarget& target);
    // Opens the folder `name` in `parent`, following a link there only when `follow` says so.
    static int OpenComponent(int parent, const char* name, bool follow) noexcept;
    // Splits the request's path into folder and name and makes the folder's key: false, with the
    // result, when the request names no file.
    static bool Locate(const TRemoveRequest& request, TTarget& target, TRemoveResult& result);
    // Opens the located folder and checks the name as it stands: true when the file may be moved
    // aside, else false with the result.
    bool Prepare(const TRemoveRequest& request, TTarget& target, TRemoveResult& result);
    // Closes every folder kept but the target's and keeps fewer from now on; false when none was
    // closed.
    bool ReleaseFolders(const TTarget* keep = nullptr) noexcept;
    void CloseFolder(int fd) noexcept;
    // Opens `name` in the target's folder to ask it, letting go of other folders when descriptors
    // run short.
    int OpenToAsk(const TTarget& target, const char* name) noexcept;
    // Why the file `name` in the folder, found to be `device` and `inode`, must be kept because the
    // lock table names it (InUse, or why the file could not be asked, with `error` set), or None.
    TKeepReason LockReason(const TTarget& target, std::uint64_t device, std::uint64_t inode, int& error);
    // Checks that the private name `aside` holds the file found and asks it for locks: None,
    // InUse, LockUnknown (with `error`), or Changed when it holds something else, with `gone` (and
    // `error`) when nothing is there any more to put back. With `metadata`, a file that may go is
    // described there (TooManyAttributes, or OtherError with `error`, when it cannot be).
    TKeepReason CheckAside(const TTarget& target, const char* aside, std::uint64_t device, std::uint64_t inode,
                           int& error, bool& gone, TEntryMetadata* metadata = nullptr);
    // The removal of `request` (as Dispose describes), recording what makes the file again when it
    // goes `forGood` and undo records are kept.
    TRemoveResult DisposeOf(const TRemoveRequest& request, const TDisposal& dispose, bool forGood);
    // Records the move of the target's file to `aside` in the journal: 0, or why it could not.
    int Record(const TTarget& target, const char* aside, std::uint64_t device, std::uint64_t inode) noexcept;
    // What a move aside that failed with `error` means for the file (a record that could not be
    // written keeps it, with the record's error).
    TRemoveResult NotMovedAside(int error) noexcept;
    // Goes on in a new journal when this one has grown past its bound, carrying `pending` over.
    void KeepJournalSmall(const TPendingFile* pending) noexcept;
    // Moves the target's file to a fresh private name, recorded first; 0 or an error number.
    int MoveAside(const TTarget& target, std::uint64_t device, std::uint64_t inode, TAsideName& aside) noexcept;
    // Puts a file moved aside back (see PutBackBeside): empty when it is back under its name, else
    // the full path it is kept under (its private name when it could not be moved at all, which
    // keeps the journal for the next run).
    std::string PutBack(int folderFd, const char* aside, const std::string& name, std::string_view folder);
    // The folder a request names, removed (or disposed of, with `dispose`) as described above.
    TRemoveResult RemoveFolder(const TRemoveRequest& request, const TDisposal* dispose);
    // Why the folder `name` of the target's folder must never go (a trash, or lies in one):
    // 0 when it may.
    int Protected(const TTarget& target, std::uint64_t device, std::uint64_t inode);

    std::shared_ptr<const TLockTable> Locks_;
    TDeletionJournal Journal_;
    bool JournalFailed_ = false;  // the last move aside failed for its record
    bool UndoRecords_ = false;    // KeepUndoRecord was called
    TEntryMetadata Gone_;         // what makes the file being removed again
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Scanned_;  // ProtectFolders, sorted
    // Folder key (the path as it stood in the removed paths, and how it was opened) -> descriptor
    // opened with O_PATH.
    std::unordered_map<std::string, int, THash, std::equal_to<>> Folders_;
    std::size_t MaxOpenFolders_ = 0;
    // The last folder opened when Folders_ had no room for it: its key and the length of its path.
    std::string UncachedKey_;
    std::size_t UncachedLength_ = 0;
    int Uncached_ = -1;
    std::string Probe_;  // keys of shorter paths, looked up while opening
    std::unique_ptr<TTrashFolders> TrashFolders_;  // read when the first folder is removed
};

// Raises the process's soft limit of open descriptors towards its hard limit (at most 65,536).
// Desktop sessions start programs with a soft limit of 1,024, which leaves a remover room for 256
// folders; raised, files taken in any order across thousands of folders do not reopen a folder
// for every file. Only a soft limit below the hard one changes.
void RaiseOpenFileLimit() noexcept;

}  // namespace nulvane
