#include "platform/text/LocaleTexts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <optional>
#include <random>
#include <thread>

#include "platform/system/Errors.h"
#include "support/Allocations.h"
#include "support/Environment.h"

using namespace nulvane;

namespace {

const std::vector<std::string> months{"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August",
                                      "September", "Oktober", "November", "Dezember"};
const std::vector<std::string> monthsAbbr{"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
const std::vector<std::string> days{"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
const std::vector<std::string> daysAbbr{"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
const TLocaleTexts german("dd.MM.yyyy", "HH:mm:ss", ',', ".", "\3", "", "", monthsAbbr, months, daysAbbr, days);
const TLocaleTexts british("dd/MM/yy", "HH:mm:ss", '.', ",", "\3", "am", "pm");
const TLocaleTexts withNames("dddd, d. MMMM yyyy", "h:mm:ss tt", ',', ".", "\3", "vorm.", "nachm.", monthsAbbr,
                             months, daysAbbr, days);
const TLocaleTexts withAbbreviations("ddd d MMM yyyy", "hh'h'mm'm'ss's' tt", '.', ",", "\3", "AM", "PM");

TLocalTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return {year, month, day, hour, minute, second};
}

// Every parse here also shows that parsing does not allocate; a date-time is read both as fields
// and as a value, which must agree.
std::optional<TLocalTime> Parse(const TLocaleTexts& texts, std::string_view text) {
    TLocalTime t;
    TDateTime value = -1;
    const long before = test::AllocationCount();
    const bool ok = texts.ParseDateTime(text, t), valueOk = texts.ParseDateTime(text, value);
    EXPECT_EQ(test::AllocationCount(), before) << "parsing allocated: " << text;
    EXPECT_EQ(valueOk, ok) << text;
    EXPECT_TRUE(!ok || value == ToDateTime(t)) << text;
    return ok ? std::optional(t) : std::nullopt;
}
std::optional<double> Number(const TLocaleTexts& texts, std::string_view text) {
    double value = 0;
    const long before = test::AllocationCount();
    const bool ok = texts.ParseNumber(text, value);
    EXPECT_EQ(test::AllocationCount(), before) << "parsing allocated: " << text;
    return ok ? std::optional(value) : std::nullopt;
}

TEST(LocaleTextsTest, FormatsAsThePatternsSayAndParsesBack) {
    const TLocaleTexts& us = TLocaleTexts::EnglishUS();
    const TLocalTime t = At(2020, 2, 3, 4, 5, 6);
    const struct { const TLocaleTexts& Texts; TLocalTime Time; const char* Text; } cases[] = {
        {us, At(2021, 3, 4, 13, 5, 9), "3/4/2021 1:05:09 PM"},  {us, At(2021, 12, 31, 23, 59, 59), "12/31/2021 11:59:59 PM"},
        {us, At(2021, 3, 4, 0, 0, 1), "3/4/2021 12:00:01 AM"},  {us, At(2021, 3, 4, 0, 30, 0), "3/4/2021 12:30:00 AM"},
        {us, At(2021, 3, 4, 12, 0, 0), "3/4/2021 12:00:00 PM"}, {us, At(2021, 3, 4, 11, 59, 59), "3/4/2021 11:59:59 AM"},
        {us, At(2021, 3, 4), "3/4/2021"},  // midnight: the date alone
        {us, At(1, 1, 1), "1/1/0001"},     {us, At(999, 1, 1, 1, 0, 0), "1/1/0999 1:00:00 AM"},
        {german, t, "03.02.2020 04:05:06"}, {british, t, "03/02/2020 04:05:06"},  // "yy" widened
        {withNames, t, "Montag, 3. Februar 2020 4:05:06 vorm."},
        {withNames, At(2020, 3, 1, 15), "Sonntag, 1. März 2020 3:00:00 nachm."},
        {withAbbreviations, t, "Mon 3 Feb 2020 04h05m06s AM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Texts.FormatDateTime(c.Time), c.Text);
        std::string out = "x";
        c.Texts.AppendDateTime(out, c.Time);
        EXPECT_EQ(out, std::string("x") + c.Text);
        EXPECT_EQ(Parse(c.Texts, c.Text), c.Time) << c.Text;
    }
}

// Parsing is the exact inverse of formatting, to the second, for many instants and shapes.
TEST(LocaleTextsTest, ParseInvertsFormatForManyInstants) {
    const long start = test::AllocationCount();
    std::mt19937_64 random(20240229);
    const auto draw = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<TLocalTime> times;
    for (int i = 0; i < 4000; ++i) {
        const int year = draw(1, 9999), month = draw(1, 12);
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const int day = draw(1, lengths[month - 1]);
        // Every fourth instant falls on a midnight, so the date-only form is covered as well.
        times.push_back(i % 4 == 0 ? At(year, month, day) : At(year, month, day, draw(0, 23), draw(0, 59), draw(0, 59)));
    }
    for (int hour = 0; hour < 24; ++hour) times.push_back(At(2000, 2, 29, hour, 0, 0));
    ASSERT_GT(test::AllocationCount(), start);  // the count sees allocations

    for (const TLocaleTexts& texts : {TLocaleTexts::EnglishUS(), german, british, withNames, withAbbreviations}) {
        for (const TLocalTime& t : times) {
            const std::string text = texts.FormatDateTime(t);
            ASSERT_EQ(Parse(texts, text), t) << text;
            const bool midnight = t.Hour == 0 && t.Minute == 0 && t.Second == 0;
            ASSERT_EQ(text.find(' ') == std::string::npos,
                      midnight && texts.ShortDatePattern().find(' ') == std::string::npos)
                << text;
        }
    }
}

TEST(LocaleTextsTest, ParseAndFormatRefuseWhatCannotRoundTrip) {
    const TLocaleTexts& us = TLocaleTexts::EnglishUS();
    const char* rejectedUS[] = {
        "", " ", "3/4/2021 ", " 3/4/2021", "3/4/2021  1:05:09 PM", "13/45/2020", "0/1/2020",
        "1/0/2020", "2/30/2021", "4/31/2021", "1/1/0000", "1/1/20201", "123/1/2020", "-1/1/2020",
        "2/29/2021", "2/29/1900",  // not leap years
        "1/1/20",                  // two-digit year
        "1/1/2020 13:00:00 PM", "1/1/2020 0:00:00 AM", "1/1/2020 1:00:00", "1/1/2020 1:60:00 AM",
        "1/1/2020 1:00:60 AM", "1/1/2020 1:00:00 XM", "1/1/2020 1:00:00 AMX", "1/1/2020 1:0:00 AM",
        "1/1/2020\n", "not a date", "\xff\xfe/1/2020",
    };
    for (const char* text : rejectedUS) EXPECT_FALSE(Parse(us, text)) << text;
    EXPECT_FALSE(Parse(us, std::string_view("3/4/2021\0", 9)));
    EXPECT_FALSE(Parse(us, std::string_view("3/4\0/2021", 9)));
    EXPECT_FALSE(Parse(us, std::string(100000, '1')));
    EXPECT_FALSE(Parse(us, "3/4/2021 " + std::string(100000, '1')));
    for (const char* text : {"01.01.2020 25:00:00", "1.1.2020", "01.01.2020 1:00:00", "31.04.2020",
                             "01.13.2020", "01.01.2020 12:00:00 PM"})
        EXPECT_FALSE(Parse(german, text)) << text;
    // A weekday name that does not match the date is not what formatting writes.
    EXPECT_TRUE(Parse(withNames, "Montag, 3. Februar 2020"));
    EXPECT_FALSE(Parse(withNames, "Dienstag, 3. Februar 2020"));
    EXPECT_FALSE(Parse(withNames, "Montag, 3. Febr 2020"));

    // Leading zeros on unpadded numbers and midnight written out are read as the same instant.
    EXPECT_EQ(Parse(us, "03/04/2021 01:05:09 PM"), At(2021, 3, 4, 13, 5, 9));
    EXPECT_EQ(Parse(us, "3/4/2021 12:00:00 AM"), At(2021, 3, 4));
    EXPECT_EQ(Parse(us, "2/29/2000"), At(2000, 2, 29));

    for (const TLocalTime& t : {At(2021, 13, 1), At(2021, 2, 29), At(0, 1, 1), At(10000, 1, 1),
                                At(2021, 1, 1, 24), At(2021, 1, 1, 0, 60), At(2021, 1, 1, 0, 0, -1)})
        EXPECT_THROW(us.FormatDateTime(t), EConvertError);  // its text would not parse
}

TEST(LocaleTextsTest, PatternsAreMadeReadableBack) {
    const struct { const char *Date, *Time, *Am, *ExpectDate, *ExpectTime; } cases[] = {
        // A 12-hour clock without AM/PM texts cannot tell morning from evening.
        {"dd.MM.yyyy", "hh:mm:ss tt", "", "dd.MM.yyyy", "HH:mm:ss"},
        {"dd.MM.yyyy", "h:mm:ss", "AM", "dd.MM.yyyy", "H:mm:ss"},
        // Missing seconds or a missing year would lose part of the instant.
        {"dd.MM.yyyy", "HH:mm", "AM", "dd.MM.yyyy", "HH:mm:ss"},
        {"dd.MM", "HH:mm:ss", "AM", "yyyy-MM-dd", "HH:mm:ss"},
        // Unpadded numbers that touch are padded; quoted letters stay literal.
        {"dMyyyy", "Hmmss", "AM", "ddMMyyyy", "HHmmss"},
        {"d1M1yyyy", "H1m1s", "AM", "dd1MM1yyyy", "HH1mm1s"},
        {"d 'de' MMMM 'de' yyyy", "H'h'mm'min'ss's'", "AM", "d 'de' MMMM 'de' yyyy", "H'h'mm'min'ss's'"},
        {"yyyy\"y\"MM''dd", "HH:mm:ss", "AM", "yyyy'y'MM''dd", "HH:mm:ss"},
    };
    for (const auto& c : cases) {
        const TLocaleTexts texts(c.Date, c.Time, '.', ",", "\3", c.Am, "PM");
        EXPECT_EQ(texts.ShortDatePattern(), c.ExpectDate) << c.Date;
        EXPECT_EQ(texts.LongTimePattern(), c.ExpectTime) << c.Time;
        for (const TLocalTime& t : {At(2001, 1, 1, 1, 1, 1), At(2011, 11, 11, 11, 11, 11),
                                    At(2012, 12, 21, 23, 0, 9), At(1970, 7, 4)})
            EXPECT_EQ(Parse(texts, texts.FormatDateTime(t)), t) << texts.FormatDateTime(t);
    }
}

TEST(LocaleTextsTest, StrftimePatternsTranslateToTokens) {
    const struct { const char *Format, *Pattern; } cases[] = {
        {"%m/%d/%Y", "MM/dd/yyyy"}, {"%d.%m.%Y", "dd.MM.yyyy"}, {"%d/%m/%y", "dd/MM/yyyy"}, {"%e.%m.%Y", "d.MM.yyyy"},
        {"%-d/%-m/%y", "d/M/yyyy"}, {"%Oy/%Om/%Od", "yyyy/MM/dd"}, {"%D", "MM/dd/yyyy"}, {"%F", "yyyy-MM-dd"},
        {"%x", "MM/dd/yyyy"}, {"%T", "HH:mm:ss"}, {"%r", "hh:mm:ss tt"}, {"%X", "hh:mm:ss tt"},
        {"%k:%M:%S", "H:mm:ss"}, {"%R:%S", "HH:mm:ss"}, {"%j %U %Y", "yyyy"}, {"%H:%M:%S %z", "HH:mm:ss"},
        {"%Y%", "yyyy"}, {"100%% %Y's", "100% yyyy'''s'"}, {"%A %e %B %Y", "dddd d MMMM yyyy"},
        {"%a %d %b %Y", "ddd dd MMM yyyy"}, {"%d de %h de %Y", "dd 'de' MMM 'de' yyyy"},
        {"%Y\xEB\x85\x84 %m\xEC\x9B\x94", "yyyy\xEB\x85\x84 MM\xEC\x9B\x94"}, {"%l:%M:%S %P %Z", "h:mm:ss tt"},
        {"%I:%M:%S %p %Z", "hh:mm:ss tt"}, {"%H.%M.%S Uhr", "HH.mm.ss 'Uhr'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PatternFromStrftime(c.Format, {"%m/%d/%Y", "%r", "%I:%M:%S %p"}), c.Pattern) << c.Format;
    // A locale whose %r names itself must not recurse for ever.
    EXPECT_EQ(PatternFromStrftime("%r", {"", "", "%r"}), "");
}

// Nothing in this test program sets a locale, so the process runs in "C"; other locales are tried
// where the machine has them compiled.
TEST(LocaleTextsTest, ProcessLocaleIsReadAndRoundTrips) {
    const TLocaleTexts c = TLocaleTexts::FromProcessLocale();
    EXPECT_EQ(c.FormatNumber(1234567.5), "1234567.50");
    EXPECT_EQ(c.FormatDateTime(At(1999, 1, 2, 3, 4, 5)), "01/02/1999 03:04:05");

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    int tried = 0;
    for (const char* name : {"C", "de_DE.UTF-8", "en_GB.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8",
                             "ar_SA.UTF-8", "hi_IN.UTF-8"}) {
        if (!std::setlocale(LC_ALL, name)) continue;
        ++tried;
        const TLocaleTexts texts = TLocaleTexts::FromProcessLocale();
        std::setlocale(LC_ALL, previous.c_str());
        for (const TLocalTime& t : {At(2024, 2, 29, 0, 7, 5), At(2024, 7, 1, 12), At(1999, 12, 31, 23, 59, 59)})
            EXPECT_EQ(Parse(texts, texts.FormatDateTime(t)), t) << name << ": " << texts.FormatDateTime(t);
        EXPECT_EQ(Number(texts, std::string("-12") + texts.DecimalSeparator() + "5"), -12.5) << name;
    }
    std::setlocale(LC_ALL, previous.c_str());
    if (tried == 1) GTEST_SKIP() << "only the C locale was tried: no other test locale is installed";
}

TEST(LocaleTextsTest, DateTimeValueIsExactForWholeSeconds) {
    const std::pair<TLocalTime, double> values[] = {
        {At(1899, 12, 30), 0.0},         {At(1900, 1, 1), 2.0},       {At(2000, 1, 1, 12), 36526.5},
        {At(2000, 1, 1, 6), 36526.25},   {At(1899, 12, 28, 18), -1.25}, {At(1, 1, 1), -693593.0},
        {At(9999, 12, 31), 2958465.0},   {At(2021, 3, 4, 13, 5, 9), (44259.0 * 86400 + 13 * 3600 + 5 * 60 + 9) / 86400}};
    for (const auto& [time, value] : values) EXPECT_EQ(ToDateTime(time), value) << value;
    // Neighbouring seconds stay further apart than the one millisecond that counts as equal,
    // and the values increase with the time also before 1899-12-30.
    for (TLocalTime t : {At(1, 1, 1), At(1899, 12, 29, 23, 59, 58), At(2038, 1, 19, 3, 14, 7),
                         At(9999, 12, 31, 23, 59, 58)}) {
        const double before = ToDateTime(t);
        ++t.Second;
        EXPECT_GT(ToDateTime(t) - before, 1.0 / 86400000);
    }
}

TEST(LocaleTextsTest, LocalTimeUsesTheOffsetInForceAtTheInstant) {
    const test::TEnvironmentGuard zone("TZ", "Europe/Berlin");
    EXPECT_EQ(ToLocalTime(1610712000), At(2021, 1, 15, 13));  // 2021-01-15 12:00 UTC, CET
    EXPECT_EQ(ToLocalTime(1626350400), At(2021, 7, 15, 14));  // 2021-07-15 12:00 UTC, CEST
    EXPECT_EQ(ToLocalTime(-2208988800), At(1900, 1, 1, 1));  // before 1970 as well
    EXPECT_EQ(ToLocalTime(253402300799 - 3600), At(9999, 12, 31, 23, 59, 59));
    // Year 10000, before year 1, and what the C library cannot convert.
    for (const std::int64_t seconds : {253402300800, -62135700000, INT64_MAX, INT64_MIN})
        EXPECT_THROW(ToLocalTime(seconds), EConvertError) << seconds;
}

// Berlin turns its clocks back at 2023-10-29 01:00 UTC: the hour before shows 02:00 to 03:00
// local time, and so does the hour after. Turning them forward leaves nothing ambiguous.
TEST(LocaleTextsTest, TimeReadingTellsTheTwoInstantsOfARepeatedHourApart) {
    constexpr std::int64_t back = 1698541200, forward = 1679792400;
    using enum TTimeReading;
    const std::pair<std::int64_t, TTimeReading> cases[] = {
        {back - 3601, Only}, {back - 3600, Earlier}, {back - 1, Earlier}, {back, Later}, {back + 3599, Later},
        {back + 3600, Only}, {forward - 1, Only},    {forward, Only},     {INT64_MAX, Only}, {INT64_MIN, Only}};
    for (const char* zone : {"Europe/Berlin", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        const test::TEnvironmentGuard guard("TZ", zone);
        for (const auto& [seconds, reading] : cases) EXPECT_EQ(LocalTimeReading(seconds), reading) << zone << " " << seconds;
    }
    const test::TEnvironmentGuard utc("TZ", "UTC0");
    EXPECT_EQ(LocalTimeReading(back), Only);
}

TEST(LocaleTextsTest, ParseNumberAcceptsPlainDecimalsOnly) {
    const TLocaleTexts& us = TLocaleTexts::EnglishUS();
    // Long texts are read in full and rounded correctly: 2^53 + 1 lies exactly between two
    // doubles and goes to the even one, unless a far-off digit tips it over.
    const std::string halfway = "9007199254740993", zeros(2000, '0');
    const std::pair<std::string, double> accepted[] = {
        {"0", 0}, {"1023", 1023}, {"  -12.5\t", -12.5}, {"+.5", 0.5}, {"7.", 7}, {"1e3", 1000}, {"1.5E-2", 0.015},
        {"-0.000", 0}, {"0.1", 0.1}, {"00012", 12}, {"1e-400", 0}, {"2.2250738585072014e-308", DBL_MIN},
        {"1.7976931348623157e308", DBL_MAX}, {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1e-99999999999999999999", 0}, {halfway, 9007199254740992.0}, {halfway + "." + zeros, 9007199254740992.0},
        {halfway + "." + zeros + "1", 9007199254740994.0}, {halfway + zeros + "1e-2001", 9007199254740994.0},
    };
    for (const auto& [text, value] : accepted) EXPECT_EQ(Number(us, text), value) << text.substr(0, 40);
    for (const std::string text : {"", " ", "-", "+", ".", "-.", "1,000", "1.2.3", "1e", "1e+", "e5", "inf", "-INF",
                                   "nan", "NaN", "0x10", "1 2", "--1", "1-", "1e400", "١", "12\xff", "1e99999999999999999999"})
        EXPECT_FALSE(Number(us, text)) << text;
    EXPECT_FALSE(Number(us, std::string_view("12\0", 3)));
    EXPECT_FALSE(Number(us, "1" + std::string(400, '0')));

    // The locale's separator, not the point.
    EXPECT_EQ(Number(german, "-12,5"), -12.5);
    EXPECT_EQ(Number(german, "0," + std::string(5000, '0') + "1e5001"), 1.0);
    EXPECT_FALSE(Number(german, "12.5"));
    EXPECT_FALSE(Number(german, "1.000,5"));
}

TEST(LocaleTextsTest, FormatNumberGroupsAndShowsTwoDecimals) {
    const TLocaleTexts& us = TLocaleTexts::EnglishUS();
    const struct { double Value; const char* Text; } cases[] = {
        {0, "0.00"}, {1023, "1,023.00"}, {1024, "1,024.00"}, {999.999, "1,000.00"}, {1.005, "1.00"}, {2.675, "2.67"},
        {0.125, "0.12"}, {-1234.5, "-1,234.50"}, {-0.001, "0.00"}, {-0.0, "0.00"}, {123456789, "123,456,789.00"},
        {1e20, "100,000,000,000,000,000,000.00"}, {NAN, "NAN"}, {INFINITY, "INF"}, {-INFINITY, "-INF"},
    };
    for (const auto& c : cases) EXPECT_EQ(us.FormatNumber(c.Value), c.Text) << c.Value;
    const std::string biggest = us.FormatNumber(DBL_MAX);
    EXPECT_EQ(biggest.substr(0, 8), "179,769,");
    EXPECT_EQ(biggest.size(), 309 + 102 + 3u);

    // Grouping in the C library's form: the last size repeats, CHAR_MAX (or any byte above it) ends it.
    const struct { char Decimal; const char *Thousands, *Grouping; double Value; const char* Text; } grouped[] = {
        {',', ".", "\3", 1234567.891, "1.234.567,89"},  {'.', ",", "\3\2", 12345678, "1,23,45,678.00"},
        {'.', ",", "\3\x7f", 12345678, "12345,678.00"}, {'.', ",", "\3\xff", 12345678, "12345,678.00"},
        {'.', ",", "", 12345678, "12345678.00"},
        {',', "\xE2\x80\xAF", "\3", -1234567, "-1\xE2\x80\xAF" "234\xE2\x80\xAF" "567,00"},
    };
    for (const auto& c : grouped)
        EXPECT_EQ(TLocaleTexts("d/M/yyyy", "H:mm:ss", c.Decimal, c.Thousands, c.Grouping, "", "").FormatNumber(c.Value),
                  c.Text);
}

TEST(LocaleTextsTest, CurrentIsTheInstalledInstanceAndSafeToReadFromThreads) {
    TLocaleTexts::SetCurrent(german);
    const TLocaleTexts& installed = TLocaleTexts::Current();
    EXPECT_EQ(installed.ShortDatePattern(), "dd.MM.yyyy");
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    // An earlier reference stays usable after another instance is installed.
    EXPECT_EQ(installed.FormatDateTime(At(2020, 1, 2)), "02.01.2020");
    EXPECT_EQ(&TLocaleTexts::Current(), &TLocaleTexts::Current());
    EXPECT_EQ(TLocaleTexts::Current().ShortDatePattern(), "M/d/yyyy");

    std::atomic<int> failures{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&failures] {
            for (int n = 0; n < 2000; ++n) {
                TLocalTime t;
                double d = 0;
                if (!TLocaleTexts::Current().ParseDateTime("7/4/2021 3:04:05 PM", t) || t != At(2021, 7, 4, 15, 4, 5) ||
                    !TLocaleTexts::Current().ParseNumber("1.5", d))
                    ++failures;
            }
        });
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
