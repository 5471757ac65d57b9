#pragma once
// Deleting listed files from disk: one file, the focused entry ("&Delete") and every checked
// entry ("Delete &All"), without the questions the commands ask first.
//
// Only what the scan found is ever deleted: an entry's file goes only when its path still names a
// regular file of zero bytes with the device and inode recorded at the scan, that no other program
// holds a lock on (see platform/files/removal/FileRemoval.h). An entry whose file is gone leaves the list;
// an entry whose file was kept (changed, permission denied, in use, path no longer leading to it,
// no trash) stays, with its check state and a note that says why, so that a failure is never shown
// as a success. Each path is opened as the scan walked it: through the links the scan followed
// (the list's anchors), and no others.
//
// Deletion is final unless the options send the files to the trash (platform/files/trash/Trash.h),
// where the desktop's tools can restore them. A final deletion keeps an undo record
// (platform/files/journal/UndoRecords.h) that makes its files and folders again: the window's "Undo" and
// nulvane-cli --undo.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ResultList.h"
#include "platform/files/removal/FileRemoval.h"
#include "platform/system/LongWork.h"
#include "platform/files/trash/TrashRestore.h"

namespace nulvane {

struct TKeptFile {
    std::string Path;
    TRemoveResult Result;  // Outcome is Kept; Result.ReasonText() says why
    bool Folder = false;   // an empty folder's entry
};

struct TDeleteSummary {
    std::size_t Deleted = 0;
    std::size_t Missing = 0;        // entries whose file was already gone; removed from the list
    std::size_t Folders = 0;        // checked entries that stand for empty folders
    std::size_t DeletedFolders = 0; // of Deleted and Missing, those of folders
    std::size_t MissingFolders = 0;
    std::vector<TKeptFile> Kept;    // in list order
    bool Stopped = false;           // a stop request ended the deletion before it was through
    std::size_t NotReached = 0;     // checked entries the stop left as they were
    // Why the journal that puts back what a killed deletion left (in JournalFolder) could not be
    // written, 0 when it could, and JournalProblem in words. No journal, no deletion: when it could
    // not be made at the start, nothing was deleted (NotStarted, every checked entry NotReached);
    // when it failed on the way, each file it could no longer record was kept.
    int JournalError = 0;
    std::string JournalFolder;
    std::string JournalProblem;
    bool NotStarted = false;
    // The undo record that makes again what a final deletion deleted; empty when it deleted nothing
    // (or went to the trash).
    std::string UndoRecord;
};

// A file a deletion moved to the trash, and the entry it had in the list: what taking it back
// needs.
struct TTrashedEntry {
    TTrashedFile File;
    TListEntry Entry;
};

// A file (or empty folder) a final deletion deleted, and the entry it had in the list.
struct TDeletedEntry {
    std::string Path;
    std::uint64_t Device = 0, Inode = 0;
    TListEntry Entry;
};

// What a final deletion took away, for the window's "Undo": its undo record and each file.
struct TDeletedFiles {
    std::string Record;                  // empty when none was kept
    std::vector<TDeletedEntry> Entries;  // in list order
};

struct TDeleteOptions {
    // Move each file to the trash of its file system instead of deleting it; a file whose file
    // system has no usable trash is kept.
    bool ToTrash = false;
    // With ToTrash, when given: gets each file moved to the trash with its entry, in list order.
    std::vector<TTrashedEntry>* Trashed = nullptr;
    // Without ToTrash, when given: gets the undo record and each deleted file with its entry.
    TDeletedFiles* Deleted = nullptr;
};

// Deletes the entry's file and removes the entry from the list, unless the file was kept. Throws
// EListError for an index outside the list. When the deletion's journal cannot be made, nothing is
// touched: the result is kept with the journal's error, and `journalProblem` (when given) says why.
TRemoveResult DeleteEntry(TResultList& list, std::size_t index, const TDeleteOptions& options = {},
                          std::string* journalProblem = nullptr);

// Deletes the files of the checked entries under the list's update bracket, then the folders of
// the checked folder entries, deepest first. Unchecked entries and
// entries whose file was kept stay in the list; the summary names the kept ones in list order.
//
// As long work for `work` it counts the checked entries as Total and those dealt with as Done,
// and looks at the stop request between two files: once asked to stop, it deletes no
// further file, and the entries not reached stay in the list, checked.
//
// Files are removed folder by folder, as a walk meets them, last entry first within a folder: a
// list in name order would visit its folders round and round. A long list is worked through by
// two threads, each taking whole folders (two removals in one folder would only wait for each
// other), and names of one file (hard links) after them on one thread; each entry's outcome is
// applied afterwards, so the list and the summary are what one thread would have made. No folder
// the list's scans were made of is deleted, nor a folder holding one.
TDeleteSummary DeleteCheckedEntries(TResultList& list, TLongWork& work, const TDeleteOptions& options = {});

}  // namespace nulvane
