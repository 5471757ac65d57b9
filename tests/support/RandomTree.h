#pragma once
// A deterministic random folder tree for walk and scan tests: nested folders, empty and
// non-empty files whose names carry blanks, commas, quotes, "<", newlines, non-ASCII and
// invalid UTF-8 bytes, hidden entries, and on request symbolic links to folders on their own
// ancestry, links to any folder of the tree, and special files (FIFOs, links to files, dangling
// links).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace nulvane::test {

struct TRandomTreeOptions {
    int Folders = 30;
    int Files = 300;
    int AncestorLinks = 0;
    int FolderLinks = 0;  // to folders anywhere in the tree: siblings, cousins, descendants
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
    std::vector<std::string> folders{root}, files;
    for (int i = 0; i < options.Folders; ++i) {
        folders.push_back(folders[pick(folders.size())] + "/" + newName());
        check(::mkdir(folders.back().c_str(), 0755) == 0, folders.back());
    }
    for (int i = 0; i < options.Files; ++i) {
        files.push_back(folders[pick(folders.size())] + "/" + newName());
        const int fd = ::open(files.back().c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        // A quarter stay empty, a quarter hold one byte, the rest are sparse.
        const unsigned kind = rng() % 4;
        check(fd >= 0 && (kind == 0 || (kind == 1 ? ::write(fd, "x", 1) == 1 : ::ftruncate(fd, 1 << 20) == 0)),
              files.back());
        ::close(fd);
    }
    for (int i = 0; i < options.AncestorLinks; ++i) {
        const std::string& folder = folders[pick(folders.size())];
        const auto depth = std::count(folder.begin() + static_cast<long>(root.size()), folder.end(), '/');
        std::string target = ".";  // up to the root, never above it
        for (auto up = pick(static_cast<std::size_t>(depth) + 1); up > 0; --up) target += "/..";
        const std::string link = folder + "/loop-" + std::to_string(serial++);
        check(::symlink(target.c_str(), link.c_str()) == 0, link);
    }
    for (int i = 0; i < options.FolderLinks; ++i) {
        const std::string link = folders[pick(folders.size())] + "/link-" + std::to_string(serial++);
        check(::symlink(folders[pick(folders.size())].c_str(), link.c_str()) == 0, link);
    }
    for (int i = 0; options.SpecialFiles && i < 5; ++i) {
        const std::string base = folders[pick(folders.size())] + "/special-" + std::to_string(serial++);
        check(::mkfifo((base + ".fifo").c_str(), 0644) == 0 &&
                  ::symlink(files[pick(files.size())].c_str(), (base + ".filelink").c_str()) == 0 &&
                  ::symlink("/nonexistent/nowhere", (base + ".dangling").c_str()) == 0,
              base);
    }
}

}  // namespace nulvane::test
