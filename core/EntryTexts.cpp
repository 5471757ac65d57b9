#include "core/EntryTexts.h"

#include "core/ResultList.h"

namespace nulvane {

std::string_view TEntryTexts::Get(const TListEntry& entry, int field) {
    if (field != fiFullPath) return entry.Record.Get(field);
    if (!List_) {
        if (!entry.Record.HasPathTail()) return entry.Record.Get(fiFullPath);
        Path_.resize(FolderLength_);
        return Path_ += entry.Record.PathTail();
    }
    const TResultList::TPathParts parts = List_->PathParts(entry);
    if (parts.Folder == NoFolder) return parts.Rest;
    if (parts.Folder != Folder_) {
        Path_.clear();
        List_->AppendFolderPath(parts.Folder, Path_);
        Folder_ = parts.Folder;
        FolderLength_ = Path_.size();
    }
    Path_.resize(FolderLength_);
    return Path_ += parts.Rest;
}

}  // namespace nulvane
