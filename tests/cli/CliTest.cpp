#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/FileReader.h"
#include "platform/FileContent.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

using TArgs = std::vector<std::string>;

struct TRun {
    int Status = -1;
    std::string Out, Err;
    friend bool operator==(const TRun&, const TRun&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TRun& run) {
        return out << "exit " << run.Status << ", out \"" << run.Out << "\", err \"" << run.Err << '"';
    }
};

// Runs nulvane-cli (or a copy at `program`) in `workDir`, optionally as the unprivileged user
// "nobody", optionally with room for only `room` more open files than it inherits.
TRun RunCli(const TArgs& args, const std::string& workDir, bool asNobody = false,
            const std::string& program = NULVANE_CLI_PATH, int room = -1) {
    const test::TTempDir capture;
    const std::string outPath = capture.Str() + "/out", errPath = capture.Str() + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [path, target] : {std::pair{&outPath, 1}, {&errPath, 2}}) {
            const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT, 0600);
            ::dup2(fd, target);
            ::close(fd);
        }
        const int firstFree = ::dup(0);  // descriptors inherited from the test runner stay below it
        ::close(firstFree);
        rlimit limit;
        if (room >= 0 && ::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
            limit.rlim_cur = static_cast<rlim_t>(firstFree + room);
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(124);
        }
        if (::chdir(workDir.c_str()) != 0) ::_exit(125);
        if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileContent(outPath), ReadFileContent(errPath)};
}

std::string Listed(const TArgs& folders, char terminator) {
    TResultList list;
    for (const std::string& folder : folders) ScanFolder(list, folder);
    std::string text;
    for (const TListEntry& entry : list) (text += entry.Record[fiFullPath]) += terminator;
    return text;
}

// Exit code 2, nothing listed, and one line that names the fault and shows the usage.
TEST(Cli, BadUsageExitsWithTwoAndOneUsageLine) {
    const test::TTempDir dir;
    const std::pair<TArgs, std::string> cases[] = {
        {{}, "no folder"}, {{"-0"}, "no folder"}, {{"-x", "."}, "-x"}, {{".", "--bogus"}, "--bogus"},
        {{"--sort", "file name", "."}, "\"file name\""}, {{".", "--sort"}, "--sort"}, {{"--sort=Size", "."}, "\"Size\""},
        {{"--sort", "Nope", "."}, "\"Write Time\""},  // the valid field names
    };
    for (const auto& [args, named] : cases) {
        const TRun run = RunCli(args, dir.Str());
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.empty());
        EXPECT_NE(run.Err.find(named), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find("usage: nulvane-cli"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
    }
}

TEST(Cli, PrintsFullPathsAsRawBytesInScanOrder) {
    const test::TTempDir dir;
    dir.Write("bad\xff\xfe name,\"q\"<");
    dir.Write("sub/new\nline");
    dir.Write("sub/more/empty.txt");
    dir.Write("not-empty", "x");
    dir.Write("-dash/empty");
    const std::string sub = dir.Str() + "/sub";

    EXPECT_NE(Listed({dir.Str()}, '\n').find(dir.Str() + "/bad\xff\xfe name,\"q\"<\n"), std::string::npos);
    EXPECT_EQ(RunCli({dir.Str()}, dir.Str()), (TRun{0, Listed({dir.Str()}, '\n'), ""}));
    EXPECT_EQ(RunCli({"-0", sub, dir.Str(), "missing"}, dir.Str()), (TRun{0, Listed({sub, dir.Str()}, '\0'), ""}));
    EXPECT_EQ(RunCli({"--", "-dash"}, dir.Str()), (TRun{0, "-dash/empty\n", ""}));
}

TEST(Cli, SortsByAFieldAsAHeaderClickWould) {
    const test::TTempDir dir;
    // Names against write times: name order b, C, a (case folded: a, b, C); time order C, a, b.
    for (const auto& [name, seconds] : {std::pair{"b", 3000}, {"C", 1000}, {"sub/a", 2000}}) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.Write(name).c_str(), times, 0), 0);
    }
    const std::string b = dir.Str() + "/b\n", c = dir.Str() + "/C\n", a = dir.Str() + "/sub/a\n";
    const std::pair<TArgs, std::string> cases[] = {
        {{"--sort", "File Name"}, a + b + c},          {{"--sort=File Name:desc"}, c + b + a},
        {{"--sort", "  Write Time "}, c + a + b},      {{"--sort", "Write Time:desc"}, b + a + c},
    };
    for (auto [args, expected] : cases) {
        args.push_back(dir.Str());
        EXPECT_EQ(RunCli(args, dir.Str()), (TRun{0, expected, ""})) << args[0];
    }
}

TEST(Cli, UnreadableFolderEndsItsBranchSilently) {
    const test::TTempDir dir, bin;
    const std::string readable = dir.Write("open/empty");
    dir.Write("locked/empty");
    ASSERT_EQ(::chmod(dir.Str().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir.Str() + "/locked").c_str(), 0), 0);
    // Root reads any folder: the lock only holds for an unprivileged user, who runs a copy of the
    // program where it may certainly execute it.
    const std::string program = bin.Str() + "/nulvane-cli";
    std::filesystem::copy_file(NULVANE_CLI_PATH, program);
    ASSERT_EQ(::chmod(bin.Str().c_str(), 0755), 0);
    EXPECT_EQ(RunCli({dir.Str()}, "/", ::geteuid() == 0, program), (TRun{0, readable + "\n", ""}));
}

// With room for one open folder the subfolders cannot be opened: each is named, the files found
// are listed, and the exit status says the list is incomplete.
TEST(Cli, FoldersGivenUpForLackOfDescriptorsAreNamedAndFail) {
    const test::TTempDir dir;
    const std::string top = dir.Write("top");
    dir.Write("sub/empty");
    const TRun run = RunCli({dir.Str()}, "/", false, NULVANE_CLI_PATH, 1);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, top + "\n");
    EXPECT_EQ(run.Err, "nulvane-cli: " + dir.Str() + "/sub/: given up: " + std::strerror(EMFILE) + "\n");
    EXPECT_EQ(RunCli({dir.Str()}, "/", false, NULVANE_CLI_PATH, 16), (TRun{0, Listed({dir.Str()}, '\n'), ""}));
}

}  // namespace
