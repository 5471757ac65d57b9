#pragma once
// What puts back a file that a deletion moved aside, should the deletion be killed before it is
// through. A deletion moves each file to a private name in its folder (or from there into the
// trash) before it checks it and lets it go; a process can be killed between any two system calls,
// and a file left under a private name has lost its name: nothing else knows it.
//
// So before a name is moved aside, the deletion writes down what puts it back: the folder (its
// real path, device and inode), the private name, the file's own name and its device and inode;
// before a file goes into the trash, the trash folder, the private name its info file is written
// under with the path and date it holds, and then the entry name and inode that info file takes.
// The record goes into a journal in the XDG state folder ($XDG_STATE_HOME/nulvane, by default
// ~/.local/state/nulvane), one journal per remover, locked (flock) while its remover lives. A
// remover that is through with nothing left under a private name removes its journal. No journal,
// no deletion: a remover whose journal cannot be written moves nothing aside.
//
// A record costs no system call: the journal is mapped into memory (MAP_SHARED) in blocks that are
// reserved on the disk first (posix_fallocate, so that writing into them cannot fail for want of
// room), and a record is copied into the mapping, its line end last. What a process wrote there is
// in the file the moment it is written, killed or not. Where a file system cannot map the journal,
// each record is written with one write.
//
// Every run of either program first recovers the journals nobody holds a lock on: the journal of a
// live run, in this process or another, is never touched. Since it acts on files by itself, the
// recovery trusts nothing it did not write: it reads a journal only from a state folder private to
// the effective user (PrivateFolder.h), only when the journal is a regular file of that user opened
// without following a link, no larger than a journal can grow (a remover starts a new one, carrying
// over what is still under a private name, before its journal passes a bound), and only when every
// line of it is a record of ours: each name one path component, each private name of the form the
// removers make, each folder an absolute path without "." or "..". A journal owned by anyone else,
// or in a folder another user could write, is left as it is and named; one of ours that is not in
// that form, cannot be read or is too large is renamed aside ("NAME.damaged") and named, never half
// obeyed.
//
// For each private name in a folder that is still the folder recorded (opened from the root one
// component at a time without following a link, with the same device and inode), the file under it
// goes back to its name, never replacing anything: beside it as "NAME.nulvane-kept" when the name
// was taken meanwhile. A private name served several files one after another (each moved onto the
// one before to remove it), so the file there is matched by its device and inode to the record it
// belongs to. Only what a remover itself moves aside is moved back: an empty regular file, or a
// folder empty all the way down, with a recorded identity; anything else found under a private
// name is named where it is and left alone. The trash's records name the info file a deletion made,
// by its own private name while it is written, then by its entry name and inode: only that file is
// removed, and only while it holds the path and date written, when its entry never received the
// file. What cannot be put back (a folder gone or moved, another file under the private name) is
// named with where it is, and its journal is kept (".waiting") for later runs, which try again
// without a word (what they put back they say) and give it up after 30 days.
//
// A final deletion that can be undone (UndoRecords.h) also writes, just before each entry goes for
// good, what makes it again: its name and metadata (EntryMetadata.h), and for a folder the same for
// each folder inside it. Such a journal names its undo record at its start; once nothing of its own
// is left under a private name it is not removed but kept as a part of that record
// ("undo-ID.deletion-PID-HEX.journal"), also when a long deletion goes on in a new journal and when
// a recovery is through with the journal of a killed one: every entry that went stays undoable.
// An undo writes a journal of its own, which records each entry it is about to make under a private
// name; the recovery of a killed undo removes what it left half made, and says so.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files/EntryMetadata.h"
#include "platform/files/FileDescriptor.h"

namespace nulvane {

// $XDG_STATE_HOME/nulvane, or ~/.local/state/nulvane when XDG_STATE_HOME is unset, empty or
// relative (the XDG base directory rules).
std::string DeletionJournalFolder();

// A folder inside a folder that goes for good, as its deletion records it: the first of a tree is
// the folder itself, each other names the one that holds it by its place in the tree.
struct TGoneFolder {
    std::string_view Name;
    std::size_t Parent = 0;
    TEntryMetadata Metadata;
};

class TDeletionJournal {
public:
    // Nothing is written until the first record, or Start().
    explicit TDeletionJournal(std::string folder = DeletionJournalFolder());
    // Removes the journal unless something it records was left under a private name.
    ~TDeletionJournal();
    TDeletionJournal(const TDeletionJournal&) = delete;
    TDeletionJournal& operator=(const TDeletionJournal&) = delete;

    // Records that `name` in the open folder `folderFd`, the file `device` and `inode`, is about to
    // be moved to `aside` in the same folder. 0, or the error number that kept it from the record.
    int RecordMove(int folderFd, std::string_view aside, std::string_view name, std::uint64_t device,
                   std::uint64_t inode) noexcept;
    // Makes the journal file now, when it is not made yet: 0, or the error number that keeps
    // records from being written (Problem() says it in words). A deletion that cannot keep its
    // journal does not start: a kill could then lose names.
    int Start() noexcept;

    // Records that the info file for the file under `aside` in `folderFd` is about to be made as
    // "info/TEMP" in the trash whose folder is open as `trashFd`, with `path` (as the info file's
    // Path holds it) and `date`.
    int RecordTrash(int folderFd, std::string_view aside, int trashFd, std::string_view temp, std::string_view path,
                    std::string_view date) noexcept;
    // Records that the info file made under the name RecordTrash recorded, the inode `infoInode`,
    // is about to be renamed "info/ENTRY.trashinfo", and the file to go into the trash as `entry`.
    int RecordTrashEntry(int folderFd, std::string_view aside, int trashFd, std::string_view entry,
                         std::uint64_t infoInode) noexcept;

    // Makes the journal a part of the undo record `id` (UndoRecords.h): from its start on it names
    // the record and takes what RecordGone records, and it is kept as a part of the record where
    // it would be removed. Called before the first record.
    void KeepUndoRecord(std::string id) { UndoId_ = std::move(id); }
    // Records what makes again the file `name` of the open folder `folderFd` (`entry`), which is
    // about to go for good; or the folder `name` with the folders inside it (`tree`).
    int RecordGone(int folderFd, std::string_view name, const TEntryMetadata& entry) noexcept;
    int RecordGoneTree(int folderFd, std::span<const TGoneFolder> tree) noexcept;
    // The entry `name` (`inode`) of the folder, recorded last as about to go, did not go after all.
    int RecordNotGone(int folderFd, std::string_view name, std::uint64_t inode) noexcept;
    // An undo is about to make `name` of the open folder again under its private name `aside`.
    int RecordMaking(int folderFd, std::string_view aside, std::string_view name) noexcept;

    // Whether the journal has grown past its bound: the remover then starts a new one (Rotate)
    // before it moves the next file aside.
    bool Full() const noexcept;
    // Goes on in a new journal file: `carry` records in it what is still under a private name; then
    // the old file is removed. On a failure the old file goes on as it was and the error is returned.
    int Rotate(const std::function<int(TDeletionJournal&)>& carry) noexcept;

    // The folder descriptor `fd` is about to be closed: a later folder of that number is another.
    void FolderClosed(int fd) noexcept;
    // A file was left under a private name: the journal stays for the next run to put it back.
    void KeepForRecovery() noexcept { Keep_ = true; }

    // Why records cannot be written, 0 while they can; set by the first failure that is not a
    // shortage of descriptors or memory (those are tried again with the next record).
    int Error() const noexcept { return Error_; }
    // Error() in words, with the folder or file it concerns.
    std::string Problem() const;
    const std::string& Folder() const noexcept { return Folder_; }

private:
    // One journal file and the block of it mapped for writing.
    struct TFile {
        TFd Fd;
        std::string Path;
        char* Block = nullptr;        // the mapped block, or null (plain writes)
        std::size_t BlockSize = 0;
        std::size_t Used = 0;         // bytes of the block written
        std::uint64_t End = 0;        // the file offset past the block (or past the last write)
        bool Gone = false;            // records an entry that went for good: a part of the undo record
        TFile() = default;
        TFile(TFile&& other) noexcept;
        TFile& operator=(TFile&& other) noexcept;
        ~TFile();
    };
    int Open() noexcept;
    unsigned FolderId(int fd, std::string& line);
    // Writes one record about an entry of the open folder `folderFd`: opens the journal, puts the
    // folder's own record on the line when the folder is new to it, then lets `write` add the entry's
    // record and append the line; an error number, or 0.
    template <class TWrite>
    int RecordIn(int folderFd, TWrite write) noexcept;
    int Append(std::string_view line) noexcept;
    // Reserves and maps the next block, or turns to plain writes where mapping is not offered.
    int NextBlock(std::size_t needed) noexcept;
    int Fail(int error) noexcept;
    // What becomes of a journal file its remover is through with: a part of the undo record, or
    // nothing.
    void Finish(TFile& file) noexcept;
    void AppendGone(char kind, std::uint64_t folderOrParent, std::string_view name, const TEntryMetadata& entry);

    std::string Folder_;
    TFile File_;
    bool Mapped_ = true;          // whether blocks are mapped at all
    int Error_ = 0;
    std::string Problem_;         // why the state folder cannot be used, in words
    bool Keep_ = false;
    std::string UndoId_;          // the undo record this journal is a part of, or empty
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
    // Journals (or a state folder) not trusted and left as they are, each in words: "PATH is owned
    // by uid N".
    std::vector<std::string> NotUsed;
    // Journals of ours that could not be obeyed: Path the journal, Now where it was set aside (empty
    // when it could not be renamed), Reason why.
    std::vector<TRecoveredFile> Damaged;
    // Entries an undo killed half way was making, taken away again (a later undo makes them): each
    // path they were to have.
    std::vector<std::string> Unmade;
    // Journals that waited 30 days for what they record to be put back, and were removed.
    std::vector<std::string> GivenUp;
    std::size_t Count() const noexcept { return PutBack + KeptBeside.size(); }
    // Whether anything could not be put back or obeyed.
    bool Failed() const noexcept { return !Left.empty() || !Damaged.empty(); }
};

// Puts back what every journal in `folder` that no live run holds records as still under a private
// name, removes the orphaned info files it records, and removes the journals (but those that still
// record something that could not be put back). Never throws for anything the file system does.
TRecovery RecoverInterruptedDeletions(const std::string& folder = DeletionJournalFolder());

// --- Reading undo records (UndoRecords.h) ---------------------------------------------------------

// A folder an undo record names, by its real path and identity.
struct TUndoFolder {
    std::string Path;
    std::uint64_t Device = 0, Inode = 0;
};

inline constexpr std::size_t NoUndoParent = static_cast<std::size_t>(-1);

// An entry that went for good: a file or folder of one of the part's folders, or a folder inside
// such a folder (Parent, its place among the part's entries).
struct TUndoEntry {
    std::size_t Folder = 0;  // among TUndoPart::Folders (that of the top folder for a folder inside)
    std::size_t Parent = NoUndoParent;
    std::string Name;
    TEntryMetadata Metadata;
};

struct TUndoPart {
    std::string Id;
    std::vector<TUndoFolder> Folders;
    std::vector<TUndoEntry> Entries;  // in the order they went, a folder before those inside it
};

// Whether `name` is the file name of a part of an undo record ("undo-ID.deletion-PID-HEX.journal"),
// with `id` set to its record's ID.
bool IsUndoPartName(std::string_view name, std::string_view* id = nullptr) noexcept;

enum class TJournalRead : std::uint8_t {
    Read,     // read and in form: `part` holds it, `locked` holds it open and locked
    NotOurs,  // not trusted (another user's, a link, may be written by others): `problem` says why
    Damaged,  // of ours, but not in form or not readable: `problem` says why
    InUse,    // another run holds it
    Gone,     // no longer there
    Failed,   // could not be looked at: `problem` says why
};

// Reads the part `name` of an undo record from the state folder open as `stateFd` (whose path is
// `folder`) under the checks the recovery makes of its journals, holding it locked in `locked`
// when read. A part that names another record than its file name is damaged.
TJournalRead ReadUndoPart(int stateFd, const std::string& folder, const std::string& name, TUndoPart& part,
                          std::string& problem, TFd& locked);

// The recorded folder at the absolute `path`, opened from the root one component at a time without
// following a link (O_PATH), when it still has `device` and `inode`; else -1 with `reason` in words.
int OpenRecordedFolder(const std::string& path, std::uint64_t device, std::uint64_t inode, std::string& reason);

// Removes what an undo was making under the private name `name` of the open folder: an empty file,
// or a folder holding nothing but folders, each empty; 0, or the error (ENOTEMPTY for anything
// else, which stays).
int RemoveUnmade(int folderFd, const char* name) noexcept;

}  // namespace nulvane
