#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/SpreadsheetReaders.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// Runs a copy of nulvane-cli in a folder of the test's own (its configuration lands there).
test::TRun RunCopy(const test::TTempDir& bin, const test::TArgs& args) {
    const std::string program = bin.Str() + "/nulvane-cli";
    if (!std::filesystem::exists(program)) test::CopyCli(program);
    return test::RunCli(args, {.Program = program});
}

}  // namespace

TEST(CliExcelExportTest, WritesAWorkbookAndKeepsAnEarlierFile) {
    const test::TTempDir bin, tree, out;
    tree.Write("one.txt");
    tree.Write("sub/two");
    const std::string file = out.Str() + "/list.xls";

    const test::TRun run = RunCopy(bin, {"--sort", "Full Path", "--export", "xls", file, tree.Str()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string dump = test::XlrdDump(file);
    EXPECT_EQ(dump.substr(0, dump.find("\nA1")), "size 4 8\nmerged 0 1 0 8");
    EXPECT_NE(dump.find("A4 2.0 b1111\nB4 \"two\" b1111\nC4 \"" + tree.Str() + "/sub/two\""), std::string::npos) << dump;

    out.Write("list.xls", "earlier");
    const test::TRun refused = RunCopy(bin, {"--export", "xls", file, tree.Str()});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(ReadFileContent(file), "earlier");
    EXPECT_EQ(refused.Err.find('\n'), refused.Err.size() - 1) << refused.Err;  // one line
}
