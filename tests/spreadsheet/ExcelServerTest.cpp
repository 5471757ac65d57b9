#include "spreadsheet/ExcelServer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/FileContent.h"
#include "platform/system/LongWork.h"
#include "spreadsheet/Workbook.h"
#include "support/OleErrors.h"
#include "support/SpreadsheetReaders.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

TVariant Get(const TDispatchRef& object, std::u16string_view name, std::initializer_list<TVariant> args = {}) {
    return OleInvoke(*object, name, args.size() ? TInvokeKind::PropertyGet : TInvokeKind::MethodOrGet, args);
}
TDispatchRef Obj(const TDispatchRef& object, std::u16string_view name, std::initializer_list<TVariant> args = {}) {
    return Get(object, name, args).AsDispatch();
}
void Call(const TDispatchRef& object, std::u16string_view name, std::initializer_list<TVariant> args = {}) {
    OleInvoke(*object, name, TInvokeKind::Method, args);
}
void Put(const TDispatchRef& object, std::u16string_view name, TVariant value) { OlePut(*object, name, std::move(value)); }

TDispatchRef FirstSheet(const TDispatchRef& app) { return Obj(Obj(app, u"WorkBooks", {1}), u"WorkSheets", {1}); }

TDispatchRef NewApplicationWithBook() {
    TDispatchRef app = CreateSpreadsheetApplication();
    Call(Obj(app, u"WorkBooks"), u"Add");
    return app;
}

TWideStringArray ArrayOf(std::initializer_list<std::initializer_list<std::u16string>> rows) {
    TWideStringArray array(0, static_cast<int>(rows.size()) - 1, 0, static_cast<int>(rows.begin()->size()) - 1);
    int r = 0;
    for (const auto& row : rows) {
        int c = 0;
        for (const auto& text : row) array.At(r, c++) = text;
        ++r;
    }
    return array;
}

}  // namespace

TEST(ExcelServerTest, TitleDataAndFormatsReadBackByXlrdAndGnumeric) {
    const test::TTempDir dir;
    const std::string path = dir.Str() + "/report.xls";
    TDispatchRef app = NewApplicationWithBook();
    Put(app, u"ScreenUpdating", TVariant::Bool(false));
    const TDispatchRef title = Obj(FirstSheet(app), u"Cells", {1, 1});
    Put(title, u"Value", u"report");
    Put(title, u"HorizontalAlignment", -4108);
    Put(title, u"VerticalAlignment", -4108);
    Put(Obj(title, u"Font"), u"Bold", TVariant::Bool(true));
    Call(Obj(FirstSheet(app), u"Range", {u"A1:C1"}), u"Merge");
    const TDispatchRef data = Obj(FirstSheet(app), u"range", {u"$A$2:C4"});
    Put(data, u"Value",
        ArrayOf({{u"SerialNO", u"File Name", u" Size "}, {u"1", u"a,b.txt", u"0"}, {u"2", u"Жук é 😀", u""}}));
    Put(Obj(data, u"Borders"), u"LineStyle", 1);
    Call(Obj(data, u"Columns"), u"AutoFit");
    Call(Obj(data, u"Rows"), u"AutoFit");
    Call(Obj(app, u"workBooks", {1}), u"SaveAs", {ToWideText(path)});
    Call(Obj(app, u"workBooks", {1}), u"close");

    EXPECT_EQ(test::XlrdDump(path),
              "size 4 3\n"
              "merged 0 1 0 3\n"
              "A1 \"report\" bold h2 v1\n"
              "B1 blank bold h2 v1\n"
              "C1 blank bold h2 v1\n"
              "A2 \"SerialNO\" b1111\n"
              "B2 \"File Name\" b1111\n"
              "C2 \" Size \" b1111\n"
              "A3 1.0 b1111\n"
              "B3 \"a,b.txt\" b1111\n"
              "C3 0.0 b1111\n"
              "A4 2.0 b1111\n"
              "B4 \"Жук é 😀\" b1111\n"
              "C4 blank b1111\n"
              "col 0 2230\n"
              "col 1 2486\n"
              "col 2 1718\n"
              "row 0 255\n"
              "row 1 255\n"
              "row 2 255\n"
              "row 3 255\n");
    EXPECT_EQ(test::SsconvertCsv(path), "report,,\nSerialNO,\"File Name\",\" Size \"\n1,\"a,b.txt\",0\n2,\"Жук é 😀\",\n");
}

// Texts far longer than one record, of one-byte and two-byte units, and enough short ones that
// the shared string table runs through many CONTINUE records; a surrogate pair at every place.
TEST(ExcelServerTest, LongAndManyTextsSurviveTheStringTable) {
    const test::TTempDir dir;
    const std::string path = dir.Str() + "/many.xls";
    std::vector<std::u16string> texts{std::u16string(30000, u'é'), std::u16string(20000, u'Ж'), u""};
    for (int i = 0; i < 4000; ++i) texts.push_back(u"name-" + ToWideText(std::to_string(i)) + u"-😀");
    std::u16string pairs;
    for (int i = 0; i < 8000; ++i) pairs += u"😀";
    texts.push_back(pairs + u"x");
    TWideStringArray array(0, static_cast<int>(texts.size()) - 1, 0, 0);
    for (std::size_t i = 0; i < texts.size(); ++i) array.At(static_cast<int>(i), 0) = texts[i];

    TDispatchRef app = NewApplicationWithBook();
    Put(Obj(FirstSheet(app), u"Range", {u"A1:A" + ToWideText(std::to_string(texts.size()))}), u"Value", array);
    Call(Obj(app, u"WorkBooks", {1}), u"SaveAs", {ToWideText(path)});

    std::string expected = "size " + std::to_string(texts.size()) + " 1\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].empty()) continue;
        expected.append("A").append(std::to_string(i + 1)).append(" \"").append(FromWideText(texts[i])).append("\"\n");
    }
    std::string dump = test::XlrdDump(path);
    dump.erase(dump.find("\nrow 0"));
    EXPECT_EQ(dump + "\n", expected);
}

TEST(ExcelServerTest, FailuresCarryTheServersDescription) {
    const test::TTempDir dir;
    TDispatchRef app = NewApplicationWithBook();
    const TDispatchRef book = Obj(app, u"WorkBooks", {1});
    const TDispatchRef sheet = FirstSheet(app);
    EXPECT_EQ(test::DescriptionOf([&] { Get(sheet, u"Cellz", {1, 1}); }), "Unknown name.");
    EXPECT_EQ(test::DescriptionOf([&] { Get(sheet, u"Cells", {0, 1}); }),
              "Application-defined or object-defined error.");
    EXPECT_EQ(test::DescriptionOf([&] { Get(sheet, u"Cells", {65537, 1}); }),
              "Application-defined or object-defined error.");
    EXPECT_EQ(test::DescriptionOf([&] { Get(sheet, u"Range", {u"A0:B2"}); }), "Method 'Range' of object '_Worksheet' failed");
    EXPECT_EQ(test::DescriptionOf([&] { Get(sheet, u"Range", {u"IW1"}); }), "Method 'Range' of object '_Worksheet' failed");
    EXPECT_EQ(test::DescriptionOf([&] { Put(Obj(sheet, u"Range", {u"A1"}), u"HorizontalAlignment", 99); }),
              "Unable to set the HorizontalAlignment property of the Range class");
    EXPECT_EQ(test::DescriptionOf([&] { Call(Obj(sheet, u"Range", {u"A1"}), u"AutoFit"); }),
              "AutoFit method of Range class failed");
    EXPECT_EQ(test::DescriptionOf([&] { Get(app, u"WorkBooks", {2}); }), "Subscript out of range");

    // A save that cannot be done leaves the earlier file as it was, and no temporary file.
    const std::string earlier = dir.Write("taken/old.xls", "earlier");
    std::filesystem::create_directory(dir.Path() / "taken" / "folder.xls");
    const std::string saveError = test::DescriptionOf(
        [&] { Call(book, u"SaveAs", {ToWideText(dir.Str() + "/taken/folder.xls")}); });
    EXPECT_NE(saveError.find("folder.xls"), std::string::npos) << saveError;
    EXPECT_NE(test::DescriptionOf([&] { Call(book, u"SaveAs", {ToWideText(dir.Str() + "/missing/new.xls")}); }),
              "no error");
    {  // so does a save whose job was asked to stop
        TLongWork work;
        work.RequestStop();
        EXPECT_EQ(test::DescriptionOf([&] { OleInvoke(*book, u"SaveAs", TInvokeKind::Method, {ToWideText(earlier)}, &work); }),
                  "SaveAs method of Workbook class was stopped");
    }
    EXPECT_EQ(ReadFileContent(earlier), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() / "taken"),
                            std::filesystem::directory_iterator()),
              2);

    Call(book, u"Close");
    EXPECT_EQ(test::DescriptionOf([&] { Get(book, u"Worksheets", {1}); }),
              "The object invoked has disconnected from its clients.");
}

TEST(WorkbookTest, PlainDecimalTextsBecomeNumbersAndOthersStayTexts) {
    const std::pair<std::u16string, TCellValue> cases[] = {
        {u"0", 0.0}, {u"42", 42.0}, {u"-7.25", -7.25}, {u"0.001", 0.001}, {u"123456789012345", 123456789012345.0},
        {u"", std::monostate()}, {u"007", u"007"}, {u"1e5", u"1e5"}, {u" 1", u" 1"}, {u"1.", u"1."}, {u"+1", u"+1"},
        {u"1,5", u"1,5"}, {u"1234567890123456", u"1234567890123456"}, {u"0x1F", u"0x1F"}, {u"-", u"-"}, {u"inf", u"inf"},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ValueOfText(text), value) << FromWideText(text);
}
