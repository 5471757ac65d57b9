#pragma once
// The reader of many entries' field texts, for a pass over a list (an export, a sort, the command
// line's output) or over the entries a streamed scan passes on: the list's one-field accessor
// (TResultList::FieldText) composes a scanned entry's "Full Path" each time, this reader composes
// each folder's path once for all the entries in it.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/ListEntry.h"

namespace nulvane {

class TResultList;

// Reads the field texts of one list's entries for a reader that goes through many of them (an
// export, a sort, the command line's output): the path of the last folder is composed once and
// kept. "Full Path" it returns stays valid until its next call; every other field views into the
// entry and stays valid while the entry is unchanged. One reader per thread, for one pass over a
// list whose folders do not change meanwhile.
class TEntryTexts {
public:
    explicit TEntryTexts(const TResultList& list) noexcept : List_(&list) {}
    // For entries that lie in no list, all found in one folder, as a streamed scan passes them on:
    // the folder's path (ending in the separator) is given here instead of a list's folder table.
    explicit TEntryTexts(std::string_view folder) : FolderLength_(folder.size()), Path_(folder) {}

    // For a streamed scan's next folder: the entries read from now on lie in `folder` (ending in
    // the separator), in no list.
    void SetFolder(std::string_view folder) {
        List_ = nullptr;
        Folder_ = NoFolder;
        Path_.assign(folder);
        FolderLength_ = folder.size();
    }

    std::string_view Get(const TListEntry& entry, int field);
    std::string_view FullPath(const TListEntry& entry) { return Get(entry, fiFullPath); }

private:
    const TResultList* List_ = nullptr;  // none: every entry lies in the folder in Path_
    TFolderIndex Folder_ = NoFolder;     // whose path Path_ starts with
    std::size_t FolderLength_ = 0;
    std::string Path_;
};

}  // namespace nulvane
