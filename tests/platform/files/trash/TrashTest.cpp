#include "platform/files/trash/Trash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
#include "platform/files/removal/FileRemoval.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/TrashTools.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// What a round trip must keep: the file itself, its mode and its times.
struct TFileFacts {
    ino_t Inode = 0;
    mode_t Mode = 0;
    timespec Access{}, Write{};
    bool operator==(const TFileFacts& other) const {
        return Inode == other.Inode && Mode == other.Mode && Access.tv_sec == other.Access.tv_sec &&
               Access.tv_nsec == other.Access.tv_nsec && Write.tv_sec == other.Write.tv_sec &&
               Write.tv_nsec == other.Write.tv_nsec;
    }
};

// Makes an empty file with an unusual mode and times of its own.
TFileFacts MakeFile(const std::string& path, mode_t mode) {
    ::close(::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
    ::chmod(path.c_str(), mode);
    const timespec times[2] = {{1'500'000'000, 123'000'000}, {1'400'000'000, 456'000'000}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    struct stat st{};
    ::lstat(path.c_str(), &st);
    return {st.st_ino, st.st_mode, st.st_atim, st.st_mtim};
}

TFileFacts FactsOf(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {st.st_ino, st.st_mode, st.st_atim, st.st_mtim};
}

// Moves the file at `path` to `trash` through the remover's verified sequence.
TRemoveResult Trash(TTrash& trash, const std::string& path) {
    struct stat st{};
    ::lstat(path.c_str(), &st);
    TFileRemover remover;
    return remover.Dispose({path, st.st_dev, st.st_ino},
                           [&](int folderFd, const char* aside, const TRemoveRequest& r, TDeletionJournal& journal) {
                               return trash.Put(folderFd, aside, r.Path, r.Device, &journal);
                           });
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The text of a file, empty when there is none.
std::string ContentOf(const std::string& path) {
    try {
        return ReadFileContent(path);
    } catch (const std::exception&) {
        return {};
    }
}

// What an independent decoder (Python's) makes of a percent-encoded path: the raw bytes.
std::string DecodedByPython(const std::string& encoded) {
    const test::TToolRun run = test::RunTrashTool(
        {"/usr/bin/python3", "-c",
         "import sys, urllib.parse; sys.stdout.buffer.write(urllib.parse.unquote_to_bytes(sys.argv[1]))", encoded},
        "/", "/");
    return run.Status == 0 ? run.Out : "(python3 failed)";
}

}  // namespace

// Files of the home trash's file system go to the home trash, where trash-cli lists them and
// restores them to their place as they were. The info file holds the raw path byte for byte;
// trash-cli (Debian 12's decodes it as UTF-8) restores a name that is not valid UTF-8 under the
// name it decodes, the same file with the same mode and times.
TEST(TrashTest, HomeTrashRoundTripsThroughTrashCli) {
    if (!test::TrashCliInstalled()) GTEST_SKIP() << "trash-cli (trash-list, trash-restore) is not installed";
    const test::TTempDir dir;
    const std::string home = dir.MakeDir("home"), work = dir.MakeDir("work");
    TTrash trash(home + "/.local/share/Trash", ::geteuid());
    struct TCase {
        std::string Name, Encoded, Shown;  // the name, in the info file, as trash-cli shows it
    };
    const TCase cases[] = {
        {"plain.txt", "plain.txt", "plain.txt"},
        {"sp ace%+&\xc3\xa9", "sp%20ace%25%2B%26%C3%A9", "sp ace%+&\xc3\xa9"},
        {"bad\xff\xfename", "bad%FF%FEname", "bad\xef\xbf\xbd\xef\xbf\xbdname"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Encoded);
        const std::string path = work + "/" + c.Name;
        const TFileFacts before = MakeFile(path, 0640);
        const TRemoveResult result = Trash(trash, path);
        ASSERT_EQ(result.Outcome, TRemoveOutcome::Deleted) << result.ReasonText();
        EXPECT_FALSE(fs::exists(path));
        const std::string info = ReadFileContent(trash.HomeTrash() + "/info/" + c.Name + ".trashinfo");
        const std::string encodedPath = TTrash::EncodePath(work) + "/" + c.Encoded;
        const std::string head = "[Trash Info]\nPath=" + encodedPath + "\n";
        ASSERT_EQ(info.substr(0, head.size()), head);
        EXPECT_TRUE(std::regex_match(info.substr(head.size()),
                                     std::regex(R"(DeletionDate=\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\n)")))
            << info;
        EXPECT_EQ(DecodedByPython(encodedPath), path);
        EXPECT_EQ(FactsOf(trash.HomeTrash() + "/files/" + c.Name), before);

        const std::vector<std::string> listed = test::TrashListed(home);
        EXPECT_NE(std::find(listed.begin(), listed.end(), work + "/" + c.Shown), listed.end());
        ASSERT_TRUE(test::RestoreFromTrash(home, work, work + "/" + c.Shown));
        EXPECT_EQ(FactsOf(work + "/" + c.Shown), before);
    }
    EXPECT_TRUE(NamesIn(trash.HomeTrash() + "/files").empty());
    EXPECT_TRUE(NamesIn(trash.HomeTrash() + "/info").empty());
}

// Files of one name each get an entry of their own; a name taken in files/ without an info file is
// passed over, never replaced, and no info file is left for it.
TEST(TrashTest, FilesOfOneNameGetEntriesOfTheirOwn) {
    const test::TTempDir dir;
    TTrash trash(dir.Str() + "/data/Trash", ::geteuid());
    const std::string files = trash.HomeTrash() + "/files";
    for (const char* folder : {"a", "b"}) {
        MakeFile(dir.MakeDir(folder) + "/.gitkeep", 0644);
        ASSERT_TRUE(Trash(trash, dir.Str() + "/" + folder + "/.gitkeep").Removed());
    }
    dir.Write("data/Trash/files/.gitkeep.3", "somebody's");
    MakeFile(dir.MakeDir("c") + "/.gitkeep", 0644);
    ASSERT_TRUE(Trash(trash, dir.Str() + "/c/.gitkeep").Removed());
    EXPECT_EQ(NamesIn(files), (std::vector<std::string>{".gitkeep", ".gitkeep.2", ".gitkeep.3", ".gitkeep.4"}));
    EXPECT_EQ(ReadFileContent(files + "/.gitkeep.3"), "somebody's");
    EXPECT_EQ(NamesIn(trash.HomeTrash() + "/info"),
              (std::vector<std::string>{".gitkeep.2.trashinfo", ".gitkeep.4.trashinfo", ".gitkeep.trashinfo"}));
    EXPECT_NE(ReadFileContent(trash.HomeTrash() + "/info/.gitkeep.4.trashinfo").find("/c/.gitkeep\n"),
              std::string::npos);
}

// Files on other file systems go to the trash at the top of their mount: $topdir/.Trash/$uid when
// .Trash is a real sticky folder, else $topdir/.Trash-$uid, with the path recorded from the top.
// trash-cli lists them and restores them as they were. A mount where neither can be used keeps
// the file where it was. Mounted in a private mount namespace of a child process.
TEST(TrashTest, OtherFileSystemsUseTheTrashAtTheTopOfTheirMount) {
    if (!test::TrashCliInstalled()) GTEST_SKIP() << "trash-cli (trash-list, trash-restore) is not installed";
    const test::TTempDir dir;
    const std::string home = dir.MakeDir("home"), uid = std::to_string(::geteuid());
    const std::string plain = dir.MakeDir("plain"), sticky = dir.MakeDir("sticky"), loose = dir.MakeDir("loose"),
                      linked = dir.MakeDir("linked"), none = dir.MakeDir("none");
    // The child's exit status is the number of the first check that failed, 0 when none did.
    const int status = test::RunInChild({}, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 99;
        for (const std::string& top : {plain, sticky, loose, linked, none})
            if (::mount("tmpfs", top.c_str(), "tmpfs", 0, "mode=0755") != 0) return 99;
        int failed = 0, check = 0;
        const auto expect = [&](bool holds) {
            ++check;
            if (!holds && failed == 0) failed = check;
        };
        expect(::mkdir((sticky + "/.Trash").c_str(), 01777) == 0 && ::chmod((sticky + "/.Trash").c_str(), 01777) == 0);
        expect(::mkdir((loose + "/.Trash").c_str(), 0777) == 0);
        expect(::mkdir((linked + "/real").c_str(), 01777) == 0 && ::chmod((linked + "/real").c_str(), 01777) == 0);
        expect(::symlink("real", (linked + "/.Trash").c_str()) == 0);
        expect(static_cast<bool>(std::ofstream(none + "/.Trash-" + uid) << "not a folder"));
        expect(::mkdir((plain + "/sub").c_str(), 0755) == 0);

        TTrash trash(home + "/.local/share/Trash", ::geteuid());
        const struct {
            std::string File, Entry;  // the file, and the trash it goes to
        } trashed[] = {
            {plain + "/sub/a", plain + "/.Trash-" + uid},
            {sticky + "/b", sticky + "/.Trash/" + uid},
            {loose + "/c", loose + "/.Trash-" + uid},
            {linked + "/d", linked + "/.Trash-" + uid},
        };
        std::vector<TFileFacts> facts;
        for (const auto& each : trashed) {
            facts.push_back(MakeFile(each.File, 0604));
            const std::string name = fs::path(each.File).filename();
            expect(Trash(trash, each.File).Outcome == TRemoveOutcome::Deleted);
            expect(FactsOf(each.Entry + "/files/" + name) == facts.back());
            // The path from the top of the mount: "sub/a" under "plain".
            const std::string relative = each.File.substr(each.File.find('/', dir.Str().size() + 1) + 1);
            const std::string info = ContentOf(each.Entry + "/info/" + name + ".trashinfo");
            expect(info.find("\nPath=" + relative + "\n") != std::string::npos);
        }
        expect(!fs::exists(linked + "/real/" + uid));
        expect(!fs::exists(loose + "/.Trash/" + uid));

        const TFileFacts kept = MakeFile(none + "/e", 0600);
        const TRemoveResult noTrash = Trash(trash, none + "/e");
        expect(noTrash.Reason == TKeepReason::NoTrash && noTrash.ReasonText() == "no trash on this file system");
        expect(FactsOf(none + "/e") == kept && NamesIn(none).size() == 2);

        // trash-cli finds the trashes from the mount table it sees, this namespace's.
        const std::vector<std::string> listed = test::TrashListed(home);
        for (const auto& each : trashed) expect(std::find(listed.begin(), listed.end(), each.File) != listed.end());
        expect(test::RestoreFromTrash(home, plain, plain + "/sub/a"));
        expect(FactsOf(plain + "/sub/a") == facts[0]);
        return failed;
    });
    if (status == 99) GTEST_SKIP() << "mounting a tmpfs in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0) << "the check that failed, counted from 1";
}

// A folder goes to the trash whole, as it is (its empty subfolders in it), with an info file as a
// file's: trash-cli lists it and restores it, and it comes back through the window's undo too.
// A folder that gained a file meanwhile does not go.
TEST(TrashTest, EmptyFoldersGoWholeAndComeBack) {
    if (!test::TrashCliInstalled()) GTEST_SKIP() << "trash-cli (trash-list, trash-restore) is not installed";
    const test::TTempDir dir;
    const std::string home = dir.MakeDir("home"), work = dir.MakeDir("work"), folder = dir.MakeDir("work/empty");
    dir.MakeDir("work/empty/sub/deeper");
    TTrash trash(home + "/.local/share/Trash", ::geteuid());
    const auto toTrash = [&](TTrashEntry* placed) {
        struct stat st{};
        ::lstat(folder.c_str(), &st);
        TRemoveRequest request{folder, st.st_dev, st.st_ino};
        request.Folder = true;
        TFileRemover remover;
        return remover.Dispose(request, [&](int folderFd, const char* aside, const TRemoveRequest& r, TDeletionJournal& journal) {
            return trash.Put(folderFd, aside, r.Path, r.Device, &journal, placed);
        });
    };
    // A folder's times change as it is read and moved: it is the same folder with its mode.
    struct stat before{};
    ::lstat(folder.c_str(), &before);
    const auto same = [&] {
        struct stat now{};
        return ::lstat(folder.c_str(), &now) == 0 && now.st_ino == before.st_ino && now.st_mode == before.st_mode;
    };
    TRemoveResult result = toTrash(nullptr);
    ASSERT_EQ(result.Outcome, TRemoveOutcome::Deleted) << result.ReasonText();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(FactsOf(trash.HomeTrash() + "/files/empty").Inode, before.st_ino);
    EXPECT_TRUE(fs::is_directory(trash.HomeTrash() + "/files/empty/sub/deeper"));
    EXPECT_NE(ContentOf(trash.HomeTrash() + "/info/empty.trashinfo").find("\nPath=" + TTrash::EncodePath(folder) + "\n"),
              std::string::npos);
    const std::vector<std::string> listed = test::TrashListed(home);
    EXPECT_NE(std::find(listed.begin(), listed.end(), folder), listed.end());
    ASSERT_TRUE(test::RestoreFromTrash(home, work, folder));
    EXPECT_TRUE(same());
    EXPECT_TRUE(fs::is_directory(folder + "/sub/deeper"));

    TTrashedFile trashed{folder, before.st_dev, before.st_ino, {}, true};
    ASSERT_EQ(toTrash(&trashed.Entry).Outcome, TRemoveOutcome::Deleted);
    EXPECT_EQ(RestoreFromTrash(trashed).Outcome, TRestoreOutcome::Restored);
    EXPECT_TRUE(same());
    EXPECT_TRUE(NamesIn(trash.HomeTrash() + "/info").empty());

    dir.Write("work/empty/sub/new", "data");
    result = toTrash(nullptr);
    EXPECT_EQ(result.Reason, TKeepReason::NotEmpty);
    EXPECT_EQ(ContentOf(folder + "/sub/new"), "data");
    EXPECT_TRUE(NamesIn(trash.HomeTrash() + "/files").empty());
    EXPECT_TRUE(NamesIn(trash.HomeTrash() + "/info").empty());
}
