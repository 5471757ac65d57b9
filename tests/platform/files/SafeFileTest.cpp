#include "platform/files/SafeFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// The names in a folder, sorted: shows that no temporary file was left behind.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(SafeFileTest, ReplacesWholeKeepingPermissionsAndLinks) {
    const test::TTempDir dir;
    const std::string file = dir.Write("report.csv", "earlier content that is longer");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    std::filesystem::create_symlink(file, dir.Path() / "link.csv");

    {
        TSafeFileWriter writer(file);
        writer.Write("new");
        // Until the commit a reader still sees the earlier file, whole.
        EXPECT_EQ(ReadFileContent(file), "earlier content that is longer");
        writer.Write(" content");
        writer.Commit();
    }
    EXPECT_EQ(ReadFileContent(file), "new content");
    EXPECT_EQ(ModeOf(file), 0640u);

    WriteFileSafely(dir.Str() + "/link.csv", "through the link");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.csv"));
    EXPECT_EQ(ReadFileContent(file), "through the link");

    WriteFileSafely(dir.Str() + "/" + std::string(250, 'n'), "a long name");  // the temporary name fits too
    WriteFileSafely("/dev/null", "a device is written directly");
    EXPECT_EQ(Names(dir.Str()), (std::vector<std::string>{"link.csv", std::string(250, 'n'), "report.csv"}));
}

TEST(SafeFileTest, FailureLeavesTheEarlierFileAndNoTemporaryFile) {
    const test::TTempDir dir;
    const std::string file = dir.Write("keep.txt", "earlier");
    const std::string folder = dir.MakeDir("folder.txt");
    const auto intact = [&] {
        EXPECT_EQ(ReadFileContent(file), "earlier");
        EXPECT_EQ(Names(dir.Str()), (std::vector<std::string>{"folder.txt", "keep.txt"}));
    };

    EXPECT_THROW(WriteFileSafely(folder, "x"), EOSError);
    EXPECT_THROW(WriteFileSafely(dir.Str() + "/missing/x.txt", "x"), EOSError);
    EXPECT_THROW(WriteFileSafely("/dev/full", "x"), EOSError);  // a full device reports, not succeeds
    {
        TSafeFileWriter abandoned(file);
        abandoned.Write("half");
    }
    intact();

    // A full disk (the write stops at the size limit), and a folder the user may not write.
    ASSERT_EQ(::chmod(dir.Str().c_str(), 0755), 0);
    for (const test::TChildLimits limits : {test::TChildLimits{.FileSizeLimit = 4}, test::TChildLimits{.AsNobody = true}}) {
        EXPECT_EQ(test::RunInChild(limits, [&] {
                      try {
                          WriteFileSafely(file, "longer than four bytes");
                      } catch (const EOSError&) {
                          return 0;
                      }
                      return 1;
                  }),
                  0);
        intact();
    }
}

TEST(SafeFileTest, AnyNameButAFolderWouldBeReplacedLinksIncluded) {
    const test::TTempDir dir;
    const std::string file = dir.Write("file");
    const std::string folder = dir.MakeDir("folder");
    std::filesystem::create_symlink(file, dir.Path() / "to-file");
    std::filesystem::create_symlink(dir.Path() / "missing", dir.Path() / "dangling");
    std::filesystem::create_symlink("dangling", dir.Path() / "to-dangling");
    std::filesystem::create_symlink(folder, dir.Path() / "to-folder");
    const std::pair<std::string, bool> cases[] = {
        {"file", true},         {"to-file", true},   {"dangling", true}, {"to-dangling", true},
        {"folder", false},      {"to-folder", false}, {"missing", false}, {"file/below", false},
    };
    for (const auto& [name, replaced] : cases) EXPECT_EQ(WouldReplace(dir.Str() + "/" + name), replaced) << name;
    EXPECT_TRUE(WouldReplace("/dev/null"));
}

TEST(SafeFileTest, ANameTakenWhileWritingIsLeftToWhoeverTookIt) {
    const test::TTempDir dir;
    const std::string file = dir.Str() + "/report.csv";
    {
        TSafeFileWriter writer(file);
        writer.Write("ours");
        dir.Write("report.csv", "theirs");
        EXPECT_THROW(writer.Commit(), EOSError);
    }
    EXPECT_EQ(ReadFileContent(file), "theirs");
    EXPECT_EQ(Names(dir.Str()), std::vector<std::string>{"report.csv"});
}
