#pragma once
// Taking files back out of the trash they were just moved to: the window's undo of a deletion to
// the trash. Each file moved there is remembered with where it went (the trash folder and its
// entry's name) and what it was (its path, device and inode); putting it back renames the entry
// to its old path, never replacing anything, only while the entry is still that very file (the
// empty regular file, or the folder, of that device and inode), and
// removes its info file. A file never leaves its file system: the entry and its old folder lie on
// one, and a rename is all it takes.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace nulvane {

// Where the trash put one file: its trash folder (holding files/ and info/) and its entry's name.
struct TTrashEntry {
    std::string Folder;
    std::string Name;
};

// One file moved to the trash: its path before, the identity it had, and its entry.
struct TTrashedFile {
    std::string Path;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    TTrashEntry Entry;
    bool Folder = false;  // an empty folder, moved there whole
};

enum class TRestoreOutcome : std::uint8_t {
    Restored,   // back under its path; its info file is gone
    NameTaken,  // another file holds its path now: it stays in the trash
    Gone,       // the trash entry is no longer the file moved there (restored or removed by other means)
    Failed,     // anything else (its folder is gone, permission denied...): it stays in the trash
};

struct TRestoreResult {
    TRestoreOutcome Outcome = TRestoreOutcome::Failed;
    int Error = 0;  // the system's error number behind Failed
};

// Puts `file` back from the trash under its path.
TRestoreResult RestoreFromTrash(const TTrashedFile& file);

// The files a deletion moved to the trash, collected from the threads that moved them.
class TTrashLog {
public:
    void Add(TTrashedFile file);
    // Takes out the file of that identity, when one was added: false when none.
    bool Take(std::uint64_t device, std::uint64_t inode, TTrashedFile& file);
    bool Empty() const;

private:
    mutable std::mutex Mutex_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, TTrashedFile> Files_;  // by device and inode
};

}  // namespace nulvane
