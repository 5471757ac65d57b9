#pragma once
// A result list's entry and what identifies it: the record of its fields, its check state, the
// note it carries, the identity (device and inode) of the file it was made from, and where a scan
// found it. A scan's entries do not hold their folders: they refer by index to the list's folder
// table (TListFolder) and anchor table (TScanAnchor), both kept by the list. Entries are addressed
// by their index in list order; NoEntry stands for "no entry".
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/FileRecord.h"

namespace nulvane {

enum class TCheckState : std::uint8_t { Unchecked, Checked };
// Whether an entry shows a check box at all; the main window gives every entry one.
enum class TCheckType : std::uint8_t { None, CheckBox };
// What an entry stands for: an empty file, or a folder that holds nothing but folders that count
// as empty (listed once, at the top of such a subtree).
enum class TEntryKind : std::uint8_t { File, Folder };

// Device and inode of the file an entry was made from (zero when unknown).
struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
};

// Index of an entry in the list's anchor table; NoAnchor for an entry no scan made.
using TAnchorIndex = std::uint32_t;
inline constexpr TAnchorIndex NoAnchor = std::numeric_limits<TAnchorIndex>::max();

// Index of a folder in the list's folder table; NoFolder for an entry that holds its whole path.
using TFolderIndex = std::uint32_t;
inline constexpr TFolderIndex NoFolder = std::numeric_limits<TFolderIndex>::max();

// A folder that scanned entries lie in, stored once for all of them: its name and the folder it
// lies in, so that a path costs its last component per folder, however deep the tree. A scanned
// folder's own path as the user gave it is a chain of such folders too, one per component ("/a/"
// is the folder "a" in the folder with the empty name); the path of a folder is the names from the
// top down, each followed by the separator.
struct TListFolder {
    std::string_view Name;           // kept by the list
    TFolderIndex Parent = NoFolder;  // NoFolder at the top
    TAnchorIndex Anchor = NoAnchor;  // the innermost anchor the scan reached the folder's files through
};

// A folder through which a scan reached entries: a scanned folder under its path as the user gave
// it, or a folder link the scan followed out of the scanned folder, under the link's own path.
// An entry's full path is its anchor's path followed by names of real folders, so that opening
// it again follows symbolic links only in a scanned folder's own path and at the last component
// of each link anchor's path (the part before that lies under the link's parent anchor).
struct TScanAnchor {
    std::string Path;            // ends in the separator
    // Where the folder really is (absolute, links and ".." resolved, ending in the separator), for
    // what must not depend on how the path was spelled; empty when the scan could not tell.
    std::string RealPath;
    TAnchorIndex Parent = NoAnchor;  // the anchor the link lies under; NoAnchor for a scanned folder
    TFileIdentity Folder;        // the folder it led to when scanned
    bool IsLink() const noexcept { return Parent != NoAnchor; }
};

// What an entry carries beyond its record, shown as its hint: a keep rule holds it back (it
// starts unchecked; checking it makes it an ordinary entry again), the last deletion kept its
// file, or an undo could not put its file back, and why.
enum class TEntryNote : std::uint8_t {
    None,
    HeldByRule,            // matches a keep rule
    HeldByRepository,      // lies in a version-control store, whatever it is called
    KeptChanged,           // no longer the empty file the scan found
    KeptInUse,             // another program holds a lock on it
    KeptPermissionDenied,  // its folder does not let us remove it
    KeptPathGone,          // a folder on its path is gone: the path no longer leads to it
    KeptNoTrash,           // to go to the trash, and its file system has no usable trash
    KeptOtherError,        // any other failure
    KeptReadOnly,          // its file system is mounted read-only
    KeptLockUnknown,       // nothing could tell whether another program holds a lock on it
    KeptNotEmpty,          // a folder that holds something other than empty folders now
    KeptScanned,           // a folder the user scanned
    KeptHoldsScanned,      // a folder holding a folder the user scanned
    // Not put back out of the trash by an undo: the file stays there.
    TrashNameTaken,         // another file holds its path now
    TrashGone,              // no longer in the trash as it was put there
    TrashFolderGone,        // the folder it came from is gone
    TrashPermissionDenied,  // its folder does not let us put it back
    TrashReadOnly,          // its file system is mounted read-only
    TrashOtherError,        // any other failure
    KeptTooManyAttributes,  // its extended attributes pass what an undo record keeps
    // Not made again from a final deletion's undo record.
    UndoNameTaken,          // another file holds its path now
    UndoGone,               // no longer in the undo record (dropped, or another run undid it)
    UndoFolderGone,         // the folder it was in is gone, or another folder has its path now
    UndoOtherError,         // any other failure
};

// Whether the note holds the entry back from "Delete All" until it is checked by hand.
constexpr bool IsHeld(TEntryNote note) noexcept {
    return note == TEntryNote::HeldByRule || note == TEntryNote::HeldByRepository;
}

struct TListEntry {
    TFileRecord Record;
    TFileIdentity Identity;
    TCheckState CheckState = TCheckState::Unchecked;
    TCheckType CheckType = TCheckType::None;
    // For each time field, two bits from "Create Time" on: which instant its local text means
    // where the clocks were turned back and the text stands for two (TTimeReading's values).
    std::uint8_t TimeReadings : 6 = 0;
    TEntryKind Kind : 2 = TEntryKind::File;
    TEntryNote Note = TEntryNote::None;
    // The folder a scan found the file in: its "Full Path" is that folder's path followed by the
    // record's path tail. NoFolder for an entry whose record holds its "Full Path" whole.
    TFolderIndex Folder = NoFolder;
};
// A million entries are a list people scan: each byte here is a megabyte there.
static_assert(sizeof(TListEntry) == 32);

// The reading of a time field's text (0 the only one, 1 the earlier, 2 the later of two); 0 for
// any other field.
inline std::uint8_t TimeReadingOf(const TListEntry& entry, int field) noexcept {
    if (field < fiCreateTime || field > fiWriteTime) return 0;
    return static_cast<std::uint8_t>((entry.TimeReadings >> (2 * (field - fiCreateTime))) & 3u);
}
inline void SetTimeReading(TListEntry& entry, int field, std::uint8_t reading) noexcept {
    const int shift = 2 * (field - fiCreateTime);
    entry.TimeReadings = static_cast<std::uint8_t>(((entry.TimeReadings & ~(3u << shift)) | ((reading & 3u) << shift)) & 0x3Fu);
}

inline constexpr std::size_t NoEntry = std::numeric_limits<std::size_t>::max();

}  // namespace nulvane
