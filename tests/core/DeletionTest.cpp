#include "core/Deletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/FileReader.h"
#include "platform/system/Errors.h"
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
    EXPECT_THROW(DeleteEntry(s.List, s.List.Count()), EListError);
    EXPECT_EQ(s.List.Count(), 5u);
    EXPECT_FALSE(s.List.IsUpdating());
}
