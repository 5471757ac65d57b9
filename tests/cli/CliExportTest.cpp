#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/FieldSort.h"
#include "core/FileReader.h"
#include "export/CommandLineExport.h"
#include "platform/FileContent.h"
#include "support/ChildProcess.h"
#include "support/ConfigFolder.h"

using namespace nulvane;

namespace {

using TArgs = std::vector<std::string>;

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

// Runs a copy of nulvane-cli that lives in a folder of the test's own, so that the configuration
// it writes on first use lands there.
class CliExportTest : public ::testing::Test {
protected:
    CliExportTest() {
        std::filesystem::copy_file(NULVANE_CLI_PATH, Program);
        Tree.Write("one.txt");
        Tree.Write("sub/two,with \"quotes\".csv");
        Tree.Write("sub/<three>&");
        Tree.Write("full", "x");
    }

    TRun Run(const TArgs& args, test::TChildLimits limits = {}) const {
        const std::string outPath = Bin.Str() + "/out", errPath = Bin.Str() + "/err";
        TRun run;
        run.Status = test::RunInChild(limits, [&] {
            ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            std::vector<char*> argv{const_cast<char*>(Program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(Program.c_str(), argv.data());
            return 127;
        });
        run.Out = ReadFileContent(outPath);
        run.Err = ReadFileContent(errPath);
        return run;
    }

    test::TTempDir Bin, Tree, Out, Own;
    const std::string Program = Bin.Str() + "/nulvane-cli";
};

TEST_F(CliExportTest, WritesTheDesktopProgramsBytesAfterScanAndSort) {
    // The same export in this process, with the default configuration of a folder of its own.
    const test::TConfigFolder config;
    TResultList list;
    ScanFolder(list, Tree.Str());
    SortListByField(list, "Full Path", true);
    for (const auto& [format, name] :
         {std::pair{TExportFormat::CSV, "csv"}, {TExportFormat::Text, "txt"}, {TExportFormat::HTML, "html"}, {TExportFormat::XML, "xml"}}) {
        const std::string file = std::string("list.") + name;
        const TRun run = Run({"--sort", "Full Path:desc", "--export", name, Out.Str() + "/" + file, Tree.Str()});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out + run.Err, "");
        ASSERT_TRUE(ExportListToFile(list, format, Own.Str() + "/" + file, false));
        EXPECT_EQ(ReadFileContent(Out.Str() + "/" + file), ReadFileContent(Own.Str() + "/" + file)) << name;
    }
    EXPECT_TRUE(FileExists(Bin.Str() + "/" + std::string(ConfigFileShortName)));
}

TEST_F(CliExportTest, ReplacesAnExistingFileOnlyWithForceAndNeverLosesIt) {
    const std::string file = Out.Str() + "/list.csv";
    const auto untouched = [&](const TRun& run) {
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;  // one line
        EXPECT_EQ(ReadFileContent(file), "earlier");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out.Path()), {}), 1);
    };
    Out.Write("list.csv", "earlier");
    untouched(Run({"--export", "csv", file, Tree.Str()}));
    untouched(Run({"--export", "csv", file, "--force", Tree.Str()}, {.FileSizeLimit = 300}));  // a full disk (the message fits)
    EXPECT_EQ(Run({"--export", "txt", "/dev/full", "--force", Tree.Str()}).Status, 1);

    const TRun forced = Run({"--force", "--export", "csv", file, Tree.Str()});
    EXPECT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_NE(ReadFileContent(file).find("one.txt"), std::string::npos);

    for (const TArgs& bad : {TArgs{"--export", "pdf", file, Tree.Str()}, TArgs{Tree.Str(), "--export", "csv"},
                             TArgs{"--force", Tree.Str()}})
        EXPECT_EQ(Run(bad).Status, 2) << bad[0];
}

}  // namespace
