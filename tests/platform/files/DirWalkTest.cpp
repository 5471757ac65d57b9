#include "platform/files/DirWalk.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/files/walk/ClaimTable.h"
#include "platform/system/LongWork.h"
#include "support/RandomTree.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <utility>

using namespace nulvane;

namespace {

struct TAnchor {
    std::string Path;
    std::size_t Parent;
    std::uint64_t Device, Inode;
    friend bool operator==(const TAnchor&, const TAnchor&) = default;
};

// Keeps the paths of empty files and the anchors they were listed under; OnWants lets a test act
// in the middle of a walk. With Early, it takes deliveries while the walk goes on.
class TPathCollector final : public TWalkVisitor {
public:
    struct TPaths final : TWalkItems {
        std::mutex Mutex;
        std::deque<std::string> Paths;
    };
    bool Wants(const TFileStat& stat) const noexcept override {
        if (OnWants) OnWants();
        return stat.Size == 0;
    }
    void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) override {
        if (ThrowOnTake.fetch_sub(1) == 0) throw std::runtime_error("visitor failed");
        if (!items) items = std::make_unique<TPaths>();
        auto& paths = static_cast<TPaths&>(*items);
        const std::lock_guard lock(paths.Mutex);
        paths.Paths.emplace_back(file.Path);
        const int waiting = ++Waiting;
        for (int most = MostWaiting; waiting > most && !MostWaiting.compare_exchange_weak(most, waiting);) {
        }
    }
    void Deliver(TWalkItems& items, std::size_t first, std::size_t last, const TWalkFolder& folder) override {
        auto& paths = static_cast<TPaths&>(items);
        const std::lock_guard lock(paths.Mutex);
        for (std::size_t i = first; i < last; ++i) {
            const std::string& path = paths.Paths[i];
            // The folder delivered in is the path's own, up to the name.
            EXPECT_TRUE(path.starts_with(folder.Path) && path.find('/', folder.Path.size()) == std::string::npos)
                << path << " in " << folder.Path;
            Delivered.push_back(path);
            --Waiting;
        }
        AnchorOf.insert(AnchorOf.end(), last - first, folder.Anchor);
    }
    bool WantsEarlyDelivery() const noexcept override { return Early; }
    void DeliveryPaused() override { ++Pauses; }
    void AddAnchor(const TWalkAnchor& anchor) override {
        Anchors.push_back({std::string(anchor.Path), anchor.Parent, anchor.Device, anchor.Inode});
    }
    void Relocate(TWalkItems& items, std::size_t first, std::size_t last, std::string_view from,
                  std::string_view to) override {
        auto& paths = static_cast<TPaths&>(items);
        const std::lock_guard lock(paths.Mutex);
        for (std::size_t i = first; i < last; ++i) paths.Paths[i] = std::string(to) + paths.Paths[i].substr(from.size());
    }

    bool Early = false;
    int Pauses = 0;
    std::function<void()> OnWants;
    std::atomic<int> ThrowOnTake = -1;  // Take calls left before one fails
    std::atomic<int> Waiting = 0, MostWaiting = 0;  // files taken and not yet delivered
    std::vector<std::string> Delivered;
    std::vector<std::size_t> AnchorOf;  // of each delivered path
    std::vector<TAnchor> Anchors;
};

std::vector<std::string> Walk(const std::string& folder, TWalkOptions options) {
    TPathCollector collector;
    WalkFolder(folder, collector, options);
    return collector.Delivered;
}

std::vector<std::string> Walk(const std::string& folder, unsigned threads) { return Walk(folder, {.Threads = threads}); }

struct TWalked {
    std::vector<std::string> Paths;
    std::vector<std::string> AnchorPaths;  // of each path
    std::vector<TAnchor> Anchors;
    bool Complete = false;
    friend bool operator==(const TWalked&, const TWalked&) = default;
};

TWalked WalkWithAnchors(const std::string& folder, const TWalkOptions& options, bool early = false,
                        int* mostWaiting = nullptr) {
    TPathCollector collector;
    collector.Early = early;
    TWalked walked;
    walked.Complete = WalkFolder(folder, collector, options);
    if (mostWaiting) *mostWaiting = collector.MostWaiting;
    walked.Paths = collector.Delivered;
    for (std::size_t anchor : collector.AnchorOf) walked.AnchorPaths.push_back(collector.Anchors.at(anchor).Path);
    walked.Anchors = collector.Anchors;
    return walked;
}

std::pair<std::uint64_t, std::uint64_t> IdentityOf(const std::string& path, bool follow = true) {
    struct stat st {};
    EXPECT_EQ(follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st), 0) << path;
    return {st.st_dev, st.st_ino};
}

// Every component from `from` on up to the last is a real folder, no link.
void ExpectRealFolders(const std::string& path, std::size_t from) {
    for (std::size_t slash = path.find('/', from); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        struct stat st {};
        ASSERT_EQ(::lstat(path.substr(0, slash).c_str(), &st), 0) << path;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << path.substr(0, slash);
    }
}

// What a remover relies on: each file lies under its anchor through real folders only; the walked
// folder is anchor 0; each other anchor is a folder link under its parent anchor, leading to the
// folder recorded. And no file is listed twice.
void ExpectAnchored(const TWalked& walked, const std::string& root) {
    ASSERT_FALSE(walked.Anchors.empty());
    EXPECT_EQ(walked.Anchors[0], (TAnchor{root, TWalkAnchor::None, IdentityOf(root).first, IdentityOf(root).second}));
    for (std::size_t i = 1; i < walked.Anchors.size(); ++i) {
        const TAnchor& anchor = walked.Anchors[i];
        ASSERT_LT(anchor.Parent, i);
        const std::string& parent = walked.Anchors[anchor.Parent].Path;
        ASSERT_TRUE(anchor.Path.starts_with(parent)) << anchor.Path;
        const std::string link = anchor.Path.substr(0, anchor.Path.size() - 1);
        struct stat st {};
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
        ExpectRealFolders(link.substr(0, link.rfind('/') + 1), parent.size());
        EXPECT_EQ(IdentityOf(anchor.Path), std::pair(anchor.Device, anchor.Inode)) << anchor.Path;
    }
    std::set<std::pair<std::uint64_t, std::uint64_t>> files;
    for (std::size_t i = 0; i < walked.Paths.size(); ++i) {
        const std::string& path = walked.Paths[i];
        ASSERT_TRUE(path.starts_with(walked.AnchorPaths[i])) << path;
        ExpectRealFolders(path, walked.AnchorPaths[i].size());
        EXPECT_TRUE(files.insert(IdentityOf(path, false)).second) << "twice: " << path;
    }
}

// The empty regular files under a folder, reached without following any link.
std::set<std::string> OwnEmptyFiles(const std::string& root) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (!entry.is_symlink() && entry.is_regular_file() && entry.file_size() == 0) found.insert(entry.path().string());
    return found;
}

// Links into the walked folder are not followed, whatever their place in the listing: its files
// are listed under their own paths. Links out of it (to a tree with links of its own) are, each
// outside folder once, under the first path the single-threaded walk reaches it by, however
// many threads race to it.
TEST(DirWalk, OrderAndAnchorsDoNotDependOnTheNumberOfThreads) {
    const test::TTempDir dir;
    const std::string in = dir.MakeDir("in"), out = dir.MakeDir("out");
    test::MakeRandomTree(in, {.Folders = 80, .Files = 900, .AncestorLinks = 6, .FolderLinks = 12, .SpecialFiles = true});
    test::MakeRandomTree(out, {.Folders = 40, .Files = 400, .FolderLinks = 10, .Seed = 2});
    std::vector<std::string> inFolders{in}, outFolders{out};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(in))
        if (entry.is_directory() && !entry.is_symlink()) inFolders.push_back(entry.path().string());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out))
        if (entry.is_directory() && !entry.is_symlink()) outFolders.push_back(entry.path().string());
    std::sort(inFolders.begin(), inFolders.end());
    std::sort(outFolders.begin(), outFolders.end());
    for (std::size_t i = 0; i < 8; ++i)
        std::filesystem::create_directory_symlink(outFolders[i * 5 % outFolders.size()],
                                                  inFolders[i * 11 % inFolders.size()] + "/far-" + std::to_string(i));

    const TWalked single = WalkWithAnchors(in + "/", {.Threads = 1});
    ASSERT_GT(single.Paths.size(), 100u);
    ASSERT_GT(single.Anchors.size(), 2u);
    EXPECT_TRUE(single.Complete);
    ExpectAnchored(single, in + "/");
    std::set<std::string> own;
    for (std::size_t i = 0; i < single.Paths.size(); ++i)
        if (single.AnchorPaths[i] == in + "/") own.insert(single.Paths[i]);
    EXPECT_EQ(own, OwnEmptyFiles(in));
    // The most empty files one folder holds (through a link too) and the deepest folder, for the
    // bound below.
    std::map<std::string, int> perFolder;
    for (const std::string& path : single.Paths) ++perFolder[path.substr(0, path.rfind('/'))];
    int largest = 0, deepest = 0;
    for (const auto& [folder, files] : perFolder) {
        largest = std::max(largest, files);
        deepest = std::max(deepest, static_cast<int>(std::count(folder.begin() + static_cast<std::ptrdiff_t>(in.size()), folder.end(), '/')));
    }
    for (unsigned threads : {2u, 3u, 8u})
        for (int run = 0; run < 5; ++run) {
            EXPECT_EQ(WalkWithAnchors(in + "/", {.Threads = threads}), single) << threads;
            // Delivered while the walk goes on: the same, whichever thread lists what first, and
            // however little the walk may list ahead of the delivery; what waits to be delivered
            // stays within that bound, give or take a folder being listed on each thread and the
            // files of the folders being delivered that come after their subfolders.
            EXPECT_EQ(WalkWithAnchors(in + "/", {.Threads = threads}, true), single) << threads << " early";
            for (const std::size_t ahead : {1u, 16u}) {
                int mostWaiting = 0;
                EXPECT_EQ(WalkWithAnchors(in + "/", {.Threads = threads, .AheadLimit = ahead}, true, &mostWaiting), single)
                    << threads << " early, " << ahead << " ahead";
                EXPECT_LE(mostWaiting, static_cast<int>(ahead) + (static_cast<int>(threads) + deepest + 1) * largest)
                    << threads;
            }
        }
}

// d0 .. d24, each with two links to the next: 2^24 paths lead to the one file, which is listed
// once (a walk that checks links only against the folders above them never ends).
TEST(DirWalk, LinksThatFanOutListEachFolderOnce) {
    const test::TTempDir dir;
    for (int level = 0; level < 25; ++level) {
        const std::string folder = dir.MakeDir(std::string("d").append(std::to_string(level)));
        const std::string next = std::string("../d").append(std::to_string(level + 1));
        for (const char* link : {"/l1", "/l2"}) ASSERT_EQ(::symlink(next.c_str(), (folder + link).c_str()), 0);
    }
    dir.Write("d24/empty");
    const std::vector<std::string> single = Walk(dir.Str() + "/d0/", 1);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_TRUE(single[0].ends_with("/empty")) << single[0];
    EXPECT_EQ(Walk(dir.Str() + "/d0/", 8), single);
    EXPECT_TRUE(Walk(dir.Str() + "/d0/", {.FollowFolderLinks = false}).empty());
}

// A folder swapped for a link to another place after its parent was opened: the walk goes on
// inside the folder it opened and never reaches the other place.
TEST(DirWalk, SubfoldersAreOpenedFromTheirParentNotByPath) {
    const test::TTempDir dir;
    dir.Write("outside/b/OUTSIDE");
    dir.Write("race/a/trigger");
    const std::string inside = dir.Write("race/a/b/inside");
    TPathCollector collector;
    bool swapped = false;
    collector.OnWants = [&] {
        if (std::exchange(swapped, true)) return;
        ASSERT_EQ(::rename((dir.Str() + "/race/a").c_str(), (dir.Str() + "/race/moved").c_str()), 0);
        ASSERT_EQ(::symlink("../outside", (dir.Str() + "/race/a").c_str()), 0);
    };
    WalkFolder(dir.Str() + "/race/", collector, {.Threads = 1});
    ASSERT_TRUE(swapped);
    EXPECT_EQ(std::count(collector.Delivered.begin(), collector.Delivered.end(), inside), 1);
    for (const std::string& path : collector.Delivered) EXPECT_EQ(path.find("OUTSIDE"), std::string::npos) << path;
}

TEST(DirWalk, StaysOnItsFileSystemAndOffFolderLinksWhenAsked) {
    const test::TTempDir dir;
    const std::string inTree = dir.Write("tree/sub/empty");
    dir.Write("elsewhere/empty");
    ASSERT_EQ(::symlink("../elsewhere", (dir.Str() + "/tree/link").c_str()), 0);
    const std::string root = dir.Str() + "/tree/";
    EXPECT_EQ(Walk(root, {.FollowFolderLinks = false}), std::vector<std::string>{inTree});
    EXPECT_EQ(Walk(root, {}).size(), 2u);

    // Another file system: a folder of the shared-memory one, when it is not the temporary one.
    char pattern[] = "/dev/shm/nulvane-test-XXXXXX";
    struct stat tmp, shm;
    if (::stat(dir.Str().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev ||
        !::mkdtemp(pattern))
        GTEST_SKIP() << "no second file system to walk into";
    const std::string other = pattern;
    ::close(::open((other + "/empty").c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::symlink(other.c_str(), (dir.Str() + "/tree/other").c_str()), 0);
    EXPECT_EQ(Walk(root, {.OneFileSystem = true, .FollowFolderLinks = false}), std::vector<std::string>{inTree});
    const std::vector<std::string> oneSystem = Walk(root, {.OneFileSystem = true});
    EXPECT_EQ(std::count(oneSystem.begin(), oneSystem.end(), root + "other/empty"), 0);
    EXPECT_EQ(oneSystem.size(), 2u);
    EXPECT_EQ(Walk(root, {}).size(), 3u);
    std::filesystem::remove_all(other);
}

// What the exclusion is asked about: each name once, by its path under the walked folder, files
// and folders told apart (a link to a folder counts as one). An excluded file is not offered, an
// excluded folder or link not entered, so its files are not even asked about.
TEST(DirWalk, ExcludedNamesAreLeftOutAndExcludedFoldersNotRead) {
    const test::TTempDir dir;
    const std::string kept = dir.Write("tree/sub/kept"), top = dir.Write("tree/top");
    dir.Write("tree/sub/skip.tmp");
    dir.Write("tree/node_modules/deep/x");
    dir.Write("elsewhere/linked");
    std::filesystem::create_directory_symlink(dir.Str() + "/elsewhere", dir.Str() + "/tree/link");
    const std::string root = dir.Str() + "/tree/";
    for (const unsigned threads : {1u, 3u}) {
        std::mutex mutex;
        std::multiset<std::pair<std::string, bool>> asked;
        TLongWork work;
        TWalkOptions options{.Threads = threads, .Work = &work};
        options.Exclude = [&](std::string_view path, bool folder) {
            const std::lock_guard lock(mutex);
            asked.emplace(path, folder);
            return path.ends_with(".tmp") || path == "node_modules" || path == "link";
        };
        std::vector<std::string> walked = Walk(root, options);
        std::sort(walked.begin(), walked.end());
        EXPECT_EQ(walked, (std::vector<std::string>{kept, top}));
        EXPECT_EQ(asked, (std::multiset<std::pair<std::string, bool>>{{"sub", true}, {"sub/kept", false},
                                                                      {"sub/skip.tmp", false}, {"top", false},
                                                                      {"node_modules", true}, {"link", true}}));
        EXPECT_EQ(work.Folders.load(), 2u);  // tree and sub
    }
}

// The lowest descriptor free now: the walk may use those from here up to the limit set below.
int FirstFreeDescriptor() {
    const int fd = ::dup(0);
    ::close(fd);
    return fd;
}

// Walks with the descriptor limit set `room` above those in use: 0 when the walk listed
// everything, or (with little room) named the folders it gave up and listed the rest in order.
int WalkWithRoom(const std::string& folder, const std::vector<std::string>& all, int room, unsigned threads) {
    std::vector<std::string> givenUp;
    TWalkOptions options{.Threads = threads};
    options.OnGivenUp = [&](const std::string& path, int error) {
        if (error == EMFILE && path.starts_with(folder)) givenUp.push_back(path);
    };
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
    limit.rlim_cur = static_cast<rlim_t>(FirstFreeDescriptor() + room);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
    const std::vector<std::string> listed = Walk(folder, options);
    if (listed == all && givenUp.empty()) return 0;
    if (room >= 16 || givenUp.empty()) return 1;
    auto next = all.begin();
    for (const std::string& path : listed)
        if ((next = std::find(next, all.end(), path)) == all.end()) return 2;
    return 0;
}

// With room for one or a few open folders the walk lists what it lists without a limit, or
// names the folders it gave up; with a little more room it lists everything.
TEST(DirWalk, RunningShortOfDescriptorsListsAllOrNamesWhatWasGivenUp) {
    const test::TTempDir dir;
    test::MakeRandomTree(dir.Str(), {.Folders = 60, .Files = 500, .AncestorLinks = 3, .FolderLinks = 4});
    const std::string root = dir.Str() + "/";
    const std::vector<std::string> all = Walk(root, 1);
    ASSERT_GT(all.size(), 60u);
    for (const int room : {1, 5, 16})
        for (const unsigned threads : {1u, 2u})
            EXPECT_EXIT(::_exit(WalkWithRoom(root, all, room, threads)), ::testing::ExitedWithCode(0), "")
                << "room " << room << ", threads " << threads;
}

// A stop requested part way: the walk returns soon, says it was stopped, and delivers what it had
// found in walk order; the job's counts tell how many folders were read and files taken. A stop
// requested before the walk lists nothing; a walk to its end counts every folder.
TEST(DirWalk, StopsWhenAskedAndCountsWhatItRead) {
    const test::TTempDir dir;
    test::MakeRandomTree(dir.Str(), {.Folders = 150, .Files = 1500, .Seed = 5});
    const std::string root = dir.Str() + "/";
    std::uint64_t folders = 1;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) folders += entry.is_directory();
    for (const auto& [threads, early] : {std::pair{1u, false}, {4u, false}, {1u, true}, {4u, true}}) {
        SCOPED_TRACE(std::to_string(threads) + (early ? " early" : ""));
        TLongWork whole;
        const TWalked all = WalkWithAnchors(root, {.Threads = threads, .Work = &whole}, early);
        EXPECT_TRUE(all.Complete);
        EXPECT_EQ(whole.Folders.load(), folders);
        EXPECT_EQ(whole.Found.load(), all.Paths.size());

        TLongWork work;
        TPathCollector collector;
        collector.Early = early;
        std::atomic<int> seen = 0;
        collector.OnWants = [&] {
            if (++seen == 300) work.RequestStop();
        };
        EXPECT_FALSE(WalkFolder(root, collector, {.Threads = threads, .Work = &work}));
        EXPECT_LT(work.Folders.load(), folders);
        EXPECT_EQ(work.Found.load(), collector.Delivered.size());
        ASSERT_LT(collector.Delivered.size(), all.Paths.size());
        auto next = all.Paths.begin();  // what was delivered comes in walk order
        for (const std::string& path : collector.Delivered)
            ASSERT_NE(next = std::find(next, all.Paths.end(), path), all.Paths.end()) << path;

        TLongWork stopped;
        stopped.RequestStop();
        EXPECT_EQ(WalkWithAnchors(root, {.Threads = threads, .Work = &stopped}).Paths.size(), 0u);
    }
}

}  // namespace

// Claims are found again by device and inode across the table's growth, each keeps its address,
// and the same inode number on another device is another folder.
TEST(DirWalk, ClaimTableFindsEveryFolderAgainAndKeepsItsClaims) {
    walk::TClaimTable table;
    walk::TNode first, second;
    std::vector<walk::TClaim*> claims;
    for (std::uint64_t inode = 0; inode < 5000; ++inode) {
        const auto [claim, made] = table.Claim({1, inode * 4096}, &first);
        ASSERT_TRUE(made);
        claims.push_back(claim);
    }
    for (std::uint64_t inode = 0; inode < 5000; ++inode) {
        const auto [claim, made] = table.Claim({1, inode * 4096}, &second);
        EXPECT_FALSE(made);
        EXPECT_EQ(claim, claims[inode]);
        EXPECT_EQ(claim->Walker(), &first);
    }
    const auto [other, made] = table.Claim({2, 0}, &second);
    EXPECT_TRUE(made);
    EXPECT_EQ(other->Walker(), &second);
    other->SetDelivered();
    EXPECT_EQ(other->Walker(), &second);
    other->WalkerGivenBack();
    EXPECT_TRUE(other->Delivered());
    EXPECT_EQ(other->Walker(), nullptr);
    EXPECT_EQ(table.Size(), 5001U);
}
