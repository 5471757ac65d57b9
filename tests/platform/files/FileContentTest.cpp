#include "platform/files/FileContent.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/system/Errors.h"
#include "support/TempDir.h"

using namespace nulvane;

TEST(FileContentTest, ReadsRegularFilesOnlyAndCreatesWithoutReplacingOrFollowingLinks) {
    const test::TTempDir dir;
    const std::string file = dir.Write("f.xml", std::string("a\0b", 3)), folder = dir.MakeDir("folder");
    const std::string fifo = dir.Str() + "/fifo", none = dir.Str() + "/none", link = dir.Str() + "/link";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.Str() + "/nothing", dir.Path() / "dangling");
    std::filesystem::create_symlink(dir.Str() + "/target", link);

    EXPECT_TRUE(FileExists(file));
    for (const std::string& path : {folder, dir.Str() + "/dangling", none}) EXPECT_FALSE(FileExists(path)) << path;
    EXPECT_EQ(ReadFileContent(file), std::string("a\0b", 3));
    EXPECT_EQ(ReadFileContent(dir.Write("empty")), "");
    for (const std::string& path : {folder, fifo, none})  // a FIFO must not wait for a writer
        EXPECT_THROW(ReadFileContent(path), EOSError) << path;

    CreateFileWithContent(none, "content");
    EXPECT_EQ(ReadFileContent(none), "content");
    EXPECT_THROW(CreateFileWithContent(none, "other"), EOSError);
    EXPECT_EQ(ReadFileContent(none), "content");
    // A dangling link is not followed: the file it names is not created.
    EXPECT_THROW(CreateFileWithContent(link, "x"), EOSError);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "target"));
}
