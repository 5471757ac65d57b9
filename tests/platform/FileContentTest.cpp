#include "platform/FileContent.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Errors.h"
#include "support/TempDir.h"

using namespace nulvane;

TEST(FileContentTest, ExistenceAndReadingRefuseWhatIsNoRegularFile) {
    const test::TTempDir dir;
    const std::string file = dir.Write("f.xml", std::string("a\0b", 3));
    const std::string folder = dir.MakeDir("folder");
    const std::string fifo = dir.Str() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.Str() + "/nothing", dir.Path() / "dangling");

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(dir.Str() + "/dangling"));
    EXPECT_FALSE(FileExists(dir.Str() + "/none"));
    EXPECT_EQ(ReadFileContent(file), std::string("a\0b", 3));
    EXPECT_EQ(ReadFileContent(dir.Write("empty")), "");
    EXPECT_THROW(ReadFileContent(folder), EOSError);
    EXPECT_THROW(ReadFileContent(fifo), EOSError);  // must not wait for a writer
    EXPECT_THROW(ReadFileContent(dir.Str() + "/none"), EOSError);
}

TEST(FileContentTest, CreateNewNeverReplacesOrFollowsLinks) {
    const test::TTempDir dir;
    const std::string fresh = dir.Str() + "/new.xml";
    CreateFileWithContent(fresh, "content");
    EXPECT_EQ(ReadFileContent(fresh), "content");

    EXPECT_THROW(CreateFileWithContent(fresh, "other"), EOSError);
    EXPECT_EQ(ReadFileContent(fresh), "content");

    // A dangling link is not followed: the file it names is not created.
    std::filesystem::create_symlink(dir.Str() + "/target", dir.Path() / "link");
    EXPECT_THROW(CreateFileWithContent(dir.Str() + "/link", "x"), EOSError);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "target"));
}
