#pragma once
// The parts the locale texts are built from, shared by their files and by nothing else: the
// calendar (days from a date and back, weekdays, valid dates) and the date and time patterns
// (compiling a pattern into tokens, writing tokens back as a pattern, the English names a locale
// falls back to, translating a C library format). The calendar's small functions stand here
// whole, so that parsing a date-time text, which runs once per entry of every sort by a date,
// calls none of them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/LocaleTexts.h"

namespace nulvane::detail {

using TKind = TPatternToken::TKind;

constexpr std::int64_t SecondsPerDay = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
constexpr std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) noexcept {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr std::int64_t DateTimeEpoch = DaysFromCivil(1899, 12, 30);

constexpr bool IsLeapYear(int year) noexcept {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr int DaysInMonth(int year, int month) noexcept {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// 0 = Sunday, the order of the C library's day names.
inline int WeekdayOf(int year, int month, int day) noexcept {
    const std::int64_t days = DaysFromCivil(year, month, day);
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

inline bool IsValidTime(const TLocalTime& t) noexcept {
    return t.Year >= 1 && t.Year <= 9999 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 &&
           t.Day <= DaysInMonth(t.Year, t.Month) && t.Hour >= 0 && t.Hour <= 23 && t.Minute >= 0 &&
           t.Minute <= 59 && t.Second >= 0 && t.Second <= 59;
}

inline bool IsAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

const std::vector<std::string>& EnglishMonthAbbr();
const std::vector<std::string>& EnglishMonthFull();
const std::vector<std::string>& EnglishWeekdayAbbr();
const std::vector<std::string>& EnglishWeekdayFull();

// Names that cannot be told apart cannot be parsed back, so such a list falls back to English.
void UseNamesOrEnglish(std::vector<std::string>& names, std::size_t count, const std::vector<std::string>& english);

// Whether the token stands for a number (year, month, day, hour, minute, second).
bool IsNumericKind(TKind kind) noexcept;

// A pattern's tokens ("M/d/yyyy": month, "/", day, "/", year), and the pattern tokens stand for.
std::vector<TPatternToken> CompilePattern(std::string_view pattern);
std::string RenderPattern(const std::vector<TPatternToken>& tokens);
bool HasKind(const std::vector<TPatternToken>& tokens, TKind kind);
// Removes the AM/PM tokens and one blank that separated each from its neighbour.
void RemoveAmPm(std::vector<TPatternToken>& tokens);

}  // namespace nulvane::detail
