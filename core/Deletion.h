#pragma once
// Deleting listed files from disk: one file, the focused entry ("&Delete") and every checked
// entry ("Delete &All"), without the questions the commands ask first.
//
// Only what the scan found is ever deleted: an entry's file goes only when its path still names a
// regular file of zero bytes with the device and inode recorded at the scan (see
// platform/files/FileRemoval.h). An entry whose file is gone leaves the list; an entry whose file was
// kept (changed, permission denied, in use) stays, with its check state, so that a failure is
// never shown as a success.
#include <cstddef>
#include <string>
#include <vector>

#include "core/ResultList.h"
#include "platform/files/FileRemoval.h"

namespace nulvane {

struct TKeptFile {
    std::string Path;
    TRemoveResult Result;  // Outcome is Kept; Result.ReasonText() says why
};

struct TDeleteSummary {
    std::size_t Deleted = 0;
    std::size_t Missing = 0;        // entries whose file was already gone; removed from the list
    std::vector<TKeptFile> Kept;    // in list order
};

// Deletes the file at `path` when it is still the empty regular file `identity` names.
TRemoveResult RemoveFileFromDisk(const std::string& path, const TFileIdentity& identity);

// Deletes the entry's file and removes the entry from the list, unless the file was kept. Throws
// EListError for an index outside the list.
TRemoveResult DeleteEntry(TResultList& list, std::size_t index);

// Deletes the files of the checked entries, from the last entry to the first, under the list's
// update bracket. Unchecked entries and entries whose file was kept stay in the list. A list in
// name order visits its folders round and round: programs raise their open-file limit at start
// (RaiseOpenFileLimit) so that the remover can keep thousands of folders open.
TDeleteSummary DeleteCheckedEntries(TResultList& list);

}  // namespace nulvane
