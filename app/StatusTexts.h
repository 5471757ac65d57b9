#pragma once
// What the window says in words about counts and the outcome of its commands: the counts line of
// the progress window and the texts of the status bar. Numbers carry the locale's thousands
// separators ("12,345"); nouns agree with their number ("1 file", "2 files").
//
// The texts are built from plain counts, so that the window, the progress window and the tests
// share one wording. They are in the user's language where the window has a translation
// (app/Translations.h); texts of the layers below (kept reasons, journal problems) are translated
// as they are put in.
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/KeepRules.h"
#include "core/Undo.h"

namespace nulvane {

class TLongWork;
struct TRecovery;

// "12,345" under an English locale.
std::string GroupedCount(std::uint64_t n);
// "1 file", "12,345 files".
std::string CountOf(std::uint64_t n, std::string_view singular, std::string_view plural);
// Files and folders counted apart, for work that takes both kinds: "6 files and 2 folders",
// "1 folder" (a kind with none is left out, unless both have none), of the kinds it took
// (`withFiles`, `withFolders`); work that took no folder counts files alone, "6 files".
std::string FilesAndFolders(std::uint64_t files, std::uint64_t folders, bool withFiles = true, bool withFolders = true);

// The progress window's counts line for a job: "N of M" while a deletion or an export knows its
// total, followed by what the job counts where it says ("N of M put back"), "N folders read, M empty files found" while a scan runs, empty before anything counted.
std::string ProgressCountsText(const TLongWork& work);

// What the scans of one command did, summed over the folders it scanned.
struct TScanOutcome {
    std::size_t Listed = 0;
    std::size_t Unreadable = 0;  // folders unread or given up
    bool OutOfMemory = false;
    bool Stopped = false;
    std::vector<std::string> NotFolders;  // paths that named no folder, as given
    std::size_t Held = 0;                 // entries keep rules held back
    std::string KeepRulesNote = {};       // what is wrong with the keep rules, when it is to be said
    std::vector<std::string> UnreadableFolders = {};  // the folders unread or given up, in the order met
    std::vector<std::string> InTrash = {};            // folders not scanned: they lie in a trash
    std::size_t ListedFolders = 0;                    // of Listed, the empty folders
};

// "Scan finished: 12 files listed", "Scan stopped: 12,345 files listed, the list is incomplete",
// followed by "3 held back by keep rules", "2 folders could not be read", "The scan ran short of
// memory: the list is incomplete", "Not a folder: PATH" and the keep-rules note where they apply,
// joined by "; ". Paths are shown with
// their control characters escaped. Only paths: empty when nothing was scanned. Folders that could
// not be read are named, the first here ("2 folders could not be read: /a/b (and 1 more)") and
// all in ScanDetailsText; so is a folder not scanned because it lies in a trash ("In the trash,
// not scanned: PATH").
std::string ScanOutcomeText(const TScanOutcome& outcome);
// The folders that could not be read, one a line (at most 20, then how many more); empty when none.
std::string ScanDetailsText(const TScanOutcome& outcome);

// What taking the last deletion's files back out of the trash did (core/Undo.h): "Put back 6
// files from the trash" ("Put back 6 files and 2 folders from the trash" where folders were to be
// put back), a stopped run "Undo stopped: put back 6 files from the trash, 94 left"; then what did
// not come back, each kind with its first path: "1 stays in the trash, its name is taken: PATH"
// (or "2 stay in the trash, their names are taken: PATH (and 1 more)"); "1 no longer in the
// trash: PATH"; "1 could not be put back: PATH: REASON"; joined by "; ". Files a final deletion
// deleted are made again: "Put back 6 files", "1 not put back, its name is taken: PATH", "1 no
// longer in the undo record: PATH", and "2 without their owner or attributes" for those made
// again without what this user may not set.
std::string UndoOutcomeText(const TUndoSummary& summary);
// Every file that did not come back, one a line with its path and why (at most 20, then how many
// more); after a final deletion's undo, then what no undo gives back.
std::string UndoDetailsText(const TUndoSummary& summary);
// What no undo of a final deletion gives back, said once an undo.
inline constexpr const char* NotRestoredText = QT_TRANSLATE_NOOP(
    "StatusTexts", "Not restored: birth and change times, inode numbers; names of one file come back as separate files");

// What one deletion command did.
struct TDeleteOutcome {
    std::size_t Deleted = 0;
    std::size_t Missing = 0;  // already gone
    std::size_t Kept = 0;
    bool Stopped = false;
    std::string KeptReason;  // the reason when exactly one file was kept
    bool ToTrash = false;    // the files went to the trash
    std::string JournalProblem = {};  // why the deletion's journal could not be kept, when it could not
    // Of the counts above, those of empty folders, and which kinds the command took.
    std::size_t DeletedFolders = 0, MissingFolders = 0, KeptFolders = 0;
    bool WithFiles = true, WithFolders = false;
    bool Undoable = false;  // what went for good can be made again by Undo
};

// "Deleted 6 files, 2 kept"; "Deleted 1 file, 1 already gone"; "Deleted 0 files, 1 kept: changed
// since the scan"; a stopped deletion starts "Deletion stopped: deleted ...". Files moved to the
// trash are told as such: "Moved 6 files to the trash, 2 kept". A journal that could not be kept
// adds "; no journal (REASON)". A command that took folders counts them apart: "Deleted 6 files and 2
// folders, 1 folder kept: no longer empty". What Undo can make again says so: "Deleted 6 files
// (undo: Ctrl+Z), 2 kept".
std::string DeleteOutcomeText(const TDeleteOutcome& outcome);

// What putting back the files of an interrupted deletion did, for the status bar: "Put back 3 files
// an interrupted deletion had moved aside", "; 1 could not be put back", "; 1 deletion journal not
// used", "; 1 damaged deletion journal set aside", "; 1 entry an interrupted undo had half made taken
// away (nulvane-cli --undo makes them again)"; empty when there was none.
std::string RecoveryText(const TRecovery& recovery);
// Each file put back beside its name, each one that could not be put back, with where it is now,
// each journal not used and each damaged one, one a line (at most 20, then how many more); empty
// when there is none.
std::string RecoveryDetailsText(const TRecovery& recovery);
// A deletion that did not start for want of its journal: "Nothing deleted: cannot keep the
// deletion's journal (PROBLEM)".
std::string NoJournalText(std::string_view problem);

// What is wrong with keep rules, as core's RuleProblemsText says it in English: "line 3 ignored:
// unclosed [ (2 more lines ignored)".
std::string KeepRuleProblemsText(const std::vector<TRuleProblem>& problems);

// `first` and `second` joined by "; ", either of them empty.
std::string JoinedTexts(std::string first, std::string_view second);

// The status bar's first panel: "12,345 files in the list" ("12,340 files and 5 folders in the
// list" when `folders` of the entries are empty folders), followed by " · " and the outcome of the
// last command when there is one.
std::string StatusText(std::size_t entries, std::string_view outcome, std::size_t folders = 0);

}  // namespace nulvane
