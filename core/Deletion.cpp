#include "core/Deletion.h"

#include <algorithm>

namespace nulvane {

TRemoveResult RemoveFileFromDisk(const std::string& path, const TFileIdentity& identity) {
    TFileRemover remover;
    return remover.Remove(path, identity.Device, identity.Inode);
}

TRemoveResult DeleteEntry(TResultList& list, std::size_t index) {
    const TListEntry& entry = list.Entry(index);
    const TUpdateBracket::TUpdateScope update(list);
    TFileRemover remover;
    const TRemoveResult result = remover.Remove(list.FullPath(entry), entry.Identity.Device, entry.Identity.Inode);
    if (result.Removed()) list.Remove(index);
    return result;
}

TDeleteSummary DeleteCheckedEntries(TResultList& list) {
    TDeleteSummary summary;
    const TUpdateBracket::TUpdateScope update(list);
    TFileRemover remover;
    TEntryTexts texts(list);
    list.RemoveIf([&](std::size_t, TListEntry& entry) {
        if (entry.CheckState != TCheckState::Checked) return false;
        const std::string_view path = texts.FullPath(entry);
        const TRemoveResult result = remover.Remove(path, entry.Identity.Device, entry.Identity.Inode);
        switch (result.Outcome) {
        case TRemoveOutcome::Deleted: ++summary.Deleted; return true;
        case TRemoveOutcome::Missing: ++summary.Missing; return true;
        case TRemoveOutcome::Kept: break;
        }
        summary.Kept.push_back({std::string(path), result});
        return false;
    });
    std::reverse(summary.Kept.begin(), summary.Kept.end());
    return summary;
}

}  // namespace nulvane
