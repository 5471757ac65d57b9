#include "core/TallyscopeCtrl.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/EntryComparison.h"
#include "platform/system/Errors.h"
#include "platform/text/LocaleTexts.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "support/Allocations.h"
#include "support/ConfigFolder.h"

using namespace nulvane;

namespace {

using TNames = std::vector<std::string>;

struct TRow { std::string_view Name, Path, Size = "0", Type = "file", Time = ""; };

// A list with its controller, the configuration in a folder of the test's own, and scripted
// desktop services.
class TallyscopeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }
    void WriteNodes(const std::string& nodes) {
        Dir.WriteConfig("<?xml version=\"1.0\"?><config versionNo=\"2\"><nodes>" + nodes + "</nodes></config>");
    }
    void Add(const TRow& row) {
        TFileRecord::TTexts texts{};
        std::tie(texts[fiFileName], texts[fiFullPath], texts[fiFileSize], texts[fiFileType], texts[fiWriteTime]) =
            std::tie(row.Name, row.Path, row.Size, row.Type, row.Time);
        List.Append().Record.Assign(texts);
    }
    TNames Names() const {
        TNames names;
        for (const TListEntry& e : List) names.emplace_back(e.Record.Get(fiFileName));
        return names;
    }
    // Sort column, direction and key, then the names in list order.
    std::string SortState() const {
        const TListHeader& header = List.Header();
        std::string state = std::to_string(header.SortColumn()) +
                            (header.SortDirection() == TSortDirection::Ascending ? " up " : " down ") +
                            std::to_string(Ctrl.SortKey) + ":";
        for (const std::string& name : Names()) state += " " + name;
        return state;
    }
    // Each column as caption|width|position|alignment|visibility|colour|text of the first entry's cell.
    TNames Columns() {
        const TListColumns& columns = List.Header().Columns();
        TNames seen;
        for (int i = 0; i < columns.Count(); ++i) {
            const TListColumn& c = columns[i];
            seen.push_back(c.Text + "|" + std::to_string(c.Width) + "|" + std::to_string(columns.Position(i)) + "|" +
                           "LRC"[static_cast<int>(c.Alignment)] + (c.Visible ? "|shown|" : "|hidden|") +
                           (c.Color == ListBackgroundColor ? "list|" : c.Color == clInfoBk ? "info|" : "other|") +
                           List.CellText(0, i));
        }
        return seen;
    }
    // The default columns: 0 File Name, 1 Full Path, 2 File Size, ..., 6 Write Time.
    void Click(int column, TMouseButton button = TMouseButton::Left) { List.Header().Click(column, button); }

    test::TConfigFolder Dir;
    TScriptedDesktopServices Desktop;
    TDesktopServicesScope DesktopScope{Desktop};
    TResultList List;
    int OwnerWindow = 0;
    TTallyscopeCtrl Ctrl{List, &OwnerWindow};
};

// The cells show an entry whose fields hold their own index.
TEST_F(TallyscopeCtrlTest, DefaultConfigurationGivesSevenColumnsOfTheirFields) {
    Ctrl.BuildColumns(List);
    TFileRecord& record = List.Append().Record;
    for (int field = 0; field < FieldCount; ++field) record.Set(field, std::to_string(field));
    EXPECT_EQ(Columns(), (TNames{"      File Name|120|0|L|shown|list|0", "Full Path|220|1|L|shown|list|1",
                                 "File Size|55|2|R|shown|list|2.00 B", "File Ext|50|3|R|shown|list|3",
                                 "Create Time|110|4|R|shown|list|10", "Access Time|110|5|R|shown|list|11",
                                 "Write Time|110|6|R|shown|list|12"}));
}

TEST_F(TallyscopeCtrlTest, ColumnsTakeTheirDefinitionsAndPositionsOneAfterTheOther) {
    WriteNodes(R"(<node Name="Full Path" ReadOnly="False" Align="Right" Width="10" Visible="True" Index="2"/>)"
               R"(<node ReadOnly="True" Align="center" Width="20" Visible="False" Index="0"/>)"
               R"(<node Name="Nonsense" ReadOnly="0" Width="30" Visible="1" Index="-1"/>)"
               R"(<node Name="Full Path" ReadOnly="1" Align="right" Width="40" Visible="true" Index="1"/>)");
    Ctrl.BuildColumns(List);
    Add({"a.txt", "/d/a.txt"});
    // Positions, one after the other: 0 to 2 gives 1 2 0 3; 1 to 0 changes nothing; 2 to the last
    // gives 1 0 3 2; 3 to 1 gives 1 3 0 2. "Right" is not "right". Texts follow the creation index;
    // no name or an unknown one shows "File Name".
    EXPECT_EQ(Columns(), (TNames{"Full Path|10|2|L|shown|info|/d/a.txt", "|20|0|C|hidden|list|a.txt",
                                 "Nonsense|30|3|L|shown|info|a.txt", "Full Path|40|1|R|shown|list|/d/a.txt"}));
}

// Errors reach the caller: an unreadable width keeps the columns made so far, without positions; a
// configuration that does not load leaves no columns.
TEST_F(TallyscopeCtrlTest, ColumnBuildErrorsReachTheCaller) {
    WriteNodes(R"(<node Name="Full Path" ReadOnly="True" Width="10" Visible="True" Index="1"/>)"
               R"(<node Name="File Size" ReadOnly="True" Width="wide" Visible="True" Index="0"/>)"
               R"(<node Name="File Ext" ReadOnly="True" Width="30" Visible="True" Index="0"/>)");
    const TListColumns& columns = List.Header().Columns();
    EXPECT_THROW(Ctrl.BuildColumns(List), EConvertError);
    ASSERT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns[1].Text, "File Size");
    EXPECT_EQ(columns.Position(0), 0);
    EXPECT_FALSE(columns.IsUpdating());

    Dir.ReplaceConfig("<config><nodes>");
    EXPECT_THROW(Ctrl.BuildColumns(List), ENulvaneError);
    EXPECT_EQ(columns.Count(), 0);
    EXPECT_FALSE(columns.IsUpdating());
    Add({"a.txt", "/d/a.txt"});
    EXPECT_EQ(List.CellText(0, NoColumn), "");  // the cells stay empty
}

TEST_F(TallyscopeCtrlTest, CellTexts) {
    const struct { int Key; const char *Field, *Text; } cases[] = {
        {fiFileSize, "0", "0.00 B"}, {fiFileSize, "1023", "1,023.00 B"}, {fiFileSize, "1024", "1.00 KB"},
        {fiFileSize, "1048575", "1,024.00 KB"}, {fiFileSize, "1048576", "1.00 MB"}, {fiFileSize, "1073741824", "1.00 GB"},
        {fiFileSize, "12 bytes", ""}, {fiSizePercentage, "12", "12%"}, {fiSizePercentage, "", ""},
        {fiFileName, " name ", " name "}};
    for (const auto& c : cases) {
        TFileRecord record;
        record.Set(c.Key, c.Field);
        EXPECT_EQ(TTallyscopeCtrl::CellTextFor(c.Key, &record), c.Text) << c.Field;
    }
    EXPECT_EQ(TTallyscopeCtrl::CellTextFor(fiFileName, nullptr), "");
}

TEST_F(TallyscopeCtrlTest, HeaderClicksTurnTheDirectionAndSortByTheClickedColumnsField) {
    Ctrl.BuildColumns(List);
    Add({"b", "/d/B", "20", "file", "1/2/2020"});
    Add({"a", "/d/c", "3", "file", "1/3/2020"});
    Add({"c", "/d/a", "100", "file", "1/1/2020"});
    Click(1, TMouseButton::Right);
    EXPECT_EQ(SortState(), "-1 up 0: b a c");
    List.Header().Columns().SetPosition(2, 0);  // a dragged column keeps its field
    Click(2);                                   // the first click: ascending
    EXPECT_EQ(SortState(), "2 up 2: a b c");     // 3, 20, 100: numbers, not texts
    Click(1);                                   // another column: the direction still turns
    EXPECT_EQ(SortState(), "1 down 1: a b c");   // "/d/c", "/d/B", "/d/a"
    Click(6);
    EXPECT_EQ(SortState(), "6 up 12: c b a");
    // A click whose configuration cannot be read turns the header only.
    Dir.ReplaceConfig("");
    EXPECT_THROW(Click(2), ENulvaneError);
    EXPECT_EQ(SortState(), "2 down 12: c b a");
}

// Ties and types through the controller's comparison and the list's merge rule, each sort
// starting from the same order.
TEST_F(TallyscopeCtrlTest, FoldersLeadAndTiesKeepOrTurnAsTheirKindSays) {
    const TRow rows[] = {
        {"f1", "/x/1", "5", "file", "1/1/2020"},  {"d1", "/x/9", "5", " folder", "1/1/2020"},
        {"f2", "/X/1", "5", "file", "1/1/2020"},  {"f3", "/x/1", "5.0", "file", "1/1/2020 12:00:00 AM"},
        {"d2", "/x/0", "5", "folder\t", "1/1/2020"},
    };
    auto sorted = [&](std::uint8_t key, TSortDirection direction) {
        List.Clear();
        for (const TRow& row : rows) Add(row);
        Ctrl.SortByField(key, direction);
        return Names();
    };
    const TSortDirection up = TSortDirection::Ascending, down = TSortDirection::Descending;
    // Equal numbers keep their order ascending and turn it descending.
    EXPECT_EQ(sorted(fiFileSize, up), (TNames{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiFileSize, down), (TNames{"d2", "d1", "f3", "f2", "f1"}));
    // Equal texts (case aside) and equal date-times keep it both ways.
    EXPECT_EQ(sorted(fiFullPath, up), (TNames{"d2", "d1", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiFullPath, down), (TNames{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiWriteTime, up), (TNames{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiWriteTime, down), (TNames{"d1", "d2", "f1", "f2", "f3"}));
    // "File Type" turns the order ascending and keeps it descending.
    EXPECT_EQ(sorted(fiFileType, up), (TNames{"d2", "d1", "f3", "f2", "f1"}));
    EXPECT_EQ(sorted(fiFileType, down), (TNames{"d1", "d2", "f1", "f2", "f3"}));
}

// The comparison prepared once per sort must answer exactly as the one that reads the records.
TEST_F(TallyscopeCtrlTest, PreparedComparisonAnswersAsCompareEntriesForEveryPair) {
    const TNames types = {"file", "folder", " folder ", "", "link", "File"};
    const TNames texts = {"", "0", "10", "9.5", "abc", "ABC", "-3", "1e3", " 7 ", "1/2/2020", "1/2/2020 12:00:00 AM",
                          "1/2/2020 1:00:00 PM", "13/1/2020", "12/31/2019 11:59:59 PM", "\xE9t\xE9",
                          "1/2/2020 1:30:00 AM", "1/2/2020 1:10:00 AM"};
    for (std::size_t i = 0; i < 60; ++i) {
        TListEntry& entry = List.Append();
        // Any time may be the earlier or the later reading of a repeated hour, or the only one.
        for (int field = fiCreateTime; field <= fiWriteTime; ++field)
            SetTimeReading(entry, field, static_cast<std::uint8_t>((i / 3 + static_cast<std::size_t>(field)) % 3));
        TFileRecord& r = entry.Record;
        for (int key = 0; key < FieldCount; ++key)
            r.Set(key, texts[(i * 7 + static_cast<std::size_t>(key) * 3) % texts.size()]);
        r.Set(fiFileType, types[i % types.size()]);
    }
    for (int key = 0; key < FieldCount; ++key) {
        Ctrl.SortKey = static_cast<std::uint8_t>(key);
        const TResultList::TIndexCompare prepared = PrepareEntryComparison(List, Ctrl.SortKey);
        for (TSortDirection direction : {TSortDirection::Ascending, TSortDirection::Descending}) {
            List.Header().SetSortDirection(direction);
            for (std::size_t a = 0; a < List.Count(); ++a)
                for (std::size_t b = 0; b < List.Count(); ++b)
                    ASSERT_EQ(prepared(a, b), Ctrl.CompareEntries(List, List[a], List[b], NoColumn))
                        << "key " << key << ", entries " << a << " and " << b;
        }
    }
}

TEST_F(TallyscopeCtrlTest, SortingAllocatesPerSortNotPerComparison) {
    for (int i = 0; i < 2000; ++i) Add({"n", "/d/" + std::to_string((i * 7919) % 2000), "0", "file", "1/1/2020"});
    const TResultList::TPrepareSortEvent prepare = List.OnPrepareSort;
    for (bool prepared : {true, false}) {
        List.OnPrepareSort = prepared ? prepare : nullptr;
        const long before = test::AllocationCount();
        Ctrl.SortByField(fiFullPath, TSortDirection::Ascending);
        EXPECT_LT(test::AllocationCount() - before, 20) << (prepared ? "prepared" : "per comparison");
    }
}

TEST_F(TallyscopeCtrlTest, DoubleClickOpensTheFocusedEntrysFolderForTheOwner) {
    Add({"a.txt", "/home/u/a.txt"});
    Add({"top", "/top"});
    Add({"docs", "/home/u/docs", "0", "folder"});
    Add({"odd", "/home/u/odd", "0", " file"});  // not exactly "file": its own path
    for (std::size_t i = 0; i < List.Count(); ++i) {
        List.SetFocusedEntry(i);
        List.DblClick();
    }
    List.SetFocusedEntry(NoEntry);
    List.DblClick();  // no focus, no root folder: nothing
    const TOwnerWindow owner = &OwnerWindow;
    using TRequests = std::vector<TDesktopRequest>;
    const TDesktopRequestKind open = TDesktopRequestKind::OpenFolder;
    EXPECT_EQ(Desktop.Requests(), (TRequests{{open, "/home/u", owner}, {open, "/", owner},
                                             {open, "/home/u/docs", owner}, {open, "/home/u/odd", owner}}));

    Desktop.ClearRequests();
    Ctrl.RootFolder = "/root/folder";
    List.DblClick();
    OpenNodeInExplorer(List);  // no focus: nothing, whatever the root folder
    TResultList other;
    Ctrl.ListDblClick(other);  // another list's double click is not ours
    List.SetFocusedEntry(0);
    OpenNodeInExplorer(List);
    EXPECT_EQ(Desktop.Requests(), (TRequests{{open, "/root/folder", owner}, {open, "/home/u", nullptr}}));

    THintLineBreakStyle style = THintLineBreakStyle::Default;
    EXPECT_EQ(List.Hint(3, 5, style), "Double click to open it in explorer.");
}

}  // namespace
