#include "platform/files/FileRemoval.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <functional>

#include "support/TempDir.h"

using namespace nulvane;

namespace {

struct TIdentity {
    std::uint64_t Device = 0, Inode = 0;
};

TIdentity IdentityOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return {st.st_dev, st.st_ino};
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

TRemoveResult Remove(const std::string& path, TIdentity identity) {
    TFileRemover remover;
    return remover.Remove(path, identity.Device, identity.Inode);
}

}  // namespace

// Each case records the file's identity, then changes the tree as a user or another program might
// before the removal runs. Only an unchanged empty regular file may go.
TEST(FileRemoval, RemovesOnlyTheEmptyFileThatWasFound) {
    namespace fs = std::filesystem;
    struct TCase {
        const char* Name;
        std::function<void(const test::TTempDir&, const std::string& file)> Change;
        TRemoveOutcome Outcome;
        TKeepReason Reason;
        bool FileStays;  // something is still at the path
    };
    const TCase cases[] = {
        {"unchanged", [](auto&, auto&) {}, TRemoveOutcome::Deleted, TKeepReason::None, false},
        {"grew", [](auto& d, auto&) { d.Write("dir/f", "data"); }, TRemoveOutcome::Kept, TKeepReason::Changed, true},
        {"replaced by another empty file",
         [](auto& d, auto& f) { fs::remove(f); d.Write("dir/other"); d.Write("dir/f"); }, TRemoveOutcome::Kept,
         TKeepReason::Changed, true},
        {"replaced by a link to an empty file",
         [](auto& d, auto& f) { fs::rename(f, d.Str() + "/target"); fs::create_symlink(d.Str() + "/target", f); },
         TRemoveOutcome::Kept, TKeepReason::Changed, true},
        {"replaced by a FIFO", [](auto&, auto& f) { fs::remove(f); ::mkfifo(f.c_str(), 0600); }, TRemoveOutcome::Kept,
         TKeepReason::Changed, true},
        {"gone", [](auto&, auto& f) { fs::remove(f); }, TRemoveOutcome::Missing, TKeepReason::None, false},
        {"folder became a file",
         [](auto& d, auto&) { fs::rename(d.Str() + "/dir", d.Str() + "/moved"); d.Write("dir"); },
         TRemoveOutcome::Missing, TKeepReason::None, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const test::TTempDir dir;
        const std::string file = dir.Write("dir/f");
        const TIdentity identity = IdentityOf(file);
        c.Change(dir, file);
        const TRemoveResult result = Remove(file, identity);
        EXPECT_EQ(result.Outcome, c.Outcome);
        EXPECT_EQ(result.Reason, c.Reason);
        EXPECT_EQ(Exists(file), c.FileStays);
        EXPECT_EQ(result.ReasonText().empty(), c.Reason == TKeepReason::None);
    }
}

TEST(FileRemoval, FolderWithoutWritePermissionKeepsTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may remove from any folder";
    const test::TTempDir dir;
    const std::string file = dir.Write("locked/f");
    const TIdentity identity = IdentityOf(file);
    ::chmod((dir.Str() + "/locked").c_str(), 0500);
    const TRemoveResult result = Remove(file, identity);
    EXPECT_EQ(result.Reason, TKeepReason::PermissionDenied);
    EXPECT_EQ(result.ReasonText(), "permission denied");
    EXPECT_TRUE(Exists(file));
}

// A path longer than PATH_MAX, and paths through a folder link and with "." and "//" in them, all
// reach their file; one remover serves files of different folders one after another.
TEST(FileRemoval, ReachesLongPathsAndFollowsFolderLinks) {
    const test::TTempDir dir;
    std::string longPath = dir.Str();
    int fd = ::open(longPath.c_str(), O_PATH | O_DIRECTORY);
    const std::string component(200, 'd');
    while (longPath.size() < PATH_MAX + 100) {
        ASSERT_EQ(::mkdirat(fd, component.c_str(), 0700), 0);
        const int next = ::openat(fd, component.c_str(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
        longPath += "/" + component;
    }
    const int file = ::openat(fd, "f", O_CREAT | O_WRONLY, 0600);
    struct stat st;
    ASSERT_EQ(::fstat(file, &st), 0);
    ::close(file);
    ::close(fd);

    const std::string shortFile = dir.Write("real/g");
    const TIdentity shortIdentity = IdentityOf(shortFile);
    std::filesystem::create_directory_symlink(dir.Str() + "/real", dir.Str() + "/link");

    TFileRemover remover;
    EXPECT_EQ(remover.Remove(longPath + "/f", st.st_dev, st.st_ino).Outcome, TRemoveOutcome::Deleted);
    EXPECT_EQ(remover.Remove(dir.Str() + "//./link/g", shortIdentity.Device, shortIdentity.Inode).Outcome,
              TRemoveOutcome::Deleted);
    EXPECT_FALSE(Exists(shortFile));
    EXPECT_EQ(remover.Remove(longPath + "/f", st.st_dev, st.st_ino).Outcome, TRemoveOutcome::Missing);
    EXPECT_EQ(remover.Remove(std::string("a\0b", 3), 1, 1).Outcome, TRemoveOutcome::Missing);
}
