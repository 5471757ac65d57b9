#include "app/StatusTexts.h"

#include <QCoreApplication>

#include <cstring>

#include "app/Translations.h"
#include "platform/files/journal/DeletionJournal.h"
#include "platform/system/LongWork.h"
#include "platform/text/ControlEscapes.h"
#include "platform/text/LocaleTexts.h"

// The context the status texts are translated in.
class StatusTexts {
    Q_DECLARE_TR_FUNCTIONS(StatusTexts)
};

namespace nulvane {

namespace {

std::string Utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// "1 file", "12,345 files": `source` is the English plural with "%n" ("%n files"), `singular` the
// English singular ("%n file"); a translation has the forms its language's plural rules ask for.
std::string Counted(std::uint64_t n, const char* source, const char* singular) {
    const QString form = PluralForm("StatusTexts", source, n);
    std::string text = form.isEmpty() ? std::string(n == 1 ? singular : source) : Utf8(form);
    if (const std::size_t at = text.find("%n"); at != std::string::npos) text.replace(at, 2, GroupedCount(n));
    return text;
}

// The count a text agrees with, as Qt's plural forms take it; English has one form for all of them.
int Told(std::uint64_t n) {
    constexpr std::uint64_t Largest = 2'147'483'647;
    return static_cast<int>(n <= Largest ? n : n % 1'000'000 + 1'000'000);
}

std::string Files(std::uint64_t n) { return Counted(n, QT_TRANSLATE_N_NOOP("StatusTexts", "%n files"), "%n file"); }
std::string Folders(std::uint64_t n) { return Counted(n, QT_TRANSLATE_N_NOOP("StatusTexts", "%n folders"), "%n folder"); }

void Join(std::string& text, std::string_view part) {
    if (!text.empty()) text += Utf8(StatusTexts::tr("; "));
    text += part;
}

// The first of `paths` and how many more there are: "/a/b (and 2 more)".
std::string FirstOf(const std::vector<std::string>& paths) {
    std::string text = paths.front().empty() ? std::string("\"\"") : EscapeControls(paths.front());
    if (paths.size() > 1) text = FilledText(StatusTexts::tr("%1 (and %2 more)"), {text, GroupedCount(paths.size() - 1)});
    return text;
}

// "(and 3 more)", on a line of its own.
std::string MoreLine(std::size_t more) { return FilledText(StatusTexts::tr("(and %1 more)"), {GroupedCount(more)}) + "\n"; }

// One path a line, each in `line` ("Could not be read: %1"), at most 20, then how many more.
std::string PathLines(const QString& line, const std::vector<std::string>& paths) {
    constexpr std::size_t Shown = 20;
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < Shown; ++i) text += FilledText(line, {EscapeControls(paths[i])}) + "\n";
    if (paths.size() > Shown) text += MoreLine(paths.size() - Shown);
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
    if (!withFolders) return Files(files);
    if (!withFiles || (files == 0 && folders > 0)) return Folders(folders);
    if (folders == 0 && files > 0) return Files(files);
    return FilledText(StatusTexts::tr("%1 and %2"), {Files(files), Folders(folders)});
}

std::string ProgressCountsText(const TLongWork& work) {
    const std::uint64_t total = work.Total.load(std::memory_order_relaxed);
    if (total > 0) {
        const std::string done = GroupedCount(work.Done.load(std::memory_order_relaxed));
        if (const char* what = work.DoneText.load(std::memory_order_relaxed))
            return FilledText(StatusTexts::tr("%1 of %2 %3"), {done, GroupedCount(total), CoreText(what)});
        return FilledText(StatusTexts::tr("%1 of %2"), {done, GroupedCount(total)});
    }
    const std::uint64_t folders = work.Folders.load(std::memory_order_relaxed);
    const std::uint64_t found = work.Found.load(std::memory_order_relaxed);
    if (folders == 0 && found == 0) return {};
    // Two counts, each with the words that agree with it.
    return FilledText(StatusTexts::tr("%1, %2"),
                      {Counted(folders, QT_TRANSLATE_N_NOOP("StatusTexts", "%n folders read"), "%n folder read"),
                       Counted(found, QT_TRANSLATE_N_NOOP("StatusTexts", "%n empty files found"), "%n empty file found")});
}

std::string ScanOutcomeText(const TScanOutcome& outcome) {
    std::string text;
    const bool scanned = outcome.Listed > 0 || outcome.Unreadable > 0 || outcome.OutOfMemory || outcome.Stopped ||
                         outcome.NotFolders.empty();
    if (scanned) {
        const std::string listed = FilesAndFolders(outcome.Listed - outcome.ListedFolders, outcome.ListedFolders, true,
                                                   outcome.ListedFolders > 0);
        if (outcome.Stopped)
            text = FilledText(StatusTexts::tr("Scan stopped: %1 listed, the list is incomplete", nullptr, Told(outcome.Listed)), {listed});
        else
            text = FilledText(StatusTexts::tr("Scan finished: %1 listed", nullptr, Told(outcome.Listed)), {listed});
    }
    if (outcome.Held > 0)
        Join(text, FilledText(StatusTexts::tr("%1 held back by keep rules", nullptr, Told(outcome.Held)), {GroupedCount(outcome.Held)}));
    if (outcome.Unreadable > 0) {
        const std::string folders = Counted(outcome.Unreadable,
                                            QT_TRANSLATE_N_NOOP("StatusTexts", "%n folders could not be read"),
                                            "%n folder could not be read");
        if (!outcome.UnreadableFolders.empty())
            Join(text, FilledText(StatusTexts::tr("%1: %2"), {folders, FirstOf(outcome.UnreadableFolders)}));
        else
            Join(text, folders);
    }
    if (!outcome.InTrash.empty())
        Join(text, FilledText(StatusTexts::tr("In the trash, not scanned: %1"), {FirstOf(outcome.InTrash)}));
    if (outcome.OutOfMemory) Join(text, Utf8(StatusTexts::tr("The scan ran short of memory: the list is incomplete")));
    if (!outcome.NotFolders.empty()) Join(text, FilledText(StatusTexts::tr("Not a folder: %1"), {FirstOf(outcome.NotFolders)}));
    if (!outcome.KeepRulesNote.empty()) Join(text, EscapeControls(outcome.KeepRulesNote));
    return text;
}

std::string ScanDetailsText(const TScanOutcome& outcome) {
    return PathLines(StatusTexts::tr("Could not be read: %1"), outcome.UnreadableFolders);
}

std::string UndoOutcomeText(const TUndoSummary& summary) {
    const std::string putBack = FilesAndFolders(summary.PutBack - summary.PutBackFolders, summary.PutBackFolders,
                                                true, summary.WithFolders);
    std::string text;
    if (summary.Stopped)
        text = FilledText(summary.FromTrash ? StatusTexts::tr("Undo stopped: put back %1 from the trash, %2 left", nullptr, Told(summary.Left))
                                        : StatusTexts::tr("Undo stopped: put back %1, %2 left", nullptr, Told(summary.Left)),
                      {putBack, GroupedCount(summary.Left)});
    else
        text = FilledText(summary.FromTrash ? StatusTexts::tr("Put back %1 from the trash", nullptr, Told(summary.PutBack)) : StatusTexts::tr("Put back %1", nullptr, Told(summary.PutBack)),
                      {putBack});
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
        Join(text, FilledText(taken.size() == 1 ? StatusTexts::tr("%1 stays in the trash, its name is taken: %2")
                                            : StatusTexts::tr("%1 stay in the trash, their names are taken: %2"),
                          {GroupedCount(taken.size()), FirstOf(taken)}));
    else if (!taken.empty())
        Join(text, FilledText(taken.size() == 1 ? StatusTexts::tr("%1 not put back, its name is taken: %2")
                                            : StatusTexts::tr("%1 not put back, their names are taken: %2"),
                          {GroupedCount(taken.size()), FirstOf(taken)}));
    if (!gone.empty())
        Join(text, FilledText(summary.FromTrash ? StatusTexts::tr("%1 no longer in the trash: %2", nullptr, Told(gone.size()))
                                            : StatusTexts::tr("%1 no longer in the undo record: %2", nullptr, Told(gone.size())),
                          {GroupedCount(gone.size()), FirstOf(gone)}));
    if (!failed.empty()) {
        // The reason belongs to the first path: it goes between the path and the count of more.
        std::string first = FilledText(StatusTexts::tr("%1: %2"), {EscapeControls(failed.front()), firstReason});
        if (failed.size() > 1) first = FilledText(StatusTexts::tr("%1 (and %2 more)"), {first, GroupedCount(failed.size() - 1)});
        Join(text, FilledText(StatusTexts::tr("%1 could not be put back: %2", nullptr, Told(failed.size())), {GroupedCount(failed.size()), first}));
    }
    if (summary.WithoutOwner > 0)
        Join(text, FilledText(StatusTexts::tr("%1 without their owner or attributes", nullptr, Told(summary.WithoutOwner)), {GroupedCount(summary.WithoutOwner)}));
    return text;
}

std::string UndoDetailsText(const TUndoSummary& summary) {
    constexpr std::size_t Shown = 20;
    std::string text;
    std::size_t lines = 0;
    for (const TNotPutBack& file : summary.NotPutBack) {
        if (lines++ >= Shown) continue;
        const std::string path = EscapeControls(file.Path);
        switch (file.Result.Outcome) {
        case TPutBackOutcome::NameTaken:
            text += FilledText(summary.FromTrash ? StatusTexts::tr("Name taken, still in the trash: %1")
                                             : StatusTexts::tr("Name taken, not put back: %1"),
                           {path});
            break;
        case TPutBackOutcome::Gone:
            text += FilledText(summary.FromTrash ? StatusTexts::tr("No longer in the trash: %1")
                                             : StatusTexts::tr("No longer in the undo record: %1"),
                           {path});
            break;
        default:
            text += FilledText(StatusTexts::tr("Could not be put back: %1: %2"), {path, std::strerror(file.Result.Error)});
        }
        text += '\n';
    }
    if (lines > Shown) text += MoreLine(lines - Shown);
    if (!summary.FromTrash && summary.PutBack > 0) (text += Utf8(StatusTexts::tr(NotRestoredText))) += '\n';
    return text;
}

std::string DeleteOutcomeText(const TDeleteOutcome& outcome) {
    // Without folders, the other counts are plain numbers: every one of them is a file.
    const auto count = [&outcome](std::size_t all, std::size_t folders) {
        return outcome.WithFolders ? FilesAndFolders(all - folders, folders, outcome.WithFiles) : GroupedCount(all);
    };
    const std::string deleted = FilesAndFolders(outcome.Deleted - outcome.DeletedFolders, outcome.DeletedFolders,
                                                outcome.WithFiles, outcome.WithFolders);
    QString pattern;
    if (outcome.ToTrash)
        pattern = outcome.Stopped ? StatusTexts::tr("Deletion stopped: moved %1 to the trash", nullptr, Told(outcome.Deleted)) : StatusTexts::tr("Moved %1 to the trash", nullptr, Told(outcome.Deleted));
    else
        pattern = outcome.Stopped ? StatusTexts::tr("Deletion stopped: deleted %1", nullptr, Told(outcome.Deleted)) : StatusTexts::tr("Deleted %1", nullptr, Told(outcome.Deleted));
    std::string text = FilledText(pattern, {deleted});
    if (outcome.Undoable && outcome.Deleted > 0) text += Utf8(StatusTexts::tr(" (undo: Ctrl+Z)"));
    if (outcome.Missing > 0)
        text += FilledText(StatusTexts::tr(", %1 already gone", nullptr, Told(outcome.Missing)), {count(outcome.Missing, outcome.MissingFolders)});
    if (outcome.Kept > 0) {
        const std::string kept = count(outcome.Kept, outcome.KeptFolders);
        if (outcome.Kept == 1 && !outcome.KeptReason.empty())
            text += FilledText(StatusTexts::tr(", %1 kept: %2", nullptr, Told(outcome.Kept)), {kept, CoreText(outcome.KeptReason)});
        else
            text += FilledText(StatusTexts::tr(", %1 kept", nullptr, Told(outcome.Kept)), {kept});
    }
    if (!outcome.JournalProblem.empty())
        Join(text, FilledText(StatusTexts::tr("no journal (%1)"), {CoreText(outcome.JournalProblem)}));
    return text;
}

std::string RecoveryText(const TRecovery& recovery) {
    std::string text;
    if (recovery.Count() > 0)
        text = Counted(recovery.Count(),
                       QT_TRANSLATE_N_NOOP("StatusTexts", "Put back %n files an interrupted deletion had moved aside"),
                       "Put back %n file an interrupted deletion had moved aside");
    if (!recovery.Left.empty())
        Join(text, FilledText(StatusTexts::tr("%1 could not be put back", nullptr, Told(recovery.Left.size())), {GroupedCount(recovery.Left.size())}));
    if (!recovery.Unmade.empty())
        Join(text, Counted(recovery.Unmade.size(),
                           QT_TRANSLATE_N_NOOP("StatusTexts", "%n entries an interrupted undo had half made taken away "
                                                              "(nulvane-cli --undo makes them again)"),
                           "%n entry an interrupted undo had half made taken away (nulvane-cli --undo makes them again)"));
    if (!recovery.NotUsed.empty())
        Join(text, Counted(recovery.NotUsed.size(), QT_TRANSLATE_N_NOOP("StatusTexts", "%n deletion journals not used"),
                           "%n deletion journal not used"));
    if (!recovery.Damaged.empty())
        Join(text, Counted(recovery.Damaged.size(),
                           QT_TRANSLATE_N_NOOP("StatusTexts", "%n damaged deletion journals set aside"),
                           "%n damaged deletion journal set aside"));
    return text;
}

std::string NoJournalText(std::string_view problem) {
    return FilledText(StatusTexts::tr("Nothing deleted: cannot keep the deletion's journal (%1)"), {CoreText(problem)});
}

std::string RecoveryDetailsText(const TRecovery& recovery) {
    constexpr std::size_t Shown = 20;
    std::string text;
    std::size_t lines = 0;
    for (const TRecoveredFile& file : recovery.KeptBeside)
        if (lines++ < Shown)
            text += FilledText(StatusTexts::tr("Put back beside its name, which was taken: %1"), {EscapeControls(file.Now)}) + "\n";
    for (const TRecoveredFile& file : recovery.Left) {
        if (lines++ >= Shown) continue;
        if (file.Now.empty())
            text += FilledText(StatusTexts::tr("Not put back, in %1: %2"),
                           {EscapeControls(file.Path), EscapeControls(CoreText(file.Reason))}) + "\n";
        else
            text += FilledText(StatusTexts::tr("Not put back: %1, left as %2: %3"),
                           {EscapeControls(file.Path), EscapeControls(file.Now), EscapeControls(CoreText(file.Reason))}) +
                    "\n";
    }
    for (const std::string& problem : recovery.NotUsed)
        if (lines++ < Shown)
            text += FilledText(StatusTexts::tr("Deletion journal not used: %1"), {EscapeControls(CoreText(problem))}) + "\n";
    for (const TRecoveredFile& journal : recovery.Damaged) {
        if (lines++ >= Shown) continue;
        text += (journal.Now.empty() ? FilledText(StatusTexts::tr("Damaged deletion journal %1 not used: %2"),
                                              {EscapeControls(journal.Path), EscapeControls(CoreText(journal.Reason))})
                                     : FilledText(StatusTexts::tr("Damaged deletion journal set aside as %1: %2"),
                                              {EscapeControls(journal.Now), EscapeControls(CoreText(journal.Reason))})) +
                "\n";
    }
    if (lines > Shown) text += MoreLine(lines - Shown);
    return text;
}

std::string KeepRuleProblemsText(const std::vector<TRuleProblem>& problems) {
    if (problems.empty()) return {};
    std::string text = FilledText(StatusTexts::tr("line %1 ignored: %2"),
                                  {std::to_string(problems.front().Line), CoreText(problems.front().Reason)});
    if (problems.size() > 1) {
        const std::size_t more = problems.size() - 1;
        const QString form = PluralForm("StatusTexts", QT_TRANSLATE_N_NOOP("StatusTexts", " (%n more lines ignored)"), more);
        text += form.isEmpty() ? " (" + std::to_string(more) + (more == 1 ? " more line" : " more lines") + " ignored)"
                               : FilledText(QString(form).replace(QLatin1String("%n"), QLatin1String("%1")),
                                            {std::to_string(more)});
    }
    return text;
}

std::string JoinedTexts(std::string first, std::string_view second) {
    if (!second.empty()) Join(first, second);
    return first;
}

std::string StatusText(std::size_t entries, std::string_view outcome, std::size_t folders) {
    std::string text = entries == 0 ? Utf8(StatusTexts::tr("No files in the list"))
                                    : FilledText(StatusTexts::tr("%1 in the list", nullptr, Told(entries)),
                                             {FilesAndFolders(entries - folders, folders, true, folders > 0)});
    if (!outcome.empty()) {
        text += " \u00b7 ";
        text += outcome;
    }
    return text;
}

}  // namespace nulvane
