// nulvane-cli [-0] [--sort FIELD[:desc]] FOLDER...: lists the empty files under each folder, one full
// path per line, in scan order or sorted as a click on a column of that field would sort them.
// With --export csv|txt|html|xml|xls FILE it writes the list to FILE instead, as the desktop
// program's export would; an existing FILE is replaced only with --force. With --delete it then
// deletes the listed files as the desktop program's "Delete &All" does, after a question on the
// terminal or --yes. Exit status: 0 success, 1 something asked for failed (folders given up for
// lack of resources are named on standard error), 2 bad usage.
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/ConsoleDesktopServices.h"
#include "core/Deletion.h"
#include "core/FieldSort.h"
#include "core/FileReader.h"
#include "core/ResultList.h"
#include "export/CommandLineExport.h"
#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"

namespace {

using namespace nulvane;

constexpr std::string_view Usage =
    "usage: nulvane-cli [-0] [-x] [-P] [--sort FIELD[:desc]] [--export csv|txt|html|xml|xls FILE [--force]] "
    "[--delete [--yes]] [--] FOLDER...\n";

constexpr std::string_view Help =
    "Lists the empty files under each FOLDER and its subfolders, one full path per line.\n"
    "\n"
    "  -0, --null           end each path with a NUL byte instead of a newline\n"
    "  -x, --one-file-system\n"
    "                       do not descend into folders on another file system (as find -xdev)\n"
    "  -P, --no-follow      do not descend symbolic links to folders (followed by default)\n"
    "  --sort FIELD[:desc]  sort as a click on that field's column would (e.g. \"Write Time:desc\")\n"
    "  --export FMT FILE    write the list to FILE as csv, txt, html, xml or xls instead of printing it\n"
    "  --force              let --export replace an existing FILE\n"
    "  --delete             then delete the listed files, each only while it is still the empty\n"
    "                       file found; asks \"Delete N files? [y/N]\" on a terminal\n"
    "  -y, --yes            answer the question with yes (needed when input is not a terminal)\n"
    "  -h, --help           show this help;  --version  show the version\n"
    "\n"
    "Standard output carries only the list; the question, the deletion summary, the files kept\n"
    "and why, and errors go to standard error, one line each.\n"
    "Exit status: 0 success, 1 something asked for failed (a folder missing, a file kept, an\n"
    "export not written), 2 bad usage.\n";

struct TCliOptions {
    bool NulTerminated = false;
    std::optional<TSortRequest> Sort;
    std::optional<TExportFormat> Export;
    bool ExportExcel = false;  // --export xls: through the spreadsheet application
    std::string ExportFile;
    bool Force = false;
    std::vector<std::string> Folders;
    // The walk, deletion, and the requests that only print something.
    bool OneFileSystem = false;
    bool NoFollow = false;
    bool Delete = false;
    bool Yes = false;
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
    else if (arg == "-y" || arg == "--yes")
        options.Yes = true;
    else if (arg == "-h" || arg == "--help")
        options.Help = true;
    else if (arg == "--version")
        options.Version = true;
    else
        return false;
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
                error = "unknown field \"" + std::string(value) + "\" for --sort (valid fields: " + FieldNamesText() + ")";
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
                error = "unknown export format \"" + std::string(argv[i]) + "\" (valid formats: csv, txt, html, xml, xls)";
                return false;
            }
            options.ExportFile = argv[++i];
        } else if (arg == "--force") {
            options.Force = true;
        } else if (ParseWalkAndDeletionOption(arg, options)) {
        } else {
            error = "unknown option: " + std::string(arg);
            return false;
        }
    }
    if (options.Force && !options.Export && !options.ExportExcel) {
        error = "--force only goes with --export";
        return false;
    }
    if (options.Yes && !options.Delete) {
        error = "--yes only goes with --delete";
        return false;
    }
    if (options.Help || options.Version) return true;
    if (options.Folders.empty()) {
        error = "no folder given";
        return false;
    }
    return true;
}

// Output goes out through one large buffer: a scan can list millions of paths.
class TOutput {
public:
    explicit TOutput(std::FILE* stream) : Stream_(stream) { Buffer_.reserve(Capacity); }
    ~TOutput() { Flush(); }

    void Write(std::string_view text, char terminator) {
        if (Buffer_.size() + text.size() + 1 > Capacity) Flush();
        Buffer_.append(text);
        Buffer_.push_back(terminator);
    }

    // False when anything could not be written.
    bool Finish() {
        Flush();
        return std::fflush(Stream_) == 0 && !std::ferror(Stream_);
    }

private:
    static constexpr std::size_t Capacity = std::size_t{1} << 20;

    void Flush() {
        if (!Buffer_.empty()) std::fwrite(Buffer_.data(), 1, Buffer_.size(), Stream_);
        Buffer_.clear();
    }

    std::FILE* Stream_;
    std::string Buffer_;
};

// Writes the list to the export file: 0 when written, 1 (with one line on standard error) when
// the file exists without --force or cannot be written.
int ExportStep(const TResultList& list, const TCliOptions& options) {
    try {
        const bool written = options.ExportExcel
                                 ? ExportListToExcelFile(list, options.ExportFile, options.Force)
                                 : ExportListToFile(list, *options.Export, options.ExportFile, options.Force);
        if (written) return 0;
        std::fprintf(stderr, "nulvane-cli: \"%s\" already exists; --force replaces it\n", options.ExportFile.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nulvane-cli: cannot export to \"%s\": %s\n", options.ExportFile.c_str(), e.what());
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

// Deletes every listed file as "Delete &All" does once the question is answered Yes; 1 when a
// file was kept or a stop left files undeleted.
int DeleteStep(TResultList& list) {
    if (list.Empty()) {
        std::fputs("nulvane-cli: no empty files to delete\n", stderr);
        return 0;
    }
    const std::string question = "Delete " + std::to_string(list.Count()) + " files?";
    if (DesktopServices().MessageBox(question, "Warning", TMessageButtons::YesNo, TMessageIcon::Question, nullptr) !=
        TMessageResult::Yes) {
        std::fputs("nulvane-cli: nothing deleted\n", stderr);
        return 0;
    }
    list.SetAllCheckStates(TCheckState::Checked);
    const TDeleteSummary summary = DeleteCheckedEntries(list);
    for (const TKeptFile& kept : summary.Kept) {
        std::string line = "nulvane-cli: kept " + EscapeForTerminal(kept.Path) + ": " + kept.Result.ReasonText();
        if (!kept.Result.KeptAs.empty()) line += " (now named " + EscapeForTerminal(kept.Result.KeptAs) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::string line = "nulvane-cli: deleted " + std::to_string(summary.Deleted) + " files";
    if (summary.Missing > 0) line += ", " + std::to_string(summary.Missing) + " already gone";
    if (!summary.Kept.empty()) line += ", " + std::to_string(summary.Kept.size()) + " kept";
    if (summary.Stopped) line += ", stopped with " + std::to_string(summary.NotReached) + " not reached";
    std::fprintf(stderr, "%s\n", line.c_str());
    return summary.Kept.empty() && !summary.Stopped ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    RaiseOpenFileLimit();

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

    int status = 0;
    TWalkOptions walk;
    walk.OneFileSystem = options.OneFileSystem;
    walk.FollowFolderLinks = !options.NoFollow;
    // A folder given up because descriptors or memory ran short leaves a gap in the list: say
    // which, and fail, rather than pass an incomplete list off as complete.
    walk.OnGivenUp = [&status](const std::string& folder, int number) {
        std::fprintf(stderr, "nulvane-cli: %s: given up: %s\n", EscapeForTerminal(folder).c_str(), std::strerror(number));
        status = 1;
    };
    TResultList list;
    for (const std::string& folder : options.Folders) {
        if (IsFolder(folder))
            ScanFolder(list, folder, walk);
        else
            status = 1;
    }
    if (options.Sort) SortListByField(list, FieldNames[options.Sort->Field], options.Sort->Descending);
    if (options.Export || options.ExportExcel) {
        RegisterSpreadsheetServer();
        if (ExportStep(list, options) != 0) {
            // The record of what was found did not get written: delete nothing.
            if (options.Delete) std::fputs("nulvane-cli: nothing deleted\n", stderr);
            return 1;
        }
        return options.Delete ? std::max(status, DeleteStep(list)) : status;
    }

    TOutput out(stdout);
    const char terminator = options.NulTerminated ? '\0' : '\n';
    for (const TListEntry& entry : list) out.Write(entry.Record.Get(fiFullPath), terminator);
    if (!out.Finish()) {
        std::fprintf(stderr, "nulvane-cli: cannot write the list: %s\n", std::strerror(errno));
        if (options.Delete) std::fputs("nulvane-cli: nothing deleted\n", stderr);
        return 1;
    }
    return options.Delete ? std::max(status, DeleteStep(list)) : status;
}
