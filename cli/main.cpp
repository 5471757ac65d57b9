// nulvane-cli [-0] [--sort FIELD[:desc]] [FOLDER...]: lists the empty files under each folder (the
// current one when none is given), one path per line as given, in scan order or sorted as a click on a
// column of that field would sort them; -E GLOB leaves matching names or folders out of the scan,
// and the depth, write-time, name (-g, -e) and owner filters narrow it; -q and --max-results stop
// it at the first entries found. On a terminal the paths are coloured as ls
// colours them and standard error shows the progress (Progress.h). In scan order each path goes out as
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
//
// One file for the program's one run from arguments to exit status: the options and their
// checks, the scan, the listing, the export and the deletion steps follow each other here in the
// order they run, each a function of its own, and share only the options and the program's job.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "cli/CliOptions.h"
#include "cli/CliValues.h"
#include "cli/Colors.h"
#include "cli/Progress.h"
#include "cli/ConsoleDesktopServices.h"
#include "cli/FormatsModule.h"
#include "cli/StopSignals.h"
#include "cli/Translation.h"
#include "core/Deletion.h"
#include "core/FieldSort.h"
#include "core/Scan.h"
#include "core/KeepRules.h"
#include "core/NameFilter.h"
#include "core/PathGlob.h"
#include "core/ResultList.h"
#include "export/CommandLineExport.h"
#include "export/JsonLines.h"
#include "platform/files/journal/DeletionJournal.h"
#include "platform/files/removal/FileLocks.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/FolderPath.h"
#include "platform/files/PathNames.h"
#include "platform/files/journal/UndoRecords.h"
#include "platform/system/ScopeGuard.h"
#include "platform/system/LongWork.h"
#include "platform/system/Pages.h"
#include "platform/text/ControlEscapes.h"

namespace {

using namespace nulvane;

struct TCliOptions {
    bool NulTerminated = false;
    bool Json = false;
    std::optional<TSortField> Sort;
    std::optional<TExportFormat> Export;
    std::string ExportFile;
    std::string ExportFormatName;  // as given: "csv"
    bool Force = false;
    std::vector<std::string> Folders;
    // The walk, deletion, and the requests that only print something.
    bool OneFileSystem = false;
    bool NoFollow = false;
    std::vector<TPathGlob> Exclude;
    std::optional<unsigned> MaxDepth;
    unsigned MinDepth = 0;
    std::optional<TInstant> ChangedWithin, ChangedBefore;
    bool NoProgress = false;
    std::string Color;  // --color WHEN; empty for auto
    bool ListFiles = false, ListFolders = false;  // -t f, -t d; neither given: files
    bool Delete = false;
    std::vector<std::string> Keep;
    bool NoKeepRules = false;
    bool Deletable = false;  // leave held entries out of the list printed
    bool Yes = false;
    bool Trash = false;
    bool Help = false;
    bool Version = false;
    // What is listed (-g, -e, --owner), how much (-q, --max-results, -1), and how (-a).
    TNameFilter Names;
    TOwnerFilter Owner;
    bool Quiet = false;
    std::optional<std::uint64_t> MaxResults;
    bool AbsolutePath = false;
    bool Undo = false, UndoList = false;  // --undo [ID], --undo-list: alone
    std::string UndoId;
    std::string_view NotAlone;  // an option given that goes with neither of them
};

// Takes one option the parser matched, with its values: false (with `error` set) for a bad value.
bool TakeOption(const TCliOption& option, std::span<const std::string_view> values, TCliOptions& options,
                std::string& error) {
    switch (option.Id) {
    case TCliOptionId::Null: options.NulTerminated = true; break;
    case TCliOptionId::Json: options.Json = true; break;
    case TCliOptionId::OneFileSystem: options.OneFileSystem = true; break;
    case TCliOptionId::NoFollow: options.NoFollow = true; break;
    case TCliOptionId::Force: options.Force = true; break;
    case TCliOptionId::Delete: options.Delete = true; break;
    case TCliOptionId::Yes: options.Yes = true; break;
    case TCliOptionId::Trash: options.Trash = true; break;
    case TCliOptionId::NoKeepRules: options.NoKeepRules = true; break;
    case TCliOptionId::Deletable: options.Deletable = true; break;
    case TCliOptionId::Help: options.Help = true; break;
    case TCliOptionId::Version: options.Version = true; break;
    case TCliOptionId::EndOfOptions: break;
    case TCliOptionId::NoProgress: options.NoProgress = true; break;
    case TCliOptionId::Quiet: options.Quiet = true; break;
    case TCliOptionId::One: options.MaxResults = 1; break;
    case TCliOptionId::AbsolutePath: options.AbsolutePath = true; break;
    case TCliOptionId::Glob:
    case TCliOptionId::Extension:
    case TCliOptionId::Owner:
    case TCliOptionId::MaxResults: {
        std::string reason = N_("a whole number from 1");
        std::optional<TPathGlob> glob;
        std::optional<TOwnerFilter> owner;
        std::optional<std::uint64_t> count;
        if (option.Id == TCliOptionId::Glob && (glob = TPathGlob::Parse(values[0], TGlobStart::PathStart, reason)))
            options.Names.AddGlob(std::move(*glob));
        else if (option.Id == TCliOptionId::Owner && (owner = ParseOwner(values[0], reason)))
            options.Owner = *owner;
        else if (option.Id == TCliOptionId::MaxResults && (count = ParseCount(values[0])))
            options.MaxResults = count;
        else if (option.Id != TCliOptionId::Extension || !options.Names.AddExtension(values[0], reason)) {
            error = Format(_("bad value \"%s\" for %s: %s"), EscapeForTerminal(values[0]).c_str(),
                           std::string(option.Long).c_str(), Translated(reason).c_str());
            return false;
        }
        break;
    }
    case TCliOptionId::Undo:
        options.Undo = true;
        if (!values.empty()) options.UndoId = values[0];
        break;
    case TCliOptionId::UndoList: options.UndoList = true; break;
    case TCliOptionId::Sort:
        options.Sort = MatchSortField(values[0]);
        if (!options.Sort) {
            error = Format(_("unknown field \"%s\" for --sort (valid fields: %s, or name, path, size, ext, type, "
                             "created, accessed, modified; then :asc or :desc)"),
                           EscapeForTerminal(values[0]).c_str(), FieldNamesText().c_str());
            return false;
        }
        break;
    case TCliOptionId::MaxDepth:
    case TCliOptionId::MinDepth: {
        const std::optional<unsigned> depth = ParseDepth(values[0]);
        if (!depth) {
            error = Format(_("bad depth \"%s\" for %s: not a whole number"), EscapeForTerminal(values[0]).c_str(),
                           std::string(option.Long).c_str());
            return false;
        }
        if (option.Id == TCliOptionId::MaxDepth)
            options.MaxDepth = *depth;
        else
            options.MinDepth = *depth;
        break;
    }
    case TCliOptionId::ChangedWithin:
    case TCliOptionId::ChangedBefore: {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const std::optional<TInstant> when =
            ParseWhen(values[0], {static_cast<std::int64_t>(now.tv_sec), static_cast<std::uint32_t>(now.tv_nsec)});
        if (!when) {
            error = Format(_("bad time \"%s\" for %s: give a duration (10min, 2h, 3d, 2weeks) or a date "
                             "(2026-11-01, 2026-11-01 10:00:00)"),
                           EscapeForTerminal(values[0]).c_str(), std::string(option.Long).c_str());
            return false;
        }
        (option.Id == TCliOptionId::ChangedWithin ? options.ChangedWithin : options.ChangedBefore) = when;
        break;
    }
    case TCliOptionId::Type:
        if (values[0] != "f" && values[0] != "d") {
            error = Format(_("bad value \"%s\" for --type: f (empty files) or d (empty folders)"),
                           EscapeForTerminal(values[0]).c_str());
            return false;
        }
        (values[0] == "f" ? options.ListFiles : options.ListFolders) = true;
        break;
    case TCliOptionId::Color:
        if (values[0] != "auto" && values[0] != "always" && values[0] != "never") {
            error = Format(_("bad value \"%s\" for --color: auto, always or never"), EscapeForTerminal(values[0]).c_str());
            return false;
        }
        options.Color = values[0];
        break;
    case TCliOptionId::Export:
        options.ExportFormatName = values[0];
        options.Export = ParseExportFormat(values[0]);
        if (!options.Export) {
            // A whole text for the translations, checked against the table of formats.
            static_assert(JoinFormatNames("(valid formats: ", ", ", ", ", ")").View() ==
                          "(valid formats: csv, txt, html, xml, xls)");
            error = Format(_("unknown export format \"%s\" (valid formats: csv, txt, html, xml, xls)"),
                           EscapeForTerminal(values[0]).c_str());
            return false;
        }
        options.ExportFile = values[1];
        if (options.ExportFile.empty()) {
            error = _("the file name for --export is empty");
            return false;
        }
        break;
    case TCliOptionId::Exclude:
    case TCliOptionId::Keep: {
        const bool keep = option.Id == TCliOptionId::Keep;
        std::string reason;
        std::optional<TPathGlob> glob =
            TPathGlob::Parse(values[0], keep ? TGlobStart::AnyFolder : TGlobStart::PathStart, reason);
        if (!glob) {
            error = Format(_("bad glob \"%s\" for %s: %s"), EscapeForTerminal(values[0]).c_str(),
                           std::string(option.Long).c_str(), Translated(reason).c_str());
            return false;
        }
        if (keep)
            options.Keep.emplace_back(values[0]);
        else
            options.Exclude.push_back(std::move(*glob));
        break;
    }
    }
    return true;
}

// Fills `options` from the arguments; false (with `error` set) for bad usage. Options come
// before, or mixed with, the folders; "--" ends them, so a folder may start with "-".
bool ParseArguments(int argc, char** argv, TCliOptions& options, std::string& error) {
    const auto take = [&options](const TCliOption& option, std::span<const std::string_view> values, std::string& why) {
        if (option.Id != TCliOptionId::Undo && option.Id != TCliOptionId::UndoList) options.NotAlone = option.Long.empty() ? option.Short : option.Long;
        return TakeOption(option, values, options, why);
    };
    if (!ParseCommandLine(argc, argv, take, options.Folders, error, EscapeForTerminal)) return false;
    if ((options.Undo || options.UndoList) && (!options.NotAlone.empty() || !options.Folders.empty() || (options.Undo && options.UndoList))) {
        error = _("--undo and --undo-list go alone, without a FOLDER");
        return false;
    }
    // As find and fd do, no FOLDER means the current folder.
    if (options.Folders.empty() && !options.Help && !options.Version && !options.Undo && !options.UndoList)
        options.Folders.emplace_back(".");
    if (options.AbsolutePath)
        for (std::string& folder : options.Folders) folder = CleanFolderPath(folder);
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
    // Large enough that writes cost nothing beside composing the paths; every byte of it is
    // touched, and counts in a listing's peak.
    static constexpr std::size_t Capacity = std::size_t{16} << 10;
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
// the program to stop, nothing more is printed; so it is once `limit` entries are taken, which
// stops the scan as a signal would (`quiet`: taken, never printed).
class TListingPrinter final : public TScanSink {
public:
    TListingPrinter(TOutput& out, char terminator, bool json, const TPathColors* colors, TLongWork& work,
                    bool deletable, bool quiet, std::uint64_t limit) noexcept
        : Out_(out), Terminator_(terminator), Json_(json), Colors_(colors), Work_(work), Deletable_(deletable),
          Quiet_(quiet), Limit_(limit) {}

    std::uint64_t Taken() const noexcept { return Taken_; }

    void Take(std::string_view folder, std::string_view name, const TListEntry* entry, std::string_view heldBy) override {
        if (Work_.StopRequested() || (Deletable_ && !heldBy.empty())) return;
        if (++Taken_ == Limit_) Work_.RequestStop();
        if (Quiet_) return;
        if (Colors_ && !Json_) {
            Line_.clear();
            if (entry && entry->Kind == TEntryKind::Folder)
                Colors_->Append(Line_, Path_.assign(folder).append(name), {});
            else
                Colors_->Append(Line_, folder, name);
            Out_.Write(Line_, Terminator_);
            return;
        }
        if (!Json_ || !entry) {
            Out_.Write(folder, name, Terminator_);
            return;
        }
        Texts_.SetFolder(folder);
        Line_.clear();
        AppendEntryJson(Line_, Texts_, *entry, heldBy);
        Out_.Write(Line_, '\n');
    }

    void Pause() override {
        if (!Work_.StopRequested()) Out_.FlushIfDue();
    }

private:
    TOutput& Out_;
    const char Terminator_;
    const bool Json_;
    const TPathColors* Colors_;
    TLongWork& Work_;
    const bool Deletable_, Quiet_;
    const std::uint64_t Limit_;
    std::uint64_t Taken_ = 0;
    std::string Path_, Line_;
    TEntryTexts Texts_{std::string_view()};  // a JSON entry's fields, in the folder it was streamed from
};

// Writes the export to standard output: made whole in a private temporary folder first, as a
// file, so that what goes out is exactly the file's bytes, then copied. The file is removed once
// it is open for the copy, so that nothing is left of it however the copy ends: a reader that
// closes the pipe (SIGPIPE ends the program, as it ends any writer), a signal, a failure. 0 when
// written; throws what the export throws, and EOSError-like text for a failed copy; a copy stopped
// by a signal throws too, and the caller ends the program by it.
int ExportToStandardOutput(const TFormatsModule& formats, const TResultList& list, const TCliOptions& options,
                           TLongWork& work) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/nulvane-cli.XXXXXX";
    if (!::mkdtemp(folder.data())) throw std::runtime_error(Format(_("cannot make a temporary folder: %s"), std::strerror(errno)));
    // The name an HTML report shows as its title.
    const std::string file = folder + "/list." + options.ExportFormatName;
    TFd in;
    {
        const TScopeGuard removed([&] {
            ::unlink(file.c_str());
            ::rmdir(folder.c_str());
        });
        formats.ExportListToFile(list, *options.Export, file, true, work);
        in.Reset(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (!in) throw std::runtime_error(std::strerror(errno));
    }
    std::fflush(stdout);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw std::runtime_error(std::strerror(errno));
        if (got == 0) break;
        for (ssize_t at = 0; at < got;) {
            // A stop signal ends a copy that a reader who does not read would hold for ever.
            if (work.StopRequested()) throw std::runtime_error(_("stopped"));
            const ssize_t put = ::write(STDOUT_FILENO, buffer.data() + at, static_cast<std::size_t>(got - at));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) throw std::runtime_error(Format(_("cannot write to standard output: %s"), std::strerror(errno)));
            at += put;
        }
    }
    return 0;
}

// Writes the list to the export file: 0 when written, 1 (with one line on standard error) when
// the file exists without --force or cannot be written. A stopped export says nothing: the
// signal that stopped it ends the program.
int ExportStep(const TFormatsModule& formats, const TResultList& list, const TCliOptions& options, TLongWork& work,
               TProgress& progress) {
    const std::string file = EscapeForTerminal(options.ExportFile);
    try {
        if (options.ExportFile == "-") return ExportToStandardOutput(formats, list, options, work);
        if (formats.ExportListToFile(list, *options.Export, options.ExportFile, options.Force, work)) return 0;
        progress.Hide();
        std::fprintf(stderr, _("nulvane-cli: \"%s\" already exists; --force replaces it\n"), file.c_str());
    } catch (const std::bad_alloc&) {
        progress.Hide();
        std::fprintf(stderr, _("nulvane-cli: cannot export to \"%s\": out of memory\n"), file.c_str());
    } catch (const std::exception& e) {
        // A stopped export: the signal that stopped it ends the program, with the line erased.
        progress.Hide();
        EndIfSignalled();
        std::fprintf(stderr, _("nulvane-cli: cannot export to \"%s\": %s\n"), file.c_str(), EscapeControls(e.what()).c_str());
    }
    return 1;
}

// Whether the folder argument names a folder; when not, says so on standard error.
bool IsFolder(const std::string& folder) {
    struct stat st;
    const bool exists = ::stat(folder.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return true;
    const char* reason = exists ? _("not a folder") : std::strerror(errno);
    std::fprintf(stderr, "nulvane-cli: %s: %s\n", EscapeForTerminal(folder).c_str(), reason);
    return false;
}

// What scanning the FOLDERs left out of the list.
struct TScanGaps {
    bool Missing = false;      // a FOLDER that does not exist or is not a folder
    bool OutOfMemory = false;  // a scan short of memory; the FOLDERs after it are not scanned
};

// Scans each FOLDER in turn with `scan` (true when it ran short of memory), naming a FOLDER that
// is none and a scan short of memory (with `outOfMemoryNote` after "the list is incomplete") on
// standard error; either makes the run fail.
template <class TScan>
TScanGaps ScanEachFolder(const std::vector<std::string>& folders, int& status, std::string_view outOfMemoryNote,
                         TProgress& progress, TScan scan) {
    TScanGaps gaps;
    for (const std::string& folder : folders) {
        EndIfSignalled();
        bool isFolder = false;
        progress.Erased([&] { isFolder = IsFolder(folder); });
        if (!isFolder) {
            status = 1;
            gaps.Missing = true;
            continue;
        }
        if (scan(folder)) {
            progress.Hide();
            std::fprintf(stderr, _("nulvane-cli: out of memory while scanning '%s': the list is incomplete%.*s\n"),
                         EscapeForTerminal(folder).c_str(), static_cast<int>(outOfMemoryNote.size()),
                         outOfMemoryNote.data());
            status = 1;
            gaps.OutOfMemory = true;
            break;
        }
    }
    return gaps;
}

// The rule that holds an entry, as a message names it: a rule of the program's own in the user's
// language, one the user wrote as written.
std::string RuleName(std::string_view rule) {
    for (const std::string_view own : {LinkRuleText, XdgFolderRuleText, RepositoryRuleText})
        if (rule.data() == own.data()) return Translated(own);
    return std::string(rule);
}

// "line 3 ignored: unclosed [ (2 more lines ignored)": the first problem of a keep-rules file and
// how many more lines it has.
std::string RuleProblems(const std::vector<TRuleProblem>& problems) {
    if (problems.empty()) return {};
    std::string text = Format(_("line %zu ignored: %s"), problems.front().Line, Translated(problems.front().Reason).c_str());
    if (const std::size_t more = problems.size() - 1; more > 0)
        text += Format(ngettext(" (%zu more line ignored)", " (%zu more lines ignored)", more), more);
    return text;
}

// "1 file", "3 files".
std::string Files(std::size_t count) { return Format(ngettext("%zu file", "%zu files", count), count); }

// Files and folders counted apart where a deletion takes folders: "6 files and 2 folders", "1 folder"
// (a kind with none left out, unless both have none); files alone, "6 files", where it takes none.
std::string FilesAndFolders(std::size_t files, std::size_t folders, bool withFiles, bool withFolders) {
    const std::string folderCount = Format(ngettext("%zu folder", "%zu folders", folders), folders);
    if (!withFolders) return Files(files);
    if (!withFiles || (files == 0 && folders > 0)) return folderCount;
    if (folders == 0 && files > 0) return Files(files);
    return Format(_("%s and %s"), Files(files).c_str(), folderCount.c_str());
}

// Says what the recovery of interrupted deletions did: how many files it put back, each it could
// only put beside its name, each it could not put back with where it is, each journal it did not
// trust and each damaged one it set aside. 1 when anything could not be put back or obeyed.
int ReportRecovery(const TRecovery& recovery) {
    for (const std::string& problem : recovery.NotUsed)
        std::fprintf(stderr, _("nulvane-cli: deletion journal not used: %s\n"), EscapeForTerminal(Translated(problem)).c_str());
    for (const std::string& journal : recovery.GivenUp)
        std::fprintf(stderr, _("nulvane-cli: gave up a deletion journal that waited 30 days to put files back: %s\n"),
                     EscapeForTerminal(journal).c_str());
    for (const TRecoveredFile& journal : recovery.Damaged) {
        if (journal.Now.empty())
            std::fprintf(stderr, _("nulvane-cli: damaged deletion journal %s not used: %s\n"),
                         EscapeForTerminal(journal.Path).c_str(), EscapeControls(Translated(journal.Reason)).c_str());
        else
            std::fprintf(stderr, _("nulvane-cli: damaged deletion journal set aside as %s: %s\n"),
                         EscapeForTerminal(journal.Now).c_str(), EscapeControls(Translated(journal.Reason)).c_str());
    }
    if (recovery.Count() > 0)
        std::fprintf(stderr,
                     ngettext("nulvane-cli: put back %s an interrupted deletion had moved aside\n",
                              "nulvane-cli: put back %s an interrupted deletion had moved aside\n", recovery.Count()),
                     Files(recovery.Count()).c_str());
    for (const std::string& path : recovery.Unmade)
        std::fprintf(stderr, _("nulvane-cli: took away %s, half made by an interrupted undo; --undo makes it again\n"),
                     EscapeForTerminal(path).c_str());
    for (const TRecoveredFile& file : recovery.KeptBeside)
        std::fprintf(stderr, _("nulvane-cli: put back %s as %s: %s\n"), EscapeForTerminal(file.Path).c_str(),
                     EscapeForTerminal(file.Now).c_str(), Translated(file.Reason).c_str());
    for (const TRecoveredFile& file : recovery.Left) {
        if (file.Now.empty())
            std::fprintf(stderr, _("nulvane-cli: cannot put back what an interrupted deletion left in %s: %s\n"),
                         EscapeForTerminal(file.Path).c_str(), EscapeControls(Translated(file.Reason)).c_str());
        else
            std::fprintf(stderr, _("nulvane-cli: cannot put back %s (left as %s): %s\n"), EscapeForTerminal(file.Path).c_str(),
                         EscapeForTerminal(file.Now).c_str(), EscapeControls(Translated(file.Reason)).c_str());
    }
    return recovery.Failed() ? 1 : 0;
}

// Says which undo records were not used or were set aside; 1 when any.
int ReportUndoProblems(const TUndoProblems& problems) {
    for (const std::string& problem : problems.NotUsed)
        std::fprintf(stderr, _("nulvane-cli: undo record not used: %s\n"), EscapeForTerminal(Translated(problem)).c_str());
    for (const TRecoveredFile& part : problems.Damaged) {
        if (part.Now.empty())
            std::fprintf(stderr, _("nulvane-cli: damaged undo record %s not used: %s\n"), EscapeForTerminal(part.Path).c_str(),
                         EscapeControls(Translated(part.Reason)).c_str());
        else
            std::fprintf(stderr, _("nulvane-cli: damaged undo record set aside as %s: %s\n"), EscapeForTerminal(part.Now).c_str(),
                         EscapeControls(Translated(part.Reason)).c_str());
    }
    return problems.NotUsed.empty() && problems.Damaged.empty() ? 0 : 1;
}

// --undo-list: the deletions that can be undone, newest first, one a line on standard output:
// "ID  2026-03-14 10:22:13  6 files, 2 folders  FOLDER". --undo [ID]: makes again what the last
// deletion (or deletion ID) deleted for good, saying what could not come back; 1 when anything
// could not, or there was nothing to undo. A stop (a signal) ends it between two entries.
int UndoStep(const TCliOptions& options, TLongWork& work) {
    int status = ReportRecovery(RecoverInterruptedDeletions());
    if (options.UndoList) {
        const TUndoListing listing = ListUndoRecords();
        status = std::max(status, ReportUndoProblems(listing.Problems));
        if (!listing.Problem.empty()) {
            std::fprintf(stderr, _("nulvane-cli: cannot read the undo records: %s\n"), EscapeForTerminal(Translated(listing.Problem)).c_str());
            return 1;
        }
        for (const TUndoRecordInfo& record : listing.Records) {
            const time_t when = static_cast<time_t>(record.Time);
            struct tm local{};
            char date[32] = "?";
            if (::localtime_r(&when, &local)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
            std::string where = EscapeForTerminal(record.Where);
            if (record.WhereCount > 1) where += Format(ngettext(" (%zu folder)", " (%zu folders)", record.WhereCount), record.WhereCount);
            std::printf("%s  %s  %s  %s\n", record.Id.c_str(), date,
                        FilesAndFolders(record.Files, record.Folders, true, record.Folders > 0).c_str(), where.c_str());
        }
        return std::fflush(stdout) == 0 ? status : 1;
    }
    std::string problem;
    TUndoProblems problems;
    const std::unique_ptr<TUndoRecord> record = TUndoRecord::Open(options.UndoId, problem, problems);
    ReportUndoProblems(problems);
    if (!record) {
        std::fprintf(stderr, "nulvane-cli: %s\n", EscapeForTerminal(Translated(problem)).c_str());
        return 1;
    }
    TProgress progress(work, STDERR_FILENO, ::isatty(STDERR_FILENO) == 1);
    work.Total.store(record->Count(), std::memory_order_relaxed);
    progress.Show(TProgressStage::PuttingBack);
    std::size_t files = 0, folders = 0, already = 0, partly = 0, notBack = 0;
    for (std::size_t n = 0; n < record->Count(); ++n) {
        if (work.StopRequested()) break;
        const TUndoResult result = record->PutBack(n);
        switch (result.Outcome) {
        case TUndoOutcome::PutBack:
            ++(record->Folder(n) ? folders : files);
            partly += (result.Lost & (LostOwner | LostAttributes)) != 0;
            break;
        case TUndoOutcome::AlreadyBack: ++already; break;
        default: {
            ++notBack;
            const std::string why = result.Outcome == TUndoOutcome::NameTaken ? std::string(_("its name is taken"))
                                    : result.Outcome == TUndoOutcome::FolderGone ? Translated(result.Reason)
                                                                                 : std::strerror(result.Error);
            progress.Erased([&] {
                std::fprintf(stderr, _("nulvane-cli: not put back %s: %s\n"), EscapeForTerminal(record->Path(n)).c_str(),
                             EscapeControls(why).c_str());
            });
        }
        }
        work.Done.fetch_add(1, std::memory_order_relaxed);
    }
    progress.Hide();
    EndIfSignalled();
    const std::size_t putBack = files + folders;
    std::string line = Format(ngettext("nulvane-cli: put back %s", "nulvane-cli: put back %s", putBack),
                              FilesAndFolders(files, folders, true, folders > 0).c_str());
    if (already > 0) line += Format(ngettext(", %zu back already", ", %zu back already", already), already);
    if (notBack > 0) line += Format(ngettext(", %zu not put back", ", %zu not put back", notBack), notBack);
    std::fprintf(stderr, _("%s (deletion %s)\n"), line.c_str(), record->Id().c_str());
    if (partly > 0)
        std::fprintf(stderr,
                     ngettext("nulvane-cli: %zu put back without their owner or an attribute you may not set\n",
                              "nulvane-cli: %zu put back without their owner or an attribute you may not set\n", partly),
                     partly);
    if (files + folders > 0)
        std::fputs(_("nulvane-cli: not restored: birth and change times, inode numbers; names of one file come back as "
                     "separate files\n"),
                   stderr);
    if (notBack > 0) return 1;
    record->RemoveIfAllBack();
    return status;
}

// Deletes every listed file that no keep rule holds, as "Delete &All" does once the question is
// answered Yes (or moves it to the trash); 1 when a file was kept for another reason or a stop left
// files undeleted. Each file a rule held is named with its rule, and counted apart.
int DeleteStep(TResultList& list, const TCliOptions& options, const TKeepRules& rules, TLongWork& work,
               TProgress& progress) {
    if (list.Empty()) {
        std::fputs(_("nulvane-cli: no empty files to delete\n"), stderr);
        return 0;
    }
    std::size_t toDelete = 0, foldersToDelete = 0;
    for (TListEntry& entry : list) {
        const bool held = IsHeld(entry.Note);
        entry.CheckState = held ? TCheckState::Unchecked : TCheckState::Checked;
        toDelete += !held;
        foldersToDelete += !held && entry.Kind == TEntryKind::Folder;
    }
    const bool withFiles = toDelete > foldersToDelete, withFolders = foldersToDelete > 0;
    if (toDelete > 0) {
        const std::string what = FilesAndFolders(toDelete - foldersToDelete, foldersToDelete, withFiles, withFolders);
        const std::size_t asked = toDelete;
        const std::string question =
            options.Trash ? Format(ngettext("Move %s to the trash?", "Move %s to the trash?", asked), what.c_str())
                          : Format(ngettext("Delete %s (undo: nulvane-cli --undo)?", "Delete %s (undo: nulvane-cli --undo)?",
                                            asked),
                                   what.c_str());
        if (DesktopServices().MessageBox(question, "Warning", TMessageButtons::YesNo, TMessageIcon::Question,
                                         nullptr) != TMessageResult::Yes) {
            EndIfSignalled();
            std::fputs(_("nulvane-cli: nothing deleted\n"), stderr);
            return 0;
        }
    }
    EndIfSignalled();
    progress.Show(TProgressStage::Deleting);
    const TDeleteSummary summary = DeleteCheckedEntries(list, work, {.ToTrash = options.Trash});
    progress.Hide();
    EndIfSignalled();
    if (summary.NotStarted) {
        // No journal, no deletion: a kill could lose names.
        std::fprintf(stderr, _("nulvane-cli: cannot keep the deletion's journal: %s; nothing deleted\n"),
                     EscapeForTerminal(Translated(summary.JournalProblem)).c_str());
        return 1;
    }
    if (summary.JournalError != 0)
        std::fprintf(stderr, _("nulvane-cli: cannot keep the deletion's journal: %s; what it could not record was kept\n"),
                     EscapeForTerminal(Translated(summary.JournalProblem)).c_str());
    // Why files could not be asked whether they are in use, once.
    std::size_t unasked = 0;
    int unaskedError = 0;
    for (const TKeptFile& kept : summary.Kept) {
        if (kept.Result.Reason != TKeepReason::LockUnknown) continue;
        if (unasked++ == 0) unaskedError = kept.Result.Error;
    }
    if (unasked > 0)
        std::fprintf(stderr,
                     ngettext("nulvane-cli: could not ask whether files are in use (%s; /proc/locks cannot be read "
                              "either): %zu kept\n",
                              "nulvane-cli: could not ask whether files are in use (%s; /proc/locks cannot be read "
                              "either): %zu kept\n",
                              unasked),
                     std::strerror(unaskedError), unasked);
    std::size_t held = 0;
    for (const TListEntry& entry : list) {
        if (!IsHeld(entry.Note)) continue;
        ++held;
        std::fprintf(stderr, _("nulvane-cli: kept: rule %s: %s\n"), EscapeForTerminal(RuleName(rules.RuleFor(list, entry))).c_str(),
                     EscapeForTerminal(list.FullPath(entry)).c_str());
    }
    for (const TKeptFile& kept : summary.Kept) {
        std::string line = Format(_("nulvane-cli: kept %s: %s"), EscapeForTerminal(kept.Path).c_str(),
                                  Translated(kept.Result.ReasonText()).c_str());
        if (!kept.Result.KeptAs.empty()) line += Format(_(" (now named %s)"), EscapeForTerminal(kept.Result.KeptAs).c_str());
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    // Without folders the other counts are plain numbers: every one of them is a file.
    const auto count = [&](std::size_t all, std::size_t folders) {
        return withFolders ? FilesAndFolders(all - folders, folders, withFiles, true) : Format("%zu", all);
    };
    const std::size_t keptFolders = static_cast<std::size_t>(
        std::count_if(summary.Kept.begin(), summary.Kept.end(), [](const TKeptFile& kept) { return kept.Folder; }));
    const std::string deleted =
        FilesAndFolders(summary.Deleted - summary.DeletedFolders, summary.DeletedFolders, withFiles, withFolders);
    std::string line =
        options.Trash
            ? Format(ngettext("nulvane-cli: moved %s to the trash", "nulvane-cli: moved %s to the trash", summary.Deleted),
                     deleted.c_str())
            : Format(ngettext("nulvane-cli: deleted %s", "nulvane-cli: deleted %s", summary.Deleted), deleted.c_str());
    if (!summary.UndoRecord.empty()) line += _(" (undo: nulvane-cli --undo)");
    if (summary.Missing > 0)
        line += Format(ngettext(", %s already gone", ", %s already gone", summary.Missing),
                       count(summary.Missing, summary.MissingFolders).c_str());
    if (!summary.Kept.empty())
        line += Format(ngettext(", %s kept", ", %s kept", summary.Kept.size()), count(summary.Kept.size(), keptFolders).c_str());
    if (held > 0) line += Format(ngettext(", %zu kept by rules", ", %zu kept by rules", held), held);
    if (summary.Stopped)
        line += Format(ngettext(", stopped with %zu not reached", ", stopped with %zu not reached", summary.NotReached),
                       summary.NotReached);
    std::fprintf(stderr, "%s\n", line.c_str());
    return summary.Kept.empty() && !summary.Stopped ? 0 : 1;
}

// What the steps of one run share: its exit status so far, whether it may still delete, and
// whether a FOLDER lay in the trash.
struct TRunState {
    int Status = 0;
    bool MayDelete = false;
    bool FolderInTrash = false;
};

// The answers that need no scan: a workbook asked for on a terminal (a usage error), --help and
// --version; the exit status when one was given.
std::optional<int> AnswerWithoutScan(const TCliOptions& options) {
    if (options.Export == TExportFormat::Excel && options.ExportFile == "-" && ::isatty(STDOUT_FILENO) == 1) {
        std::fputs(_("nulvane-cli: an xls workbook is not written to a terminal; redirect standard output or name a "
                     "file\n"),
                   stderr);
        std::fputs(_("Try 'nulvane-cli --help' for more information.\n"), stderr);
        return 2;
    }
    if (options.Help) {
        // The usage line and --help come from the option table that the manual page is made from.
        const std::string usage = UsageText(), help = HelpText();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        std::fwrite(help.data(), 1, help.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (options.Version) {
        std::printf("nulvane-cli %s\n", NULVANE_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    return std::nullopt;
}

// What a deletion keeps, and which folders count as empty; the rules matter to nothing else, so
// only a deletion or a listing of folders reads them, and JSON Lines, which name the rule that
// holds an entry, and --deletable, which leaves such entries out. Rules that cannot be read fail
// the run and stop the deletion.
TKeepRules ReadKeepRules(const TCliOptions& options, TRunState& run) {
    TKeepRules rules;
    if (!(options.Delete || options.ListFolders || options.Json || options.Deletable) || options.NoKeepRules) return rules;
    TLoadedKeepRules loaded = LoadKeepRules();
    const std::string file = EscapeForTerminal(loaded.Path);
    if (!loaded.Error.empty()) {
        // The user's rules would go unheeded: nothing is deleted rather than what they keep.
        std::fprintf(stderr, _("nulvane-cli: cannot read the keep rules \"%s\": %s%s\n"), file.c_str(),
                     EscapeControls(Translated(loaded.Error)).c_str(), options.Delete ? _("; nothing deleted") : "");
        run.Status = 1;
        run.MayDelete = false;
    }
    if (!loaded.Problems.empty())
        std::fprintf(stderr, "nulvane-cli: %s: %s\n", file.c_str(), RuleProblems(loaded.Problems).c_str());
    rules = std::move(loaded.Rules);
    std::string error;
    for (const std::string& keep : options.Keep) rules.Add(keep, error);  // read as globs already
    return rules;
}

// What the walk takes and leaves out: the options' limits, filters and exclusions.
TWalkOptions WalkOptionsFor(const TCliOptions& options, const TKeepRules& rules, TLongWork& work) {
    TWalkOptions walk;
    walk.Work = &work;
    walk.OneFileSystem = options.OneFileSystem;
    walk.FollowFolderLinks = !options.NoFollow;
    walk.MaxDepth = options.MaxDepth.value_or(0);
    // A version-control store's insides are held, whatever it is called.
    walk.FindRepositories = !rules.Empty();
    walk.MinDepth = options.MinDepth;
    if (options.MaxDepth == 0u) {
        // Nothing lies at depth 0 (fd and find list nothing there either): no depth passes both.
        walk.MaxDepth = 1;
        walk.MinDepth = std::numeric_limits<unsigned>::max();
    }
    if (options.ChangedWithin) walk.WrittenSince = TFileTime{options.ChangedWithin->Seconds, options.ChangedWithin->Nanoseconds};
    if (options.ChangedBefore) walk.WrittenBefore = TFileTime{options.ChangedBefore->Seconds, options.ChangedBefore->Nanoseconds};
    walk.Select = options.Names.Select();
    walk.Owner = options.Owner;
    if (!options.Exclude.empty()) {
        walk.Exclude = [&globs = options.Exclude](std::string_view path, bool folder) {
            return std::any_of(globs.begin(), globs.end(), [&](const TPathGlob& glob) { return glob.Matches(path, folder); });
        };
    }
    return walk;
}

// Names on standard error, over the progress line, each folder the walk could not take whole; each
// fails the run rather than pass an incomplete list off as complete.
void ReportWalkGaps(TWalkOptions& walk, TRunState& run, TProgress& progress) {
    // A folder given up because descriptors or memory ran short leaves a gap in the list.
    walk.OnGivenUp = [&run, &progress](const std::string& folder, int number) {
        progress.Erased([&] {
            std::fprintf(stderr, _("nulvane-cli: %s: given up: %s\n"), EscapeForTerminal(folder).c_str(), std::strerror(number));
        });
        run.Status = 1;
    };
    // So does a folder that could not be read, named as find names it.
    walk.OnUnreadable = [&run, &progress](const std::string& folder, int number) {
        const std::string_view shown = folder.size() > 1 ? std::string_view(folder).substr(0, folder.size() - 1) : folder;
        progress.Erased([&] {
            std::fprintf(stderr, _("nulvane-cli: cannot read '%s': %s\n"), EscapeForTerminal(shown).c_str(), std::strerror(number));
        });
        run.Status = 1;
    };
    // What lies in the trash is other deletions' originals: a folder there is not scanned, and
    // fails as a missing FOLDER does.
    walk.OnInTrash = [&run, &progress](const std::string& folder) {
        run.FolderInTrash = true;
        const std::string_view shown = folder.size() > 1 ? std::string_view(folder).substr(0, folder.size() - 1) : folder;
        progress.Erased([&] {
            std::fprintf(stderr, _("nulvane-cli: %s: in the trash, not scanned\n"), EscapeForTerminal(shown).c_str());
        });
        run.Status = 1;
    };
}

// How each entry is printed: its terminator, and the colours of a terminal that wants them.
struct TListingStyle {
    char Terminator = '\n';
    const TPathColors* Colors = nullptr;  // null: no colour
};

// Lists each entry as soon as its place is final, when nothing needs the whole list; with -q,
// only whether there was one.
int StreamListing(const TCliOptions& options, TWalkOptions& walk, const TEntryOptions& entryOptions,
                  const TListingStyle& style, TRunState& run, TLongWork& work, TProgress& progress) {
    TOutput out(stdout);
    TListingPrinter printer(out, style.Terminator, options.Json, style.Colors, work, options.Deletable, options.Quiet,
                            options.Quiet ? 1 : options.MaxResults.value_or(0));
    progress.Show(TProgressStage::Scanning);
    ScanEachFolder(options.Folders, run.Status, "", progress, [&](const std::string& folder) {
        if (work.StopRequested()) return false;  // enough found
        // A folder is told apart from a file by its entry.
        return StreamFolder(folder, printer, walk,
                            options.Json || options.Deletable || (style.Colors && options.ListFolders), entryOptions)
            .OutOfMemory;
    });
    progress.Hide();
    EndIfSignalled();
    if (!out.Finish()) {
        EndIfSignalled();
        std::fprintf(stderr, _("nulvane-cli: cannot write the list: %s\n"), std::strerror(errno));
        return 1;
    }
    return options.Quiet ? (printer.Taken() > 0 ? 0 : 1) : run.Status;
}

// The formats are loaded before the scan when an export is asked for, so that a missing or broken
// module is said at once, not after a long scan; a listing never maps their libraries. False when
// the module could not be loaded (said).
bool LoadFormatsFor(const TCliOptions& options, const TRunState& run, const TFormatsModule*& formats) {
    if (!options.Export) return true;
    try {
        formats = &LoadFormatsModule();
        return true;
    } catch (const EFormatsModuleError& e) {
        std::fprintf(stderr, "nulvane-cli: %s\n", EscapeControls(e.what()).c_str());
        if (run.MayDelete) std::fputs(_("nulvane-cli: nothing deleted\n"), stderr);
        return false;
    }
}

// Scans every FOLDER into `list`, holding what the rules keep; true when the list is incomplete: a
// FOLDER missing or in the trash, or a scan short of memory, after which no export replaces an
// earlier one with it.
bool ScanIntoList(TResultList& list, const TCliOptions& options, TWalkOptions& walk, const TEntryOptions& entryOptions,
                  TKeepRules& rules, TRunState& run, TProgress& progress) {
    progress.Show(TProgressStage::Scanning);
    const TScanGaps gaps = ScanEachFolder(
        options.Folders, run.Status, run.MayDelete ? _("; nothing deleted") : "", progress, [&](const std::string& folder) {
            const std::size_t before = list.Count();
            if (ScanFolder(list, folder, walk, entryOptions).OutOfMemory) return true;
            rules.Hold(list, before);
            return false;
        });
    // The folders after one short of memory are not scanned either: "all" would not be all, so
    // none is deleted.
    if (gaps.OutOfMemory) run.MayDelete = false;
    const bool incomplete = gaps.Missing || run.FolderInTrash || gaps.OutOfMemory;
    // What the walk used is free now; a sort needs memory of its own on top of the list.
    GiveBackFreeMemory();
    EndIfSignalled();
    return incomplete;
}

// Sorts the list as --sort asks, then keeps its first N, sorted, which are what is printed,
// exported or deleted.
void SortAndTrim(TResultList& list, const TCliOptions& options, TProgress& progress) {
    if (options.Sort) {
        progress.Show(TProgressStage::Sorting);
        SortListByField(list, FieldNames[static_cast<std::size_t>(options.Sort->Field)], options.Sort->Descending);
    }
    if (options.MaxResults) {
        std::size_t end = 0;
        for (std::uint64_t taken = 0; end < list.Count() && taken < *options.MaxResults; ++end)
            taken += !options.Deletable || !IsHeld(list[end].Note);
        list.RemoveIf([end](std::size_t index, TListEntry&) { return index >= end; });
    }
    progress.Hide();
    EndIfSignalled();
}

// Exports the list, then deletes from it when asked: nothing is deleted when the list is incomplete
// or the record of what was found did not get written.
int ExportThenDelete(const TFormatsModule& formats, TResultList& list, const TCliOptions& options,
                     const TKeepRules& rules, bool incomplete, const TRunState& run, TLongWork& work,
                     TProgress& progress) {
    if (incomplete) {
        std::fprintf(stderr, _("nulvane-cli: \"%s\" not written: the list is incomplete\n"),
                     EscapeForTerminal(options.ExportFile).c_str());
        if (run.MayDelete) std::fputs(_("nulvane-cli: nothing deleted\n"), stderr);
        return 1;
    }
    progress.Show(TProgressStage::Exporting);
    const int exported = ExportStep(formats, list, options, work, progress);
    progress.Hide();
    if (exported != 0) {
        if (run.MayDelete) std::fputs(_("nulvane-cli: nothing deleted\n"), stderr);
        return 1;
    }
    return run.MayDelete ? std::max(run.Status, DeleteStep(list, options, rules, work, progress)) : run.Status;
}

// Prints the whole list (paths, coloured on a terminal, or JSON Lines), then deletes from it when
// asked; nothing is deleted when standard output failed.
int PrintThenDelete(TResultList& list, const TCliOptions& options, const TKeepRules& rules, const TListingStyle& style,
                    const TRunState& run, TLongWork& work, TProgress& progress) {
    TOutput out(stdout);
    TEntryTexts texts(list);
    std::string line;
    for (const TListEntry& entry : list) {
        EndIfSignalled();
        const bool held = IsHeld(entry.Note);
        if (held && options.Deletable) continue;
        if (options.Json) {
            line.clear();
            AppendEntryJson(line, texts, entry, held ? rules.RuleFor(list, entry) : "");
            out.Write(line, '\n');
        } else if (style.Colors) {
            const std::string_view path = texts.FullPath(entry);
            // A folder is coloured as a folder, whole.
            const std::size_t slash = entry.Kind == TEntryKind::Folder ? path.size() : FolderPartOf(path).size();
            line.clear();
            style.Colors->Append(line, path.substr(0, slash), path.substr(slash));
            out.Write(line, style.Terminator);
        } else {
            out.Write(texts.FullPath(entry), style.Terminator);
        }
    }
    if (!out.Finish()) {
        EndIfSignalled();
        std::fprintf(stderr, _("nulvane-cli: cannot write the list: %s\n"), std::strerror(errno));
        if (run.MayDelete) std::fputs(_("nulvane-cli: nothing deleted\n"), stderr);
        return 1;
    }
    return run.MayDelete ? std::max(run.Status, DeleteStep(list, options, rules, work, progress)) : run.Status;
}

}  // namespace

int main(int argc, char** argv) try {
    std::setlocale(LC_ALL, "");
    StartTranslations();
    RaiseOpenFileLimit();
    AllowLeaseQueries();
    // The program's one long job: the scan, the deletion and the export each stop when a signal
    // asks it to.
    static TLongWork work;
    InstallStopSignals(work);

    TCliOptions options;
    std::string error;
    if (!ParseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "nulvane-cli: %s\n%s", error.c_str(), _("Try 'nulvane-cli --help' for more information.\n"));
        return 2;
    }
    if (const std::optional<int> answered = AnswerWithoutScan(options)) return *answered;
    if (options.Undo || options.UndoList) return UndoStep(options, work);

    TConsoleDesktopServices console(options.Yes, ::isatty(STDIN_FILENO) == 1);
    const TDesktopServicesScope services(console);
    if (options.Delete && !console.CanAsk()) {
        std::fputs(_("nulvane-cli: --delete asks on a terminal; without one, give --yes\n"), stderr);
        return 1;
    }

    // What a killed deletion left under private names goes back before anything is scanned: listed,
    // it would pass for empty files of its own, and its names would be lost.
    TRunState run{.Status = ReportRecovery(RecoverInterruptedDeletions()), .MayDelete = options.Delete};
    TKeepRules rules = ReadKeepRules(options, run);
    TWalkOptions walk = WalkOptionsFor(options, rules, work);
    const bool streamed = (!options.Sort && !options.Export && !options.Delete) || options.Quiet;
    // The progress line shares standard error's terminal; a list streaming to the same terminal
    // is its own progress.
    TProgress progress(work, STDERR_FILENO,
                       !options.NoProgress && !options.Quiet && ::isatty(STDERR_FILENO) == 1 &&
                           !(streamed && ::isatty(STDOUT_FILENO) == 1));
    ReportWalkGaps(walk, run, progress);
    const TEntryOptions entryOptions{.ExactTimes = options.Json,
                                     .Files = options.ListFiles || !options.ListFolders,
                                     .Folders = options.ListFolders,
                                     .Rules = &rules};
    const bool colored = !options.Json && ColorWanted(options.Color, ::isatty(STDOUT_FILENO) == 1, std::getenv("NO_COLOR"));
    const TPathColors colors(colored ? std::getenv("LS_COLORS") : nullptr);
    const TListingStyle style{.Terminator = options.NulTerminated ? '\0' : '\n', .Colors = colored ? &colors : nullptr};
    if (streamed) return StreamListing(options, walk, entryOptions, style, run, work, progress);

    const TFormatsModule* formats = nullptr;
    if (!LoadFormatsFor(options, run, formats)) return 1;
    TResultList list;
    const bool incomplete = ScanIntoList(list, options, walk, entryOptions, rules, run, progress);
    SortAndTrim(list, options, progress);
    if (formats) return ExportThenDelete(*formats, list, options, rules, incomplete, run, work, progress);
    return PrintThenDelete(list, options, rules, style, run, work, progress);
} catch (const std::bad_alloc&) {
    // Whatever ran short (a sort, an export, the deletion), it is said, never a crash.
    std::fputs(_("nulvane-cli: out of memory\n"), stderr);
    return 1;
}
