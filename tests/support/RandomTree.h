#pragma once
// A deterministic random folder tree for walk and scan tests: nested folders, empty and
// non-empty files whose names carry blanks, commas, quotes, "<", newlines, non-ASCII and
// invalid UTF-8 bytes, hidden entries, and on request symbolic links to folders on their own
// ancestry and special files (FIFOs, links to files, dangling links).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace nulvane::test {

struct TRandomTreeOptions {
    int Folders = 30;
    int Files = 300;
    int AncestorLinks = 0;
    bool SpecialFiles = false;
    unsigned Seed = 1;
};

inline void MakeRandomTree(const std::string& root, const TRandomTreeOptions& options) {
    static const char* const names[] = {"a",          "report.txt", "x y",      "comma,name.csv", "amp&co",
                                        "quote\"d'",  "lt<gt>",     "new\nline", "bad\xff\xfe",    "caf\xc3\xa9",
                                        ".hidden",    "dots.a.b",   "trail.",    "colon:x.md",     "back\\slash"};
    std::mt19937 rng(options.Seed);
    const auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    int serial = 0;
    const auto newName = [&] { return std::string(names[pick(std::size(names))]) + "-" + std::to_string(serial++); };
    const auto check = [](bool ok, const std::string& what) {
        if (!ok) throw std::runtime_error("cannot make " + what);
    };

    struct TFolder {
        std::string Path;
        int Depth;
    };
    std::vector<TFolder> folders{{root, 0}};
    for (int i = 0; i < options.Folders; ++i) {
        const TFolder parent = folders[pick(folders.size())];
        TFolder folder{parent.Path + "/" + newName(), parent.Depth + 1};
        check(::mkdir(folder.Path.c_str(), 0755) == 0, folder.Path);
        folders.push_back(folder);
    }
    std::vector<std::string> files;
    for (int i = 0; i < options.Files; ++i) {
        const std::string path = folders[pick(folders.size())].Path + "/" + newName();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        check(fd >= 0, path);
        bool sized = true;  // a quarter stay empty
        switch (rng() % 4) {
            case 1: sized = ::write(fd, "x", 1) == 1; break;
            case 2:
            case 3: sized = ::ftruncate(fd, 1 << 20) == 0; break;  // sparse
        }
        ::close(fd);
        check(sized, path);
        files.push_back(path);
    }
    for (int i = 0; i < options.AncestorLinks; ++i) {
        const TFolder& folder = folders[pick(folders.size())];
        std::string target = ".";
        for (int up = static_cast<int>(pick(static_cast<std::size_t>(folder.Depth) + 1)); up > 0; --up)
            target += "/..";
        const std::string link = folder.Path + "/loop-" + std::to_string(serial++);
        check(::symlink(target.c_str(), link.c_str()) == 0, link);
    }
    if (options.SpecialFiles) {
        for (int i = 0; i < 5; ++i) {
            const std::string base = folders[pick(folders.size())].Path + "/special-" + std::to_string(serial++);
            check(::mkfifo((base + ".fifo").c_str(), 0644) == 0, base);
            check(::symlink(files[pick(files.size())].c_str(), (base + ".filelink").c_str()) == 0, base);
            check(::symlink("/nonexistent/nowhere", (base + ".dangling").c_str()) == 0, base);
        }
    }
}

}  // namespace nulvane::test
