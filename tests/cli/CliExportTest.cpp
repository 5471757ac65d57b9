#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/FieldSort.h"
#include "core/Scan.h"
#include "export/CommandLineExport.h"
#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/ConfigFolder.h"

using namespace nulvane;

namespace {

using test::TArgs;
using test::TRun;

// Runs a copy of nulvane-cli that lives in a folder of the test's own, so that the configuration
// it writes on first use lands there.
class CliExportTest : public ::testing::Test {
protected:
    CliExportTest() {
        test::CopyCli(Program);
        Tree.Write("one.txt");
        Tree.Write("sub/two,with \"quotes\".csv");
        Tree.Write("sub/<three>&");
        Tree.Write("full", "x");
    }

    TRun Run(const TArgs& args, long long fileSizeLimit = -1) const {
        return test::RunCli(args, {.Program = Program, .FileSizeLimit = fileSizeLimit});
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
        TLongWork work;
        ASSERT_TRUE(ExportListToFile(list, format, Own.Str() + "/" + file, false, work));
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
    untouched(Run({"--export", "csv", file, "--force", Tree.Str()}, 300));  // a full disk (the message fits)
    EXPECT_EQ(Run({"--export", "txt", "/dev/full", "--force", Tree.Str()}).Status, 1);
    // A FOLDER missing or in the trash: the list is not the one asked for, and replaces nothing.
    Own.MakeDir("Trash/info");
    for (const std::string& failed : {Tree.Str() + "/missing", Own.MakeDir("Trash/files")}) {
        const TRun run = Run({"--export", "csv", file, "--force", Tree.Str(), failed});
        EXPECT_EQ(run.Status, 1);
        EXPECT_TRUE(run.Err.ends_with("nulvane-cli: \"" + file + "\" not written: the list is incomplete\n")) << run.Err;
        EXPECT_EQ(ReadFileContent(file), "earlier");
    }

    // A link at the name exists too, even one that leads nowhere; a name with control characters
    // is shown escaped.
    const std::string link = Out.Str() + "/link\x1b[2J.csv";
    std::filesystem::create_symlink(Out.Str() + "/gone", link);
    const TRun refused = Run({"--export", "csv", link, Tree.Str()});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("link\\x1b[2J.csv\" already exists"), std::string::npos) << refused.Err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    std::filesystem::remove(link);

    const TRun forced = Run({"--force", "--export", "csv", file, Tree.Str()});
    EXPECT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_NE(ReadFileContent(file).find("one.txt"), std::string::npos);

    for (const TArgs& bad : {TArgs{"--export", "pdf", file, Tree.Str()}, TArgs{Tree.Str(), "--export", "csv"},
                             TArgs{"--force", Tree.Str()}})
        EXPECT_EQ(Run(bad).Status, 2) << bad[0];
}

// Into a pipe whose reader has gone, an export to standard output ends as any writer then ends,
// and leaves nothing of its temporary file.
TEST_F(CliExportTest, AnExportIntoAClosedPipeLeavesNoTemporaryFile) {
    const TRun run = test::RunCli({"--export", "csv", "-", Tree.Str()}, {.Program = Program, .BeforeExec = [&] {
        int ends[2];  // standard output is the pipe's writing end, and nothing reads it
        const bool closed = ::pipe(ends) == 0 && ::dup2(ends[1], STDOUT_FILENO) >= 0 && ::close(ends[0]) == 0;
        return closed ? ::setenv("TMPDIR", Own.Str().c_str(), 1) : 1;
    }});
    EXPECT_NE(run.Status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(Own.Path()));
}

// The formats are a module the program loads only for an export: without it, or with a module of
// another build or none at all in its place, the run says so in one line naming the module and
// exits 1, and neither writes the export nor deletes anything. It is said before the scan: a
// missing FOLDER, which the scan would report, is not reached.
TEST_F(CliExportTest, RefusesAMissingOrForeignFormatsModuleAndChangesNothing) {
    const std::string module = Bin.Str() + "/nulvane-formats.so";
    if (!std::filesystem::exists(module)) GTEST_SKIP() << "built with the formats linked in";
    const TRun listed = Run({Tree.Str()});
    std::filesystem::remove(module);
    const std::string file = Out.Str() + "/list.csv";
    const auto refused = [&](const std::string& why) {
        for (const TArgs& args : {TArgs{"--export", "csv", file, Tree.Str()},
                                  TArgs{"--export", "xls", file, "--delete", "--yes", Tree.Str()},
                                  TArgs{"--export", "html", file, Tree.Str(), Out.Str() + "/no-such-folder"}}) {
            const TRun run = Run(args);
            EXPECT_EQ(run.Status, 1) << why;
            EXPECT_TRUE(run.Err.starts_with("nulvane-cli: cannot export: ")) << why << ": " << run.Err;
            EXPECT_NE(run.Err.find(module), std::string::npos) << why << ": " << run.Err;
            const std::size_t lines = static_cast<std::size_t>(std::count(run.Err.begin(), run.Err.end(), '\n'));
            const bool deletes = std::find(args.begin(), args.end(), "--delete") != args.end();
            EXPECT_EQ(lines, deletes ? 2U : 1U) << why << ": " << run.Err;  // and "nothing deleted"
            EXPECT_FALSE(std::filesystem::exists(file)) << why;
        }
        EXPECT_EQ(Run({Tree.Str()}), listed) << why;  // every empty file still there, listing unaffected
    };
    refused("missing");
    std::filesystem::copy_file(NULVANE_STALE_FORMATS, module);
    refused("another build");
    std::filesystem::remove(module);
    std::filesystem::copy_file(NULVANE_FAULT_SHIM, module);
    refused("no entry point");
    std::filesystem::remove(module);
    Bin.Write("nulvane-formats.so", "not an object file");
    refused("not loadable");
}

}  // namespace
