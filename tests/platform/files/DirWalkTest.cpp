#include "platform/files/DirWalk.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "support/RandomTree.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <utility>

using namespace nulvane;

namespace {

// Keeps the paths of empty files; OnWants lets a test act in the middle of a walk.
class TPathCollector final : public TWalkVisitor {
public:
    struct TPaths final : TWalkItems { std::vector<std::string> Paths; };
    bool Wants(const TFileStat& stat) const noexcept override {
        if (OnWants) OnWants();
        return stat.Size == 0;
    }
    void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) override {
        if (ThrowOnTake.fetch_sub(1) == 0) throw std::runtime_error("visitor failed");
        if (!items) items = std::make_unique<TPaths>();
        static_cast<TPaths&>(*items).Paths.emplace_back(file.Path);
    }
    void Deliver(TWalkItems& items, std::size_t first, std::size_t last) override {
        const auto& paths = static_cast<TPaths&>(items).Paths;
        Delivered.insert(Delivered.end(), paths.begin() + static_cast<long>(first), paths.begin() + static_cast<long>(last));
    }
    void Relocate(TWalkItems& items, std::size_t first, std::size_t last, std::string_view from,
                  std::string_view to) override {
        auto& paths = static_cast<TPaths&>(items).Paths;
        for (std::size_t i = first; i < last; ++i) paths[i] = std::string(to) + paths[i].substr(from.size());
    }

    std::function<void()> OnWants;
    std::atomic<int> ThrowOnTake = -1;  // Take calls left before one fails
    std::vector<std::string> Delivered;
};

std::vector<std::string> Walk(const std::string& folder, TWalkOptions options) {
    TPathCollector collector;
    WalkFolder(folder, collector, options);
    return collector.Delivered;
}

std::vector<std::string> Walk(const std::string& folder, unsigned threads) { return Walk(folder, {.Threads = threads}); }

// Links to folders anywhere in the tree: each folder is listed once, under the first path the
// single-threaded walk reaches it by, however many threads race to it.
TEST(DirWalk, OrderDoesNotDependOnTheNumberOfThreads) {
    const test::TTempDir dir;
    test::MakeRandomTree(dir.Str(),
                         {.Folders = 80, .Files = 900, .AncestorLinks = 6, .FolderLinks = 12, .SpecialFiles = true});
    const std::vector<std::string> single = Walk(dir.Str() + "/", 1);
    ASSERT_GT(single.size(), 100u);
    for (unsigned threads : {2u, 3u, 8u})
        for (int run = 0; run < 5; ++run) EXPECT_EQ(Walk(dir.Str() + "/", threads), single) << threads;
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

}  // namespace
