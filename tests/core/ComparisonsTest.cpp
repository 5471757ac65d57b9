#include "core/Comparisons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/text/LocaleTexts.h"

using namespace nulvane;

namespace {

class ComparisonsTest : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }
};

// Byte by byte, a..z folded to A..Z and nothing else, bytes unsigned, a prefix first by the
// difference of the lengths; the word-at-a-time path is checked against that rule on texts with
// long shared prefixes.
TEST_F(ComparisonsTest, TextFoldsOnlyAToZAndComparesBytesUnsigned) {
    EXPECT_EQ(CompareText("/home/user/docs/Report1", "/HOME/USER/DOCS/report2"), '1' - '2');
    EXPECT_EQ(CompareText("ab", "abcd"), -2);
    std::mt19937 random(11);
    const std::string alphabet = "aAzZ@[`{_/.09 \x7F\x80\xE0\xFF";
    auto pick = [&] { return alphabet[random() % alphabet.size()]; };
    auto fold = [](char c) -> int { return (c >= 'a' && c <= 'z') ? c - 32 : static_cast<unsigned char>(c); };
    for (int round = 0; round < 20000; ++round) {
        std::string a;
        for (std::size_t i = random() % 30; i > 0; --i) a += pick();
        std::string b = a;
        for (char& c : b)
            if (random() % 4 == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        for (std::size_t i = random() % 12; i > 0; --i) a += pick();
        for (std::size_t i = random() % 12; i > 0; --i) b += pick();
        const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
        const int expected = ia != a.end() && ib != b.end() ? fold(*ia) - fold(*ib)
                                                            : static_cast<int>(a.size()) - static_cast<int>(b.size());
        ASSERT_EQ(CompareText(a, b), expected) << a << " | " << b;
    }
}

TEST_F(ComparisonsTest, NumbersNeverCompareEqualAndNonNumbersCountAsZero) {
    EXPECT_TRUE(IsNumeric(" -1.5e3 "));
    EXPECT_FALSE(IsNumeric("1,024"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_EQ(CompareNumber(1, 1), -1);
    EXPECT_EQ(CompareNumericText("10", "9"), 1);  // as numbers, not as texts
    EXPECT_EQ(CompareNumericText("5", "5"), -1);
    EXPECT_EQ(CompareNumericText("abc", "0"), -1);
    EXPECT_EQ(CompareNumericText("abc", "-1"), 1);
}

TEST_F(ComparisonsTest, DateTexts) {
    const struct { const char *A, *B; int Result; } cases[] = {
        {"", "", -1}, {"1/2/2020", "", 1}, {"1/2/2020", "1/2/2020 12:00:00 AM", 0},
        {"1/2/2020 1:00:00 PM", "1/2/2020 1:00:00 AM", 1}, {"12/31/2019 11:59:59 PM", "1/1/2020", -1},
        {"not a date", "1/2/2020", 1},  // either not a date-time: 1, whichever stands first
        {"1/2/2020", "13/2/2020", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(CompareDateText(c.A, c.B), c.Result) << c.A << " | " << c.B;
    EXPECT_EQ(CompareDateTimes(1.0, 1.0 + 0.9 / 86400000.0), 0);  // less than a millisecond apart
    EXPECT_EQ(CompareDateTimes(1.0, 1.0 + 1.1 / 86400000.0), -1);
}

}  // namespace
