#include "core/Scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "core/FieldSort.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "platform/text/LocaleTexts.h"
#include "support/Allocations.h"
#include "support/ChildProcess.h"
#include "support/RandomTree.h"
#include "support/TempDir.h"
#include "support/Environment.h"

using namespace nulvane;

namespace {

using TIdentity = std::pair<dev_t, ino_t>;

// What a single-threaded recursive walk of a tree whose links all stay inside it lists: depth
// first, each folder in listing order, no link followed.
void ReferenceWalk(const std::string& folder, std::vector<std::string>& out) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_symlink(ec)) continue;
        if (entry.is_regular_file(ec) && entry.file_size(ec) == 0)
            out.push_back(entry.path().string());
        else if (entry.is_directory(ec))
            ReferenceWalk(entry.path().string() + "/", out);
    }
}

std::vector<std::string> FullPaths(const TResultList& list) {
    std::vector<std::string> paths;
    for (const TListEntry& entry : list) paths.push_back(list.FullPath(entry));
    return paths;
}

std::vector<std::string> Scan(const std::string& folder) {
    TResultList list;
    ScanFolder(list, folder);
    return FullPaths(list);
}

std::multiset<std::string> FindEmptyFiles(const std::string& root) {
    std::FILE* pipe = ::popen(("find '" + root + "' -type f -empty -print0").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    ::pclose(pipe);
    std::multiset<std::string> paths;
    for (std::size_t start = 0, end; (end = output.find('\0', start)) != std::string::npos; start = end + 1)
        paths.insert(output.substr(start, end - start));
    return paths;
}

// What a streamed scan passed on: the full paths in order, and the entries when it made them.
class TRecordingSink final : public TScanSink {
public:
    // The path goes last: a Take that fails (for want of memory) passed nothing on.
    void Take(std::string_view folder, std::string_view name, const TListEntry* entry, std::string_view) override {
        if (entry) Entries.push_back(*entry);
        Paths.push_back(std::string(folder).append(name));
    }
    void Pause() override { ++Pauses; }
    std::vector<std::string> Paths;
    std::vector<TListEntry> Entries;
    int Pauses = 0;
};

class EmptyFileScan : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }
    test::TTempDir Dir_;
};

TEST_F(EmptyFileScan, ListsInDepthFirstListingOrderWithCompleteRecords) {
    test::MakeRandomTree(Dir_.Str(),
                         {.Folders = 60, .Files = 700, .AncestorLinks = 5, .FolderLinks = 8, .SpecialFiles = true});
    std::vector<std::string> expected;
    ReferenceWalk(Dir_.Str() + "/", expected);
    ASSERT_GT(expected.size(), 150u);

    TResultList list;
    const TScanReport report = ScanFolder(list, Dir_.Str());
    EXPECT_FALSE(list.IsUpdating());
    ASSERT_EQ(FullPaths(list), expected);
    EXPECT_EQ(report.Listed, expected.size());
    EXPECT_TRUE(report.Complete());
    ASSERT_EQ(list.Anchors().size(), 1u);
    EXPECT_EQ(list.Anchors()[0].Path, Dir_.Str() + "/");

    for (const TListEntry& entry : list) {
        const TFileRecord& record = entry.Record;
        const std::string path = list.FullPath(entry);
        SCOPED_TRACE(path);
        const std::string_view ext = GetFileExtNoDot(path);
        // "Full Path" is the folder's path and the path tail, the name.
        for (int field = 0; field < FieldCount; ++field) {
            if (field == fiFullPath) continue;
            const bool filled = field <= fiFileType || (field >= fiCreateTime && field <= fiWriteTime);
            EXPECT_EQ(!record[field].empty(), filled && (field != fiFileExt || !ext.empty())) << field;
        }
        const TResultList::TPathParts parts = list.PathParts(entry);
        EXPECT_NE(parts.Folder, NoFolder);
        EXPECT_EQ(parts.Rest, record[fiFileName]);
        TExactTimes times;
        EXPECT_FALSE(record.GetExactTimes(times));  // kept only when asked for
        EXPECT_EQ(path.substr(path.rfind('/') + 1), record[fiFileName]);
        EXPECT_EQ(record[fiFileExt], ext);
        EXPECT_EQ(record[fiFileSize], "0");
        EXPECT_EQ(record[fiFileType], "file");
        EXPECT_EQ(entry.CheckState, TCheckState::Checked);
        EXPECT_EQ(list.AnchorOf(entry), 0u);
        struct stat st;
        ASSERT_EQ(::lstat(std::string(path).c_str(), &st), 0);
        EXPECT_EQ(entry.Identity, (TFileIdentity{st.st_dev, st.st_ino}));
        EXPECT_EQ(record[fiWriteTime], FileTimeToText({st.st_mtim.tv_sec, 0}));
    }
}

TEST_F(EmptyFileScan, ListsWhatFindListsOnATreeWhoseLinksLeadIntoTheirAncestry) {
    test::MakeRandomTree(Dir_.Str(), {.Folders = 50, .Files = 600, .AncestorLinks = 8, .SpecialFiles = true, .Seed = 7});
    const std::vector<std::string> scanned = Scan(Dir_.Str());
    EXPECT_EQ(std::multiset<std::string>(scanned.begin(), scanned.end()), FindEmptyFiles(Dir_.Str()));
}

TEST_F(EmptyFileScan, ScansOnlyAddAndAccumulate) {
    Dir_.Write("one-byte", "x");
    ASSERT_EQ(::truncate(Dir_.Write("sparse").c_str(), 1LL << 30), 0);
    TResultList list;
    list.Append().Record.Set(fiFileName, "earlier");
    ScanFolder(list, Dir_.Str());
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list[0].Record[fiFileName], "earlier");

    const std::string empty = Dir_.Write("empty");
    ScanFolder(list, Dir_.Str());
    ScanFolder(list, Dir_.Str() + "/");
    EXPECT_EQ(FullPaths(list), (std::vector<std::string>{"", empty, empty}));
}

TEST(EmptyFileScanExt, TakesTheTextAfterTheLastDotOfTheName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/x/a.txt", "txt"}, {"/x/a.tar.gz", "gz"}, {"/x/a.", ""},         {"/x.d/a", ""},
        {"/x.d/a.c", "c"},   {"/x/.profile", "profile"}, {"a:b", ""},       {"/x/a.b:c", "b:c"},
        {"", ""},            {"/x/caf\xc3\xa9.\xff", "\xff"}};
    for (const auto& [path, ext] : cases) EXPECT_EQ(GetFileExtNoDot(path), ext) << path;
}

// Hidden and read-only files count as any other; links to files, FIFOs and sockets are no regular
// files; a link to a folder outside is followed and its files say which link led to them, one to
// a folder inside adds nothing, whether it comes before that folder or after it. A file under a
// deletion's private name is not listed (one put beside its name is).
TEST_F(EmptyFileScan, ListsRegularFilesOnlyAndEachFolderOnce) {
    const std::string base = Dir_.Str() + "/root/", target = Dir_.Write("root/a/empty");
    const std::string beside = Dir_.Write("root/a/empty.nulvane-kept");
    Dir_.Write("root/a/.nulvane-0123456789abcdef");
    const std::string hidden = Dir_.Write("root/.a/.b/.c/.hidden"), outside = Dir_.Write("outside/empty");
    const std::string readOnly = Dir_.Write("root/dir.v2/read-only");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    Dir_.MakeDir("root/b");
    for (const auto& [to, link] : {std::pair{"../a", "b/sibling"}, {"../../outside", "b/out"}, {"..", "a/up"},
                                   {".", "a/self"}, {target.c_str(), "file-link"}, {"missing", "dangling"},
                                   {"a", "0-before-a"}, {"a", "z-after-a"}})
        ASSERT_EQ(::symlink(to, (base + link).c_str()), 0) << link;
    ASSERT_EQ(::mkfifo((base + "fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mknod((base + "socket").c_str(), S_IFSOCK | 0644, 0), 0);

    TResultList list;
    ScanFolder(list, base);
    const std::vector<std::string> scanned = FullPaths(list);
    EXPECT_EQ(std::multiset<std::string>(scanned.begin(), scanned.end()),
              (std::multiset<std::string>{target, beside, base + "b/out/empty", hidden, readOnly}));
    ASSERT_EQ(list.Anchors().size(), 2u);
    const TScanAnchor& link = list.Anchors()[1];
    EXPECT_EQ(link.Path, base + "b/out/");
    EXPECT_EQ(link.Parent, 0u);
    struct stat led;
    ASSERT_EQ(::stat((Dir_.Str() + "/outside").c_str(), &led), 0);
    EXPECT_EQ(link.Folder, (TFileIdentity{led.st_dev, led.st_ino}));
    for (const TListEntry& entry : list)
        EXPECT_EQ(list.AnchorOf(entry), list.FullPath(entry).starts_with(link.Path) ? 1u : 0u) << list.FullPath(entry);
    list.Clear();
    EXPECT_TRUE(list.Anchors().empty());
}

// Folders deeper than a path may be long are walked as find walks them; missing, unreadable and
// non-folders add nothing.
TEST_F(EmptyFileScan, FoldersThatCannotBeOpenedAddNothing) {
    const std::string reachable = Dir_.Write("deep/empty");
    // A chain of folders longer than a path may be: its files cannot be opened by their path.
    const std::string chain = Dir_.MakeDir("deep/chain");
    int fd = ::open(chain.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string longName(250, 'n');
    std::string tooDeep = chain;
    for (int level = 0; level < 20; ++level) {
        tooDeep += "/" + longName;
        ASSERT_EQ(::mkdirat(fd, longName.c_str(), 0755), 0);
        const int next = ::openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(::openat(fd, "too-deep", O_WRONLY | O_CREAT, 0644));
    tooDeep += "/too-deep";
    ::close(fd);
    if (::geteuid() != 0) {  // root reads any folder whatever its permissions
        Dir_.Write("locked/empty");
        ::chmod((Dir_.Str() + "/locked").c_str(), 0);
    }

    const std::vector<std::string> scanned = Scan(Dir_.Str());
    EXPECT_EQ(std::multiset<std::string>(scanned.begin(), scanned.end()),
              (std::multiset<std::string>{reachable, tooDeep}));
    EXPECT_TRUE(Scan(Dir_.Str() + "/missing").empty());
    EXPECT_TRUE(Scan(reachable).empty());
    EXPECT_TRUE(Scan("").empty());
    // Too deep to be removed by one path name; rm walks it folder by folder.
    EXPECT_EQ(std::system(("rm -rf '" + Dir_.Str() + "/deep/chain'").c_str()), 0);
}

TEST_F(EmptyFileScan, TimesUseTheOffsetInForceAtTheFilesOwnDate) {
    const test::TEnvironmentGuard zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    constexpr std::int64_t winterNoon = 1705320000;  // 2024-01-15 12:00:00 UTC
    constexpr std::int64_t summerNoon = 1721044800;  // 2024-07-15 12:00:00 UTC
    EXPECT_EQ(FileTimeToText({winterNoon, 999'999'999}), "1/15/2024 1:00:00 PM");
    EXPECT_EQ(FileTimeToText({summerNoon, 0}), "7/15/2024 2:00:00 PM");
    EXPECT_EQ(FileTimeToText({winterNoon - 13 * 3600, 0}), "1/15/2024");  // local midnight
    EXPECT_THROW(FileTimeToText({std::int64_t{1} << 50, 0}), EConvertError);

    const std::string file = Dir_.Write("dated");
    ::sleep(1);  // the status change below falls in a later second than the birth
    const timespec times[2] = {{winterNoon, 0}, {summerNoon, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    struct statx sx;
    ASSERT_EQ(::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME | STATX_CTIME, &sx), 0);
    const auto created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    TResultList list;
    ScanFolder(list, Dir_.Str());
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list[0].Record[fiAccessTime], "1/15/2024 1:00:00 PM");
    EXPECT_EQ(list[0].Record[fiWriteTime], "7/15/2024 2:00:00 PM");
    EXPECT_EQ(list[0].Record[fiCreateTime], FileTimeToText({created, 0}));
}

// Where the clocks are turned back an hour's local times come twice: the texts show the local
// times, the sort follows the instants, in both directions.
TEST_F(EmptyFileScan, TimesInTheRepeatedHourSortByTheirInstant) {
    struct TCase {
        const char* Zone;
        std::int64_t Earlier, Later;  // the later one shows the earlier local time
        const char* EarlierText;
        const char* LaterText;
    };
    const TCase cases[] = {
        {"America/New_York", 1699162200, 1699164600, "11/5/2023 1:30:00 AM", "11/5/2023 1:10:00 AM"},
        {"Europe/Berlin", 1698539400, 1698541800, "10/29/2023 2:30:00 AM", "10/29/2023 2:10:00 AM"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1698539400, 1698541800, "10/29/2023 2:30:00 AM", "10/29/2023 2:10:00 AM"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Zone);
        const test::TEnvironmentGuard zone("TZ", c.Zone);
        const test::TTempDir dir;
        for (const auto& [name, seconds] : {std::pair{"earlier", c.Earlier}, {"later", c.Later}}) {
            const timespec times[2] = {{seconds, 0}, {seconds, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, dir.Write(name).c_str(), times, 0), 0);
        }
        TResultList list;
        ScanFolder(list, dir.Str());
        ASSERT_EQ(list.Count(), 2u);
        const auto names = [&list] {
            std::vector<std::string> result;
            for (const TListEntry& entry : list) result.emplace_back(entry.Record[fiFileName]);
            return result;
        };
        for (const bool descending : {false, true}) {
            SortListByField(list, "Write Time", descending);
            EXPECT_EQ(names(), descending ? (std::vector<std::string>{"later", "earlier"})
                                          : (std::vector<std::string>{"earlier", "later"}));
            EXPECT_EQ(list[descending ? 1 : 0].Record[fiWriteTime], c.EarlierText);
            EXPECT_EQ(list[descending ? 0 : 1].Record[fiWriteTime], c.LaterText);
        }
    }
}

// Whether `part` holds the entries of `whole` in their order, some perhaps left out.
bool InOrderWithin(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto next = whole.begin();
    for (const std::string& path : part)
        if ((next = std::find(next, whole.end(), path)) == whole.end()) return false;
    return true;
}

// As a user who may not read some folders: each is counted and named in listing order, the rest
// is listed as it would be anyway; a scanned folder that cannot be read is counted too. A folder
// that may be read but not searched (r--) is one of them: its names are there, its files cannot
// be looked at, and they are not taken for gone.
TEST_F(EmptyFileScan, UnreadableFoldersAreCountedAndNamedInListingOrder) {
    for (const char* file : {"open/empty", "open/sub/empty", "locked/empty", "open/sub/also-locked/deeper/empty",
                             "open/searchless/empty", "open/searchless/inner/empty"})
        Dir_.Write(file);
    std::vector<std::string> order;  // the locked folders in listing order, as root walks them
    std::vector<std::string> readable;
    ReferenceWalk(Dir_.Str() + "/", readable);
    for (const std::string& path : readable)
        for (const std::string& folder :
             {Dir_.Str() + "/locked/", Dir_.Str() + "/open/sub/also-locked/", Dir_.Str() + "/open/searchless/"})
            if (path.starts_with(folder) && std::find(order.begin(), order.end(), folder) == order.end())
                order.push_back(folder);
    ASSERT_EQ(order.size(), 3u);
    std::erase_if(readable, [](const std::string& path) {
        return path.find("locked/") != std::string::npos || path.find("searchless/") != std::string::npos;
    });
    ASSERT_EQ(::chmod(Dir_.Str().c_str(), 0755), 0);
    for (const std::string& folder : order) ASSERT_EQ(::chmod(folder.c_str(), folder.ends_with("searchless/") ? 0444 : 0), 0);

    // Root reads any folder: the locks hold only for an unprivileged user.
    const int failed = test::RunInChild({.AsNobody = ::geteuid() == 0}, [&] {
        std::vector<std::pair<std::string, int>> named;
        TWalkOptions options;
        options.OnUnreadable = [&](const std::string& folder, int error) { named.emplace_back(folder, error); };
        TResultList list;
        const TScanReport report = ScanFolder(list, Dir_.Str(), options);
        const TScanReport lockedRoot = ScanFolder(list, order[0]);
        return (FullPaths(list) != readable) | (report.Listed != readable.size()) << 1 |
               (report.Unreadable != 3 || report.Complete()) << 2 |
               (named != std::vector<std::pair<std::string, int>>{{order[0], EACCES}, {order[1], EACCES}, {order[2], EACCES}}) << 3 |
               (lockedRoot.Unreadable != 1 || lockedRoot.Listed != 0) << 4;
    });
    EXPECT_EQ(failed, 0);
}

// Process and kernel file systems claim size 0 for files that are not empty: below the scanned
// folder they are not entered, through a folder link neither; a folder on one is scanned as
// asked. Mounted in a private mount namespace of a child process.
TEST_F(EmptyFileScan, PseudoFileSystemsAreScannedOnlyWhenAsked) {
    const std::string own = Dir_.Write("tree/own/empty");
    const std::string tree = Dir_.Str() + "/tree", outside = Dir_.MakeDir("outside-proc");
    for (const char* folder : {"tree/proc", "tree/deep/sys"}) Dir_.MakeDir(folder);
    ASSERT_EQ(::symlink(outside.c_str(), (tree + "/link-to-proc").c_str()), 0);
    const int status = test::RunInChild({}, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("proc", (tree + "/proc").c_str(), "proc", 0, nullptr) != 0 ||
            ::mount("sysfs", (tree + "/deep/sys").c_str(), "sysfs", 0, nullptr) != 0 ||
            ::mount("proc", outside.c_str(), "proc", 0, nullptr) != 0)
            return 99;
        int failed = 0;
        for (const bool follow : {true, false}) {
            TResultList list;
            const TScanReport report = ScanFolder(list, tree, {.FollowFolderLinks = follow});
            failed |= (FullPaths(list) != std::vector<std::string>{own} || !report.Complete()) << follow;
        }
        const std::string asked = tree + "/proc/sys/kernel/";
        TResultList list;
        ScanFolder(list, asked);
        for (const std::string& path : FullPaths(list)) failed |= !path.starts_with(asked) << 2;
        return failed | (list.Count() < 10) << 3;
    });
    if (status == 99) GTEST_SKIP() << "mounting proc and sysfs in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0);
}

// The trash folders are neither listed nor entered: the home trash, below the scanned folder or
// at the end of a folder link, another user's at its usual place however it is reached, at the
// top of a mount ".Trash" and ".Trash-N", and anywhere a trash known by what it is (TrashFolders.h);
// other folders of those names are ordinary ones. A folder holding a trash is never listed as
// empty; a scanned folder in a trash scans nothing and says so. Mounts are made in a child process.
TEST_F(EmptyFileScan, TrashFoldersAreNeitherListedNorEntered) {
    const std::string home = Dir_.Str() + "/home", trash = home + "/.local/share/Trash";
    const test::TEnvironmentGuard data("XDG_DATA_HOME", home + "/.local/share");
    const std::vector<std::string> listed = {Dir_.Write("home/a"), Dir_.Write("home/sub/.Trash-1000/b"),
                                             Dir_.Write("home/.Trash/c")};
    Dir_.Write("home/.local/share/Trash/files/d");
    Dir_.Write("home/.local/share/Trash/info/d.trashinfo");
    Dir_.Write("home/bob/.local/share/Trash/files/e");
    for (const char* other : {"home/old-data/Trash/", "home/sub/.Trash-7/", "home/shared/.Trash/1000/",
                              "elsewhere/local/share/Trash/", "home/vacant/Trash/"}) {
        Dir_.MakeDir(std::string(other) + "info");
        Dir_.Write(std::string(other) + "files/f");
    }
    std::filesystem::remove(home + "/vacant/Trash/files/f");
    ASSERT_EQ(::symlink((Dir_.Str() + "/elsewhere/local").c_str(), (Dir_.MakeDir("home/carol") + "/.local").c_str()), 0);
    const std::string outside = Dir_.MakeDir("outside");
    ASSERT_EQ(::symlink(trash.c_str(), (outside + "/to-trash").c_str()), 0);
    ASSERT_EQ(::symlink((home + "/bob/.local/share").c_str(), (outside + "/to-bob-share").c_str()), 0);
    ASSERT_EQ(::symlink((trash + "/files").c_str(), (outside + "/to-files").c_str()), 0);
    const auto scan = [](const std::string& folder, TScanReport& report) {
        TResultList list;
        report = ScanFolder(list, folder, {}, {.Folders = true});
        std::vector<std::string> paths = FullPaths(list);
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    TScanReport report;
    // Folders of listed empty files count as empty, with those files.
    EXPECT_EQ(scan(home, report), (std::vector<std::string>{home + "/.Trash", listed[2], listed[0], home + "/sub/.Trash-1000",
                                                           listed[1]}));
    EXPECT_TRUE(report.Complete() && !report.InTrash);
    EXPECT_EQ(scan(outside, report), std::vector<std::string>{});
    for (const std::string& folder : {trash, trash + "/files", outside + "/to-files/", home + "/bob/.local/share/Trash",
                                      home + "/old-data/Trash/files", home + "/shared/.Trash/1000"}) {
        EXPECT_EQ(scan(folder, report), std::vector<std::string>{}) << folder;
        EXPECT_TRUE(report.InTrash) << folder;
    }

    // A trash at the top of a bind mount, reached through the mount's source too.
    const std::string mount = Dir_.MakeDir("mount"), bound = Dir_.MakeDir("bound"), source = Dir_.Str() + "/source";
    const std::string sourceFile = Dir_.Write("source/k");
    Dir_.MakeDir("source/.Trash-0/info");
    Dir_.Write("source/.Trash-0/files/j");
    const int status = test::RunInChild({}, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mount.c_str(), "tmpfs", 0, nullptr) != 0 ||
            ::mount(source.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return 99;
        const std::vector<std::string> kept = {mount + "/.Trash-x", Dir_.Write("mount/.Trash-x/e"), Dir_.Write("mount/f")};
        for (const char* file : {"mount/.Trash/1000/files/g", "mount/.Trash-1000/files/h", "mount/.Trash-12/i"})
            Dir_.Write(file);
        TScanReport mounted;
        return (scan(mount, mounted) != kept) |
               (!scan(mount + "/.Trash-1000/files", mounted).empty() || !mounted.InTrash) << 1 |
               (!scan(mount + "/.Trash/1000", mounted).empty() || !mounted.InTrash) << 2 |
               (scan(source, mounted) != std::vector<std::string>{sourceFile}) << 3 |
               (scan(bound, mounted) != std::vector<std::string>{bound + "/k"}) << 4;
    });
    if (status == 99) GTEST_SKIP() << "mounting a tmpfs in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0);
}

// An allocation that fails anywhere in the scan, once or from then on: the scan lists everything
// or says it ran short of memory and keeps, in walk order, entries it had made completely.
TEST_F(EmptyFileScan, AShortageOfMemoryIsReportedAndKeepsWhatWasFound) {
    test::MakeRandomTree(Dir_.Str(), {.Folders = 20, .Files = 200, .Seed = 3});
    TResultList full;
    const long before = test::AllocationCount();
    ScanFolder(full, Dir_.Str(), {.Threads = 1});
    const long allocations = test::AllocationCount() - before;
    const std::vector<std::string> all = FullPaths(full);
    ASSERT_GT(all.size(), 20u);
    const std::string folder = Dir_.Str();
    for (const bool persistent : {false, true})
        for (long failing = 0; failing < allocations; failing += 1 + allocations / 60)
            for (const unsigned threads : {1u, 2u}) {
                SCOPED_TRACE(testing::Message() << failing << (persistent ? " on" : " once") << ", threads " << threads);
                TResultList list;
                test::FailAllocationsAfter(failing, persistent);
                const TScanReport report = ScanFolder(list, folder, {.Threads = threads});
                test::StopFailingAllocations();
                // A shortage the scan can work around (one thread fewer, no room reserved ahead)
                // leaves the list complete.
                EXPECT_EQ(report.Listed, list.Count());
                EXPECT_NE(report.Complete(), report.OutOfMemory);
                if (!report.OutOfMemory) {
                    EXPECT_EQ(FullPaths(list), all);
                }
                EXPECT_TRUE(InOrderWithin(FullPaths(list), all));
                for (const TListEntry& entry : list) EXPECT_EQ(entry.CheckState, TCheckState::Checked);

                // A stream passes on what it found before, in order, and no more.
                TRecordingSink sink;
                test::FailAllocationsAfter(failing, persistent);
                const TScanReport streamed = StreamFolder(folder, sink, {.Threads = threads}, true);
                test::StopFailingAllocations();
                EXPECT_EQ(streamed.Listed, sink.Paths.size());
                EXPECT_NE(streamed.Complete(), streamed.OutOfMemory);
                if (!streamed.OutOfMemory) {
                    EXPECT_EQ(sink.Paths, all);
                }
                EXPECT_TRUE(InOrderWithin(sink.Paths, all));
            }
}

// A walk that ends on any other error keeps what it found and reports the folder as given up, so
// the report never reads as complete.
TEST_F(EmptyFileScan, AWalkEndedByAnErrorIsReportedAsGivenUp) {
    test::MakeRandomTree(Dir_.Str(), {.Folders = 5, .Files = 50, .Seed = 4});
    struct TFailingSink final : TScanSink {
        void Take(std::string_view, std::string_view, const TListEntry*, std::string_view) override {
            if (++Taken == 3) throw std::runtime_error("the sink failed");
        }
        void Pause() override {}
        int Taken = 0;
    } sink;
    std::vector<std::pair<std::string, int>> givenUp;
    TWalkOptions options{.Threads = 1};
    options.OnGivenUp = [&](const std::string& path, int error) { givenUp.emplace_back(path, error); };
    const TScanReport report = StreamFolder(Dir_.Str(), sink, options, false);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.GivenUp, 1u);
    EXPECT_EQ(givenUp, (std::vector<std::pair<std::string, int>>{{Dir_.Str(), EIO}}));
}

// A streamed scan passes on the files the list would get, in the same order, each with the same
// entry (exact times only when asked for), and names the same unreadable folders, however many
// threads walk and wherever links lead.
TEST_F(EmptyFileScan, AStreamPassesOnWhatTheListGetsInItsOrder) {
    const std::string in = Dir_.MakeDir("in"), out = Dir_.MakeDir("out");
    test::MakeRandomTree(in, {.Folders = 60, .Files = 700, .AncestorLinks = 4, .FolderLinks = 6, .SpecialFiles = true});
    test::MakeRandomTree(out, {.Folders = 20, .Files = 200, .Seed = 9});
    ASSERT_EQ(::symlink(out.c_str(), (in + "/far").c_str()), 0);
    for (const unsigned threads : {1u, 2u, 8u}) {
        SCOPED_TRACE(threads);
        TResultList list;
        const TScanReport listed = ScanFolder(list, in, {.Threads = threads}, {.ExactTimes = true});
        const std::vector<std::string> paths = FullPaths(list);
        ASSERT_GT(paths.size(), 150u);
        TRecordingSink names, entries;
        const TScanReport namesOnly = StreamFolder(in, names, {.Threads = threads, .AheadLimit = 1});
        const TScanReport streamed = StreamFolder(in, entries, {.Threads = threads}, true, {.ExactTimes = true});
        EXPECT_EQ(names.Paths, paths);
        EXPECT_TRUE(names.Entries.empty());
        EXPECT_EQ(entries.Paths, paths);
        EXPECT_GT(entries.Pauses, 0);
        EXPECT_TRUE(listed.Complete() && streamed.Complete() && namesOnly.Complete());
        EXPECT_EQ(streamed.Listed, paths.size());
        ASSERT_EQ(entries.Entries.size(), list.Count());
        TEntryTexts listTexts(list);
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TFileRecord &a = list[i].Record, &b = entries.Entries[i].Record;
            TEntryTexts streamedTexts(std::string_view(paths[i]).substr(0, paths[i].rfind('/') + 1));
            for (int field = 0; field < FieldCount; ++field)
                EXPECT_EQ(listTexts.Get(list[i], field), streamedTexts.Get(entries.Entries[i], field)) << paths[i];
            TExactTimes times, streamedTimes;
            ASSERT_TRUE(a.GetExactTimes(times) && b.GetExactTimes(streamedTimes));
            EXPECT_EQ(times, streamedTimes);
            struct statx sx;
            ASSERT_EQ(::statx(AT_FDCWD, paths[i].c_str(), AT_SYMLINK_NOFOLLOW, STATX_MTIME, &sx), 0);
            EXPECT_EQ(times.Write, (TFileTime{sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec}));
            EXPECT_EQ(list[i].Identity, entries.Entries[i].Identity);
            EXPECT_EQ(list[i].CheckState, entries.Entries[i].CheckState);
        }
    }
}

// The scan works for the job it is given: counts it, and stops at its request.
TEST_F(EmptyFileScan, ScanCountsForTheJobInProgressAndStopsAtItsRequest) {
    test::MakeRandomTree(Dir_.Str(), {.Folders = 20, .Files = 200, .Seed = 4});
    TLongWork work;
    TResultList list;
    const TScanReport report = ScanFolder(list, Dir_.Str(), {.Work = &work});
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(work.Found.load(), report.Listed);
    EXPECT_EQ(work.Folders.load(), 21u);

    work.RequestStop();
    const TScanReport stopped = ScanFolder(list, Dir_.Str(), {.Work = &work});
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_EQ(stopped.Listed, 0u);
    EXPECT_FALSE(stopped.Complete());
}

}  // namespace
