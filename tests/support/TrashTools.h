#pragma once
// Reads and restores the trash with tools we did not write: Debian's trash-cli (trash-list,
// trash-restore). Each runs in a child process whose HOME and XDG_DATA_HOME point into the test's
// own folder, so the user's real trash is never read or touched.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
#include "support/TempDir.h"

namespace nulvane::test {

struct TToolRun {
    int Status = -1;  // 127: the tool is not installed
    std::string Out;
};

// Runs `args` (the program found on the PATH) in `workDir` with HOME set to `home` and
// XDG_DATA_HOME to `home`/.local/share, `input` on its standard input.
inline TToolRun RunTrashTool(const std::vector<std::string>& args, const std::string& workDir, const std::string& home,
                             const std::string& input = {}) {
    const TTempDir capture;
    const std::string inPath = capture.Write("in", input), outPath = capture.Str() + "/out";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inPath.c_str(), O_RDONLY), out = ::open(outPath.c_str(), O_WRONLY | O_CREAT, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        if (::chdir(workDir.c_str()) != 0) ::_exit(126);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileContent(outPath)};
}

inline bool TrashCliInstalled() {
    return RunTrashTool({"trash-list", "--version"}, "/", TTempDir().Str()).Status == 0;
}

// The original paths trash-list shows, one a line after the deletion date and time.
inline std::vector<std::string> TrashListed(const std::string& home) {
    const std::string out = RunTrashTool({"trash-list"}, "/", home).Out;
    std::vector<std::string> paths;
    for (std::size_t at = 0; at < out.size();) {
        std::size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(at, end - at);
        at = end + 1;
        // "2024-05-01 13:45:09 /path"
        if (line.size() > 20 && line[4] == '-' && line[19] == ' ') paths.push_back(line.substr(20));
    }
    return paths;
}

// Restores with trash-restore the entry it lists as `shown` (the path as trash-cli shows it),
// asked from the folder `workDir`; false when it lists no such entry or fails.
inline bool RestoreFromTrash(const std::string& home, const std::string& workDir, const std::string& shown) {
    // The list is asked for first, and left at its question ("What file to restore").
    const std::string listing = RunTrashTool({"trash-restore"}, workDir, home, "\n").Out;
    std::string index;
    for (std::size_t at = 0; at < listing.size();) {
        std::size_t end = listing.find('\n', at);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(at, end - at);
        at = end + 1;
        // "   0 2024-05-01 13:45:09 /path"
        const std::size_t number = line.find_first_not_of(' ');
        const std::size_t date = line.find(' ', number);
        if (number == std::string::npos || date == std::string::npos || line.size() < date + 21) continue;
        if (line.substr(date + 21) == shown) index = line.substr(number, date - number);
    }
    return !index.empty() && RunTrashTool({"trash-restore"}, workDir, home, index + "\n").Status == 0;
}

}  // namespace nulvane::test
