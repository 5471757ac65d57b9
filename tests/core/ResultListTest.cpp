#include "core/ResultList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Errors.h"

namespace nulvane {
namespace {

// A list of n entries labelled "0", "1", ... in field 0, so an order reads back as labels.
void Fill(TResultList& list, int n) {
    for (int i = 0; i < n; ++i) list.Append().Record.Set(fiFileName, std::to_string(i));
}

std::vector<int> Labels(const TResultList& list) {
    std::vector<int> labels;
    for (const TListEntry& entry : list) labels.push_back(std::stoi(std::string(entry.Record.Get(fiFileName))));
    return labels;
}

int Label(const TListEntry& entry) { return std::stoi(std::string(entry.Record.Get(fiFileName))); }

std::vector<int> Range(int n, bool reversed = false) {
    std::vector<int> r(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) r[static_cast<std::size_t>(i)] = reversed ? n - 1 - i : i;
    return r;
}

TEST(ResultListSort, SplitsRunsFirstHalfRoundedDownAndAsksFirstHeadThenSecondHead) {
    TResultList list;
    Fill(list, 5);
    std::vector<std::pair<int, int>> asked;
    list.OnCompareNodes = [&](TResultList&, const TListEntry& a, const TListEntry& b, int) {
        asked.emplace_back(Label(a), Label(b));
        return 0;
    };
    list.Sort(NoColumn, TSortDirection::Ascending);
    // 5 = 2 + 3, 3 = 1 + 2.
    const std::vector<std::pair<int, int>> expected = {{0, 1}, {3, 4}, {2, 3}, {0, 2}, {1, 2}};
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(Labels(list), Range(5));
}

// Constant answers stand for ties: "equal numbers" answer -1, equal texts and date-times 0,
// "File Type" always 1.
TEST(ResultListSort, TiesKeepOrReverseTheirOrderAsTheMergeRuleDecides) {
    struct TCase {
        int Answer;
        TSortDirection Direction;
        bool Reversed;
    };
    const TCase cases[] = {
        {-1, TSortDirection::Ascending, false}, {-1, TSortDirection::Descending, true},
        {0, TSortDirection::Ascending, false},  {0, TSortDirection::Descending, false},
        {1, TSortDirection::Ascending, true},   {1, TSortDirection::Descending, false},
    };
    for (const TCase& c : cases)
        for (int n : {0, 1, 2, 3, 7, 100, 1001}) {
            TResultList list;
            Fill(list, n);
            list.OnCompareNodes = [&](TResultList&, const TListEntry&, const TListEntry&, int) { return c.Answer; };
            list.Sort(NoColumn, c.Direction);
            EXPECT_EQ(Labels(list), Range(n, c.Reversed)) << "answer " << c.Answer << ", n " << n;
        }
}

TEST(ResultListSort, OrdersByAConsistentComparisonWithTiesStableInBothDirections) {
    std::mt19937 random(7);
    std::vector<int> keys(2000);
    for (int& k : keys) k = static_cast<int>(random() % 50);
    for (TSortDirection direction : {TSortDirection::Ascending, TSortDirection::Descending}) {
        TResultList list;
        Fill(list, static_cast<int>(keys.size()));
        list.OnCompareNodes = [&](TResultList&, const TListEntry& a, const TListEntry& b, int) {
            return keys[static_cast<std::size_t>(Label(a))] - keys[static_cast<std::size_t>(Label(b))];
        };
        list.Sort(NoColumn, direction);
        std::vector<int> expected = Range(static_cast<int>(keys.size()));
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const int ka = keys[static_cast<std::size_t>(a)], kb = keys[static_cast<std::size_t>(b)];
            return direction == TSortDirection::Ascending ? ka < kb : ka > kb;
        });
        EXPECT_EQ(Labels(list), expected);
    }
}

TEST(ResultListSort, PassesTheColumnAndKeepsFocusCheckStatesAndRecordsWithTheirEntries) {
    TResultList list;
    Fill(list, 4);
    list[1].CheckState = TCheckState::Checked;
    list[1].Identity = {1, 42};
    list.SetFocusedEntry(1);
    int changes = 0;
    list.OnChange = [&](TResultList&, std::size_t) { ++changes; };
    list.OnCompareNodes = [](TResultList&, const TListEntry& a, const TListEntry& b, int column) {
        EXPECT_EQ(column, 3);
        return Label(b) - Label(a);
    };
    list.Sort(3, TSortDirection::Ascending);
    EXPECT_EQ(Labels(list), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(list.FocusedEntry(), 2u);
    EXPECT_EQ(list[2].CheckState, TCheckState::Checked);
    EXPECT_EQ(list[2].Identity, (TFileIdentity{1, 42}));
    EXPECT_EQ(changes, 0);  // the same entry keeps the focus
}

TEST(ResultListSort, APreparedComparisonStandsInForTheEventForOneSort) {
    TResultList list;
    Fill(list, 6);
    int eventCalls = 0, preparations = 0;
    list.OnCompareNodes = [&](TResultList&, const TListEntry& a, const TListEntry& b, int) {
        ++eventCalls;
        return Label(a) - Label(b);
    };
    bool answer = true;
    list.OnPrepareSort = [&](TResultList& sender, int column, TSortDirection direction) -> TResultList::TIndexCompare {
        ++preparations;
        EXPECT_EQ(&sender, &list);
        EXPECT_EQ(column, 2);
        EXPECT_EQ(direction, TSortDirection::Descending);
        if (!answer) return nullptr;
        // Indices are the places before the sort: the labels of the filled order.
        return [](std::size_t a, std::size_t b) { return static_cast<int>(a % 3) - static_cast<int>(b % 3); };
    };
    list.Sort(2, TSortDirection::Descending);
    EXPECT_EQ(Labels(list), (std::vector<int>{2, 5, 1, 4, 0, 3}));
    EXPECT_EQ(eventCalls, 0);
    answer = false;  // no prepared comparison: the event decides
    list.Sort(2, TSortDirection::Descending);
    EXPECT_EQ(Labels(list), Range(6, true));
    EXPECT_GT(eventCalls, 0);
    EXPECT_EQ(preparations, 2);
}

TEST(ResultListSort, AComparisonThatThrowsLeavesTheListAsItWas) {
    TResultList list;
    Fill(list, 10);
    int calls = 0;
    list.OnCompareNodes = [&](TResultList&, const TListEntry&, const TListEntry&, int) -> int {
        if (++calls == 12) throw std::runtime_error("compare failed");
        return 1;
    };
    EXPECT_THROW(list.Sort(NoColumn, TSortDirection::Ascending), std::runtime_error);
    EXPECT_EQ(Labels(list), Range(10));
}

TEST(ResultListEntries, RemoveRenumbersAndKeepsOrDropsTheFocus) {
    TResultList list;
    Fill(list, 5);
    std::vector<std::size_t> changes;
    list.OnChange = [&](TResultList&, std::size_t entry) { changes.push_back(entry); };
    list.SetFocusedEntry(3);
    list.Remove(1);
    EXPECT_EQ(Labels(list), (std::vector<int>{0, 2, 3, 4}));
    EXPECT_EQ(list.FocusedEntry(), 2u);
    list.Remove(2);
    EXPECT_EQ(list.FocusedEntry(), NoEntry);
    EXPECT_EQ(changes, (std::vector<std::size_t>{3, NoEntry}));
    EXPECT_THROW(list.Remove(3), EListError);
    EXPECT_THROW(list.SetFocusedEntry(3), EListError);
    list.SetFocusedEntry(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.FocusedEntry(), NoEntry);
}

TEST(ResultListEntries, RemoveIfVisitsFromTheLastEntryAndRemovesInOnePass) {
    TResultList list;
    Fill(list, 6);
    list.SetFocusedEntry(4);
    std::vector<std::size_t> visited;
    const std::size_t removed = list.RemoveIf([&](std::size_t index, TListEntry& entry) {
        visited.push_back(index);
        return Label(entry) % 2 == 0;
    });
    EXPECT_EQ(removed, 3u);
    EXPECT_EQ(visited, (std::vector<std::size_t>{5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(Labels(list), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(list.FocusedEntry(), NoEntry);

    // An error part-way removes what was chosen before it.
    list.SetFocusedEntry(0);
    EXPECT_THROW(list.RemoveIf([](std::size_t index, TListEntry&) -> bool {
        if (index == 1) throw std::runtime_error("stop");
        return true;
    }),
                 std::runtime_error);
    EXPECT_EQ(Labels(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(list.FocusedEntry(), 0u);
}

TEST(ResultListEntries, RaisesInitForEveryAddedEntryAndAnswersTextHintAndDoubleClick) {
    TResultList list;
    std::vector<std::size_t> initialised;
    list.OnInitNode = [&](TResultList& sender, std::size_t entry) {
        initialised.push_back(entry);
        sender[entry].CheckType = TCheckType::CheckBox;
    };
    list.Append();
    TListEntry moved;
    moved.CheckState = TCheckState::Checked;
    EXPECT_EQ(list.Append(std::move(moved)).CheckType, TCheckType::CheckBox);
    EXPECT_EQ(initialised, (std::vector<std::size_t>{0, 1}));

    list.SetAllCheckStates(TCheckState::Unchecked);
    EXPECT_EQ(list.CheckState(1), TCheckState::Unchecked);

    list.SetDefaultText("default");
    EXPECT_EQ(list.CellText(0, NoColumn), "default");
    list.OnGetText = [](TResultList&, std::size_t entry, int column, TTextKind, std::string& text) {
        text += "/" + std::to_string(entry) + "/" + std::to_string(column);
    };
    EXPECT_EQ(list.CellText(1, 2), "default/1/2");

    THintLineBreakStyle style = THintLineBreakStyle::Default;
    EXPECT_EQ(list.Hint(0, 0, style), "");
    int clicks = 0;
    list.DblClick();
    list.OnDblClick = [&](TResultList& sender) { clicks += &sender == &list; };
    list.DblClick();
    EXPECT_EQ(clicks, 1);
}

TEST(ResultListColumns, PositionAssignmentMovesAColumnAndShiftsTheOnesBetween) {
    TResultList list;
    TListColumns& columns = list.Header().Columns();
    for (int i = 0; i < 5; ++i) columns.Add().Text = std::to_string(i);
    auto order = [&] {
        std::vector<int> r;
        for (int p = 0; p < columns.Count(); ++p) r.push_back(columns.ColumnAt(p));
        return r;
    };
    columns.SetPosition(0, 3);
    EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 0, 4}));
    columns.SetPosition(4, 1);
    EXPECT_EQ(order(), (std::vector<int>{1, 4, 2, 3, 0}));
    columns.SetPosition(1, -1);  // negative: last
    EXPECT_EQ(order(), (std::vector<int>{4, 2, 3, 0, 1}));
    columns.SetPosition(4, 99);  // beyond the last: last
    EXPECT_EQ(order(), (std::vector<int>{2, 3, 0, 1, 4}));
    EXPECT_EQ(columns.Position(0), 2);
    EXPECT_EQ(columns[0].Text, "0");  // creation index, not position
    EXPECT_THROW(columns.SetPosition(5, 0), EListError);
}

TEST(ResultListColumns, SortColumnMustExistAndGoesWithTheColumns) {
    TResultList list;
    TListHeader& header = list.Header();
    EXPECT_EQ(header.SortColumn(), NoColumn);
    EXPECT_EQ(header.MainColumn(), NoColumn);
    EXPECT_THROW(header.SetSortColumn(0), EListError);
    header.Columns().Add();
    header.Columns().Add();
    header.SetSortColumn(1);
    EXPECT_EQ(header.MainColumn(), 0);
    header.Columns().Clear();
    EXPECT_EQ(header.SortColumn(), NoColumn);
    EXPECT_EQ(header.Columns().Count(), 0);

    std::vector<std::string> events;
    list.OnHeaderMouseDown = [&](TListHeader&, TMouseButton, TShiftState, int x, int) {
        events.push_back("down " + std::to_string(x));
    };
    list.OnHeaderClick = [&](TListHeader& sender, int column, TMouseButton, TShiftState, int, int) {
        events.push_back("click " + std::to_string(column) + (&sender.Owner() == &list ? " list" : ""));
    };
    header.MouseDown(TMouseButton::Left, 0, 7, 3);
    header.Click(2, TMouseButton::Left, 0, 7, 3);
    EXPECT_EQ(events, (std::vector<std::string>{"down 7", "click 2 list"}));
}

}  // namespace
}  // namespace nulvane
