// nulvane-cli [-0] FOLDER...: lists the empty files under each folder, one full path per line.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileReader.h"
#include "core/ResultList.h"

namespace {

using namespace nulvane;

constexpr std::string_view Usage = "usage: nulvane-cli [-0] [--] FOLDER...\n";

struct TCliOptions {
    bool NulTerminated = false;
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
        } else {
            error = "unknown option: " + std::string(arg);
            return false;
        }
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

    TOutput out(stdout);
    const char terminator = options.NulTerminated ? '\0' : '\n';
    for (const TListEntry& entry : list) out.Write(entry.Record.Get(fiFullPath), terminator);
    if (!out.Finish()) {
        std::fprintf(stderr, "nulvane-cli: cannot write the list: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
