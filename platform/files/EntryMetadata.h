#pragma once
// What makes an empty file or an empty folder the one it was, besides its name and the folder it is
// in: its mode, owner and group, access and write times to the nanosecond, and its extended
// attributes (POSIX ACLs and security labels among them). An empty file holds nothing else, so a
// final deletion that writes this down just before an entry goes can make it again afterwards
// (UndoRecords.h). What no program can give back is the inode number, the birth and change times
// (the kernel sets both when a file is made), and the bond between two names of one file.
//
// Reading costs one system call in the common case: the file's stat comes from the check the
// deletion makes anyway, and one listxattr answers "no attributes" for a file that has none. Each
// attribute it does have costs one more. Attributes are bounded (MaxEntryAttributeBytes, names and
// values together): a file with more is not described (E2BIG), and its deletion keeps it rather
// than lose what could not be written down.
//
// Making an entry again sets, on its open descriptor, owner and group first (where the user may:
// otherwise the group alone, otherwise neither), then the attributes, then the mode (setting the
// owner clears set-user-ID bits, and an ACL changes the group bits), and the times last. What could
// not be set is said, never taken for a failure of the whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct stat;

namespace nulvane {

// Names and values of an entry's extended attributes together, with five bytes for each, at most
// this many bytes.
inline constexpr std::size_t MaxEntryAttributeBytes = 64 << 10;

struct TEntryMetadata {
    std::uint64_t Inode = 0;
    std::uint32_t Mode = 0;  // permission bits, set-user-ID, set-group-ID and sticky (07777)
    std::uint32_t Owner = 0, Group = 0;
    std::int64_t AccessSeconds = 0, WriteSeconds = 0;
    std::uint32_t AccessNanoseconds = 0, WriteNanoseconds = 0;
    bool Folder = false;
    // Each attribute as its name, a NUL byte, the value's length in four bytes (little-endian) and
    // the value; empty for none, which costs no memory.
    std::string Attributes;

    // Calls `each(name, value)` for every attribute, in their order.
    template <typename TEach>
    void ForEachAttribute(TEach each) const {
        std::string_view rest = Attributes;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\0');
            if (end == std::string_view::npos || rest.size() < end + 5) return;
            const std::string_view name = rest.substr(0, end);
            const auto* length = reinterpret_cast<const unsigned char*>(rest.data() + end + 1);
            const std::size_t size = length[0] | length[1] << 8 | length[2] << 16 | static_cast<std::size_t>(length[3]) << 24;
            if (rest.size() < end + 5 + size) return;
            each(name, rest.substr(end + 5, size));
            rest.remove_prefix(end + 5 + size);
        }
    }
    // Appends one attribute (a name without NUL bytes); false when the bound is passed.
    bool AddAttribute(std::string_view name, std::string_view value);
};

// Fills `metadata` from `st` and the attributes of the file or folder open as `fd`: 0, E2BIG when
// its attributes pass the bound, or the error that kept them from being read. A file system
// without extended attributes has none.
int ReadEntryMetadata(int fd, const struct stat& st, TEntryMetadata& metadata) noexcept;
// The same for the entry `name` of the open folder `folderFd`, which could not be opened itself
// (no read permission): its attributes are read by name, without following a link.
int ReadEntryMetadataAt(int folderFd, const char* name, const struct stat& st, TEntryMetadata& metadata) noexcept;

// What could not be set on an entry made again.
enum TMetadataLoss : unsigned {
    LostNothing = 0,
    LostOwner = 1,       // neither owner nor group (or not the owner: the group only)
    LostAttributes = 2,  // one extended attribute or more
    LostMode = 4,
    LostTimes = 8,
};

// Sets `metadata` on the entry open as `fd` (a file opened for writing, or a folder), in the order
// above; returns what could not be set (TMetadataLoss bits).
unsigned ApplyEntryMetadata(int fd, const TEntryMetadata& metadata) noexcept;

// Whether the entry `st` looks as `metadata` describes it: of its kind, empty where a file, with the
// recorded mode and write time. What an earlier undo already made again looks so.
bool LooksAsRecorded(const struct stat& st, const TEntryMetadata& metadata) noexcept;

}  // namespace nulvane
