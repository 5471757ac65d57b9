#include "platform/files/trash/TrashRestore.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/FileContent.h"
#include "platform/files/removal/FileRemoval.h"
#include "platform/files/trash/Trash.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// Moves the empty file at `path` to the trash as a deletion does, and says where it went.
TTrashedFile Trashed(TTrash& trash, const std::string& path) {
    std::ofstream(path).close();
    struct stat st{};
    ::lstat(path.c_str(), &st);
    TTrashedFile file{path, st.st_dev, st.st_ino, {}};
    TFileRemover remover;
    remover.Dispose({path, st.st_dev, st.st_ino},
                    [&](int folderFd, const char* aside, const TRemoveRequest& r, TDeletionJournal& journal) {
                        return trash.Put(folderFd, aside, r.Path, r.Device, &journal, &file.Entry);
                    });
    return file;
}

// Four files of `folder` go to the trash (expected at `trashFolder`), then come back as far as they
// can: "a" untouched, "b" whose name another file took meanwhile, "c" whose entry was removed from
// the trash, "d" whose entry was replaced by another file. Returns the first check that failed, or
// an empty text.
std::string TakeBackFromTheTrash(TTrash& trash, const std::string& folder, const std::string& trashFolder) {
    const auto failed = [](const char* what) { return std::string(what); };
    TTrashedFile files[4];
    const char* names[] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i) {
        files[i] = Trashed(trash, folder + "/" + names[i]);
        if (files[i].Entry.Folder != trashFolder || files[i].Entry.Name != names[i]) return failed("entry told");
        if (fs::exists(folder + "/" + names[i])) return failed("moved to the trash");
    }
    const auto infoOf = [&](const char* name) { return trashFolder + "/info/" + name + ".trashinfo"; };
    std::ofstream(folder + "/b") << "the user's new b";
    fs::remove(trashFolder + "/files/c");
    fs::remove(trashFolder + "/files/d");
    std::ofstream(trashFolder + "/files/d") << "another d";

    const TRestoreResult a = RestoreFromTrash(files[0]);
    struct stat st{};
    if (a.Outcome != TRestoreOutcome::Restored || ::lstat((folder + "/a").c_str(), &st) != 0 ||
        st.st_ino != files[0].Inode)
        return failed("a is back as the same file");
    if (fs::exists(infoOf("a")) || fs::exists(trashFolder + "/files/a")) return failed("a has left the trash");
    if (RestoreFromTrash(files[1]).Outcome != TRestoreOutcome::NameTaken) return failed("b's name is taken");
    if (ReadFileContent(folder + "/b") != "the user's new b") return failed("the new b is untouched");
    if (!fs::exists(trashFolder + "/files/b") || !fs::exists(infoOf("b"))) return failed("b stays in the trash");
    if (RestoreFromTrash(files[2]).Outcome != TRestoreOutcome::Gone || fs::exists(folder + "/c"))
        return failed("c is gone from the trash");
    if (RestoreFromTrash(files[3]).Outcome != TRestoreOutcome::Gone || fs::exists(folder + "/d"))
        return failed("another d is not taken for d");
    if (ReadFileContent(trashFolder + "/files/d") != "another d") return failed("the other d stays in the trash");
    if (RestoreFromTrash(files[0]).Outcome != TRestoreOutcome::Gone) return failed("a second undo finds nothing");
    return {};
}

}  // namespace

TEST(TrashRestoreTest, FilesComeBackFromTheHomeTrashUnlessTheirNameOrEntryChanged) {
    const test::TTempDir dir;
    const std::string home = dir.Str() + "/data/Trash", folder = dir.MakeDir("f");
    TTrash trash(home, ::geteuid());
    EXPECT_EQ(TakeBackFromTheTrash(trash, folder, home), "");
}

// On another file system the files come back from the trash at the top of its mount. Mounted in
// a private mount namespace of a child process.
TEST(TrashRestoreTest, FilesComeBackFromTheTrashOfAnotherFileSystem) {
    const test::TTempDir dir;
    const std::string home = dir.Str() + "/data/Trash", top = dir.MakeDir("mnt");
    const int status = test::RunInChild({}, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 99;
        if (::mount("tmpfs", top.c_str(), "tmpfs", 0, "mode=0755") != 0) return 99;
        fs::create_directory(top + "/sub");
        TTrash trash(home, ::geteuid());
        const std::string failed = TakeBackFromTheTrash(trash, top + "/sub", top + "/.Trash-" + std::to_string(::geteuid()));
        if (failed.empty()) return 0;
        std::fprintf(stderr, "failed: %s\n", failed.c_str());
        return 1;
    });
    if (status == 99) GTEST_SKIP() << "mounting a tmpfs in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0);
}
