#include "core/Deletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/FileReader.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

std::vector<std::string> Names(const TResultList& list) {
    std::vector<std::string> names;
    for (const TListEntry& entry : list) names.emplace_back(entry.Record.Get(fiFileName));
    return names;
}

// Scans a folder of the empty files a to f.
struct TScanned {
    test::TTempDir Dir;
    TResultList List;
    TScanned() {
        for (const char* name : {"a", "b", "c", "d", "e", "f"}) Dir.Write(name);
        ScanFolder(List, Dir.Str());
        std::sort(List.begin(), List.end(), [](const TListEntry& x, const TListEntry& y) {
            return x.Record.Get(fiFileName) < y.Record.Get(fiFileName);
        });
    }
    bool Exists(const char* name) const { return std::filesystem::exists(Dir.Path() / name); }
};

}  // namespace

// Unchecked entries stay; a file that got content stays with its entry, still checked; a file
// already gone leaves the list; every other checked file goes.
TEST(Deletion, DeleteCheckedEntriesKeepsUncheckedAndChangedFiles) {
    TScanned s;
    ASSERT_EQ(Names(s.List), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
    s.List.SetCheckState(1, TCheckState::Unchecked);  // b
    s.Dir.Write("c", "now with content");
    std::filesystem::remove(s.Dir.Path() / "e");
    s.List.SetFocusedEntry(3);  // d

    const TDeleteSummary summary = DeleteCheckedEntries(s.List);
    EXPECT_EQ(summary.Deleted, 3u);
    EXPECT_EQ(summary.Missing, 1u);
    ASSERT_EQ(summary.Kept.size(), 1u);
    EXPECT_EQ(summary.Kept[0].Path, s.Dir.Str() + "/c");
    EXPECT_EQ(summary.Kept[0].Result.ReasonText(), "changed since the scan");

    EXPECT_EQ(Names(s.List), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(s.List.CheckState(1), TCheckState::Checked);
    EXPECT_EQ(s.List[0].Note, TEntryNote::None);
    EXPECT_EQ(s.List[1].Note, TEntryNote::KeptChanged);
    EXPECT_EQ(s.List.FocusedEntry(), NoEntry);
    EXPECT_FALSE(s.List.IsUpdating());
    for (const char* name : {"a", "d", "f"}) EXPECT_FALSE(s.Exists(name)) << name;
    EXPECT_TRUE(s.Exists("b"));
    EXPECT_TRUE(s.Exists("c"));

    s.List.SetAllCheckStates(TCheckState::Unchecked);
    EXPECT_EQ(DeleteCheckedEntries(s.List).Deleted, 0u);
    EXPECT_EQ(s.List.Count(), 2u);
}

// "&Delete" acts whatever the check state, keeps the entry of a file it could not delete, and
// refuses an index outside the list.
TEST(Deletion, DeleteEntryRemovesTheEntryUnlessTheFileWasKept) {
    TScanned s;
    s.List.SetCheckState(0, TCheckState::Unchecked);
    EXPECT_EQ(DeleteEntry(s.List, 0).Outcome, TRemoveOutcome::Deleted);
    EXPECT_FALSE(s.Exists("a"));
    s.Dir.Write("b", "x");
    EXPECT_EQ(DeleteEntry(s.List, 0).Reason, TKeepReason::Changed);
    EXPECT_EQ(Names(s.List).front(), "b");
    EXPECT_EQ(s.List[0].Note, TEntryNote::KeptChanged);
    EXPECT_THROW(DeleteEntry(s.List, s.List.Count()), EListError);
    EXPECT_EQ(s.List.Count(), 5u);
    EXPECT_FALSE(s.List.IsUpdating());
}

// A long list goes through two threads folder by folder: the list keeps exactly the unchecked and
// the kept entries in their order, the summary names the kept ones in list order, and the counts
// of the long work end at the number of checked entries.
TEST(Deletion, LongListEndsAsOneThreadWouldHaveLeftIt) {
    const test::TTempDir dir;
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 60; ++file) {
            char relative[32];
            std::snprintf(relative, sizeof relative, "f%d/%d", folder, file);
            dir.Write(relative);
        }
    TResultList list;
    ScanFolder(list, dir.Str());
    std::sort(list.begin(), list.end(), [&](const TListEntry& x, const TListEntry& y) {
        return std::pair(x.Record.Get(fiFileName), list.FullPath(x)) < std::pair(y.Record.Get(fiFileName), list.FullPath(y));
    });
    ASSERT_EQ(list.Count(), 2400u);
    std::vector<std::string> expectedList, expectedKept;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const std::string path = list.FullPath(list[i]);
        if (i % 7 == 0) {
            list.SetCheckState(i, TCheckState::Unchecked);
            expectedList.push_back(path);
        } else if (i % 11 == 0) {
            dir.Write(path.substr(dir.Str().size() + 1), "grew");
            expectedList.push_back(path);
            expectedKept.push_back(path);
        }
    }

    TLongWork work;
    const TLongWorkScope scope(work);
    const TDeleteSummary summary = DeleteCheckedEntries(list);
    std::vector<std::string> listed, kept;
    for (const TListEntry& entry : list) listed.push_back(list.FullPath(entry));
    for (const TKeptFile& file : summary.Kept) kept.push_back(file.Path);
    EXPECT_EQ(listed, expectedList);
    EXPECT_EQ(kept, expectedKept);
    EXPECT_EQ(summary.Deleted + expectedKept.size(), 2400u - 343u);
    EXPECT_FALSE(summary.Stopped);
    EXPECT_EQ(work.Total.load(), 2400u - 343u);
    EXPECT_EQ(work.Done.load(), work.Total.load());
}

// A stop asked for before the deletion reaches a file deletes nothing: every entry stays, checked,
// and the summary says it was stopped.
TEST(Deletion, StoppedDeletionLeavesTheEntriesNotReachedChecked) {
    TScanned s;
    TLongWork work;
    const TLongWorkScope scope(work);
    work.RequestStop();
    const TDeleteSummary summary = DeleteCheckedEntries(s.List);
    EXPECT_TRUE(summary.Stopped);
    EXPECT_EQ(summary.NotReached, 6u);
    EXPECT_EQ(summary.Deleted, 0u);
    EXPECT_EQ(s.List.Count(), 6u);
    for (std::size_t i = 0; i < s.List.Count(); ++i) EXPECT_EQ(s.List.CheckState(i), TCheckState::Checked);
    EXPECT_TRUE(s.Exists("a"));
    EXPECT_EQ(work.Total.load(), 6u);
    EXPECT_EQ(work.Done.load(), 0u);
}
