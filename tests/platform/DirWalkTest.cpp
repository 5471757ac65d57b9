#include "platform/DirWalk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <vector>

#include "support/RandomTree.h"
#include "support/TempDir.h"

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

    std::function<void()> OnWants;
    std::atomic<int> ThrowOnTake = -1;  // Take calls left before one fails
    std::vector<std::string> Delivered;
};

std::vector<std::string> Walk(const std::string& folder, unsigned threads) {
    TPathCollector collector;
    WalkFolder(folder, collector, {threads});
    return collector.Delivered;
}

TEST(DirWalk, OrderDoesNotDependOnTheNumberOfThreads) {
    const test::TTempDir dir;
    test::MakeRandomTree(dir.Str(), {.Folders = 80, .Files = 900, .AncestorLinks = 6, .SpecialFiles = true});
    const std::vector<std::string> single = Walk(dir.Str() + "/", 1);
    ASSERT_GT(single.size(), 100u);
    for (unsigned threads : {2u, 3u, 8u}) EXPECT_EQ(Walk(dir.Str() + "/", threads), single) << threads;
}

TEST(DirWalk, FileGoneBetweenListingAndStatIsSkipped) {
    const test::TTempDir dir;
    for (char c = 'a'; c <= 'z'; ++c) dir.Write(std::string(1, c));
    // Once the first file is statted, all are removed: the other 25 were listed but not statted.
    TPathCollector collector;
    collector.OnWants = [&dir] {
        for (char c = 'a'; c <= 'z'; ++c) ::unlink((dir.Str() + "/" + c).c_str());
    };
    WalkFolder(dir.Str() + "/", collector, {1});
    EXPECT_EQ(collector.Delivered.size(), 1u);
}

TEST(DirWalk, VisitorErrorStopsTheWalkAfterDeliveringWhatWasFound) {
    const test::TTempDir dir;
    test::MakeRandomTree(dir.Str(), {.Folders = 10, .Files = 100});
    const std::vector<std::string> all = Walk(dir.Str() + "/", 1);
    TPathCollector collector;
    collector.ThrowOnTake = 3;
    EXPECT_THROW(WalkFolder(dir.Str() + "/", collector, {1}), std::runtime_error);
    // Folders are not listed in walk order, but what was found comes out in walk order.
    ASSERT_EQ(collector.Delivered.size(), 3u);
    auto next = all.begin();
    for (const std::string& path : collector.Delivered) {
        next = std::find(next, all.end(), path);
        ASSERT_NE(next, all.end()) << path;
        ++next;
    }
}

}  // namespace
