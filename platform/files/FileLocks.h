#pragma once
// Which files other programs hold a lock on. A program that locks a file (a lock file, a database,
// a mailbox) relies on finding it under its name: deleting it lets a second instance create a new
// one and take "the" lock while the first still holds it. Linux removes a locked file without a
// word, so a deletion asks first.
//
// The kernel lists every lock, whatever its kind (flock, POSIX record locks, open-file-description
// locks, leases), in /proc/locks, by the device and inode of the locked file. Reading that list
// once per deletion costs one small read instead of opening every file; a lock taken after the
// read is not seen, as it would not be by any check made before the removal.
//
// The device number there is that of the file system's superblock, which is not always what stat
// reports: a btrfs subvolume or an overlay mount report their own. A lock that names a file's
// inode on another device is therefore not dismissed: the file itself is asked (IsFileLocked).
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace nulvane {

class TLockTable {
public:
    enum class TMatch : std::uint8_t {
        None,       // no lock names this inode
        Identity,   // a lock names this device and inode: the file is locked
        InodeOnly,  // a lock names this inode on another device: ask the file itself
    };

    // The system's table; empty when /proc/locks cannot be read (no /proc mounted, or hidden),
    // and then nothing counts as locked: a deletion goes on without the check rather than refuse
    // every file.
    static TLockTable ReadSystem();
    // The table from the text of /proc/locks. Lines it does not understand are skipped.
    static TLockTable Parse(std::string_view text);

    TMatch Find(std::uint64_t device, std::uint64_t inode) const noexcept;
    bool Empty() const noexcept { return Locks_.empty(); }

private:
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Locks_;  // (inode, device), sorted
};

// Whether another open file of the system holds a lock on the file open as `fd`: a POSIX, an
// open-file-description or a flock lock. Takes and drops a flock on `fd` when nobody holds one.
bool IsFileLocked(int fd) noexcept;

}  // namespace nulvane
