#include "core/ResultList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/system/Errors.h"

using namespace nulvane;

namespace {

using TLabels = std::vector<int>;

// Entries labelled 0, 1, ... in field 0, so that an order reads back as labels.
void Fill(TResultList& list, int n) {
    for (int i = 0; i < n; ++i) list.Append().Record.Set(fiFileName, std::to_string(i));
}
int Label(const TListEntry& entry) { return std::stoi(std::string(entry.Record.Get(fiFileName))); }
TLabels Labels(const TResultList& list) {
    TLabels labels;
    for (const TListEntry& entry : list) labels.push_back(Label(entry));
    return labels;
}
TLabels Range(int n, bool reversed = false) {
    TLabels r;
    for (int i = 0; i < n; ++i) r.push_back(reversed ? n - 1 - i : i);
    return r;
}

TEST(ResultListSort, SplitsRunsFirstHalfRoundedDownAndAsksFirstHeadThenSecondHead) {
    TResultList list;
    Fill(list, 5);
    std::vector<std::pair<int, int>> asked;
    list.OnCompareEntries = [&](TResultList&, const TListEntry& a, const TListEntry& b, int) {
        asked.emplace_back(Label(a), Label(b));
        return 0;
    };
    list.Sort(NoColumn, TSortDirection::Ascending);
    // 5 = 2 + 3, 3 = 1 + 2.
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 1}, {3, 4}, {2, 3}, {0, 2}, {1, 2}}));
}

// Constant answers stand for ties: equal numbers answer -1, equal texts 0, "File Type" 1.
TEST(ResultListSort, TiesKeepOrReverseTheirOrderAsTheMergeRuleDecides) {
    const TSortDirection up = TSortDirection::Ascending, down = TSortDirection::Descending;
    const struct { int Answer; TSortDirection Direction; bool Reversed; } cases[] = {
        {-1, up, false}, {-1, down, true}, {0, up, false}, {0, down, false}, {1, up, true}, {1, down, false}};
    for (const auto& c : cases)
        for (int n : {0, 1, 2, 3, 7, 1001}) {
            TResultList list;
            Fill(list, n);
            list.OnCompareEntries = [&](TResultList&, const TListEntry&, const TListEntry&, int) { return c.Answer; };
            list.Sort(NoColumn, c.Direction);
            EXPECT_EQ(Labels(list), Range(n, c.Reversed)) << "answer " << c.Answer << ", n " << n;
        }
}

// A prepared whole order moves the entries in place along the permutation's cycles; one that
// declines (whatever it wrote) or throws leaves the merge, or the list as it was.
TEST(ResultListSort, APreparedWholeOrderMovesTheEntriesOnceItIsComplete) {
    const std::vector<std::uint32_t> permutation = {3, 0, 4, 1, 2, 6, 5, 7};  // cycles of 5, 2 and 1
    const struct { int Answer; TLabels Expected; } cases[] = {
        {1, {3, 0, 4, 1, 2, 6, 5, 7}}, {0, Range(8, true)}, {-1, Range(8)}};
    for (const auto& c : cases) {
        TResultList list;
        Fill(list, 8);
        list.SetFocusedEntry(4);
        list.OnPrepareSort = [&](TResultList&, int, TSortDirection) -> TResultList::TIndexCompare {
            TResultList::TPreparedOrder prepared;
            prepared.Compare = [](std::size_t a, std::size_t b) { return static_cast<int>(b) - static_cast<int>(a); };
            prepared.Fill = [&](TSortDirection, std::uint32_t* order) {
                std::fill(order, order + 8, 0u);
                if (c.Answer < 0) throw std::runtime_error("no memory");
                if (c.Answer > 0) std::copy(permutation.begin(), permutation.end(), order);
                return c.Answer > 0;
            };
            return prepared;
        };
        if (c.Answer < 0)
            EXPECT_THROW(list.Sort(0, TSortDirection::Ascending), std::runtime_error);
        else
            list.Sort(0, TSortDirection::Ascending);
        EXPECT_EQ(Labels(list), c.Expected) << "answer " << c.Answer;
        EXPECT_EQ(Label(list[list.FocusedEntry()]), 4) << "answer " << c.Answer;
    }
}

TEST(ResultListSort, APreparedComparisonStandsInForTheEventForOneSort) {
    TResultList list;
    Fill(list, 6);
    int eventCalls = 0;
    list.OnCompareEntries = [&](TResultList&, const TListEntry& a, const TListEntry& b, int) {
        ++eventCalls;
        return Label(a) - Label(b);
    };
    bool answer = true;
    list.OnPrepareSort = [&](TResultList&, int column, TSortDirection) -> TResultList::TIndexCompare {
        EXPECT_EQ(column, 2);
        if (!answer) return nullptr;
        // Indices are the places before the sort.
        return [](std::size_t a, std::size_t b) { return static_cast<int>(a % 3) - static_cast<int>(b % 3); };
    };
    list.SetFocusedEntry(4);
    list.Sort(2, TSortDirection::Descending);
    EXPECT_EQ(Labels(list), (TLabels{2, 5, 1, 4, 0, 3}));
    EXPECT_EQ(list.FocusedEntry(), 3u);  // the focus goes with its entry
    EXPECT_EQ(eventCalls, 0);
    answer = false;  // no prepared comparison: the event decides
    list.Sort(2, TSortDirection::Descending);
    EXPECT_EQ(Labels(list), Range(6, true));
}

TEST(ResultListSort, AComparisonThatThrowsLeavesTheListAsItWas) {
    TResultList list;
    Fill(list, 10);
    int calls = 0;
    list.OnCompareEntries = [&](TResultList&, const TListEntry&, const TListEntry&, int) -> int {
        if (++calls == 12) throw std::runtime_error("compare failed");
        return 1;
    };
    EXPECT_THROW(list.Sort(NoColumn, TSortDirection::Ascending), std::runtime_error);
    EXPECT_EQ(Labels(list), Range(10));
}

TEST(ResultListEntries, RemovalRenumbersAndKeepsOrDropsTheFocus) {
    TResultList list;
    Fill(list, 6);
    std::vector<std::size_t> changes, visited;
    list.OnChange = [&](TResultList&, std::size_t entry) { changes.push_back(entry); };
    list.SetFocusedEntry(3);
    list.Remove(1);
    EXPECT_EQ(list.FocusedEntry(), 2u);
    EXPECT_THROW(list.Remove(5), EListError);
    const auto removeEven = [&](std::size_t index, TListEntry& entry) {
        visited.push_back(index);
        return Label(entry) % 2 == 0;
    };
    EXPECT_EQ(list.RemoveIf(removeEven), 3u);
    EXPECT_EQ(visited, (std::vector<std::size_t>{4, 3, 2, 1, 0}));  // last to first
    EXPECT_EQ(Labels(list), (TLabels{3, 5}));
    EXPECT_EQ(list.FocusedEntry(), 0u);
    list.Remove(0);
    EXPECT_EQ(list.FocusedEntry(), NoEntry);
    EXPECT_EQ(changes, (std::vector<std::size_t>{3, NoEntry}));

    // An error part-way removes what was chosen before it.
    Fill(list, 3);
    const auto stopAtSecond = [](std::size_t index, TListEntry&) -> bool {
        if (index == 1) throw std::runtime_error("stop");
        return true;
    };
    EXPECT_THROW(list.RemoveIf(stopAtSecond), std::runtime_error);
    EXPECT_EQ(Labels(list), (TLabels{5, 0}));
}

TEST(ResultListEntries, RaisesInitForEveryAddedEntryAndAsksForTextsFromTheDefault) {
    TResultList list;
    list.OnInitNode = [](TResultList& sender, std::size_t entry) { sender[entry].CheckType = TCheckType::CheckBox; };
    list.Append();
    EXPECT_EQ(list.Append(TListEntry{}).CheckType, TCheckType::CheckBox);
    EXPECT_EQ(list[0].CheckType, TCheckType::CheckBox);
    list.SetDefaultText("default");
    list.OnGetText = [](TResultList&, std::size_t entry, int, TTextKind, std::string& text) { text += std::to_string(entry); };
    EXPECT_EQ(list.CellText(1, 2), "default1");
}

TEST(ResultListColumns, PositionsBeyondTheEndMeanTheLastAndTheSortColumnGoesWithTheColumns) {
    TResultList list;
    TListColumns& columns = list.Header().Columns();
    for (int i = 0; i < 3; ++i) columns.Add();
    columns.SetPosition(0, 99);
    EXPECT_EQ((TLabels{columns.ColumnAt(0), columns.ColumnAt(1), columns.ColumnAt(2)}), (TLabels{1, 2, 0}));
    list.Header().SetSortColumn(2);
    EXPECT_THROW(list.Header().SetSortColumn(3), EListError);
    columns.Clear();
    EXPECT_EQ(list.Header().SortColumn(), NoColumn);
}

TEST(ResultListChanges, TellTheViewOnceEachAndOnceForAllWhileTheBracketIsOpen) {
    TResultList list;
    std::vector<std::string> told;
    list.OnListChange = [&](TResultList&, TListChange change, std::size_t first, std::size_t count) {
        told.push_back(std::to_string(static_cast<int>(change)) + ":" + std::to_string(first) + "+" +
                       std::to_string(count));
    };
    using enum TListChange;
    auto is = [](TListChange change, std::size_t first = 0, std::size_t count = 0) {
        return std::to_string(static_cast<int>(change)) + ":" + std::to_string(first) + "+" + std::to_string(count);
    };
    Fill(list, 2);
    {
        const TResultList::TUpdateScope update(list);
        Fill(list, 3);  // one notice for the three, when the bracket closes
    }
    list.Remove(1);
    list.Sort(NoColumn, TSortDirection::Ascending);  // no comparison: nothing moves, nothing told
    list.OnCompareEntries = [](TResultList&, const TListEntry&, const TListEntry&, int) { return 1; };
    list.Sort(NoColumn, TSortDirection::Ascending);
    list.SetAllCheckStates(TCheckState::Unchecked);
    {
        const TResultList::TUpdateScope update(list);
        Fill(list, 1);
        list.Remove(0);  // appends mixed with anything else: the view starts over
    }
    list.RemoveIf([](std::size_t, TListEntry&) { return false; });  // nothing removed, nothing told
    {
        TListColumns::TUpdateScope update(list.Header().Columns());
        list.Header().Columns().Add();
        list.Header().Columns().Add();
    }
    list.Clear();
    EXPECT_EQ(told, (std::vector<std::string>{is(EntriesAppended, 0, 1), is(EntriesAppended, 1, 1),
                                              is(EntriesAppended, 2, 3), is(EntriesRemoved, 1, 1), is(Sorted),
                                              is(CheckStatesChanged), is(EntriesReset), is(ColumnsRebuilt),
                                              is(EntriesReset)}));
}

// Scanned entries refer to folders stored once: their "Full Path" is the folder chain's names,
// each followed by "/", then the path tail; the reader for many entries gives the same texts (and
// one made for a folder, as a stream's entries are read, that folder's path before the tail), the
// path's two parts compose the same path, and the anchor is the folder's. Clear drops the folders
// with the entries.
TEST(ResultListFolders, FullPathsAreComposedFromTheFolderChainAndTheTail) {
    TResultList list;
    const TFolderIndex top = list.AddFolder(NoFolder, "");  // "/"
    const TFolderIndex tmp = list.AddFolder(top, "tmp", 0);
    const std::string oddName = "\xff\n x";
    const TFolderIndex odd = list.AddFolder(tmp, oddName, 1);
    const TFolderIndex relative = list.AddFolder(NoFolder, "rel");
    const TFolderIndex empty = list.AddFolder(relative, "");  // "rel//"
    EXPECT_THROW(list.AddFolder(99, "x"), EListError);
    const auto add = [&](TFolderIndex folder, std::string_view name) {
        TFileRecord::TTexts texts{};
        texts[fiFileName] = name;
        TListEntry& entry = list.Append();
        entry.Record.Assign(texts, {.PathTail = name});
        entry.Folder = folder;
    };
    add(tmp, "a.txt");
    add(odd, "b");
    add(top, "c");
    add(empty, "d");
    add(tmp, "e");
    list.Append().Record.Set(fiFullPath, "/whole/f");
    const std::vector<std::string> expected = {"/tmp/a.txt", "/tmp/" + oddName + "/b", "/c", "rel//d",
                                               "/tmp/e", "/whole/f"};
    TEntryTexts texts(list), streamed("/s/");
    std::string scratch;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.FullPath(list[i]), expected[i]);
        EXPECT_EQ(list.FieldText(list[i], fiFullPath, scratch), expected[i]);
        EXPECT_EQ(texts.FullPath(list[i]), expected[i]);
        EXPECT_EQ(texts.Get(list[i], fiFileName), list[i].Record[fiFileName]);
        const TResultList::TPathParts parts = list.PathParts(list[i]);
        std::string composed;
        if (parts.Folder != NoFolder) list.AppendFolderPath(parts.Folder, composed);
        EXPECT_EQ(composed.append(parts.Rest), expected[i]);
        EXPECT_EQ(streamed.FullPath(list[i]), i < 5 ? "/s/" + std::string(list[i].Record[fiFileName]) : expected[i]);
    }
    EXPECT_EQ(list.AnchorOf(list[0]), 0u);
    EXPECT_EQ(list.AnchorOf(list[1]), 1u);
    EXPECT_EQ(list.AnchorOf(list[5]), NoAnchor);
    list.Clear();
    EXPECT_EQ(list.FolderCount(), 0u);
}

}  // namespace
