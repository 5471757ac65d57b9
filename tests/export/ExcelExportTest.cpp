#include "export/ExcelExport.h"
#include "export/CommandLineExport.h"
#include "export/ExportCommands.h"

#include <gmock/gmock.h>

#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "spreadsheet/ExcelServer.h"
#include "support/OleErrors.h"
#include "support/SpreadsheetReaders.h"
#include "tests/export/ExportFixture.h"

using namespace nulvane;

namespace {

using TNames = std::vector<std::string>;

// A spreadsheet application that answers every call and writes it down as
// "<object>.<member> <kind> <arguments>"; an object fetched from a member is named after it. A
// member named in FailOn fails instead; one named in StopOn asks the test's job to stop.
struct TCallLog {
    TNames Calls;
    std::shared_ptr<const TWideStringArray> LastArray;
    std::string FailOn;
    std::string StopOn;
    TLongWork* Work = nullptr;  // the job StopOn stops
};

class TRecordingObject : public IOleDispatch {
public:
    TRecordingObject(std::string name, std::shared_ptr<TCallLog> log) : Name_(std::move(name)), Log_(std::move(log)) {}

    TDispId GetIDOfName(std::u16string_view name) override {
        Members_.push_back(FromWideText(name));
        return static_cast<TDispId>(Members_.size());
    }

    TVariant Invoke(TDispId member, TInvokeKind kind, const TDispParams& params) override {
        const std::string& name = Members_.at(static_cast<std::size_t>(member - 1));
        if (name == Log_->StopOn && Log_->Work) Log_->Work->RequestStop();
        if (name == Log_->FailOn) throw EOleException("Unable to get the " + name + " property");
        std::string line = Name_ + "." + name + " " + std::to_string(static_cast<int>(kind));
        const bool namedRight = kind == TInvokeKind::PropertyPut
                                    ? params.NamedArgs.size() == 1 && params.NamedArgs[0] == DispIdPropertyPut
                                    : params.NamedArgs.empty();
        if (!namedRight) line += " (named arguments wrong)";
        for (std::size_t i = 0; i < params.Args.size(); ++i) line.append(i ? "," : " ").append(Text(params.Args[i]));
        Log_->Calls.push_back(line);
        if (kind == TInvokeKind::PropertyPut || kind == TInvokeKind::Method) return {};
        return TDispatchRef(std::make_shared<TRecordingObject>(name, Log_));
    }

private:
    std::string Text(const TVariant& value) {
        switch (value.Type()) {
            case TVarType::Bool: return "bool" + std::to_string(value.AsOleBool());
            case TVarType::Int: return std::to_string(value.AsInt());
            case TVarType::WideString: return '"' + FromWideText(value.AsWideString()) + '"';
            case TVarType::WideStringArray: {
                const TWideStringArray& a = value.AsArray();
                Log_->LastArray = std::make_shared<const TWideStringArray>(a);
                return "array[" + std::to_string(a.LowRow()) + ".." + std::to_string(a.HighRow()) + "," +
                       std::to_string(a.LowColumn()) + ".." + std::to_string(a.HighColumn()) + "]";
            }
            default: return "?";
        }
    }
    std::string Name_;
    std::shared_ptr<TCallLog> Log_;
    TNames Members_;
};

// Joins texts; spares the compiler's false alarms about chains of operator+.
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text.append(part);
    return text;
}

// The forty calls for the file `name` in the output folder `folder`, the data range ending in
// `lastColumn` and `lastRow`, and four more for each column of names, which is formatted as text
// before the sheet goes in.
TNames ExpectedCalls(const std::string& lastColumn, int lastRow, const std::string& folder, const std::string& name,
                     std::initializer_list<std::string_view> textColumns = {}) {
    const std::string rows = std::to_string(lastRow), arrayRows = std::to_string(lastRow - 2);
    const std::string arrayColumns = std::to_string(lastColumn.front() - 'A');
    const std::string title = name.substr(0, name.find('.'));
    const TNames chain{"app.WorkBooks 2 1", "WorkBooks.WorkSheets 2 1", "WorkSheets.Cells 2 1,1"};
    TNames calls{"app.ScreenUpdating 4 bool0", "app.Visible 4 bool0", "app.WorkBooks 3", "WorkBooks.Add 1"};
    for (const std::string& titleCall :
         {Cat({"Cells.Value 4 \"", title, "\""}), std::string("Cells.HorizontalAlignment 4 -4108"),
          std::string("Cells.VerticalAlignment 4 -4108"), std::string("Cells.Font 3")}) {
        calls.insert(calls.end(), chain.begin(), chain.end());
        calls.push_back(titleCall);
    }
    calls.insert(calls.end(),
                 {"Font.Bold 4 bool-1", "app.WorkBooks 2 1", "WorkBooks.WorkSheets 2 1",
                  Cat({"WorkSheets.Range 2 \"A1:", lastColumn, "1\""}), "Range.Merge 1"});
    for (const std::string_view column : textColumns)
        calls.insert(calls.end(), {"app.WorkBooks 2 1", "WorkBooks.WorkSheets 2 1",
                                   Cat({"WorkSheets.Range 2 \"", column, "2:", column, rows, "\""}),
                                   "Range.NumberFormat 4 \"@\""});
    calls.insert(calls.end(),
                 {"app.WorkBooks 2 1",
                  "WorkBooks.WorkSheets 2 1", Cat({"WorkSheets.Range 2 \"A2:", lastColumn, rows, "\""}),
                  Cat({"Range.Value 4 array[0..", arrayRows, ",0..", arrayColumns, "]"}), "Range.Borders 3",
                  "Borders.LineStyle 4 1", "Range.Columns 3", "Columns.AutoFit 1", "Range.Rows 3", "Rows.AutoFit 1",
                  "app.workBooks 2 1", Cat({"workBooks.SaveAs 1 \"", folder, "/", name, "\""}),
                  "app.ScreenUpdating 4 bool-1", "app.workBooks 2 1", "workBooks.close 1"});
    return calls;
}

class ExcelExportTest : public test::ExportTest {
protected:
    void AddEntries(int count) {
        for (int i = 0; i < count; ++i) Add({Cat({"f", std::to_string(i), ".txt"}), "txt"});
    }
    // Registers the recording application for the test's lifetime.
    std::shared_ptr<TCallLog> Record() {
        auto log = std::make_shared<TCallLog>();
        Server_.emplace(std::string(ExcelProgId), [log, this] {
            auto app = std::make_shared<TRecordingObject>("app", log);
            App = app;
            return app;
        });
        return log;
    }
    // Asks the window's command for a workbook that cannot be built, answering its warning; then
    // the same of the command line's export, which has no window: what the window showed, and the
    // error the command line's export ends in.
    struct TRefusal {
        TNames Trace;
        std::string Error = "no error";
    };
    TRefusal RefusedWithAndWithoutWindow(TCallLog& log) {
        Desktop.ClearRequests();
        log.Calls.clear();
        Desktop.QueueAnswer("Ok");
        ExportExcel(Ctrl, List, Desktop);
        TRefusal refusal{.Trace = Trace()};
        try {
            TLongWork work;
            ExportListToFile(List, TExportFormat::Excel, OutPath("cli.xls"), true, work);
        } catch (const ENulvaneError& e) {
            refusal.Error = e.what();
        }
        return refusal;
    }
    std::weak_ptr<IOleDispatch> App;

private:
    std::optional<TOleServerScope> Server_;
};

const std::string Done = "box Export Finished|Done|ok|0";

}  // namespace

TEST_F(ExcelExportTest, FortyEightCallsInOrderWithTheSheetInOnePut) {
    WriteNodes(R"(<node Name="      File Name" Visible="True"/><node Name="File Size" Visible="True"/>)"
               R"(<node Name="Hidden" Visible="False"/><node Name="No Such Field" Visible="True"/>)"
               R"(<node Name="File Ext" Visible="True"/>)");
    AddEntries(9);
    Add({"noext", ""});
    const auto log = Record();
    Desktop.QueueAnswer(OutPath("list.xls"));
    Desktop.QueueAnswer("Ok");
    ExportExcel(Ctrl, List, Desktop);

    ASSERT_EQ(log->Calls.size(), 48u);
    EXPECT_EQ(log->Calls, ExpectedCalls("E", 12, Out.Str(), "list.xls", {"B", "E"}));
    EXPECT_TRUE(App.expired());
    // "other" is the busy cursor, on while the workbook is built.
    EXPECT_EQ(Trace(), (TNames{"show", "wait Gathering info..", "busy", "hide", "save .xls EXCEL File|*.xls", "show",
                               "wait Export to file..", "other ", "busy", "hide", "other ", "busy", Done}));
    const TWideStringArray& sheet = *log->LastArray;
    const auto row = [&](int r) {
        TNames cells;
        for (int c = 0; c <= sheet.HighColumn(); ++c) cells.push_back(FromWideText(sheet.At(r, c)));
        return cells;
    };
    EXPECT_EQ(row(0), (TNames{"SerialNO", "      File Name", "File Size", "No Such Field", "File Ext"}));
    EXPECT_EQ(row(1), (TNames{"1", "f0.txt", "0", "", "txt"}));
    EXPECT_EQ(row(10), (TNames{"10", "noext", "0", "", ""}));
}

TEST_F(ExcelExportTest, RowLimitAndEmptyColumnListAndEmptyList) {
    ExportExcel(Ctrl, List, Desktop);  // nothing listed: nothing happens
    EXPECT_TRUE(Desktop.Requests().empty());

    WriteNodes(R"(<node Name="File Name" Visible="False"/>)");
    AddEntries(65534);
    const auto log = Record();
    Desktop.QueueAnswer(OutPath("big.xls"));
    Desktop.QueueAnswer("Ok");
    ExportExcel(Ctrl, List, Desktop);
    EXPECT_EQ(log->Calls, ExpectedCalls("A", 65536, Out.Str(), "big.xls"));
    EXPECT_EQ(FromWideText(log->LastArray->At(65534, 0)), "65534");

    Add({"one-too-many", ""});
    // Counted before the document is built: nothing is gathered for a list the sheet cannot hold.
    // Without a window the warning is an error that names the limit.
    const TRefusal refusal = RefusedWithAndWithoutWindow(*log);
    EXPECT_EQ(refusal.Trace, (TNames{"box The row count is out of excel range.|Warning|ok|2"}));
    EXPECT_EQ(refusal.Error, "The row count is out of excel range.");
    EXPECT_TRUE(log->Calls.empty());
}

// Without an application, or when building the workbook fails, the command ends in an error
// that nobody is shown, with no completion box, and the earlier file stays as it was.
TEST_F(ExcelExportTest, FailuresKeepTheEarlierFile) {
    AddEntries(2);
    const std::string earlier = Out.Write("list.xls", "earlier");
    {
        const TOleServerScope none(std::string(ExcelProgId), nullptr);
        Desktop.QueueAnswer(earlier);
        Desktop.QueueAnswer("Yes");
        EXPECT_EQ(test::DescriptionOf([&] { ExportExcel(Ctrl, List, Desktop); }), "Excel is not installed.");
        EXPECT_EQ(Trace().back(), "hide");
    }

    const auto log = Record();
    log->FailOn = "Borders";
    Desktop.ClearRequests();
    Desktop.QueueAnswer(earlier);
    Desktop.QueueAnswer("Yes");
    EXPECT_THROW(ExportExcel(Ctrl, List, Desktop), EOleException);
    EXPECT_THAT(log->Calls, testing::IsSupersetOf({"workBooks.close 1", "app.ScreenUpdating 4 bool-1"}));
    EXPECT_THAT(log->Calls, testing::Not(testing::Contains(testing::StartsWith("workBooks.SaveAs"))));
    EXPECT_NE(Trace().back(), Done);
    EXPECT_EQ(Read("list.xls"), "earlier");
    EXPECT_TRUE(App.expired());
}

// The sheet's rows are counted; a stop asked for meanwhile closes the workbook unsaved, and so
// does a stop that ends the application's saving (which then fails, having written nothing).
TEST_F(ExcelExportTest, RowsAreCountedAndAStopLeavesTheWorkbookUnsaved) {
    AddEntries(10);
    const std::string earlier = Out.Write("list.xls", "earlier");
    for (const char* stopOn : {"Borders", "SaveAs"}) {
        SCOPED_TRACE(stopOn);
        const auto log = Record();
        log->StopOn = stopOn;
        log->FailOn = "SaveAs";  // reached only once stopped
        TLongWork work;
        log->Work = &work;
        const TScriptedDesktopServices::TWorkScope scope(Desktop, work);
        Desktop.QueueAnswer(earlier);
        Desktop.QueueAnswer("Yes");
        EXPECT_THROW(ExportExcel(Ctrl, List, Desktop), EExportStopped);
        EXPECT_EQ(work.Total.load(), 10u);
        EXPECT_EQ(work.Done.load(), 10u);
        EXPECT_THAT(log->Calls, testing::Contains("workBooks.close 1"));
        EXPECT_THAT(log->Calls, testing::Not(testing::Contains(testing::StartsWith("workBooks.SaveAs"))));
        EXPECT_NE(Trace().back(), Done);
        EXPECT_EQ(Read("list.xls"), "earlier");
        EXPECT_TRUE(App.expired());
    }
}

// 255 export columns and "SerialNO" fill a sheet to column IV; one more is refused, saying why.
TEST_F(ExcelExportTest, ColumnLimitIsToldBeforeAnyDialog) {
    std::string nodes;
    for (int i = 0; i < 255; ++i) nodes += R"(<node Name="File Name" Visible="True"/>)";
    WriteNodes(nodes);
    AddEntries(1);
    const auto log = Record();
    Desktop.QueueAnswer(OutPath("wide.xls"));
    Desktop.QueueAnswer("Ok");
    ExportExcel(Ctrl, List, Desktop);
    EXPECT_EQ(Trace().back(), Done);
    EXPECT_THAT(log->Calls, testing::Contains("WorkSheets.Range 2 \"A2:IV3\""));

    WriteNodes(nodes + R"(<node Name="Full Path" Visible="True"/>)");
    const TRefusal refusal = RefusedWithAndWithoutWindow(*log);
    EXPECT_EQ(refusal.Trace, TNames{"box " + std::string(ExcelColumnLimitText) + "|Warning|ok|2"});
    EXPECT_EQ(refusal.Error, ExcelColumnLimitText);
    EXPECT_NE(std::string(ExcelColumnLimitText).find("256"), std::string::npos);
    EXPECT_TRUE(log->Calls.empty());
}

TEST_F(ExcelExportTest, NestedNodesAreNumberedDepthFirst) {
    const TXmlDocument doc = TXmlDocument::ParseText(
        R"(<fileinfo><file Name="a"><file Name="a1"><file Name="a11"/></file><file Name="a2"/></file>)"
        R"(<file Name="b"/><file Name="c"><file Name="c1"/></file></fileinfo>)");
    const int count = CountNodes(doc.Root());
    ASSERT_EQ(count, 7);
    TWideStringArray sheet(0, count, 0, 2);
    TExcelRows rows{sheet, {"Name", "name"}, 0};
    AddChildRows(doc.Root(), rows);
    TNames order;
    for (int r = 1; r <= count; ++r) {
        order.push_back(FromWideText(sheet.At(r, 0)) + ":" + FromWideText(sheet.At(r, 1)));
        EXPECT_TRUE(sheet.At(r, 2).empty());  // attribute names match case and all
    }
    EXPECT_EQ(order, (TNames{"1:a", "2:a1", "3:a11", "4:a2", "5:b", "6:c", "7:c1"}));
}

TEST(ExcelColumnLettersTest, NumbersBecomeLettersAndOtherTextsStay) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "A"}, {"26", "Z"}, {"27", "AA"}, {"52", "AZ"}, {"53", "BA"}, {"702", "ZZ"}, {"703", "AAA"},
        {"0", "0"}, {"-3", "-3"}, {"abc", "abc"}, {"", ""},
    };
    for (const auto& [text, letters] : cases) EXPECT_EQ(ColumnLetters(text), letters) << text;
    EXPECT_THROW(ColumnLetters("1.5"), EConvertError);
}

// The workbook our own application saves, read back by xlrd and gnumeric.
TEST_F(ExcelExportTest, TheSavedWorkbookReadsBackWithTitleHeaderAndCells) {
    WriteNodes(R"(<node Name="      File Name" Visible="True"/><node Name="File Size" Visible="True"/>)");
    Add({"a,b.txt", "txt"});
    Add({"Жук", ""});
    const TOleServerScope server(std::string(ExcelProgId), CreateSpreadsheetApplication);
    Desktop.QueueAnswer(OutPath("report.final.xls"));
    Desktop.QueueAnswer("Ok");
    ExportExcel(Ctrl, List, Desktop);
    EXPECT_EQ(Trace().back(), Done);

    const std::string dump = test::XlrdDump(OutPath("report.final.xls"));
    const std::string expected =
        "size 4 3\nmerged 0 1 0 3\n"
        "A1 \"report\" bold h2 v1\nB1 blank bold h2 v1\nC1 blank bold h2 v1\n"
        "A2 \"SerialNO\" b1111\nB2 \"      File Name\" b1111\nC2 \"File Size\" b1111\n"
        "A3 1.0 b1111\nB3 \"a,b.txt\" b1111\nC3 0.0 b1111\n"
        "A4 2.0 b1111\nB4 \"Жук\" b1111\nC4 0.0 b1111\n";
    EXPECT_EQ(dump.substr(0, expected.size()), expected);
    EXPECT_EQ(test::SsconvertCsv(OutPath("report.final.xls")),
              "report,,\nSerialNO,\"      File Name\",\"File Size\"\n1,\"a,b.txt\",0\n2,Жук,0\n");
}

// Names, paths and extensions are text cells whatever they look like; sizes stay numbers.
TEST_F(ExcelExportTest, NamesThatLookLikeNumbersOrTruthValuesReadBackAsTheirTexts) {
    WriteNodes(R"(<node Name="File Name" Visible="True"/><node Name="File Ext" Visible="True"/>)"
               R"(<node Name="File Size" Visible="True"/>)");
    for (const test::TRow& row : {test::TRow{"1.50", "50"}, test::TRow{"-0", ""}, test::TRow{"1e5", ""}, test::TRow{"TRUE", ""}}) Add(row);
    const TOleServerScope server(std::string(ExcelProgId), CreateSpreadsheetApplication);
    Desktop.QueueAnswer(OutPath("names.xls"));
    Desktop.QueueAnswer("Ok");
    ExportExcel(Ctrl, List, Desktop);
    const std::string dump = test::XlrdDump(OutPath("names.xls"));
    for (const char* cell : {"B3 \"1.50\"", "C3 \"50\"", "B4 \"-0\"", "B5 \"1e5\"", "B6 \"TRUE\"", "D6 0.0"})
        EXPECT_NE(dump.find(std::string("\n") + cell + " "), std::string::npos) << cell << " in\n" << dump;
}
