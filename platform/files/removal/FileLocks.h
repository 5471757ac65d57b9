#pragma once
// Which files other programs hold a lock on. A program that locks a file (a lock file, a database,
// a mailbox) relies on finding it under its name: deleting it lets a second instance create a new
// one and take "the" lock while the first still holds it. Linux removes a locked file without a
// word, so a deletion asks.
//
// Two sources answer. The file itself, open: an open-file-description lock test sees every POSIX
// and open-file-description lock, and a non-blocking flock, let go at once, sees every flock; both
// see locks of any process, in any pid namespace, taken up to the moment they are asked. That is
// the answer a deletion relies on, asked of each file just before it goes (AskFileLocks).
//
// The kernel also lists every lock (flock, POSIX, open-file-description, leases) in /proc/locks,
// by the device and inode of the locked file. Read once when a deletion starts, that list lets a
// file locked already then be passed by without even moving its name aside (which would let a
// second program take the name meanwhile). It is only a snapshot, though, and inside another pid
// namespace (a container, a desktop sandbox) it leaves out the locks of processes outside, so it
// never stands alone.
//
// A write lease answers for both locks in one question where the kernel grants it: only while no
// other open file of the system (any process, any pid namespace) has the file open, and every lock
// is held through an open file. Refused, the two lock queries answer.
//
// The device number there is that of the file system's superblock, which is not always what stat
// reports: a btrfs subvolume or an overlay mount report their own. A lock that names a file's
// inode on another device is therefore not dismissed: the file itself is asked.
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

    // The system's table; empty, and not Readable(), when /proc/locks cannot be read (no /proc
    // mounted, or hidden).
    static TLockTable ReadSystem();
    // The table from the text of /proc/locks. Lines it does not understand are skipped.
    static TLockTable Parse(std::string_view text);

    TMatch Find(std::uint64_t device, std::uint64_t inode) const noexcept;
    bool Empty() const noexcept { return Locks_.empty(); }
    // Whether the table was read from the system (or parsed): an empty table that was not read
    // says nothing about any file.
    bool Readable() const noexcept { return Readable_; }
    // The table as it stands now: the system's read again for one read from the system, this one
    // for one parsed (or not read).
    TLockTable Now() const { return Live_ ? ReadSystem() : *this; }

private:
    bool Live_ = false;  // read from the system
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Locks_;  // (inode, device), sorted
    bool Readable_ = false;
};

enum class TLockState : std::uint8_t {
    Free,     // nobody else holds a lock on the file
    Locked,   // another open file holds a POSIX, open-file-description or flock lock on it
    Unknown,  // the file system answered neither question; `error` says why
};

// Asks the file open as `fd` whether another open file of the system holds a lock on it. Takes a
// flock on `fd` for the moment of the question when nobody holds one, and lets it go (or leaves
// that to closing `fd`, which the caller does at once, with `closing`). With `closing` and leases
// allowed, a write lease is tried first; closing `fd` gives it back.
TLockState AskFileLocks(int fd, int& error, bool closing = false) noexcept;

// Lets AskFileLocks ask by a lease from now on. While a lease is held, a program that opens the
// file waits until it is given back, and the kernel tells this process so by SIGIO, whose default
// ends the process: the signal is ignored from now on. A program that handles SIGIO itself is left
// as it is, without leases (false). Called once at start, before any thread deletes.
bool AllowLeaseQueries() noexcept;

}  // namespace nulvane
