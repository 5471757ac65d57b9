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

// A scanned record holds a path tail instead of its "Full Path" (and refuses loudly to be read for
// one), and may keep exact times; both survive copies and changes of other fields, setting "Full
// Path" gives up the tail, and spans of one, two or four bytes read back alike.
TEST(FileRecordTest, PathTailAndExactTimesSurviveChangesAndEveryTextSize) {
    const TExactTimes times{{-1, 999999999}, {0, 0}, {1767225600, 123456789}};
    for (const std::size_t size : {1u, 200u, 300u, 70000u}) {
        SCOPED_TRACE(size);
        const std::string name(size, 'n'), time = "12/09/2026 01:02:03";
        TFileRecord::TTexts texts{};
        texts[fiFileName] = name;
        texts[fiFullPath] = "/ignored/for/the/tail";
        texts[fiFileExt] = std::string_view(name).substr(size - 1);
        texts[fiCreateTime] = texts[fiAccessTime] = texts[fiWriteTime] = time;
        TFileRecord r;
        r.Assign(texts, {.PathTail = name, .Times = &times});
        EXPECT_TRUE(r.HasPathTail());
        EXPECT_EQ(r.PathTail(), name);
        EXPECT_DEATH((void)r[fiFullPath], "\"Full Path\" of a scanned entry was read from its record");
        EXPECT_EQ(r[fiWriteTime], time);
        // The tail and the extension share the name's bytes; the three times share one text.
        EXPECT_LE(r.HeapBytes(), 4 + 6 * 8 + name.size() + time.size() + 36);

        r.Set(fiFileName, "other");
        TFileRecord copy = r;
        TExactTimes read{};
        ASSERT_TRUE(copy.GetExactTimes(read));
        EXPECT_EQ(read, times);
        EXPECT_EQ(copy.PathTail(), name);
        EXPECT_EQ(copy[fiFileName], "other");
        copy.Set(fiFullPath, "/whole/path");
        EXPECT_FALSE(copy.HasPathTail());
        EXPECT_EQ(copy[fiFullPath], "/whole/path");
        EXPECT_TRUE(copy.GetExactTimes(read));
        r.Assign(texts);  // a plain record keeps neither
        EXPECT_FALSE(r.HasPathTail());
        EXPECT_FALSE(r.GetExactTimes(read));
        EXPECT_EQ(r[fiFullPath], "/ignored/for/the/tail");
    }
}

}  // namespace
