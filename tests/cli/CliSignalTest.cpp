// nulvane-cli sent SIGINT, SIGTERM or SIGHUP while it works: what it was doing stops, cleans up
// after itself, and the program ends by that signal. Each run waits, through inotify, for a point
// where the work is under way (the export's temporary file created, the scan's folder opened),
// sends the signal there, and waits for the end at most half a minute.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// A folder of `count` empty files deep down a chain of long folder names, so that every row of an
// export is some 4 KB and exporting them takes a while.
std::string MakeDeepTree(const test::TTempDir& root, int count) {
    std::string folder = root.Str();
    for (int level = 0; level < 14; ++level) folder += "/" + std::string(250, static_cast<char>('a' + level));
    std::filesystem::create_directories(folder);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(i) + std::string(190, 'f');
        ::close(::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    ::close(fd);
    return folder;
}

class CliSignalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Tree_ = new test::TTempDir;
        Deep_ = new std::string(MakeDeepTree(*Tree_, FileCount));
    }
    static void TearDownTestSuite() {
        delete Deep_;
        delete Tree_;
    }

    CliSignalTest() { std::filesystem::copy_file(NULVANE_CLI_PATH, Program); }

    // Starts the program with `args`, its output going to files of the test's own, and sends it
    // `signal` once inotify reports `event` on `watched` for a name ending in `suffix` (any name
    // when empty). The signal that ended it, or 0 when it exited.
    int RunAndSignal(const test::TArgs& args, const std::string& watched, std::uint32_t event,
                     const std::string& suffix, int signal) {
        const int notify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        EXPECT_GE(::inotify_add_watch(notify, watched.c_str(), event), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (const auto& [name, target] : {std::pair{"/out", 1}, {"/err", 2}}) {
                const int fd = ::open((Capture.Str() + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                ::dup2(fd, target);
            }
            const int input = ::open("/dev/null", O_RDONLY);
            ::dup2(input, 0);
            std::vector<char*> argv{const_cast<char*>(Program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(Program.c_str(), argv.data());
            ::_exit(127);
        }
        bool sent = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!sent && std::chrono::steady_clock::now() < deadline) {
            pollfd wait{notify, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0) {
                if (::waitpid(pid, nullptr, WNOHANG) != pid) continue;
                ::close(notify);
                ADD_FAILURE() << "ended before the signal";
                return -1;
            }
            alignas(inotify_event) char buffer[8192];
            const ssize_t size = ::read(notify, buffer, sizeof buffer);
            for (ssize_t at = 0; at < size && !sent;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string name = e->len ? e->name : "";
                if (name.size() >= suffix.size() && name.ends_with(suffix)) sent = ::kill(pid, signal) == 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        ::close(notify);
        if (!sent) ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(sent) << "the work never got under way";
        Out = ReadFileContent(Capture.Str() + "/out");
        Err = ReadFileContent(Capture.Str() + "/err");
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    static constexpr int FileCount = 16000;
    static test::TTempDir* Tree_;
    static std::string* Deep_;

    test::TTempDir Bin, Output, Capture;
    const std::string Program = Bin.Str() + "/nulvane-cli";
    std::string Out, Err;
};

test::TTempDir* CliSignalTest::Tree_ = nullptr;
std::string* CliSignalTest::Deep_ = nullptr;

TEST_F(CliSignalTest, AnExportEndsByTheSignalWithoutATemporaryFileAndKeepsTheEarlierFile) {
    const std::string file = Output.Write("list.csv", "earlier");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        EXPECT_EQ(RunAndSignal({"--export", "csv", file, "--force", Tree_->Str()}, Output.Str(), IN_CREATE, ".part",
                               signal),
                  signal);
        EXPECT_EQ(Out + Err, "");
        EXPECT_EQ(ReadFileContent(file), "earlier");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Output.Path()), {}), 1);
    }
}

TEST_F(CliSignalTest, AScanEndsByTheSignalWithoutPrintingOrDeleting) {
    EXPECT_EQ(RunAndSignal({"--delete", "--yes", Tree_->Str()}, *Deep_, IN_OPEN, "", SIGINT), SIGINT);
    EXPECT_EQ(Out + Err, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(*Deep_), {}), FileCount);
}

}  // namespace
