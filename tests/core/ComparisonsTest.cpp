#include "core/Comparisons.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/LocaleTexts.h"

namespace nulvane {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

class ComparisonsTest : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }
};

TEST_F(ComparisonsTest, TextFoldsOnlyAToZAndComparesBytesUnsigned) {
    struct TCase {
        std::string A, B;
        int Result;
    };
    const TCase cases[] = {
        {"abc", "ABC", 0},
        {"", "", 0},
        {"abc", "abd", 'C' - 'D'},
        {"ab", "abcd", -2},                     // a prefix: difference of the lengths
        {"abcd", "AB", 2},
        {"_", "a", '_' - 'A'},                  // '_' lies between 'Z' and 'a': 'a' folds first
        {"\xE9", "\xC9", 0xE9 - 0xC9},          // no folding beyond ASCII
        {"\xFF", "a", 0xFF - 'A'},              // bytes are unsigned
        {"/home/user/docs/Report", "/HOME/USER/DOCS/report", 0},
        {"/home/user/docs/Report1", "/HOME/USER/DOCS/report2", '1' - '2'},
        {"/home/user/docs/aZ", "/home/user/docs/A{", 'Z' - '{'},
        {std::string("a\0b", 3), std::string("A\0c", 3), 'B' - 'C'},
    };
    for (const TCase& c : cases) EXPECT_EQ(CompareText(c.A, c.B), c.Result) << c.A << " | " << c.B;
}

// The word-at-a-time path against the plain byte rule, on texts with long shared prefixes.
TEST_F(ComparisonsTest, TextWordPathAgreesWithTheByteRule) {
    std::mt19937 random(11);
    const std::string alphabet = "aAzZ@[`{_/.09 \x7F\x80\xE0\xFF";
    auto fold = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; };
    for (int round = 0; round < 20000; ++round) {
        std::string a, b;
        const std::size_t shared = random() % 30;
        for (std::size_t i = 0; i < shared; ++i) a += alphabet[random() % alphabet.size()];
        b = a;
        for (char& c : b)
            if (random() % 4 == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        for (std::size_t i = random() % 12; i > 0; --i) a += alphabet[random() % alphabet.size()];
        for (std::size_t i = random() % 12; i > 0; --i) b += alphabet[random() % alphabet.size()];
        int expected = static_cast<int>(a.size()) - static_cast<int>(b.size());
        for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
            const int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
            if (d != 0) {
                expected = d;
                break;
            }
        }
        ASSERT_EQ(CompareText(a, b), expected) << a << " | " << b;
    }
}

TEST_F(ComparisonsTest, NumbersNeverCompareEqualAndNonNumbersCountAsZero) {
    EXPECT_TRUE(IsNumeric("0"));
    EXPECT_TRUE(IsNumeric(" -1.5e3 "));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("1,024"));
    EXPECT_FALSE(IsNumeric("abc"));

    EXPECT_EQ(CompareNumber(2, 1), 1);
    EXPECT_EQ(CompareNumber(1, 2), -1);
    EXPECT_EQ(CompareNumber(1, 1), -1);

    EXPECT_EQ(CompareNumericText("10", "9"), 1);   // as numbers, not as texts
    EXPECT_EQ(CompareNumericText("9", "10"), -1);
    EXPECT_EQ(CompareNumericText("5", "5"), -1);
    EXPECT_EQ(CompareNumericText("abc", "0"), -1);  // both zero
    EXPECT_EQ(CompareNumericText("abc", "-1"), 1);
    EXPECT_EQ(CompareNumericText("", "x"), -1);
}

TEST_F(ComparisonsTest, DateTexts) {
    struct TCase {
        const char* A;
        const char* B;
        int Result;
    };
    const TCase cases[] = {
        {"", "", -1},
        {"", "1/2/2020", -1},
        {"1/2/2020", "", 1},
        {"1/2/2020", "1/2/2020", 0},
        {"1/2/2020 1:00:00 PM", "1/2/2020 1:00:00 PM", 0},
        {"1/2/2020 1:00:01 PM", "1/2/2020 1:00:00 PM", 1},
        {"1/2/2020 1:00:00 PM", "1/2/2020 1:00:00 AM", 1},
        {"1/2/2020", "1/2/2020 12:00:01 AM", -1},
        {"12/31/2019 11:59:59 PM", "1/1/2020", -1},
        {"not a date", "1/2/2020", 1},   // either not a date-time: 1, whichever stands first
        {"1/2/2020", "not a date", 1},
        {"13/2/2020", "1/2/2020", 1},
    };
    for (const TCase& c : cases) EXPECT_EQ(Sign(CompareDateText(c.A, c.B)), c.Result) << c.A << " | " << c.B;
}

}  // namespace
}  // namespace nulvane
