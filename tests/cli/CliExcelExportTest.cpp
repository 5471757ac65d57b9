#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FileContent.h"
#include "support/ChildProcess.h"
#include "support/SpreadsheetReaders.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

struct TRun {
    int Status = -1;
    std::string Err;
};

// Runs a copy of nulvane-cli in a folder of the test's own (its configuration lands there).
TRun RunCopy(const test::TTempDir& bin, const std::vector<std::string>& args) {
    const std::string program = bin.Str() + "/nulvane-cli", errPath = bin.Str() + "/err";
    if (!std::filesystem::exists(program)) std::filesystem::copy_file(NULVANE_CLI_PATH, program);
    TRun run;
    run.Status = test::RunInChild({}, [&] {
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        return 127;
    });
    run.Err = ReadFileContent(errPath);
    return run;
}

}  // namespace

TEST(CliExcelExportTest, WritesAWorkbookAndKeepsAnEarlierFile) {
    const test::TTempDir bin, tree, out;
    tree.Write("one.txt");
    tree.Write("sub/two");
    const std::string file = out.Str() + "/list.xls";

    const TRun run = RunCopy(bin, {"--sort", "Full Path", "--export", "xls", file, tree.Str()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string dump = test::XlrdDump(file);
    EXPECT_EQ(dump.substr(0, dump.find("\nA1")), "size 4 8\nmerged 0 1 0 8");
    EXPECT_NE(dump.find("A4 2.0 b1111\nB4 \"two\" b1111\nC4 \"" + tree.Str() + "/sub/two\""), std::string::npos) << dump;

    out.Write("list.xls", "earlier");
    const TRun refused = RunCopy(bin, {"--export", "xls", file, tree.Str()});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(ReadFileContent(file), "earlier");
    EXPECT_EQ(refused.Err.find('\n'), refused.Err.size() - 1) << refused.Err;  // one line
}
