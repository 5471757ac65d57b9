// nulvane-cli sent SIGINT, SIGTERM or SIGHUP while it works: what it was doing stops, cleans up
// after itself, and the program ends by that signal. Each run holds the program, through the
// preloaded fault injector, at a point where the work is under way (the export's temporary file
// just created, the scan's deepest folder just opened), sends the signal there and lets it go on,
// so the signal never races the end of the work however busy the machine is.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

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

    CliSignalTest() { test::CopyCli(Program); }

    // Runs the program with `args`, held at the first call the `fault` names, where it gets
    // `signal`. The signal that ended it, or 0 when it exited.
    int RunAndSignal(const test::TArgs& args, const std::string& fault, int signal) {
        bool sent = false;
        const test::TRun run = test::RunCli(args, {.Program = Program,
                                                   .Fault = "stop-after:" + fault,
                                                   .WhenStopped = [&](pid_t pid) { sent = ::kill(pid, signal) == 0; }});
        EXPECT_TRUE(sent) << "the program never reached " << fault.substr(0, 40);
        Out = run.Out;
        Err = run.Err;
        return run.Signal;
    }

    static constexpr int FileCount = 16000;
    static test::TTempDir* Tree_;
    static std::string* Deep_;

    test::TTempDir Bin, Output;
    const std::string Program = Bin.Str() + "/nulvane-cli";
    std::string Out, Err;
};

test::TTempDir* CliSignalTest::Tree_ = nullptr;
std::string* CliSignalTest::Deep_ = nullptr;

TEST_F(CliSignalTest, AnExportEndsByTheSignalWithoutATemporaryFileAndKeepsTheEarlierFile) {
    const std::string file = Output.Write("list.csv", "earlier");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        EXPECT_EQ(RunAndSignal({"--export", "csv", file, "--force", Tree_->Str()}, "open:1:.part", signal), signal);
        EXPECT_EQ(Out + Err, "");
        EXPECT_EQ(ReadFileContent(file), "earlier");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Output.Path()), {}), 1);
    }
}

TEST_F(CliSignalTest, AScanEndsByTheSignalWithoutPrintingOrDeleting) {
    // The deepest folder's name: fourteen levels of 250 letters from 'a'.
    EXPECT_EQ(RunAndSignal({"--delete", "--yes", Tree_->Str()}, "openat:1:" + std::string(250, 'n'), SIGINT), SIGINT);
    EXPECT_EQ(Out + Err, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(*Deep_), {}), FileCount);
}

}  // namespace
