// nulvane-cli [-0] [--sort FIELD[:desc]] FOLDER...: lists the empty files under each folder, one full
// path per line, in scan order or sorted as a click on a column of that field would sort them;
// -E GLOB leaves matching names or folders out of the scan. In scan order each path goes out as
// soon as its place is final, while the scan goes on; --json writes one JSON object per file
// instead of its path (export/JsonLines.h). With --export csv|txt|html|xml|xls FILE it writes the
// list to FILE instead, as the desktop program's export would; an existing FILE is replaced only
// with --force. With --delete it then deletes the listed files as the desktop program's "Delete
// &All" does, after a question on the terminal or --yes (with --trash it moves them to the trash
// instead), passing by the files the keep rules hold (see KeepRules.h). Before it scans, it puts
// back what a deletion killed half way left under private names (see DeletionJournal.h). Exit
// status: 0 success, 1 something asked for failed (folders that could not be read or were given up
// for lack of resources are named on standard error), 2 bad usage.
// SIGINT, SIGTERM and SIGHUP stop the work in progress, and the program then ends by that signal
// (see StopSignals.h).
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliOptions.h"
#include "cli/ConsoleDesktopServices.h"
#include "cli/StopSignals.h"
#include "core/Deletion.h"
#include "core/FieldSort.h"
#include "core/FileReader.h"
#include "core/KeepRules.h"
#include "core/PathGlob.h"
#include "core/ResultList.h"
#include "export/CommandLineExport.h"
#include "export/ExcelExport.h"
#include "export/JsonLines.h"
#include "platform/files/DeletionJournal.h"
#include "platform/system/LongWork.h"
#include "spreadsheet/ExcelServer.h"

namespace {

using namespace nulvane;

// The usage line and --help come from the option table that the manual page is made from.
const std::string Usage = UsageText();
const std::string Help = HelpText();

struct TCliOptions {
    bool NulTerminated = false;
    bool Json = false;
    std::optional<TSortRequest> Sort;
    std::optional<TExportFormat> Export;
    bool ExportExcel = false;  // --export xls: through the spreadsheet application
    std::string ExportFile;
    bool Force = false;
    std::vector<std::string> Folders;
    // The walk, deletion, and the requests that only print something.
    bool OneFileSystem = false;
    bool NoFollow = false;
    std::vector<TPathGlob> Exclude;
    bool Delete = false;
    std::vector<std::string> Keep;
    bool NoKeepRules = false;
    bool Yes = false;
    bool Trash = false;
    bool Help = false;
    bool Version = false;
};

// The walk, deletion and information options; false when `arg` is none of them.
bool ParseWalkAndDeletionOption(std::string_view arg, TCliOptions& options) {
    if (arg == "-x" || arg == "--one-file-system")
        options.OneFileSystem = true;
    else if (arg == "-P" || arg == "--no-follow")
        options.NoFollow = true;
    else if (arg == "--delete")
        options.Delete = true;
    else if (arg == "--no-keep-rules")
        options.NoKeepRules = true;
    else if (arg == "-y" || arg == "--yes")
        options.Yes = true;
    else if (arg == "--trash")
        options.Trash = true;
    else if (arg == "-h" || arg == "--help")
        options.Help = true;
    else if (arg == "--version")
        options.Version = true;
    else
        return false;
    return true;
}

// The value of an option that takes one, as the next argument or after "=" ("--keep=GLOB"):
// false when `arg` is not that option; `value` stays null when the next argument is missing.
bool OptionValue(int argc, char** argv, int& i, std::string_view arg, std::string_view shortName,
                 std::string_view longName, std::optional<std::string_view>& value) {
    value.reset();
    if (arg == longName || (!shortName.empty() && arg == shortName)) {
        if (i + 1 < argc) value = argv[++i];
        return true;
    }
    if (arg.size() > longName.size() && arg.starts_with(longName) && arg[longName.size()] == '=') {
        value = arg.substr(longName.size() + 1);
        return true;
    }
    return false;
}

// The globs of --keep and -E: false (with `error` set) for one that is none.
bool GlobOption(int argc, char** argv, int& i, std::string_view arg, TCliOptions& options, std::string& error,
                bool& matched) {
    std::optional<std::string_view> value;
    const bool keep = OptionValue(argc, argv, i, arg, {}, "--keep", value);
    matched = keep || OptionValue(argc, argv, i, arg, "-E", "--exclude", value);
    if (!matched) return true;
    const std::string_view name = keep ? "--keep" : "--exclude";
    if (!value) {
        error = std::string(name) + " needs a glob";
        return false;
    }
    std::string reason;
    std::optional<TPathGlob> glob =
        TPathGlob::Parse(*value, keep ? TGlobStart::AnyFolder : TGlobStart::PathStart, reason);
    if (!glob) {
        error = "bad glob \"" + EscapeForTerminal(*value) + "\" for " + std::string(name) + ": " + reason;
        return false;
    }
    if (keep)
        options.Keep.emplace_back(*value);
    else
        options.Exclude.push_back(std::move(*glob));
    return true;
}

// Fills `options` from the arguments; false (with `error` set) for bad usage. Options come
// before, or mixed with, the folders; "--" ends them, so a folder may start with "-".
bool ParseArguments(int argc, char** argv, TCliOptions& options, std::string& error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.Folders.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-0" || arg == "--null") {
            options.NulTerminated = true;
        } else if (arg == "--json") {
            options.Json = true;
        } else if (arg == "--sort" || arg.starts_with("--sort=")) {
            std::string_view value;
            if (arg == "--sort") {
                if (++i == argc) {
                    error = "--sort needs a field name";
                    return false;
                }
                value = argv[i];
            } else {
                value = arg.substr(std::string_view("--sort=").size());
            }
            options.Sort = ParseSortRequest(value);
            if (!options.Sort) {
                error = "unknown field \"" + EscapeForTerminal(value) + "\" for --sort (valid fields: " + FieldNamesText() + ")";
                return false;
            }
        } else if (arg == "--export") {
            if (i + 2 >= argc) {
                error = "--export needs a format (csv, txt, html, xml, xls) and a file name";
                return false;
            }
            options.ExportExcel = std::string_view(argv[++i]) == "xls";
            options.Export = ParseExportFormat(argv[i]);
            if (!options.Export && !options.ExportExcel) {
                error = "unknown export format \"" + EscapeForTerminal(argv[i]) + "\" (valid formats: csv, txt, html, xml, xls)";
                return false;
            }
            options.ExportFile = argv[++i];
            if (options.ExportFile.empty()) {
                error = "the file name for --export is empty";
                return false;
            }
        } else if (arg == "--force") {
            options.Force = true;
        } else if (bool glob = false; !GlobOption(argc, argv, i, arg, options, error, glob)) {
            return false;
        } else if (glob || ParseWalkAndDeletionOption(arg, options)) {
        } else {
            error = "unknown option: " + EscapeForTerminal(arg);
            return false;
        }
    }
    if (options.Force && !options.Export && !options.ExportExcel) {
        error = "--force only goes with --export";
        return false;
    }
    for (const auto& [given, name] : {std::pair{options.Yes, "--yes"}, {!options.Keep.empty(), "--keep"},
                                      {options.NoKeepRules, "--no-keep-rules"}}) {
        if (given && !options.Delete) {
            error = std::string(name) + " only goes with --delete";
            return false;
        }
    }
    if (options.Trash && !options.Delete) {
        error = "--trash only goes with --delete";
        return false;
    }
    if (options.Json && (options.Export || options.ExportExcel)) {
        error = "--json and --export do not go together";
        return false;
    }
    if (options.Json && options.NulTerminated) {
        error = "--json ends each object with a newline; -0 does not go with it";
        return false;
    }
    if (options.Help || options.Version) return true;
    if (options.Folders.empty()) {
        error = "no folder given";
        return false;
    }
    return true;
}

// Output goes out through one large buffer: a scan can list millions of paths. After a scan
// that ran short of memory there may be no room for it; then each path goes out on its own.
// While a scan streams its list, what is buffered also goes out at the first pause of the scan
// and then at least every FlushInterval (at every pause on a terminal), so that a reader sees the
// list grow.
class TOutput {
public:
    explicit TOutput(std::FILE* stream) : Stream_(stream), Interactive_(::isatty(::fileno(stream)) == 1) {
        try {
            Buffer_.reserve(Capacity);
        } catch (const std::bad_alloc&) {
        }
    }
    ~TOutput() { Flush(); }

    // Writes `folder` and `name` one after the other, then the terminator.
    void Write(std::string_view folder, std::string_view name, char terminator) {
        const std::size_t size = folder.size() + name.size() + 1;
        if (Buffer_.size() + size > Buffer_.capacity()) Flush();
        if (size > Buffer_.capacity()) {
            std::fwrite(folder.data(), 1, folder.size(), Stream_);
            std::fwrite(name.data(), 1, name.size(), Stream_);
            std::fputc(terminator, Stream_);
            return;
        }
        Buffer_.append(folder);
        Buffer_.append(name);
        Buffer_.push_back(terminator);
    }
    void Write(std::string_view text, char terminator) { Write({}, text, terminator); }

    // Passes on what is buffered when it has waited long enough.
    void FlushIfDue() {
        if (Buffer_.empty()) return;
        const auto now = std::chrono::steady_clock::now();
        if (!Interactive_ && Flushed_ && now - LastFlush_ < FlushInterval) return;
        Flush();
        std::fflush(Stream_);
        LastFlush_ = now;
        Flushed_ = true;
    }

    // False when anything could not be written.
    bool Finish() {
        Flush();
        return std::fflush(Stream_) == 0 && !std::ferror(Stream_);
    }

private:
    static constexpr std::size_t Capacity = std::size_t{1} << 20;
    static constexpr std::chrono::milliseconds FlushInterval{20};

    void Flush() {
        if (!Buffer_.empty()) std::fwrite(Buffer_.data(), 1, Buffer_.size(), Stream_);
        Buffer_.clear();
    }

    std::FILE* Stream_;
    std::string Buffer_;
    const bool Interactive_;
    bool Flushed_ = false;
    std::chrono::steady_clock::time_point LastFlush_;
};

// Prints a streamed scan as it comes: each path, or each entry as JSON. Once a signal has asked
// the program to stop, nothing more is printed.
class TListingPrinter final : public TScanSink {
public:
    TListingPrinter(TOutput& out, char terminator, bool json, const TLongWork& work) noexcept
        : Out_(out), Terminator_(terminator), Json_(json), Work_(work) {}

    void Take(std::string_view folder, std::string_view name, const TListEntry* entry) override {
        if (Work_.StopRequested()) return;
        if (!Json_ || !entry) {
            Out_.Write(folder, name, Terminator_);
            return;
        }
        Path_.assign(folder).append(entry->Record.PathTail());
        Line_.clear();
        AppendEntryJson(Line_, entry->Record, Path_);
        Out_.Write(Line_, '\n');
    }

    void Pause() override {
        if (!Work_.StopRequested()) Out_.FlushIfDue();
    }

private:
    TOutput& Out_;
    const char Terminator_;
    const bool Json_;
    const TLongWork& Work_;
    std::string Path_, Line_;
};

// A message that quotes names as they are (an error's text) made safe for one line of a
// terminal: control characters become C escapes, everything else stands.
std::string EscapeControls(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            result += EscapeForTerminal(std::string_view(&c, 1));
        else
            result += c;
    }
    return result;
}

// Writes the list to the export file: 0 when written, 1 (with one line on standard error) when
// the file exists without --force or cannot be written. A stopped export says nothing: the
// signal that stopped it ends the program.
int ExportStep(const TResultList& list, const TCliOptions& options) {
    const std::string file = EscapeForTerminal(options.ExportFile);
    try {
        const bool written = options.ExportExcel
                                 ? ExportListToExcelFile(list, options.ExportFile, options.Force)
                                 : ExportListToFile(list, *options.Export, options.ExportFile, options.Force);
        if (written) return 0;
        std::fprintf(stderr, "nulvane-cli: \"%s\" already exists; --force replaces it\n", file.c_str());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "nulvane-cli: cannot export to \"%s\": out of memory\n", file.c_str());
    } catch (const std::exception& e) {
        EndIfSignalled();  // a stopped export: the signal that stopped it ends the program
        std::fprintf(stderr, "nulvane-cli: cannot export to \"%s\": %s\n", file.c_str(), EscapeControls(e.what()).c_str());
    }
    return 1;
}

// Whether the folder argument names a folder; when not, says so on standard error.
bool IsFolder(const std::string& folder) {
    struct stat st;
    const bool exists = ::stat(folder.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return true;
    const char* reason = exists ? "not a folder" : std::strerror(errno);
    std::fprintf(stderr, "nulvane-cli: %s: %s\n", EscapeForTerminal(folder).c_str(), reason);
    return false;
}

// "1 file", "3 files".
std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// Says what the recovery of interrupted deletions did: how many files it put back, each it could
// only put beside its name, and each it could not put back with where it is. 1 when anything could
// not be put back.
int ReportRecovery(const TRecovery& recovery) {
    if (recovery.Count() > 0)
        std::fprintf(stderr, "nulvane-cli: put back %s an interrupted deletion had moved aside\n",
                     Files(recovery.Count()).c_str());
    for (const TRecoveredFile& file : recovery.KeptBeside)
        std::fprintf(stderr, "nulvane-cli: put back %s as %s: %s\n", EscapeForTerminal(file.Path).c_str(),
                     EscapeForTerminal(file.Now).c_str(), file.Reason.c_str());
    for (const TRecoveredFile& file : recovery.Left) {
        if (file.Now.empty())
            std::fprintf(stderr, "nulvane-cli: cannot put back what an interrupted deletion left in %s: %s\n",
                         EscapeForTerminal(file.Path).c_str(), EscapeControls(file.Reason).c_str());
        else
            std::fprintf(stderr, "nulvane-cli: cannot put back %s (left as %s): %s\n", EscapeForTerminal(file.Path).c_str(),
                         EscapeForTerminal(file.Now).c_str(), EscapeControls(file.Reason).c_str());
    }
    return recovery.Left.empty() ? 0 : 1;
}

// Deletes every listed file that no keep rule holds, as "Delete &All" does once the question is
// answered Yes (or moves it to the trash); 1 when a file was kept for another reason or a stop left
// files undeleted. Each file a rule held is named with its rule, and counted apart.
int DeleteStep(TResultList& list, const TCliOptions& options, const TKeepRules& rules) {
    if (list.Empty()) {
        std::fputs("nulvane-cli: no empty files to delete\n", stderr);
        return 0;
    }
    std::size_t toDelete = 0;
    for (TListEntry& entry : list) {
        const bool held = entry.Note == TEntryNote::HeldByRule;
        entry.CheckState = held ? TCheckState::Unchecked : TCheckState::Checked;
        toDelete += !held;
    }
    if (toDelete > 0) {
        const std::string count = std::to_string(toDelete);
        const std::string question = options.Trash ? "Move " + count + " files to the trash?" : "Delete " + count + " files?";
        if (DesktopServices().MessageBox(question, "Warning", TMessageButtons::YesNo, TMessageIcon::Question,
                                         nullptr) != TMessageResult::Yes) {
            EndIfSignalled();
            std::fputs("nulvane-cli: nothing deleted\n", stderr);
            return 0;
        }
    }
    EndIfSignalled();
    const TDeleteSummary summary = DeleteCheckedEntries(list, {.ToTrash = options.Trash});
    EndIfSignalled();
    if (summary.JournalError != 0)
        std::fprintf(stderr, "nulvane-cli: cannot keep the deletion's journal in '%s': %s; had it been killed, files could "
                             "have been left under private names\n",
                     EscapeForTerminal(summary.JournalFolder).c_str(), std::strerror(summary.JournalError));
    // Why files could not be asked whether they are in use, once.
    std::size_t unasked = 0;
    int unaskedError = 0;
    for (const TKeptFile& kept : summary.Kept) {
        if (kept.Result.Reason != TKeepReason::LockUnknown) continue;
        if (unasked++ == 0) unaskedError = kept.Result.Error;
    }
    if (unasked > 0)
        std::fprintf(stderr, "nulvane-cli: could not ask whether files are in use (%s; /proc/locks cannot be read "
                             "either): %zu kept\n",
                     std::strerror(unaskedError), unasked);
    std::size_t held = 0;
    for (const TListEntry& entry : list) {
        if (entry.Note != TEntryNote::HeldByRule) continue;
        ++held;
        std::fprintf(stderr, "nulvane-cli: kept: rule %s: %s\n", EscapeForTerminal(rules.RuleFor(list, entry)).c_str(),
                     EscapeForTerminal(list.FullPath(entry)).c_str());
    }
    for (const TKeptFile& kept : summary.Kept) {
        std::string line = "nulvane-cli: kept " + EscapeForTerminal(kept.Path) + ": " + kept.Result.ReasonText();
        if (!kept.Result.KeptAs.empty()) line += " (now named " + EscapeForTerminal(kept.Result.KeptAs) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::string line = "nulvane-cli: " + std::string(options.Trash ? "moved " : "deleted ") +
                       std::to_string(summary.Deleted) + (options.Trash ? " files to the trash" : " files");
    if (summary.Missing > 0) line += ", " + std::to_string(summary.Missing) + " already gone";
    if (!summary.Kept.empty()) line += ", " + std::to_string(summary.Kept.size()) + " kept";
    if (held > 0) line += ", " + std::to_string(held) + " kept by rules";
    if (summary.Stopped) line += ", stopped with " + std::to_string(summary.NotReached) + " not reached";
    std::fprintf(stderr, "%s\n", line.c_str());
    return summary.Kept.empty() && !summary.Stopped ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) try {
    std::setlocale(LC_ALL, "");
    RaiseOpenFileLimit();
    // The program's one long job: the scan, the deletion and the export each stop when a signal
    // asks it to.
    static TLongWork work;
    const TLongWorkScope workScope(work);
    InstallStopSignals(work);

    TCliOptions options;
    std::string error;
    if (!ParseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "nulvane-cli: %s; %.*s", error.c_str(), static_cast<int>(Usage.size()), Usage.data());
        return 2;
    }
    if (options.Help) {
        std::fwrite(Usage.data(), 1, Usage.size(), stdout);
        std::fwrite(Help.data(), 1, Help.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (options.Version) {
        std::printf("nulvane-cli %s\n", NULVANE_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    TConsoleDesktopServices console(options.Yes, ::isatty(STDIN_FILENO) == 1);
    const TDesktopServicesScope services(console);
    if (options.Delete && !console.CanAsk()) {
        std::fputs("nulvane-cli: --delete asks on a terminal; without one, give --yes\n", stderr);
        return 1;
    }

    // What a killed deletion left under private names goes back before anything is scanned: listed,
    // it would pass for empty files of its own, and its names would be lost.
    int status = ReportRecovery(RecoverInterruptedDeletions());
    bool mayDelete = options.Delete;
    // What a deletion keeps; the rules matter to nothing else, so only a deletion reads them.
    TKeepRules rules;
    if (options.Delete && !options.NoKeepRules) {
        TLoadedKeepRules loaded = LoadKeepRules();
        const std::string file = EscapeForTerminal(loaded.Path);
        if (!loaded.Error.empty()) {
            // The user's rules would go unheeded: nothing is deleted rather than what they keep.
            std::fprintf(stderr, "nulvane-cli: cannot read the keep rules \"%s\": %s; nothing deleted\n", file.c_str(),
                         EscapeControls(loaded.Error).c_str());
            status = 1;
            mayDelete = false;
        }
        if (!loaded.Problems.empty())
            std::fprintf(stderr, "nulvane-cli: %s: %s\n", file.c_str(), RuleProblemsText(loaded.Problems).c_str());
        rules = std::move(loaded.Rules);
        for (const std::string& keep : options.Keep) rules.Add(keep, error);  // read as globs already
    }
    TWalkOptions walk;
    walk.OneFileSystem = options.OneFileSystem;
    walk.FollowFolderLinks = !options.NoFollow;
    if (!options.Exclude.empty()) {
        walk.Exclude = [&globs = options.Exclude](std::string_view path, bool folder) {
            return std::any_of(globs.begin(), globs.end(), [&](const TPathGlob& glob) { return glob.Matches(path, folder); });
        };
    }
    // A folder given up because descriptors or memory ran short leaves a gap in the list: say
    // which, and fail, rather than pass an incomplete list off as complete.
    walk.OnGivenUp = [&status](const std::string& folder, int number) {
        std::fprintf(stderr, "nulvane-cli: %s: given up: %s\n", EscapeForTerminal(folder).c_str(), std::strerror(number));
        status = 1;
    };
    // So does a folder that could not be read, named as find names it.
    walk.OnUnreadable = [&status](const std::string& folder, int number) {
        const std::string_view shown = folder.size() > 1 ? std::string_view(folder).substr(0, folder.size() - 1) : folder;
        std::fprintf(stderr, "nulvane-cli: cannot read '%s': %s\n", EscapeForTerminal(shown).c_str(), std::strerror(number));
        status = 1;
    };
    // What lies in the trash is other deletions' originals: a folder there is not scanned.
    walk.OnInTrash = [&status](const std::string& folder) {
        const std::string_view shown = folder.size() > 1 ? std::string_view(folder).substr(0, folder.size() - 1) : folder;
        std::fprintf(stderr, "nulvane-cli: %s: in the trash, not scanned\n", EscapeForTerminal(shown).c_str());
        status = 1;
    };
    const char terminator = options.NulTerminated ? '\0' : '\n';
    const TEntryOptions entryOptions{.ExactTimes = options.Json};
    if (!options.Sort && !options.Export && !options.ExportExcel && !options.Delete) {
        // Nothing needs the whole list: each file goes out as soon as its place is final.
        TOutput out(stdout);
        TListingPrinter printer(out, terminator, options.Json, work);
        for (const std::string& folder : options.Folders) {
            EndIfSignalled();
            if (!IsFolder(folder)) {
                status = 1;
                continue;
            }
            if (StreamFolder(folder, printer, walk, options.Json, entryOptions).OutOfMemory) {
                std::fprintf(stderr, "nulvane-cli: out of memory while scanning '%s': the list is incomplete\n",
                             EscapeForTerminal(folder).c_str());
                status = 1;
                break;
            }
        }
        EndIfSignalled();
        if (!out.Finish()) {
            EndIfSignalled();
            std::fprintf(stderr, "nulvane-cli: cannot write the list: %s\n", std::strerror(errno));
            return 1;
        }
        return status;
    }

    TResultList list;
    // A FOLDER missing, or a scan short of memory: the list is not what was asked for, and no export
    // replaces an earlier one with it.
    bool incomplete = false;
    for (const std::string& folder : options.Folders) {
        EndIfSignalled();
        if (!IsFolder(folder)) {
            status = 1;
            incomplete = true;
            continue;
        }
        const std::size_t before = list.Count();
        if (ScanFolder(list, folder, walk, entryOptions).OutOfMemory) {
            // The folders after it are not scanned either: "all" would not be all, so none is deleted.
            std::fprintf(stderr, "nulvane-cli: out of memory while scanning '%s': the list is incomplete%s\n",
                         EscapeForTerminal(folder).c_str(), mayDelete ? "; nothing deleted" : "");
            status = 1;
            mayDelete = false;
            incomplete = true;
            break;
        }
        rules.Hold(list, before);
    }
    EndIfSignalled();
    if (options.Sort) SortListByField(list, FieldNames[options.Sort->Field], options.Sort->Descending);
    EndIfSignalled();
    if (options.Export || options.ExportExcel) {
        if (incomplete) {
            std::fprintf(stderr, "nulvane-cli: \"%s\" not written: the list is incomplete\n",
                         EscapeForTerminal(options.ExportFile).c_str());
            if (mayDelete) std::fputs("nulvane-cli: nothing deleted\n", stderr);
            return 1;
        }
        RegisterSpreadsheetServer();
        if (ExportStep(list, options) != 0) {
            // The record of what was found did not get written: delete nothing.
            if (mayDelete) std::fputs("nulvane-cli: nothing deleted\n", stderr);
            return 1;
        }
        return mayDelete ? std::max(status, DeleteStep(list, options, rules)) : status;
    }

    TOutput out(stdout);
    TEntryTexts texts(list);
    std::string line;
    for (const TListEntry& entry : list) {
        EndIfSignalled();
        if (options.Json) {
            line.clear();
            AppendEntryJson(line, entry.Record, texts.FullPath(entry));
            out.Write(line, '\n');
        } else {
            out.Write(texts.FullPath(entry), terminator);
        }
    }
    if (!out.Finish()) {
        EndIfSignalled();
        std::fprintf(stderr, "nulvane-cli: cannot write the list: %s\n", std::strerror(errno));
        if (mayDelete) std::fputs("nulvane-cli: nothing deleted\n", stderr);
        return 1;
    }
    return mayDelete ? std::max(status, DeleteStep(list, options, rules)) : status;
} catch (const std::bad_alloc&) {
    // Whatever ran short (a sort, an export, the deletion), it is said, never a crash.
    std::fputs("nulvane-cli: out of memory\n", stderr);
    return 1;
}
