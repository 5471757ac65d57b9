#pragma once
// Undo records: what makes again the entries a final deletion took away for good, so that a final
// deletion can be taken back as a move to the trash can, without a trash.
//
// A deletion's removers write the record into their journals (DeletionJournal.h) just before each
// entry goes: its folder (real path and identity), its name, and what makes it the entry it was
// (EntryMetadata.h), for a folder also each folder inside it. One record per deletion, named by an
// ID (13 hexadecimal digits of the microsecond the deletion began, then 3 random ones, so that IDs
// sort as the deletions began), held in the state folder as the parts its journals became
// ("undo-ID.deletion-PID-HEX.journal", one or more a remover: a long deletion goes on in a new
// journal every few megabytes, and each keeps its records). Records are kept for 30 days and for the
// last 20 deletions, whichever is less, all of them within MaxUndoBytes (the newest always), the
// oldest dropped first (PruneUndoRecords, after each deletion).
//
// A record acts on files, so it is read as the recovery reads journals: only from a state folder
// private to the user, only parts that are regular files of the effective user opened without
// following a link, no larger than a journal grows, every line a record of ours (every name one path
// component, every folder a real path). Every part is read before anything is done: one of another
// user, or in a folder others may write, refuses the record and is named; one of ours that is not in
// form sets the whole record aside (each part renamed "….damaged") and is named, never half obeyed.
// An open record holds its parts locked, so two runs never work one record at once.
//
// Each entry comes back only where its name is free, in its folder opened from the root without
// following a link and found with the recorded identity; nothing is ever replaced. A file is made
// without a name (O_TMPFILE) and given its name once whole, so that a kill leaves nothing half made;
// a folder (with the folders inside it), or a file where the file system cannot make one without a
// name, is made under a private name recorded first in the undo's own journal, and renamed to its
// name, without replacing anything, once whole: a kill leaves it under the private name, and the
// next run's recovery takes it away again (TRecovery::Unmade). An entry that is already back (the
// very entry, which never went, or one an earlier undo made again: of its kind, with the recorded
// mode and write time) counts as back, so an undo stopped or killed half way is finished by the
// next. A record whose every entry is back is removed.
//
// What cannot come back: the birth time and the change time (the kernel sets both when an entry is
// made), the inode number, and the bond between two names of one file, each of which comes back as
// a file of its own.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files/journal/DeletionJournal.h"
#include "platform/files/FileDescriptor.h"

namespace nulvane {

// The bound on all undo records together.
inline constexpr std::uint64_t MaxUndoBytes = std::uint64_t{256} << 20;

// A new record's ID, from the clock and a random number.
std::string NewUndoRecordId();
// When the deletion of the record `id` began, in seconds since 1970 (0 for no ID).
std::int64_t UndoRecordTime(std::string_view id) noexcept;

// What kept undo records from being used: parts not trusted, and damaged ones set aside.
struct TUndoProblems {
    std::vector<std::string> NotUsed;     // "PATH is owned by uid N"
    std::vector<TRecoveredFile> Damaged;  // Path the part, Now where it was set aside, Reason why
};

// One record as --undo-list shows it.
struct TUndoRecordInfo {
    std::string Id;
    std::int64_t Time = 0;  // seconds since 1970
    std::size_t Files = 0, Folders = 0;
    std::string Where;          // the folder holding every folder its entries were in
    std::size_t WhereCount = 0; // how many folders those were
};

struct TUndoListing {
    std::vector<TUndoRecordInfo> Records;  // newest first
    TUndoProblems Problems;
    std::string Problem;  // why the state folder could not be read, in words; empty when it could
};

// The records kept for this user.
TUndoListing ListUndoRecords(const std::string& folder = DeletionJournalFolder());
// Drops what the bounds above leave out; parts another run holds stay.
void PruneUndoRecords(const std::string& folder = DeletionJournalFolder());

enum class TUndoOutcome : std::uint8_t {
    PutBack,      // made again under its name
    AlreadyBack,  // its name holds it already (it never went, or an earlier undo made it again)
    NameTaken,    // another entry holds its name: nothing made
    FolderGone,   // its folder is gone, or another folder has its path now (Reason says which)
    Failed,       // anything else: Error says why
};

struct TUndoResult {
    TUndoOutcome Outcome = TUndoOutcome::Failed;
    int Error = 0;
    std::string Reason;          // for FolderGone, in words
    unsigned Lost = LostNothing;  // what could not be set on what was made (TMetadataLoss bits)
};

class TUndoRecord {
public:
    // Opens the record `id` (or the only one whose ID begins so), or the newest for an empty `id`:
    // null, with `problem` in words and what was not used or set aside in `problems`, when there is
    // none or it cannot be used.
    static std::unique_ptr<TUndoRecord> Open(std::string_view id, std::string& problem, TUndoProblems& problems,
                                             const std::string& folder = DeletionJournalFolder());
    ~TUndoRecord();
    TUndoRecord(const TUndoRecord&) = delete;
    TUndoRecord& operator=(const TUndoRecord&) = delete;

    const std::string& Id() const noexcept { return Id_; }
    // The entries that went: files and folders, in the order they went (the folders inside a folder
    // come back with it).
    std::size_t Count() const noexcept { return Tops_.size(); }
    std::string Path(std::size_t entry) const;
    bool Folder(std::size_t entry) const { return Entry(entry).Metadata.Folder; }
    // The entry that was `path` (its name in the folder, however the folder's path was spelled), on
    // `device` with `inode`; Count() when none.
    std::size_t Find(std::string_view path, std::uint64_t device, std::uint64_t inode);

    TUndoResult PutBack(std::size_t entry);
    // Whether every entry is back (put back now or earlier): then the record is removed.
    bool RemoveIfAllBack();

private:
    TUndoRecord() = default;
    const TUndoEntry& Entry(std::size_t entry) const { return Entries_.at(Tops_.at(entry)); }
    // The recorded folder `index`, open (O_PATH), or -1 with `reason`.
    int FolderFd(std::size_t index, std::string& reason);
    TUndoResult PutBackFile(int folderFd, const TUndoEntry& entry);
    // The folder `entry` of the open folder `parentFd`, with what was inside it.
    TUndoResult PutBackFolder(int parentFd, std::size_t entry);
    // Makes the folder `entry` with what was inside it under a private name of `parentFd`, and
    // gives it its name.
    TUndoResult MakeFolder(int parentFd, std::size_t entry);
    // Makes the folders inside the folder `entry`, open as `fd`, then sets its own metadata.
    int MakeInside(int fd, std::size_t entry, unsigned& lost, unsigned depth);
    // Records in the undo's journal that `name` is about to be made under `aside` of `folderFd`.
    int RecordMaking(int folderFd, const char* aside, const std::string& name);

    std::string Id_;
    std::string Folder_;                    // the state folder
    TFd StateFd_;
    std::vector<std::string> PartNames_;
    std::deque<TFd> Parts_;                  // held locked while the record is open
    std::vector<TUndoFolder> Folders_;
    std::vector<TUndoEntry> Entries_;
    std::vector<std::size_t> Tops_;          // the entries that went, by their place in Entries_
    std::vector<std::vector<std::size_t>> Inside_;  // for each entry, the folders inside it
    std::vector<bool> Back_;                 // for each of Tops_
    std::unordered_multimap<std::uint64_t, std::size_t> ByInode_;  // of Tops_, made by the first Find
    std::map<std::size_t, std::pair<TFd, std::string>> Open_;    // recent folders, or why not
    std::map<std::size_t, std::uint64_t> Remade_;  // folders this undo made again: entry -> new inode
    std::map<std::size_t, std::size_t> RemadeFolders_;  // of Folders_, made again: -> their entry
    std::set<std::size_t> Refilled_;                    // of those, the ones given back files
    std::map<std::size_t, TUndoResult> Early_;          // of Tops_, put back before their turn
    std::unique_ptr<TDeletionJournal> Journal_;  // what the undo is making, made when first needed
};

}  // namespace nulvane
