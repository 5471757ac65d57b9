#pragma once
// What puts back a file that a deletion moved aside, should the deletion be killed before it is
// through. A deletion moves each file to a private name in its folder (or from there into the
// trash) before it checks it and lets it go; a process can be killed between any two system calls,
// and a file left under a private name has lost its name: nothing else knows it.
//
// So before a name is moved aside, the deletion writes down what puts it back: the folder (its
// real path, device and inode), the private name, the file's own name and its device and inode;
// before a file goes into the trash, the trash folder and the entry name its info file takes. The
// record goes into a journal in the XDG state folder ($XDG_STATE_HOME/nulvane, by default
// ~/.local/state/nulvane), one journal per remover, locked (flock) while its remover lives. A
// remover that is through with nothing left under a private name removes its journal.
//
// A record costs no system call: the journal is mapped into memory (MAP_SHARED) in blocks that are
// reserved on the disk first (posix_fallocate, so that writing into them cannot fail for want of
// room), and a record is copied into the mapping, its line end last. What a process wrote there is
// in the file the moment it is written, killed or not. Where a file system cannot map the journal,
// each record is written with one write.
//
// Every run of either program first recovers the journals nobody holds a lock on: the journal of a
// live run, in this process or another, is never touched. For each private name in a folder that
// is still the folder recorded (same device and inode), the file under it goes back to its name,
// never replacing anything: beside it as "NAME.nulvane-kept" when the name was taken meanwhile. A
// private name served several files one after another (each moved onto the one before to remove
// it), so the file there is matched by its device and inode to the record it belongs to; one that
// matches none was put there by the last move (a file swapped in under the name at that moment)
// and goes back to that name. An info file of the trash whose entry never received its file is
// removed. What cannot be put back (a folder gone or replaced, an error) is named with where it
// was left.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files/FileDescriptor.h"

namespace nulvane {

// $XDG_STATE_HOME/nulvane, or ~/.local/state/nulvane when XDG_STATE_HOME is unset, empty or
// relative (the XDG base directory rules).
std::string DeletionJournalFolder();

class TDeletionJournal {
public:
    // Nothing is written until the first record.
    explicit TDeletionJournal(std::string folder = DeletionJournalFolder());
    // Removes the journal unless something it records was left under a private name.
    ~TDeletionJournal();
    TDeletionJournal(const TDeletionJournal&) = delete;
    TDeletionJournal& operator=(const TDeletionJournal&) = delete;

    // Records that `name` in the open folder `folderFd`, the file `device` and `inode`, is about to
    // be moved to `aside` in the same folder. 0, or the error number that kept it from the record.
    int RecordMove(int folderFd, std::string_view aside, std::string_view name, std::uint64_t device,
                   std::uint64_t inode) noexcept;
    // Records that the file under `aside` in `folderFd` is about to go into the trash whose folder
    // is open as `trashFd`, as the entry `entry` (its info file "info/ENTRY.trashinfo").
    int RecordTrash(int folderFd, std::string_view aside, int trashFd, std::string_view entry) noexcept;

    // The folder descriptor `fd` is about to be closed: a later folder of that number is another.
    void FolderClosed(int fd) noexcept;
    // A file was left under a private name: the journal stays for the next run to put it back.
    void KeepForRecovery() noexcept { Keep_ = true; }

    // Why records cannot be written, 0 while they can; set by the first failure that is not a
    // shortage of descriptors or memory (those are tried again with the next record).
    int Error() const noexcept { return Error_; }
    const std::string& Folder() const noexcept { return Folder_; }

private:
    int Open() noexcept;
    unsigned FolderId(int fd, std::string& line);
    int Append(std::string_view line) noexcept;
    // Reserves and maps the next block, or turns to plain writes where mapping is not offered.
    int NextBlock(std::size_t needed) noexcept;

    std::string Folder_;
    std::string Path_;
    TFd Fd_;
    char* Block_ = nullptr;       // the mapped block, or null (plain writes)
    std::size_t BlockSize_ = 0;
    std::size_t Used_ = 0;        // bytes of the block written
    std::uint64_t End_ = 0;       // the file offset past the block (or past the last write)
    bool Mapped_ = true;          // whether blocks are mapped at all
    int Error_ = 0;
    bool Keep_ = false;
    unsigned NextId_ = 1;
    std::unordered_map<int, unsigned> FolderIds_;  // folder descriptor -> id in the journal
    std::string Line_;
};

// A file a recovery put back beside its name, or could not put back.
struct TRecoveredFile {
    std::string Path;    // where the file belongs: its folder and its own name (or the folder alone)
    std::string Now;     // where it is now: beside its name, or still under a private name
    std::string Reason;  // why it is not back under its name, for one that was not put back
};

struct TRecovery {
    std::size_t PutBack = 0;                  // files back under their own names
    std::vector<TRecoveredFile> KeptBeside;   // back beside their names, which were taken
    std::vector<TRecoveredFile> Left;         // what could not be put back, and where it is
    std::size_t Count() const noexcept { return PutBack + KeptBeside.size(); }
};

// Puts back what every journal in `folder` that no live run holds records as still under a private
// name, removes the orphaned info files it records, and removes the journals. Never throws for
// anything the file system does.
TRecovery RecoverInterruptedDeletions(const std::string& folder = DeletionJournalFolder());

}  // namespace nulvane
