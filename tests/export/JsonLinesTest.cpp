#include "export/JsonLines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/text/LocaleTexts.h"

using namespace nulvane;

namespace {

TEST(JsonLines, StringsEscapeControlsAndReplaceWhatIsNotUtf8) {
    const struct { std::string Text, Json; bool Valid; } cases[] = {
        {"plain", "\"plain\"", true},
        {"q\"b\\s/", "\"q\\\"b\\\\s/\"", true},
        {"\n\r\t\b\f\x01\x1f\x7f", "\"\\n\\r\\t\\b\\f\\u0001\\u001f\\u007f\"", true},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"", true},
        // Each byte that is not part of a well-formed sequence: a lone lead, a stray
        // continuation, an overlong form, a surrogate, a sequence cut off at the end.
        {"a\xff" "b\x80\xc0\xaf\xed\xa0\x80\xe2\x82", [] {
             std::string replaced = "\"a\xef\xbf\xbd" "b";
             for (int i = 0; i < 8; ++i) replaced += "\xef\xbf\xbd";
             return replaced + '"';
         }(), false},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(AppendJsonString(out, c.Text), c.Valid) << c.Text;
        EXPECT_EQ(out, c.Json);
    }
}

TEST(JsonLines, Base64AndUtcTimes) {
    const std::pair<std::string, std::string> base64[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\xff\xfe\x00", 3), "//4A"}};
    for (const auto& [bytes, text] : base64) {
        std::string out;
        AppendBase64(out, bytes);
        EXPECT_EQ(out, text);
    }
    const std::pair<TFileTime, std::string> times[] = {
        {{0, 0}, "1970-01-01T00:00:00.000000000Z"},
        {{-1, 999999999}, "1969-12-31T23:59:59.999999999Z"},
        {{951782400, 5}, "2000-02-29T00:00:00.000000005Z"},
        {{1796796061, 123456789}, "2026-12-09T06:01:01.123456789Z"},
        {{253402300799, 0}, "9999-12-31T23:59:59.000000000Z"},
        {{253402300800, 0}, "+10000-01-01T00:00:00.000000000Z"},
        {{-62135596801, 0}, "0000-12-31T23:59:59.000000000Z"},
        {{-62167219201, 0}, "-0001-12-31T23:59:59.000000000Z"},
    };
    for (const auto& [time, text] : times) {
        std::string out;
        AppendUtcTime(out, time);
        EXPECT_EQ(out, text) << time.Seconds;
    }
}

// Every non-empty field as its cell shows it, then the size and the exact times; a name that is
// not UTF-8 gets its bytes beside it.
TEST(JsonLines, AnEntryHoldsItsFieldsSizeTimesAndRawBytes) {
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    const std::string name = "a\xff.txt";
    TFileRecord::TTexts texts{};
    texts[fiFileName] = name;
    texts[fiFileSize] = "0";
    texts[fiFileExt] = "txt";
    texts[fiFileType] = "file";
    texts[fiWriteTime] = "12/9/2026 6:01:01 AM";
    const TExactTimes times{{1, 2}, {3, 4}, {1796796061, 123456789}};
    TListEntry entry;
    entry.Record.Assign(texts, {.PathTail = name, .Times = &times});
    TEntryTexts reader(std::string_view("/d/"));
    std::string out;
    AppendEntryJson(out, reader, entry);
    EXPECT_EQ(out,
              "{\"FileName\":\"a\xef\xbf\xbd.txt\",\"FileNameBytes\":\"Yf8udHh0\",\"FullPath\":\"/d/a\xef\xbf\xbd.txt\","
              "\"FullPathBytes\":\"L2QvYf8udHh0\",\"FileSize\":\"0.00 B\",\"FileExt\":\"txt\",\"FileType\":\"file\","
              "\"WriteTime\":\"12/9/2026 6:01:01 AM\",\"SizeBytes\":0,\"CreateTimeUtc\":\"1970-01-01T00:00:01.000000002Z\","
              "\"AccessTimeUtc\":\"1970-01-01T00:00:03.000000004Z\",\"WriteTimeUtc\":\"2026-12-09T06:01:01.123456789Z\",\"Kind\":\"file\"}");
    out.clear();
    TListEntry empty;
    AppendEntryJson(out, reader, empty);
    EXPECT_EQ(out, "{\"Kind\":\"file\"}");
    out.clear();
    empty.Kind = TEntryKind::Folder;
    AppendEntryJson(out, reader, empty);
    EXPECT_EQ(out, "{\"Kind\":\"folder\"}");
}

}  // namespace
