#include "core/TallyscopeCtrl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "config/Config.h"
#include "core/EntryComparison.h"
#include "platform/Errors.h"
#include "platform/LocaleTexts.h"
#include "platform/ProcessInfo.h"
#include "platform/ScriptedDesktopServices.h"
#include "support/TempDir.h"

// Counts heap allocations, so that a test can show that sorting does not allocate per comparison.
// (GCC takes the malloc/free pair behind the replaced operators for a mismatch.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> Allocations{0};
}
namespace {
void* CountedAllocation(std::size_t size) noexcept {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace
// Every form that plain new and delete can meet, so that each pair stays malloc and free.
void* operator new(std::size_t size) {
    if (void* p = CountedAllocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace nulvane {
namespace {

struct TRow {
    std::string Name, Path, Size, Type, Time;
};

class TallyscopeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
        SetExecutableFolderForTesting(Dir.Str());
        GetConfig(true);
    }
    void TearDown() override {
        GetConfig(true);
        SetExecutableFolderForTesting("");
    }

    void WriteNodes(const std::string& nodes) {
        Dir.Write("TallyscopeConfig.xml",
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?><config versionNo=\"2\"><nodes>" + nodes +
                      "</nodes></config>");
    }

    void Add(const TRow& row) {
        TFileRecord& r = List.Append().Record;
        r.Set(fiFileName, row.Name);
        r.Set(fiFullPath, row.Path);
        r.Set(fiFileSize, row.Size);
        r.Set(fiFileType, row.Type);
        r.Set(fiWriteTime, row.Time);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const TListEntry& e : List) names.emplace_back(e.Record.Get(fiFileName));
        return names;
    }

    int ColumnShowing(std::string_view field) {
        const TListColumns& columns = List.Header().Columns();
        for (int i = 0; i < columns.Count(); ++i)
            if (TrimText(columns[i].Text) == field) return i;
        return NoColumn;
    }

    void Click(std::string_view field, TMouseButton button = TMouseButton::Left) {
        List.Header().Click(ColumnShowing(field), button, 0, 0, 0);
    }

    test::TTempDir Dir;
    TScriptedDesktopServices Desktop;
    TDesktopServicesScope DesktopScope{Desktop};
    TResultList List;
    int OwnerWindow = 0;
    TTallyscopeCtrl Ctrl{List, &OwnerWindow};
};

TEST_F(TallyscopeCtrlTest, DefaultConfigurationGivesSevenColumnsAndTheFirstShowsTheFileName) {
    Ctrl.BuildColumns(List);
    const TListColumns& columns = List.Header().Columns();
    ASSERT_EQ(columns.Count(), 7);
    const std::vector<std::string> captions = {"      File Name", "Full Path",   "File Size", "File Ext",
                                               "Create Time",     "Access Time", "Write Time"};
    const std::vector<int> widths = {120, 220, 55, 50, 110, 110, 110};
    for (int i = 0; i < 7; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        EXPECT_EQ(columns[i].Text, captions[k]);
        EXPECT_EQ(columns[i].Width, widths[k]);
        EXPECT_EQ(columns[i].Alignment, i < 2 ? TAlignment::Left : TAlignment::Right);
        EXPECT_EQ(columns[i].Color, ListBackgroundColor);
        EXPECT_TRUE(columns[i].Visible);
        EXPECT_EQ(columns.Position(i), i);
    }
    Add({"a.txt", "/d/a.txt", "0", "file", ""});
    EXPECT_EQ(List.CellText(0, 0), "a.txt");
    EXPECT_EQ(List.CellText(0, 2), "0.00 B");
}

TEST_F(TallyscopeCtrlTest, ColumnsTakeTheirDefinitionsPropertiesAndPositionsOneAfterTheOther) {
    WriteNodes(R"(<node Name="Full Path" ReadOnly="False" Align="Right" Width="10" Visible="True" Index="2"/>)"
               R"(<node ReadOnly="True" Align="center" Width="20" Visible="False" Index="0"/>)"
               R"(<node Name="Nonsense" ReadOnly="0" Width="30" Visible="1" Index="-1"/>)"
               R"(<node Name="Full Path" ReadOnly="1" Align="right" Width="40" Visible="true" Index="1"/>)");
    Ctrl.BuildColumns(List);
    const TListColumns& columns = List.Header().Columns();
    ASSERT_EQ(columns.Count(), 4);
    EXPECT_EQ(columns[0].Color, clInfoBk);
    EXPECT_EQ(columns[0].Alignment, TAlignment::Left);  // "Right" is not "right"
    EXPECT_EQ(columns[1].Text, "");
    EXPECT_EQ(columns[1].Alignment, TAlignment::Center);
    EXPECT_FALSE(columns[1].Visible);
    EXPECT_EQ(columns[2].Alignment, TAlignment::Left);
    EXPECT_EQ(columns[3].Alignment, TAlignment::Right);
    // 0 to position 2: 1 2 0 3; 1 to 0: unchanged; 2 to the last: 1 0 3 2; 3 to 1: 1 3 0 2.
    std::vector<int> order;
    for (int p = 0; p < 4; ++p) order.push_back(columns.ColumnAt(p));
    EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));

    Add({"a.txt", "/d/a.txt", "0", "file", ""});
    EXPECT_EQ(List.CellText(0, 0), "/d/a.txt");
    EXPECT_EQ(List.CellText(0, 1), "a.txt");  // no name: "File Name"
    EXPECT_EQ(List.CellText(0, 2), "a.txt");  // unknown name: "File Name"
    EXPECT_EQ(List.CellText(0, 3), "/d/a.txt");
}

TEST_F(TallyscopeCtrlTest, AConfigurationThatDoesNotLoadLeavesNoColumnsAndReachesTheCaller) {
    Ctrl.BuildColumns(List);
    ASSERT_EQ(List.Header().Columns().Count(), 7);
    GetConfig(true);
    Dir.Write("TallyscopeConfig.xml", "<config><nodes>");
    EXPECT_THROW(Ctrl.BuildColumns(List), ENulvaneError);
    EXPECT_EQ(List.Header().Columns().Count(), 0);
    EXPECT_FALSE(List.Header().Columns().IsUpdating());

    Add({"a.txt", "/d/a.txt", "0", "file", ""});
    EXPECT_EQ(List.CellText(0, NoColumn), "");  // the list's single implicit column
    EXPECT_EQ(List.CellText(0, 0), "");
}

TEST_F(TallyscopeCtrlTest, AnUnreadableWidthKeepsTheColumnsMadeSoFarWithoutPositions) {
    WriteNodes(R"(<node Name="Full Path" ReadOnly="True" Width="10" Visible="True" Index="1"/>)"
               R"(<node Name="File Size" ReadOnly="True" Width="wide" Visible="True" Index="0"/>)"
               R"(<node Name="File Ext" ReadOnly="True" Width="30" Visible="True" Index="0"/>)");
    EXPECT_THROW(Ctrl.BuildColumns(List), EConvertError);
    const TListColumns& columns = List.Header().Columns();
    ASSERT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns[1].Text, "File Size");
    EXPECT_EQ(columns[1].Width, TListColumn().Width);
    EXPECT_EQ(columns.Position(0), 0);
    EXPECT_FALSE(columns.IsUpdating());
}

TEST_F(TallyscopeCtrlTest, CellTexts) {
    struct TCase {
        int Key;
        const char* Field;
        const char* Text;
    };
    const TCase cases[] = {
        {fiFileSize, "0", "0.00 B"},
        {fiFileSize, "1023", "1,023.00 B"},
        {fiFileSize, "1024", "1.00 KB"},
        {fiFileSize, "1048575", "1,024.00 KB"},
        {fiFileSize, "1048576", "1.00 MB"},
        {fiFileSize, "1073741824", "1.00 GB"},
        {fiFileSize, "5497558138880", "5,120.00 GB"},
        {fiFileSize, "12 bytes", ""},
        {fiFileSize, "", ""},
        {fiSizePercentage, "12", "12%"},
        {fiSizePercentage, "", ""},
        {fiFileName, " name ", " name "},
        {fiWriteTime, "1/2/2020 1:00:00 PM", "1/2/2020 1:00:00 PM"},
    };
    for (const TCase& c : cases) {
        TFileRecord record;
        record.Set(c.Key, c.Field);
        EXPECT_EQ(TTallyscopeCtrl::CellTextFor(c.Key, &record), c.Text) << c.Field;
    }
    EXPECT_EQ(TTallyscopeCtrl::CellTextFor(fiFileName, nullptr), "");
}

TEST_F(TallyscopeCtrlTest, ADraggedColumnKeepsItsFieldForTextAndSorting) {
    Ctrl.BuildColumns(List);
    Add({"a", "/d/a", "20", "file", ""});
    Add({"b", "/d/b", "3", "file", ""});
    const int sizeColumn = ColumnShowing("File Size");
    List.Header().Columns().SetPosition(sizeColumn, 0);
    EXPECT_EQ(List.CellText(0, sizeColumn), "20.00 B");
    EXPECT_EQ(List.CellText(0, 0), "a");
    List.Header().Click(sizeColumn, TMouseButton::Left, 0, 0, 0);
    EXPECT_EQ(Ctrl.SortKey, fiFileSize);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a"}));  // 3 before 20: numbers, not texts
}

TEST_F(TallyscopeCtrlTest, HeaderClicksSetTheSortStateAndSort) {
    Ctrl.BuildColumns(List);
    Add({"b", "/d/B", "2", "file", "1/2/2020"});
    Add({"a", "/d/c", "1", "file", "1/3/2020"});
    Add({"c", "/d/a", "3", "file", "1/1/2020"});
    TListHeader& header = List.Header();

    Click("Full Path", TMouseButton::Right);
    EXPECT_EQ(header.SortColumn(), NoColumn);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a", "c"}));

    Click("Full Path");  // first click: ascending
    EXPECT_EQ(header.SortColumn(), ColumnShowing("Full Path"));
    EXPECT_EQ(header.SortDirection(), TSortDirection::Ascending);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b", "a"}));  // "/d/B" between a and c

    Click("Write Time");  // another column: the direction still turns
    EXPECT_EQ(header.SortColumn(), ColumnShowing("Write Time"));
    EXPECT_EQ(header.SortDirection(), TSortDirection::Descending);
    EXPECT_EQ(Ctrl.SortKey, fiWriteTime);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));

    Click("Write Time");
    EXPECT_EQ(header.SortDirection(), TSortDirection::Ascending);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(TallyscopeCtrlTest, AHeaderClickWhoseConfigurationFailsTurnsTheHeaderOnly) {
    Ctrl.BuildColumns(List);
    Add({"b", "/d/b", "1", "file", ""});
    Add({"a", "/d/a", "2", "file", ""});
    GetConfig(true);
    Dir.Write("TallyscopeConfig.xml", "");
    EXPECT_THROW(Click("File Size"), ENulvaneError);
    EXPECT_EQ(List.Header().SortColumn(), ColumnShowing("File Size"));
    EXPECT_EQ(List.Header().SortDirection(), TSortDirection::Ascending);
    EXPECT_EQ(Ctrl.SortKey, fiFileName);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a"}));
}

// Ties and types through the controller's comparison and the list's merge rule, each sort
// starting from the same order.
TEST_F(TallyscopeCtrlTest, FoldersLeadAndTiesKeepOrTurnAsTheirKindSays) {
    const std::vector<TRow> rows = {
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
    using V = std::vector<std::string>;
    const TSortDirection up = TSortDirection::Ascending, down = TSortDirection::Descending;
    // Equal numbers keep their order ascending and turn it descending.
    EXPECT_EQ(sorted(fiFileSize, up), (V{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiFileSize, down), (V{"d2", "d1", "f3", "f2", "f1"}));
    // Equal texts (case aside) and equal date-times keep it both ways.
    EXPECT_EQ(sorted(fiFullPath, up), (V{"d2", "d1", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiFullPath, down), (V{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiWriteTime, up), (V{"d1", "d2", "f1", "f2", "f3"}));
    EXPECT_EQ(sorted(fiWriteTime, down), (V{"d1", "d2", "f1", "f2", "f3"}));
    // "File Type" turns the order ascending and keeps it descending.
    EXPECT_EQ(sorted(fiFileType, up), (V{"d2", "d1", "f3", "f2", "f1"}));
    EXPECT_EQ(sorted(fiFileType, down), (V{"d1", "d2", "f1", "f2", "f3"}));
}

// The comparison prepared once per sort must answer exactly as the one that reads the records.
TEST_F(TallyscopeCtrlTest, PreparedComparisonAnswersAsCompareEntriesForEveryPair) {
    const std::vector<std::string> types = {"file", "folder", " folder ", "", "link", "File"};
    const std::vector<std::string> texts = {"",          "0",           "10",         "9.5",       "abc",
                                            "ABC",       "-3",          "1e3",        " 7 ",       "1/2/2020",
                                            "1/2/2020 12:00:00 AM",     "1/2/2020 1:00:00 PM", "13/1/2020",
                                            "12/31/2019 11:59:59 PM",   "\xE9t\xE9"};
    for (std::size_t i = 0; i < 60; ++i) {
        TFileRecord& r = List.Append().Record;
        r.Set(fiFileType, types[i % types.size()]);
        for (int key = 0; key < FieldCount; ++key)
            if (key != fiFileType) r.Set(key, texts[(i * 7 + static_cast<std::size_t>(key) * 3) % texts.size()]);
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
    for (bool prepared : {true, false}) {
        TResultList::TPrepareSortEvent saved = List.OnPrepareSort;
        if (!prepared) List.OnPrepareSort = nullptr;
        const long before = Allocations.load();
        Ctrl.SortByField(fiFullPath, TSortDirection::Ascending);
        EXPECT_LT(Allocations.load() - before, 20) << (prepared ? "prepared" : "per comparison");
        List.OnPrepareSort = saved;
    }
}

TEST_F(TallyscopeCtrlTest, DoubleClickOpensTheFocusedEntrysFolderForTheOwner) {
    Add({"a.txt", "/home/u/a.txt", "0", "file", ""});
    Add({"top", "/top", "0", "file", ""});
    Add({"docs", "/home/u/docs", "0", "folder", ""});
    Add({"odd", "/home/u/odd", "0", " file", ""});  // not exactly "file": its own path
    for (std::size_t i = 0; i < List.Count(); ++i) {
        List.SetFocusedEntry(i);
        List.DblClick();
    }
    List.SetFocusedEntry(NoEntry);
    List.DblClick();  // no focus, no root folder: nothing
    const TOwnerWindow owner = &OwnerWindow;
    EXPECT_EQ(Desktop.Requests(), (std::vector<TDesktopRequest>{{TDesktopRequestKind::OpenFolder, "/home/u", owner},
                                                                {TDesktopRequestKind::OpenFolder, "/", owner},
                                                                {TDesktopRequestKind::OpenFolder, "/home/u/docs", owner},
                                                                {TDesktopRequestKind::OpenFolder, "/home/u/odd", owner}}));

    Desktop.ClearRequests();
    Ctrl.RootFolder = "/root/folder";
    List.DblClick();
    OpenNodeInExplorer(List);  // no focus: nothing, whatever the root folder
    TResultList other;
    Ctrl.ListDblClick(other);  // another list's double click is not ours
    List.SetFocusedEntry(0);
    OpenNodeInExplorer(List);
    EXPECT_EQ(Desktop.Requests(), (std::vector<TDesktopRequest>{{TDesktopRequestKind::OpenFolder, "/root/folder", owner},
                                                                {TDesktopRequestKind::OpenFolder, "/home/u", nullptr}}));
    EXPECT_EQ(FolderOfPath("name"), "");
}

TEST_F(TallyscopeCtrlTest, EveryEntryHasTheSameHintAndTheControllerHandsTheEventsBack) {
    Add({"a", "/a", "0", "file", ""});
    THintLineBreakStyle style = THintLineBreakStyle::ForceMultiLine;
    EXPECT_EQ(List.Hint(0, 3, style), "Double click to open it in explorer.");
    EXPECT_EQ(style, THintLineBreakStyle::ForceMultiLine);

    TResultList list;
    int clicks = 0;
    list.OnDblClick = [&](TResultList&) { ++clicks; };
    {
        TTallyscopeCtrl ctrl(list);
        list.DblClick();
        EXPECT_TRUE(list.OnCompareNodes && list.OnPrepareSort && list.OnHeaderMouseDown && list.OnChange);
    }
    list.DblClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(list.OnCompareNodes || list.OnPrepareSort || list.OnGetText || list.OnGetHint);
}

}  // namespace
}  // namespace nulvane
