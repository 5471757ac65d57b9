// nulvane-cli [-0] [--sort FIELD[:desc]] FOLDER...: lists the empty files under each folder, one full
// path per line, in scan order or sorted as a click on a column of that field would sort them.
// With --export csv|txt|html|xml|xls FILE it writes the list to FILE instead, as the desktop
// program's export would; an existing FILE is replaced only with --force.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FieldSort.h"
#include "core/FileReader.h"
#include "core/ResultList.h"
#include "export/CommandLineExport.h"
#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"

namespace {

using namespace nulvane;

constexpr std::string_view Usage =
    "usage: nulvane-cli [-0] [--sort FIELD[:desc]] [--export csv|txt|html|xml|xls FILE [--force]] [--] FOLDER...\n";

struct TCliOptions {
    bool NulTerminated = false;
    std::optional<TSortRequest> Sort;
    std::optional<TExportFormat> Export;
    bool ExportExcel = false;  // --export xls: through the spreadsheet application
    std::string ExportFile;
    bool Force = false;
    std::vector<std::string> Folders;
};

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
        } else {
            error = "unknown option: " + std::string(arg);
            return false;
        }
    }
    if (options.Force && !options.Export && !options.ExportExcel) {
        error = "--force only goes with --export";
        return false;
    }
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

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");

    TCliOptions options;
    std::string error;
    if (!ParseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "nulvane-cli: %s; %.*s", error.c_str(), static_cast<int>(Usage.size()), Usage.data());
        return 2;
    }

    TResultList list;
    for (const std::string& folder : options.Folders) ScanFolder(list, folder);
    if (options.Sort) SortListByField(list, FieldNames[options.Sort->Field], options.Sort->Descending);
    if (options.Export || options.ExportExcel) {
        RegisterSpreadsheetServer();
        return ExportStep(list, options);
    }

    TOutput out(stdout);
    const char terminator = options.NulTerminated ? '\0' : '\n';
    for (const TListEntry& entry : list) out.Write(entry.Record.Get(fiFullPath), terminator);
    if (!out.Finish()) {
        std::fprintf(stderr, "nulvane-cli: cannot write the list: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
