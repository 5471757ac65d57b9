#include "core/Undo.h"

#include <algorithm>
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

TDeletionUndo::TDeletionUndo() = default;
TDeletionUndo::~TDeletionUndo() = default;

TPutBackResult TDeletionUndo::PutBack(std::size_t item, TLongWork& /*work*/) {
    const TDeletedEntry& file = Files_.Entries.at(item);
    if (!Record_ && RecordError_ == 0) {
        std::string problem;
        TUndoProblems problems;
        Record_ = TUndoRecord::Open(Files_.Record, problem, problems);
        // Taken apart only by another run, damaged or dropped: none of its files can come back.
        if (!Record_ || Record_->Id() != Files_.Record) {
            Record_.reset();
            RecordError_ = ENOENT;
        }
    }
    if (!Record_) return {TPutBackOutcome::Gone, RecordError_};
    const std::size_t entry = Record_->Find(file.Path, file.Device, file.Inode);
    if (entry == Record_->Count()) return {TPutBackOutcome::Gone, ENOENT};
    const TUndoResult result = Record_->PutBack(entry);
    const bool partly = (result.Lost & (LostOwner | LostAttributes)) != 0;
    switch (result.Outcome) {
    case TUndoOutcome::PutBack:
    case TUndoOutcome::AlreadyBack: return {TPutBackOutcome::PutBack, 0, partly};
    case TUndoOutcome::NameTaken: return {TPutBackOutcome::NameTaken, 0};
    case TUndoOutcome::FolderGone: return {TPutBackOutcome::Failed, ENOENT};
    case TUndoOutcome::Failed: break;
    }
    return {TPutBackOutcome::Failed, result.Error};
}

void TDeletionUndo::DropFirst(std::size_t count) {
    auto& entries = Files_.Entries;
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(std::min(count, entries.size())));
    if (!entries.empty()) return;
    entries.shrink_to_fit();
    // Every file of the deletion is back: its record has done its work.
    if (Record_) Record_->RemoveIfAllBack();
    Record_.reset();
}

TEntryNote NotPutBackNote(const TPutBackResult& result, bool fromTrash) noexcept {
    if (!fromTrash) {
        switch (result.Outcome) {
        case TPutBackOutcome::PutBack: return TEntryNote::None;
        case TPutBackOutcome::NameTaken: return TEntryNote::UndoNameTaken;
        case TPutBackOutcome::Gone: return TEntryNote::UndoGone;
        case TPutBackOutcome::Failed: break;
        }
        return result.Error == ENOENT || result.Error == ENOTDIR ? TEntryNote::UndoFolderGone : TEntryNote::UndoOtherError;
    }
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
    summary.FromTrash = batch.FromTrash();
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
            summary.WithoutOwner += result.Partly;
        } else {
            entry.CheckState = TCheckState::Unchecked;
            entry.Note = NotPutBackNote(result, summary.FromTrash);
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
