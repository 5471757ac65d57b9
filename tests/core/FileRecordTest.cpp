#include "core/FileRecord.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/system/Errors.h"

using namespace nulvane;

namespace {

TEST(FieldNamesTest, IndexTrimsBothSidesAndComparesExactlyAndXmlNameDropsEveryBlank) {
    const std::pair<const char*, int> cases[] = {
        {"File Name", 0}, {"      File Name", 0}, {"  Write Time \t", 12}, {"write time", 0} /* case matters */,
        {"", 0},          {"No Such Field", 0},   {"SizeRange", 18},       {"\x01" "Full Path\r\n", 1},
        {"File  Name", 0},  // inner blanks are not folded
    };
    for (const auto& [name, field] : cases) EXPECT_EQ(FieldIndexOf(name), field) << '"' << name << '"';
    for (int i = 0; i < FieldCount; ++i) EXPECT_EQ(FieldIndexOf(FieldNames[i]), i);

    EXPECT_EQ(FieldXmlName(fiFileName), "FileName");
    EXPECT_EQ(FieldXmlName(fiFileNameLength), "FileNameLength");
    EXPECT_EQ(FieldXmlName(fiDOSName), "DOSName");
    EXPECT_EQ(FieldXmlName(fiWriteAgeRange), "WriteAgeRange");
    EXPECT_THROW(FieldXmlName(19), EListError);
}

TEST(FileRecordTest, FieldsAreIndependentAndSharedTailsStayCorrect) {
    TFileRecord r;
    EXPECT_TRUE(r.IsEmpty());
    for (int i = 0; i < FieldCount; ++i) EXPECT_EQ(r[i], "");
    const std::pair<int, std::string_view> texts[] = {
        {fiFullPath, "/home/u/docs/a.b/report.txt"}, {fiFileName, "report.txt"}, {fiFileSize, "0"},
        {fiFileExt, "txt"}, {fiFileType, "file"}, {fiWriteTime, "12/8/2026 2:52:02 PM"}};
    for (const auto& [field, text] : texts) r.Set(field, text);
    for (const auto& [field, text] : texts) EXPECT_EQ(r[field], text);
    EXPECT_EQ(r[fiCreateTime], "");
    // The name and extension share the path's bytes rather than repeating them.
    EXPECT_LT(r.HeapBytes(), 4 + 6 * 4 + 27 + 1 + 4 + 20 + 1);

    // Replacing the text a shared field lives in must not disturb the sharer.
    r.Set(fiFullPath, "/elsewhere/x");
    EXPECT_EQ(r[fiFileName], "report.txt");
    EXPECT_EQ(r[fiFileExt], "txt");
    EXPECT_EQ(r[fiFullPath], "/elsewhere/x");
    // Setting a field from another field of the same record (aliasing the old block).
    r.Set(fiDescription, r[fiWriteTime]);
    EXPECT_EQ(r[fiDescription], "12/8/2026 2:52:02 PM");
    r.Set(fiFileType, "");
    EXPECT_EQ(r[fiFileType], "");
    EXPECT_EQ(r[fiFileSize], "0");

    EXPECT_THROW(r.Set(19, "x"), EListError);
    EXPECT_THROW(r.Set(-1, "x"), EListError);
    EXPECT_EQ(r[19], "");
    EXPECT_EQ(r[-1], "");
}

TEST(FileRecordTest, HoldsArbitraryBytesAndLongTexts) {
    TFileRecord r;
    const std::string odd("a\0b\xff\xfe,\"<\n", 9), big(70000, 'x');
    r.Set(fiFileName, odd);
    EXPECT_EQ(r[fiFileName], odd);
    // Past 64 KiB of text the record switches to wide offsets; everything still reads back.
    r.Set(fiDescription, big);
    r.Set(fiFullPath, "/p/" + big);
    EXPECT_EQ(r[fiDescription], big);
    EXPECT_EQ(r[fiFullPath], "/p/" + big);
    EXPECT_EQ(r[fiFileName], odd);
    r.Set(fiFullPath, "");
    r.Set(fiDescription, "");
    EXPECT_EQ(r[fiFileName], odd);
    EXPECT_LT(r.HeapBytes(), 64u);
}

TEST(FileRecordTest, CopiesAreDeepAndMovesTransfer) {
    TFileRecord a;
    a.Set(fiFullPath, "/x/y");
    TFileRecord b = a;
    b.Set(fiFullPath, "/z");
    EXPECT_EQ(a[fiFullPath], "/x/y");
    EXPECT_EQ(b[fiFullPath], "/z");
    TFileRecord c = std::move(a);
    EXPECT_EQ(c[fiFullPath], "/x/y");
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    b = c;
    EXPECT_EQ(b[fiFullPath], "/x/y");
    b = b;  // self-assignment keeps the text
    EXPECT_EQ(b[fiFullPath], "/x/y");
    c.Clear();
    EXPECT_EQ(c[fiFullPath], "");
}

}  // namespace
