#include "core/Deletion.h"

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/files/PathNames.h"
#include "platform/files/trash/Trash.h"
#include "platform/files/journal/UndoRecords.h"
#include "platform/system/LongWork.h"

namespace nulvane {
namespace {

enum class TEntryState : std::uint8_t { Untouched, Deleted, Missing, Kept };

struct TEntryOutcome {
    TEntryState State = TEntryState::Untouched;
    TEntryNote Note = TEntryNote::None;  // why a kept file was kept
};

// Below this many files one thread is as fast: starting a second costs more than it saves.
constexpr std::size_t TwoThreadMinimum = 2'000;
// Done is raised in steps of this many files, so that two threads do not fight over its line.
constexpr std::uint64_t DoneStep = 64;

// The files of "Delete &All", folder after folder (last entry first within one). A thread takes
// the next folder whole when it is done with its last, so that one slowed down by other programs
// does not leave the other idle at the end, and the files of a folder still go one after another.
class TFolderQueue {
public:
    // `entries`, folder after folder; `ends`, where each folder's entries end.
    TFolderQueue(std::vector<std::size_t> entries, std::vector<std::size_t> ends)
        : Entries_(std::move(entries)), Ends_(std::move(ends)) {}
    // No folder is taken from now on.
    void Close() noexcept { Next_.store(Ends_.size(), std::memory_order_relaxed); }
    // Appends the next folder's entries to `to`: false when every folder is taken.
    bool Take(std::vector<std::size_t>& to) {
        const std::size_t folder = Next_.fetch_add(1, std::memory_order_relaxed);
        if (folder >= Ends_.size()) return false;
        const std::size_t begin = folder == 0 ? 0 : Ends_[folder - 1];
        to.insert(to.end(), Entries_.begin() + static_cast<std::ptrdiff_t>(begin),
                  Entries_.begin() + static_cast<std::ptrdiff_t>(Ends_[folder]));
        return true;
    }

private:
    const std::vector<std::size_t> Entries_, Ends_;
    std::atomic<std::size_t> Next_{0};
};

// The checked files' list indices (`checked`, in list order backwards) folder after folder:
// scanned entries by their folder in the list's folder table, in the order the scan met the
// folders, any other by the folder part of its path. Only the pace depends on it: the remover
// itself tells folders apart by their paths.
TFolderQueue ByFolder(const TResultList& list, const std::vector<std::size_t>& checked) {
    const std::size_t folders = list.FolderCount();
    std::vector<std::size_t> ends(folders + 1, 0);  // counts first, then where each folder's files end
    std::vector<std::pair<std::string_view, std::size_t>> others;
    for (const std::size_t index : checked) {
        if (const TFolderIndex folder = list[index].Folder; folder < folders)
            ++ends[folder + 1];
        else
            others.emplace_back(FolderPartOf(list.PathParts(list[index]).Rest), index);
    }
    for (std::size_t f = 1; f <= folders; ++f) ends[f] += ends[f - 1];
    std::vector<std::size_t> entries(checked.size());
    for (const std::size_t index : checked)
        if (const TFolderIndex folder = list[index].Folder; folder < folders) entries[ends[folder]++] = index;
    // Now ends[f] is where folder f ends; folders without a checked file are left out.
    ends.pop_back();
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    if (!ends.empty() && ends.front() == 0) ends.erase(ends.begin());
    std::stable_sort(others.begin(), others.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::size_t at = checked.size() - others.size();
    for (std::size_t n = 0; n < others.size(); ++n, ++at) {
        if (n > 0 && others[n].first != others[n - 1].first) ends.push_back(at);
        entries[at] = others[n].second;
    }
    if (!others.empty()) ends.push_back(at);
    return TFolderQueue(std::move(entries), std::move(ends));
}

// One thread's part of "Delete &All": the list indices it took, in the order it took them.
struct TShare {
    std::vector<std::size_t> Entries;
    TFolderQueue* Queue = nullptr;  // where the thread takes more, when it has one
    std::vector<std::pair<std::size_t, TKeptFile>> Kept;  // with their list index
    std::exception_ptr Error;
    int JournalError = 0;
    std::string JournalFolder, JournalProblem;
};

// What a kept entry shows as its hint: why the deletion kept its file.
TEntryNote NoteFor(const TRemoveResult& result) noexcept {
    switch (result.Reason) {
    case TKeepReason::Changed: return TEntryNote::KeptChanged;
    case TKeepReason::PermissionDenied: return TEntryNote::KeptPermissionDenied;
    case TKeepReason::InUse: return TEntryNote::KeptInUse;
    case TKeepReason::PathGone: return TEntryNote::KeptPathGone;
    case TKeepReason::NoTrash: return TEntryNote::KeptNoTrash;
    case TKeepReason::ReadOnly: return TEntryNote::KeptReadOnly;
    case TKeepReason::LockUnknown: return TEntryNote::KeptLockUnknown;
    case TKeepReason::NotEmpty: return TEntryNote::KeptNotEmpty;
    case TKeepReason::Scanned: return result.Error == ENOTEMPTY ? TEntryNote::KeptHoldsScanned : TEntryNote::KeptScanned;
    case TKeepReason::TooManyAttributes: return TEntryNote::KeptTooManyAttributes;
    case TKeepReason::None:
    case TKeepReason::OtherError: break;
    }
    return TEntryNote::KeptOtherError;
}

// The anchors a scan reached files through, from the scanned folder down to `anchor`: where the
// remover may follow links on the way to those files. Empty for an entry no scan made.
std::vector<TPathAnchor> AnchorChain(const TResultList& list, TAnchorIndex anchor) {
    const std::vector<TScanAnchor>& anchors = list.Anchors();
    std::vector<TPathAnchor> chain;
    // A parent is always announced before the anchors under it.
    for (std::size_t at = anchor; at < anchors.size(); at = anchors[at].Parent < at ? anchors[at].Parent : NoAnchor)
        chain.push_back({anchors[at].Path, anchors[at].Folder.Device, anchors[at].Folder.Inode});
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// What the remover is asked for an entry: its path, identity and anchors. The list's anchor chains
// are made once (all of them, or the one entry's).
class TRoutes {
public:
    explicit TRoutes(const TResultList& list) : List_(list) {
        Chains_.reserve(list.Anchors().size());
        for (std::size_t i = 0; i < list.Anchors().size(); ++i)
            Chains_.push_back(AnchorChain(list, static_cast<TAnchorIndex>(i)));
    }
    TRoutes(const TResultList& list, const TListEntry& only) : List_(list), Only_(AnchorChain(list, list.AnchorOf(only))) {}

    // `path`: the entry's "Full Path", which the request refers to.
    TRemoveRequest Request(const TListEntry& entry, std::string_view path) const {
        TRemoveRequest request{path, entry.Identity.Device, entry.Identity.Inode};
        request.Folder = entry.Kind == TEntryKind::Folder;
        const TAnchorIndex anchor = List_.AnchorOf(entry);
        if (anchor < Chains_.size())
            request.Anchors = Chains_[anchor];
        else if (Chains_.empty())
            request.Anchors = Only_;
        return request;
    }

private:
    const TResultList& List_;
    std::vector<std::vector<TPathAnchor>> Chains_;
    std::vector<TPathAnchor> Only_;
};

// What the deletion does with each verified file: the trash's move into it, when asked for.
struct TDisposer {
    std::unique_ptr<TTrash> Trash;
    TDisposal ToTrash;
    std::unique_ptr<TTrashLog> Log;  // where each file went, when the caller wants to take it back
    explicit TDisposer(const TDeleteOptions& options) {
        if (!options.ToTrash) return;
        Trash = std::make_unique<TTrash>();
        if (options.Trashed) Log = std::make_unique<TTrashLog>();
        ToTrash = [trash = Trash.get(), log = Log.get()](int folderFd, const char* asideName,
                                                         const TRemoveRequest& request, TDeletionJournal& journal) {
            TTrashEntry placed;
            const int error = trash->Put(folderFd, asideName, request.Path, request.Device, &journal, log ? &placed : nullptr);
            if (error == 0 && log)
                log->Add({std::string(request.Path), request.Device, request.Inode, std::move(placed), request.Folder});
            return error;
        };
    }
    const TDisposal* Disposal() const noexcept { return Trash ? &ToTrash : nullptr; }
    // Hands the file of `entry` to the caller's list of trashed files, with the entry, when it went
    // to the trash.
    void Trashed(const TDeleteOptions& options, TListEntry&& entry) const {
        TTrashedFile file;
        if (Log && options.Trashed && Log->Take(entry.Identity.Device, entry.Identity.Inode, file))
            options.Trashed->push_back({std::move(file), std::move(entry)});
    }
};

// The folders the user scanned, by device and inode: never deleted, nor a folder that holds one,
// however their paths were spelled or overlap.
std::vector<std::pair<std::uint64_t, std::uint64_t>> ScannedFolders(const TResultList& list) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> scanned;
    for (const TScanAnchor& anchor : list.Anchors())
        if (!anchor.IsLink() && (anchor.Folder.Device != 0 || anchor.Folder.Inode != 0))
            scanned.emplace_back(anchor.Folder.Device, anchor.Folder.Inode);
    return scanned;
}

// A remover for one share of the deletion, its journal made before anything is deleted.
std::unique_ptr<TFileRemover> StartRemover(const TResultList& list, const std::shared_ptr<const TLockTable>& locks,
                                           unsigned sharers, const std::string& undoRecord, TDeleteSummary& summary) {
    auto remover = std::make_unique<TFileRemover>(locks, sharers);
    remover->ProtectFolders(ScannedFolders(list));
    if (!undoRecord.empty()) remover->KeepUndoRecord(undoRecord);
    if (const int error = remover->StartJournal(); error != 0 && summary.JournalError == 0) {
        summary.JournalError = error;
        summary.JournalFolder = remover->JournalFolder();
        summary.JournalProblem = remover->JournalProblem();
    }
    return remover;
}

void DeleteShare(const TResultList& list, const TRoutes& routes, TShare& share, std::vector<TEntryOutcome>& outcomes,
                 TFileRemover& remover, const TDisposer& disposer, TLongWork& work) {
    try {
        std::uint64_t unreported = 0;
        // A request's path is needed until the next request is asked for.
        TEntryTexts texts(list);
        auto request = [&](std::size_t n) {
            const TListEntry& entry = list[share.Entries[n]];
            return routes.Request(entry, texts.FullPath(entry));
        };
        // Asked before each file: the thread takes the next folder when it is done with its own.
        std::size_t asked = 0;
        auto stop = [&] {
            if (work.StopRequested()) return true;
            if (asked == share.Entries.size() && (!share.Queue || !share.Queue->Take(share.Entries))) return true;
            ++asked;
            return false;
        };
        auto done = [&](std::size_t n, TRemoveResult&& result) {
            const std::size_t index = share.Entries[n];
            switch (result.Outcome) {
            case TRemoveOutcome::Deleted: outcomes[index].State = TEntryState::Deleted; break;
            case TRemoveOutcome::Missing: outcomes[index].State = TEntryState::Missing; break;
            case TRemoveOutcome::Kept:
                outcomes[index] = {TEntryState::Kept, NoteFor(result)};
                share.Kept.emplace_back(index, TKeptFile{list.FullPath(list[index]), std::move(result),
                                                         list[index].Kind == TEntryKind::Folder});
                break;
            }
            if (++unreported == DoneStep) {
                work.Done.fetch_add(unreported, std::memory_order_relaxed);
                unreported = 0;
            }
        };
        remover.RemoveAll(SIZE_MAX, request, stop, done, disposer.Disposal());
        work.Done.fetch_add(unreported, std::memory_order_relaxed);
        share.JournalError = remover.JournalError();
        share.JournalFolder = remover.JournalFolder();
        if (share.JournalError != 0) share.JournalProblem = remover.JournalProblem();
    } catch (...) {
        share.Error = std::current_exception();
        if (share.Queue) share.Queue->Close();  // the deletion ends with the error: no more folders
    }
}

// Takes out of `checked` the entries whose file has another name among them (same device and
// inode), and returns them, in their order.
std::vector<std::size_t> TakeSharedFiles(const TResultList& list, std::vector<std::size_t>& checked) {
    // Identities folded into one number: two files that fold alike merely go on one thread.
    std::vector<std::pair<std::uint64_t, std::size_t>> keys;  // folded identity, place in `checked`
    keys.reserve(checked.size());
    for (std::size_t n = 0; n < checked.size(); ++n) {
        const TFileIdentity& identity = list[checked[n]].Identity;
        keys.emplace_back(identity.Inode ^ (identity.Device * 0x9E3779B97F4A7C15ull), n);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<bool> shared(checked.size());
    bool any = false;
    for (std::size_t k = 1; k < keys.size(); ++k)
        if (keys[k].first == keys[k - 1].first) any = shared[keys[k].second] = shared[keys[k - 1].second] = true;
    if (!any) return {};
    std::vector<std::size_t> taken;
    std::size_t kept = 0;
    for (std::size_t n = 0; n < checked.size(); ++n)
        (shared[n] ? taken.push_back(checked[n]) : void(checked[kept++] = checked[n]));
    checked.resize(kept);
    return taken;
}

}  // namespace

TRemoveResult DeleteEntry(TResultList& list, std::size_t index, const TDeleteOptions& options,
                          std::string* journalProblem) {
    const TListEntry& entry = list.Entry(index);
    const TUpdateBracket::TUpdateScope update(list);
    const std::string undoRecord = options.ToTrash ? std::string() : NewUndoRecordId();
    const std::string path = list.FullPath(entry);
    TRemoveResult result;
    {
        // Gone before the list changes: its journal then joins the undo record.
        TFileRemover remover;
        remover.ProtectFolders(ScannedFolders(list));
        if (!undoRecord.empty()) remover.KeepUndoRecord(undoRecord);
        if (const int error = remover.StartJournal(); error != 0) {
            // Nothing is touched: without its journal a kill could lose the name.
            if (journalProblem) *journalProblem = remover.JournalProblem();
            return {TRemoveOutcome::Kept, TKeepReason::OtherError, error, {}};
        }
        const TRoutes routes(list, entry);
        const TDisposer disposer(options);
        const TRemoveRequest request = routes.Request(entry, path);
        result = disposer.Disposal() ? remover.Dispose(request, *disposer.Disposal()) : remover.Remove(request);
        if (result.Removed()) disposer.Trashed(options, TListEntry(list[index]));
    }
    if (result.Outcome == TRemoveOutcome::Deleted && !undoRecord.empty()) {
        if (options.Deleted) {
            options.Deleted->Record = undoRecord;
            options.Deleted->Entries.push_back({path, list[index].Identity.Device, list[index].Identity.Inode, list[index]});
        }
        PruneUndoRecords();
    }
    if (result.Removed())
        list.Remove(index);
    else
        list[index].Note = NoteFor(result);
    return result;
}

TDeleteSummary DeleteCheckedEntries(TResultList& list, TLongWork& work, const TDeleteOptions& options) {
    const TUpdateBracket::TUpdateScope update(list);

    std::vector<std::size_t> checked;
    // Empty folders go after the files, one after another on this thread (they are few).
    TShare folders;
    for (std::size_t i = list.Count(); i-- > 0;)
        if (list[i].CheckState == TCheckState::Checked)
            (list[i].Kind == TEntryKind::Folder ? folders.Entries : checked).push_back(i);
    work.Total.store(checked.size() + folders.Entries.size(), std::memory_order_relaxed);
    work.Done.store(0, std::memory_order_relaxed);

    const unsigned threads = checked.size() >= TwoThreadMinimum && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    // Names of one file (hard links) go on one thread, one after another, once the two threads are
    // through: asked at once by two threads, each would find the file open by the other, in use.
    TShare linked;
    if (threads == 2) linked.Entries = TakeSharedFiles(list, checked);

    TDeleteSummary summary;
    const auto locks = std::make_shared<const TLockTable>(TLockTable::ReadSystem());
    const std::string undoRecord = options.ToTrash ? std::string() : NewUndoRecordId();
    std::unique_ptr<TFileRemover> removers[3];
    for (unsigned n = 0; n < threads; ++n) removers[n] = StartRemover(list, locks, threads, undoRecord, summary);
    if (!folders.Entries.empty() || !linked.Entries.empty())
        removers[2] = StartRemover(list, locks, 1, undoRecord, summary);
    if (summary.JournalError != 0) {
        // No journal, no deletion: nothing is touched.
        summary.NotStarted = true;
        summary.NotReached = checked.size() + folders.Entries.size() + linked.Entries.size();
        summary.Folders = folders.Entries.size();
        summary.Stopped = false;
        return summary;
    }
    // Files are removed folder by folder, as a walk would (the list in name order would visit its
    // folders round and round); within a folder, last entry first.
    TFolderQueue queue = ByFolder(list, checked);
    checked = {};
    TShare shares[2];
    shares[0].Queue = shares[1].Queue = &queue;

    // Both threads only read the list; nothing changes it until they are done.
    std::vector<TEntryOutcome> outcomes(list.Count());
    const TRoutes routes(list);
    const TDisposer disposer(options);
    std::thread second;
    if (threads == 2) {
        try {
            second = std::thread([&] { DeleteShare(list, routes, shares[1], outcomes, *removers[1], disposer, work); });
        } catch (const std::system_error&) {
            // No second thread to be had: this one takes every folder.
        }
    }
    DeleteShare(list, routes, shares[0], outcomes, *removers[0], disposer, work);
    if (second.joinable()) second.join();
    if (!linked.Entries.empty() && !shares[0].Error && !shares[1].Error)
        DeleteShare(list, routes, linked, outcomes, *removers[2], disposer, work);
    if (!folders.Entries.empty() && !shares[0].Error && !shares[1].Error && !linked.Error) {
        // Deepest first: a folder listed inside another goes before it.
        std::vector<std::pair<std::size_t, std::size_t>> byDepth;  // separators in the path, index
        for (const std::size_t index : folders.Entries) {
            const std::string path = list.FullPath(list[index]);
            byDepth.emplace_back(static_cast<std::size_t>(std::count(path.begin(), path.end(), '/')), index);
        }
        std::stable_sort(byDepth.begin(), byDepth.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        for (std::size_t n = 0; n < byDepth.size(); ++n) folders.Entries[n] = byDepth[n].second;
        DeleteShare(list, routes, folders, outcomes, *removers[2], disposer, work);
    }
    // Their journals become the parts of the undo record as the removers go.
    for (std::unique_ptr<TFileRemover>& remover : removers) remover.reset();

    // Files that went leave the list even when an error stops the deletion.
    const std::size_t trashedBefore = options.Trashed ? options.Trashed->size() : 0;
    TDeletedFiles* const deleted = undoRecord.empty() ? nullptr : options.Deleted;
    const std::size_t deletedBefore = deleted ? deleted->Entries.size() : 0;
    list.RemoveIf([&](std::size_t index, TListEntry& entry) {
        switch (outcomes[index].State) {
        case TEntryState::Deleted:
            ++summary.Deleted;
            summary.DeletedFolders += entry.Kind == TEntryKind::Folder;
            if (deleted)
                deleted->Entries.push_back({list.FullPath(entry), entry.Identity.Device, entry.Identity.Inode, std::move(entry)});
            else
                disposer.Trashed(options, std::move(entry));
            return true;
        case TEntryState::Missing:
            ++summary.Missing;
            summary.MissingFolders += entry.Kind == TEntryKind::Folder;
            return true;
        case TEntryState::Kept: entry.Note = outcomes[index].Note; return false;
        case TEntryState::Untouched: summary.NotReached += entry.CheckState == TCheckState::Checked; return false;
        }
        return false;
    });
    if (options.Trashed) std::reverse(options.Trashed->begin() + static_cast<std::ptrdiff_t>(trashedBefore), options.Trashed->end());
    if (deleted) std::reverse(deleted->Entries.begin() + static_cast<std::ptrdiff_t>(deletedBefore), deleted->Entries.end());
    if (summary.Deleted > 0 && !undoRecord.empty()) {
        summary.UndoRecord = undoRecord;
        if (deleted) deleted->Record = undoRecord;
        PruneUndoRecords();
    }
    summary.Folders = folders.Entries.size();
    for (const TShare* share : {&shares[0], &shares[1], &linked, &folders}) {
        if (share->Error) std::rethrow_exception(share->Error);
        if (share->JournalError != 0 && summary.JournalError == 0) {
            summary.JournalError = share->JournalError;
            summary.JournalFolder = share->JournalFolder;
            summary.JournalProblem = share->JournalProblem;
        }
    }

    std::vector<std::pair<std::size_t, TKeptFile>> kept = std::move(shares[0].Kept);
    for (TShare* share : {&shares[1], &linked, &folders})
        kept.insert(kept.end(), std::make_move_iterator(share->Kept.begin()), std::make_move_iterator(share->Kept.end()));
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    summary.Kept.reserve(kept.size());
    for (auto& [index, file] : kept) summary.Kept.push_back(std::move(file));
    summary.Stopped = summary.NotReached > 0;
    return summary;
}

}  // namespace nulvane
