#include "core/Undo.h"

#include <cerrno>

#include "platform/system/ScopeGuard.h"

namespace nulvane {

TPutBackResult TTrashUndo::PutBack(std::size_t item, TLongWork& /*work*/) {
    const TRestoreResult result = RestoreFromTrash(Files_.at(item).File);
    switch (result.Outcome) {
    case TRestoreOutcome::Restored: return {TPutBackOutcome::PutBack, 0};
    case TRestoreOutcome::NameTaken: return {TPutBackOutcome::NameTaken, result.Error};
    case TRestoreOutcome::Gone: return {TPutBackOutcome::Gone, result.Error};
    case TRestoreOutcome::Failed: break;
    }
    return {TPutBackOutcome::Failed, result.Error};
}

void TTrashUndo::DropFirst(std::size_t count) {
    Files_.erase(Files_.begin(), Files_.begin() + static_cast<std::ptrdiff_t>(std::min(count, Files_.size())));
    if (Files_.empty()) Files_.shrink_to_fit();
}

TEntryNote NotPutBackNote(const TPutBackResult& result) noexcept {
    switch (result.Outcome) {
    case TPutBackOutcome::PutBack: return TEntryNote::None;
    case TPutBackOutcome::NameTaken: return TEntryNote::TrashNameTaken;
    case TPutBackOutcome::Gone: return TEntryNote::TrashGone;
    case TPutBackOutcome::Failed: break;
    }
    switch (result.Error) {
    case ENOENT:
    case ENOTDIR: return TEntryNote::TrashFolderGone;
    case EACCES:
    case EPERM: return TEntryNote::TrashPermissionDenied;
    case EROFS: return TEntryNote::TrashReadOnly;
    default: return TEntryNote::TrashOtherError;
    }
}

TUndoSummary RunUndo(TResultList& list, TUndoBatch& batch, TLongWork& work) {
    TUndoSummary summary;
    const std::size_t count = batch.Count();
    work.DoneText.store(PutBackCountsText, std::memory_order_relaxed);
    work.Total.store(count, std::memory_order_relaxed);
    std::size_t item = 0, dealt = 0;
    // Whatever ends the run, a file dealt with must not be put back a second time.
    const TScopeGuard drop([&] { batch.DropFirst(dealt); });
    const TResultList::TUpdateScope update(list);
    for (; item < count && !work.StopRequested(); ++item) {
        const TPutBackResult result = batch.PutBack(item, work);
        const bool folder = batch.Folder(item);
        summary.WithFolders |= folder;
        TListEntry entry = batch.TakeEntry(item);
        dealt = item + 1;
        if (result.Outcome == TPutBackOutcome::PutBack) {
            ++summary.PutBack;
            summary.PutBackFolders += folder;
        } else {
            entry.CheckState = TCheckState::Unchecked;
            entry.Note = NotPutBackNote(result);
            summary.NotPutBack.push_back({batch.Path(item), result, folder});
        }
        list.Append(std::move(entry));
        TLongWork::Add(work.Done, 1);
    }
    summary.Left = count - item;
    summary.Stopped = summary.Left > 0;
    return summary;
}

}  // namespace nulvane
