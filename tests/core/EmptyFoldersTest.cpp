#include "core/EmptyFolders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/Deletion.h"
#include "core/Scan.h"
#include "core/KeepRules.h"
#include "platform/files/FileDescriptor.h"
#include "platform/text/LocaleTexts.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

using TPaths = std::multiset<std::string>;

class EmptyFolders : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }

    // The folder entries a scan of `folder` lists, by full path; a file entry fails the test.
    TPaths Folders(const std::string& folder, const TKeepRules* rules = nullptr, TWalkOptions walk = {}) {
        TResultList list;
        ScanFolder(list, folder, walk, {.Files = false, .Folders = true, .Rules = rules});
        TPaths paths;
        for (const TListEntry& entry : list) {
            EXPECT_EQ(entry.Kind, TEntryKind::Folder) << list.FullPath(entry);
            paths.insert(list.FullPath(entry));
        }
        return paths;
    }
    std::string P(const std::string& relative) const { return Dir_.Str() + "/" + relative; }
    test::TTempDir Dir_;
};

// What holds anything, however small or hidden, is not empty; of an empty subtree only its top is
// listed; the scanned folder never is.
TEST_F(EmptyFolders, ListsTheTopOfEachEmptySubtreeOnce) {
    for (const char* folder : {"t/nested/a/b/c", "t/nested/a/d", "t/mixed/empty.d", "t/hidden", "t/fifo", "t/socket",
                               "t/link", "t/file/deeper", "t/twice/x", "t/twice/y/z"})
        Dir_.MakeDir(folder);
    Dir_.Write("t/hidden/.keepme", "x");
    Dir_.Write("t/mixed/notes", "text");
    Dir_.Write("t/file/deeper/empty-file");
    ASSERT_EQ(::mkfifo(P("t/fifo/f").c_str(), 0644), 0);
    ASSERT_EQ(::mknod(P("t/socket/s").c_str(), S_IFSOCK | 0644, 0), 0);
    ASSERT_EQ(::symlink("nowhere", P("t/link/l").c_str()), 0);

    EXPECT_EQ(Folders(P("t")), (TPaths{P("t/nested"), P("t/mixed/empty.d"), P("t/twice")}));
    EXPECT_EQ(Folders(P("t/nested")), (TPaths{P("t/nested/a")}));  // never the scanned folder itself
    EXPECT_TRUE(Folders(P("t/nested/a/b/c")).empty());

    // The entry: a folder's fields, its identity, its place among files in a scan of both kinds.
    TResultList list;
    ScanFolder(list, P("t/mixed/"), {}, {.Folders = true});
    ASSERT_EQ(list.Count(), 1u);
    std::string scratch;
    const TListEntry& entry = list[0];
    EXPECT_EQ(list.FullPath(entry), P("t/mixed/empty.d"));
    EXPECT_EQ(list.FieldText(entry, fiFileName, scratch), "empty.d");
    EXPECT_EQ(list.FieldText(entry, fiFileExt, scratch), "");
    EXPECT_EQ(list.FieldText(entry, fiFileType, scratch), "folder");
    EXPECT_EQ(list.FieldText(entry, fiFileSize, scratch), "0");
    EXPECT_FALSE(list.FieldText(entry, fiWriteTime, scratch).empty());
    EXPECT_EQ(entry.CheckState, TCheckState::Checked);
    struct stat st;
    ASSERT_EQ(::stat(P("t/mixed/empty.d").c_str(), &st), 0);
    EXPECT_EQ(entry.Identity, (TFileIdentity{st.st_dev, st.st_ino}));
    list.Clear();
    ScanFolder(list, P("t/file"), {}, {.Files = false, .Folders = true});
    EXPECT_TRUE(list.Empty());  // the empty file makes its folder hold something
    // Listed with the files, a folder of listed empty files is listed too, after them.
    ScanFolder(list, P("t/file"), {}, {.Folders = true});
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.FullPath(list[0]), P("t/file/deeper/empty-file"));
    EXPECT_EQ(list.FullPath(list[1]), P("t/file/deeper"));
}

// A folder a rule holds is listed (the rule then holds its entry) but keeps the folders around it
// from counting as empty; so is what a link out of the scanned folder leads to.
TEST_F(EmptyFolders, KeepRulesHoldFoldersAndWhatHoldsThem) {
    Dir_.MakeDir("t/repo/.git/refs/tags");
    Dir_.MakeDir("t/repo/src");
    Dir_.MakeDir("t/lost+found");
    Dir_.MakeDir("t/home/Templates");
    Dir_.MakeDir("outside/empty");
    ASSERT_EQ(::symlink(P("outside").c_str(), P("t/out").c_str()), 0);
    const TKeepRules none, shipped = TKeepRules::Shipped();
    EXPECT_EQ(Folders(P("t/repo"), &none), (TPaths{P("t/repo/.git"), P("t/repo/src")}));
    EXPECT_EQ(Folders(P("t/repo"), &shipped), (TPaths{P("t/repo/.git/refs/tags"), P("t/repo/src")}));

    TKeepRules rules = TKeepRules::Shipped();
    std::string error;
    ASSERT_TRUE(rules.Add("src/", error));  // a rule on folders holds a folder of that name itself
    TResultList list;
    ScanFolder(list, P("t"), {}, {.Files = false, .Folders = true, .Rules = &rules});
    rules.Hold(list);
    TPaths held, free;
    for (const TListEntry& entry : list)
        (entry.Note == TEntryNote::HeldByRule ? held : free).insert(list.FullPath(entry));
    EXPECT_EQ(held, (TPaths{P("t/repo/.git/refs/tags"), P("t/repo/src"), P("t/lost+found"), P("t/out/empty")}));
    EXPECT_EQ(free, (TPaths{P("t/home")}));
    for (const TListEntry& entry : list) {
        if (list.FullPath(entry) == P("t/out/empty")) {
            EXPECT_EQ(rules.RuleFor(list, entry), LinkRuleText);
        }
    }

    // The XDG user folders themselves, as user-dirs.dirs names them, but not what is in them.
    const std::vector<std::string> own = XdgUserFolders(
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_TEMPLATES_DIR=\"/srv/t/\"\n"
        "XDG_PUBLICSHARE_DIR=\"$HOME/\"\n", "/home/me");
    EXPECT_EQ(own, (std::vector<std::string>{"/home/me/Desk", "/srv/t"}));
    EXPECT_EQ(XdgUserFolders("", "/h").size(), 8u);
    EXPECT_EQ(XdgUserFolders("", "/h")[6], "/h/Templates");
    EXPECT_EQ(shipped.MatchFolder(P("t/lost+found"), false), "lost+found/");
    EXPECT_EQ(shipped.Match(P("t/lost+found"), false), "");  // a file of that name is not held
}

// A folder that could not be read may hold anything: neither it nor its parents are listed. The
// scan runs in a child process as a user without rights to it (root reads every folder).
TEST_F(EmptyFolders, AnUnreadableFolderAndItsParentsAreNotListed) {
    Dir_.MakeDir("t/a/locked/inner");
    Dir_.MakeDir("t/a/free");
    Dir_.MakeDir("t/b/search-only/x");
    ASSERT_EQ(::chmod(P("t/a/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod(P("t/b/search-only").c_str(), 0444), 0);  // names readable, nothing searchable
    ::chmod(Dir_.Str().c_str(), 0755);  // the temporary folder's parent lets everybody search it
    const int status = test::RunInChild({.AsNobody = ::geteuid() == 0}, [&] {
        TResultList list;
        const TScanReport report = ScanFolder(list, P("t"), {}, {.Files = false, .Folders = true});
        int failed = report.Unreadable != 2;
        for (const TListEntry& entry : list) failed |= (list.FullPath(entry) != P("t/a/free")) << 1;
        return failed | (list.Count() != 1) << 2;
    });
    ::chmod(P("t/a/locked").c_str(), 0755);
    ::chmod(P("t/b/search-only").c_str(), 0755);
    if (status == 125) GTEST_SKIP() << "cannot run the scan as a user without rights to the locked folder";
    EXPECT_EQ(status, 0);
}

// A mount point is never listed and keeps its parent from counting as empty; what is empty on the
// mounted file system is listed unless the scan stays on one. The mount is made in a private mount
// namespace of a child process.
TEST_F(EmptyFolders, AMountPointIsNeverListed) {
    Dir_.MakeDir("t/parent/mnt");
    Dir_.MakeDir("t/sibling");
    const int status = test::RunInChild({}, [&] {
        if (::geteuid() != 0 && ::unshare(CLONE_NEWUSER) != 0) return 99;
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", P("t/parent/mnt").c_str(), "tmpfs", 0, nullptr) != 0 ||
            ::mkdir(P("t/parent/mnt/inside").c_str(), 0755) != 0)
            return 99;
        const TPaths all = Folders(P("t")), one = Folders(P("t"), nullptr, {.OneFileSystem = true});
        return (all != TPaths{P("t/sibling"), P("t/parent/mnt/inside")}) | (one != TPaths{P("t/sibling")}) << 1 |
               (Folders(P("t/parent/mnt")) != TPaths{P("t/parent/mnt/inside")}) << 2;
    });
    if (status == 99) GTEST_SKIP() << "mounting a tmpfs in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0);
}

// A chain of `levels` folders named `name`, each in the one before, made relative to the last so
// that its path may outgrow the system's limit. The deepest one's descriptor, for the caller to close.
int MakeChain(const std::string& top, int levels, const std::string& name) {
    std::filesystem::create_directories(top);
    TFd at(::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (int level = 0; level < levels && ::mkdirat(at.Get(), name.c_str(), 0755) == 0; ++level)
        at.Reset(::openat(at.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return at.Release();
}

// An empty chain of folders is listed however long its path, and so is an empty folder that lies
// beyond the system's limit on paths (the walk works relative to open folders); both are deleted.
TEST_F(EmptyFolders, AnEmptyChainOfAnyDepthIsListedAndGoes) {
    ::close(MakeChain(P("t/long"), 20, std::string(250, 'l')));
    const TFd deep(MakeChain(P("t/holds"), 18, std::string(250, 'h')));
    ::close(::openat(deep.Get(), "file", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    ASSERT_EQ(::mkdirat(deep.Get(), "empty", 0755), 0);
    TResultList list;
    ScanFolder(list, P("t"), {}, {.Files = false, .Folders = true});
    TLongWork work;
    const TDeleteSummary summary = DeleteCheckedEntries(list, work);
    EXPECT_TRUE(summary.DeletedFolders == 2 && summary.Kept.empty() && list.Count() == 0);
    struct stat st;
    EXPECT_FALSE(std::filesystem::exists(P("t/long")));
    EXPECT_TRUE(::fstatat(deep.Get(), "empty", &st, 0) != 0 && ::fstatat(deep.Get(), "file", &st, 0) == 0);
}

}  // namespace
