#include "app/StatusTexts.h"

#include <cstring>

#include "platform/files/journal/DeletionJournal.h"
#include "platform/system/LongWork.h"
#include "platform/text/ControlEscapes.h"
#include "platform/text/LocaleTexts.h"

namespace nulvane {

namespace {

void Join(std::string& text, std::string_view part) {
    if (!text.empty()) text += "; ";
    text += part;
}

// The first of `paths` and how many more there are: "/a/b (and 2 more)".
std::string FirstOf(const std::vector<std::string>& paths) {
    std::string text = paths.front().empty() ? std::string("\"\"") : EscapeControls(paths.front());
    if (paths.size() > 1) text += " (and " + GroupedCount(paths.size() - 1) + " more)";
    return text;
}

// One path a line, each after `label`, at most 20, then how many more.
std::string PathLines(std::string_view label, const std::vector<std::string>& paths) {
    constexpr std::size_t Shown = 20;
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < Shown; ++i) (text += label) += EscapeControls(paths[i]) + "\n";
    if (paths.size() > Shown) text += "(and " + GroupedCount(paths.size() - Shown) + " more)\n";
    return text;
}

}  // namespace

std::string GroupedCount(std::uint64_t n) {
    const TLocaleTexts& locale = TLocaleTexts::Current();
    std::string text = locale.FormatNumber(static_cast<double>(n));
    const std::size_t decimals = text.rfind(locale.DecimalSeparator());
    if (decimals != std::string::npos) text.erase(decimals);
    return text;
}

std::string CountOf(std::uint64_t n, std::string_view singular, std::string_view plural) {
    return GroupedCount(n) + " " + std::string(n == 1 ? singular : plural);
}

std::string FilesAndFolders(std::uint64_t files, std::uint64_t folders, bool withFiles, bool withFolders) {
    if (!withFolders) return CountOf(files, "file", "files");
    if (!withFiles || (files == 0 && folders > 0)) return CountOf(folders, "folder", "folders");
    if (folders == 0 && files > 0) return CountOf(files, "file", "files");
    return CountOf(files, "file", "files") + " and " + CountOf(folders, "folder", "folders");
}

std::string ProgressCountsText(const TLongWork& work) {
    const std::uint64_t total = work.Total.load(std::memory_order_relaxed);
    if (total > 0) {
        std::string text = GroupedCount(work.Done.load(std::memory_order_relaxed)) + " of " + GroupedCount(total);
        if (const char* what = work.DoneText.load(std::memory_order_relaxed)) (text += ' ') += what;
        return text;
    }
    const std::uint64_t folders = work.Folders.load(std::memory_order_relaxed);
    const std::uint64_t found = work.Found.load(std::memory_order_relaxed);
    if (folders == 0 && found == 0) return {};
    return CountOf(folders, "folder", "folders") + " read, " + CountOf(found, "empty file", "empty files") + " found";
}

std::string ScanOutcomeText(const TScanOutcome& outcome) {
    std::string text;
    const bool scanned = outcome.Listed > 0 || outcome.Unreadable > 0 || outcome.OutOfMemory || outcome.Stopped ||
                         outcome.NotFolders.empty();
    if (scanned) {
        const std::string listed = FilesAndFolders(outcome.Listed - outcome.ListedFolders, outcome.ListedFolders, true,
                                                   outcome.ListedFolders > 0) +
                                   " listed";
        if (outcome.Stopped)
            text = "Scan stopped: " + listed + ", the list is incomplete";
        else
            text = "Scan finished: " + listed;
    }
    if (outcome.Held > 0) Join(text, GroupedCount(outcome.Held) + " held back by keep rules");
    if (outcome.Unreadable > 0) {
        std::string unread = CountOf(outcome.Unreadable, "folder", "folders") + " could not be read";
        if (!outcome.UnreadableFolders.empty()) unread += ": " + FirstOf(outcome.UnreadableFolders);
        Join(text, unread);
    }
    if (!outcome.InTrash.empty()) Join(text, "In the trash, not scanned: " + FirstOf(outcome.InTrash));
    if (outcome.OutOfMemory) Join(text, "The scan ran short of memory: the list is incomplete");
    if (!outcome.NotFolders.empty()) Join(text, "Not a folder: " + FirstOf(outcome.NotFolders));
    if (!outcome.KeepRulesNote.empty()) Join(text, EscapeControls(outcome.KeepRulesNote));
    return text;
}

std::string ScanDetailsText(const TScanOutcome& outcome) {
    return PathLines("Could not be read: ", outcome.UnreadableFolders);
}

std::string UndoOutcomeText(const TUndoSummary& summary) {
    const std::string putBack = FilesAndFolders(summary.PutBack - summary.PutBackFolders, summary.PutBackFolders,
                                                true, summary.WithFolders) +
                                (summary.FromTrash ? " from the trash" : "");
    std::string text = summary.Stopped ? "Undo stopped: put back " + putBack + ", " + GroupedCount(summary.Left) + " left"
                                       : "Put back " + putBack;
    std::vector<std::string> taken, gone, failed;
    std::string firstReason;
    for (const TNotPutBack& file : summary.NotPutBack) {
        switch (file.Result.Outcome) {
        case TPutBackOutcome::NameTaken: taken.push_back(file.Path); break;
        case TPutBackOutcome::Gone: gone.push_back(file.Path); break;
        default:
            if (failed.empty()) firstReason = std::strerror(file.Result.Error);
            failed.push_back(file.Path);
        }
    }
    if (!taken.empty() && summary.FromTrash)
        Join(text, GroupedCount(taken.size()) + (taken.size() == 1 ? " stays in the trash, its name is taken: "
                                                                    : " stay in the trash, their names are taken: ") +
                       FirstOf(taken));
    else if (!taken.empty())
        Join(text, GroupedCount(taken.size()) + (taken.size() == 1 ? " not put back, its name is taken: "
                                                                    : " not put back, their names are taken: ") +
                       FirstOf(taken));
    if (!gone.empty())
        Join(text, GroupedCount(gone.size()) + (summary.FromTrash ? " no longer in the trash: " : " no longer in the undo record: ") +
                       FirstOf(gone));
    if (!failed.empty()) {
        // The reason belongs to the first path: it goes between the path and the count of more.
        std::string first = EscapeControls(failed.front()) + ": " + firstReason;
        if (failed.size() > 1) first += " (and " + GroupedCount(failed.size() - 1) + " more)";
        Join(text, GroupedCount(failed.size()) + " could not be put back: " + first);
    }
    if (summary.WithoutOwner > 0) Join(text, GroupedCount(summary.WithoutOwner) + " without their owner or attributes");
    return text;
}

std::string UndoDetailsText(const TUndoSummary& summary) {
    constexpr std::size_t Shown = 20;
    std::string text;
    std::size_t lines = 0;
    for (const TNotPutBack& file : summary.NotPutBack) {
        if (lines++ >= Shown) continue;
        switch (file.Result.Outcome) {
        case TPutBackOutcome::NameTaken:
            text += (summary.FromTrash ? "Name taken, still in the trash: " : "Name taken, not put back: ") + EscapeControls(file.Path);
            break;
        case TPutBackOutcome::Gone:
            text += (summary.FromTrash ? "No longer in the trash: " : "No longer in the undo record: ") + EscapeControls(file.Path);
            break;
        default:
            text += "Could not be put back: " + EscapeControls(file.Path) + ": " + std::strerror(file.Result.Error);
        }
        text += '\n';
    }
    if (lines > Shown) text += "(and " + GroupedCount(lines - Shown) + " more)\n";
    if (!summary.FromTrash && summary.PutBack > 0) (text += NotRestoredText) += '\n';
    return text;
}

std::string DeleteOutcomeText(const TDeleteOutcome& outcome) {
    std::string text = outcome.Stopped ? "Deletion stopped: " : "";
    text += outcome.ToTrash ? (outcome.Stopped ? "moved " : "Moved ") : (outcome.Stopped ? "deleted " : "Deleted ");
    // Without folders, the other counts are plain numbers: every one of them is a file.
    const auto count = [&outcome](std::size_t all, std::size_t folders) {
        return outcome.WithFolders ? FilesAndFolders(all - folders, folders, outcome.WithFiles) : GroupedCount(all);
    };
    text += FilesAndFolders(outcome.Deleted - outcome.DeletedFolders, outcome.DeletedFolders, outcome.WithFiles,
                            outcome.WithFolders);
    if (outcome.ToTrash) text += " to the trash";
    if (outcome.Undoable && outcome.Deleted > 0) text += " (undo: Ctrl+Z)";
    if (outcome.Missing > 0) text += ", " + count(outcome.Missing, outcome.MissingFolders) + " already gone";
    if (outcome.Kept > 0) {
        text += ", " + count(outcome.Kept, outcome.KeptFolders) + " kept";
        if (outcome.Kept == 1 && !outcome.KeptReason.empty()) text += ": " + outcome.KeptReason;
    }
    if (!outcome.JournalProblem.empty()) Join(text, "no journal (" + outcome.JournalProblem + ")");
    return text;
}

std::string RecoveryText(const TRecovery& recovery) {
    std::string text;
    if (recovery.Count() > 0)
        text = "Put back " + CountOf(recovery.Count(), "file", "files") + " an interrupted deletion had moved aside";
    if (!recovery.Left.empty()) Join(text, GroupedCount(recovery.Left.size()) + " could not be put back");
    if (!recovery.Unmade.empty())
        Join(text, CountOf(recovery.Unmade.size(), "entry", "entries") +
                       " an interrupted undo had half made taken away (nulvane-cli --undo makes them again)");
    if (!recovery.NotUsed.empty())
        Join(text, CountOf(recovery.NotUsed.size(), "deletion journal", "deletion journals") + " not used");
    if (!recovery.Damaged.empty())
        Join(text, CountOf(recovery.Damaged.size(), "damaged deletion journal", "damaged deletion journals") + " set aside");
    return text;
}

std::string NoJournalText(std::string_view problem) {
    return "Nothing deleted: cannot keep the deletion's journal (" + std::string(problem) + ")";
}

std::string RecoveryDetailsText(const TRecovery& recovery) {
    constexpr std::size_t Shown = 20;
    std::string text;
    std::size_t lines = 0;
    for (const TRecoveredFile& file : recovery.KeptBeside)
        if (lines++ < Shown) text += "Put back beside its name, which was taken: " + EscapeControls(file.Now) + "\n";
    for (const TRecoveredFile& file : recovery.Left) {
        if (lines++ >= Shown) continue;
        if (file.Now.empty())
            text += "Not put back, in " + EscapeControls(file.Path) + ": " + EscapeControls(file.Reason) + "\n";
        else
            text += "Not put back: " + EscapeControls(file.Path) + ", left as " + EscapeControls(file.Now) + ": " +
                    EscapeControls(file.Reason) + "\n";
    }
    for (const std::string& problem : recovery.NotUsed)
        if (lines++ < Shown) text += "Deletion journal not used: " + EscapeControls(problem) + "\n";
    for (const TRecoveredFile& journal : recovery.Damaged) {
        if (lines++ >= Shown) continue;
        text += "Damaged deletion journal " +
                (journal.Now.empty() ? EscapeControls(journal.Path) + " not used: "
                                     : "set aside as " + EscapeControls(journal.Now) + ": ") +
                EscapeControls(journal.Reason) + "\n";
    }
    if (lines > Shown) text += "(and " + GroupedCount(lines - Shown) + " more)\n";
    return text;
}

std::string JoinedTexts(std::string first, std::string_view second) {
    if (!second.empty()) Join(first, second);
    return first;
}

std::string StatusText(std::size_t entries, std::string_view outcome, std::size_t folders) {
    std::string text = entries == 0 ? std::string("No files in the list")
                                    : FilesAndFolders(entries - folders, folders, true, folders > 0) + " in the list";
    if (!outcome.empty()) {
        text += " \u00b7 ";
        text += outcome;
    }
    return text;
}

}  // namespace nulvane
