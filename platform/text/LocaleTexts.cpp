#include "platform/text/LocaleTexts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <forward_list>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/system/Errors.h"
#include "platform/system/ScopeGuard.h"

#if !defined(_WIN32)
#include <langinfo.h>
#include <locale.h>
#endif

namespace nulvane {

namespace {

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
int WeekdayOf(int year, int month, int day) noexcept {
    const std::int64_t days = DaysFromCivil(year, month, day);
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

bool IsValidTime(const TLocalTime& t) noexcept {
    return t.Year >= 1 && t.Year <= 9999 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 &&
           t.Day <= DaysInMonth(t.Year, t.Month) && t.Hour >= 0 && t.Hour <= 23 && t.Minute >= 0 &&
           t.Minute <= 59 && t.Second >= 0 && t.Second <= 59;
}

const std::vector<std::string>& EnglishMonthAbbr() {
    static const std::vector<std::string> names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return names;
}
const std::vector<std::string>& EnglishMonthFull() {
    static const std::vector<std::string> names{"January", "February", "March",     "April",
                                                "May",     "June",     "July",      "August",
                                                "September", "October", "November", "December"};
    return names;
}
const std::vector<std::string>& EnglishWeekdayAbbr() {
    static const std::vector<std::string> names{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return names;
}
const std::vector<std::string>& EnglishWeekdayFull() {
    static const std::vector<std::string> names{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};
    return names;
}

// Names that cannot be told apart cannot be parsed back, so such a list falls back to English.
void UseNamesOrEnglish(std::vector<std::string>& names, std::size_t count,
                       const std::vector<std::string>& english) {
    bool usable = names.size() == count;
    for (std::size_t i = 0; usable && i < names.size(); ++i) {
        if (names[i].empty()) usable = false;
        for (std::size_t j = 0; usable && j < i; ++j)
            if (names[i] == names[j]) usable = false;
    }
    if (!usable) names = english;
}

bool IsAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsNumericKind(TKind kind) noexcept {
    switch (kind) {
    case TKind::Year:
    case TKind::Month:
    case TKind::Day:
    case TKind::Hour24:
    case TKind::Hour12:
    case TKind::Minute:
    case TKind::Second:
        return true;
    default:
        return false;
    }
}

// Letters and double quotes would read as tokens or quotes, so they go inside single quotes.
void AppendQuotedLiteral(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'') {
            out += "''";
            ++i;
        } else if (IsAsciiLetter(c) || c == '"') {
            out += '\'';
            while (i < text.size() && (IsAsciiLetter(text[i]) || text[i] == '"')) out += text[i++];
            out += '\'';
        } else {
            out += c;
            ++i;
        }
    }
}

void AppendLiteralToken(std::vector<TPatternToken>& tokens, std::string_view text) {
    if (text.empty()) return;
    if (!tokens.empty() && tokens.back().Kind == TKind::Literal)
        tokens.back().Text += text;
    else
        tokens.push_back({TKind::Literal, 1, std::string(text)});
}

std::vector<TPatternToken> CompilePattern(std::string_view pattern) {
    std::vector<TPatternToken> tokens;
    const auto field = [&tokens](TKind kind, std::size_t width) {
        tokens.push_back({kind, static_cast<std::uint8_t>(width >= 2 ? 2 : 1), {}});
    };
    std::size_t i = 0;
    const std::size_t n = pattern.size();
    while (i < n) {
        const char c = pattern[i];
        if (c == '\'' && i + 1 < n && pattern[i + 1] == '\'') {
            AppendLiteralToken(tokens, "'");
            i += 2;
            continue;
        }
        if (c == '\'' || c == '"') {
            ++i;
            while (i < n) {
                if (pattern[i] == c) {
                    if (c == '\'' && i + 1 < n && pattern[i + 1] == '\'') {
                        AppendLiteralToken(tokens, "'");
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                AppendLiteralToken(tokens, pattern.substr(i, 1));
                ++i;
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < n && pattern[i + run] == c) ++run;
        switch (c) {
        case 'y': tokens.push_back({TKind::Year, 4, {}}); break;  // always four digits
        case 'M':
            field(run <= 2 ? TKind::Month : run == 3 ? TKind::MonthAbbr : TKind::MonthFull, run);
            break;
        case 'd':
            field(run <= 2 ? TKind::Day : run == 3 ? TKind::WeekdayAbbr : TKind::WeekdayFull, run);
            break;
        case 'H': field(TKind::Hour24, run); break;
        case 'h': field(TKind::Hour12, run); break;
        case 'm': field(TKind::Minute, run); break;
        case 's': field(TKind::Second, run); break;
        case 't': field(TKind::AmPm, run); break;
        default: AppendLiteralToken(tokens, pattern.substr(i, run)); break;
        }
        i += run;
    }
    return tokens;
}

std::string RenderPattern(const std::vector<TPatternToken>& tokens) {
    std::string out;
    for (const TPatternToken& token : tokens) {
        const bool padded = token.Width == 2;
        switch (token.Kind) {
        case TKind::Literal: AppendQuotedLiteral(out, token.Text); break;
        case TKind::Year: out += "yyyy"; break;
        case TKind::Month: out += padded ? "MM" : "M"; break;
        case TKind::MonthAbbr: out += "MMM"; break;
        case TKind::MonthFull: out += "MMMM"; break;
        case TKind::Day: out += padded ? "dd" : "d"; break;
        case TKind::WeekdayAbbr: out += "ddd"; break;
        case TKind::WeekdayFull: out += "dddd"; break;
        case TKind::Hour24: out += padded ? "HH" : "H"; break;
        case TKind::Hour12: out += padded ? "hh" : "h"; break;
        case TKind::Minute: out += padded ? "mm" : "m"; break;
        case TKind::Second: out += padded ? "ss" : "s"; break;
        case TKind::AmPm: out += "tt"; break;
        }
    }
    return out;
}

bool HasKind(const std::vector<TPatternToken>& tokens, TKind kind) {
    return std::any_of(tokens.begin(), tokens.end(),
                       [kind](const TPatternToken& t) { return t.Kind == kind; });
}

// Removes the AM/PM tokens and one blank that separated each from its neighbour.
void RemoveAmPm(std::vector<TPatternToken>& tokens) {
    for (std::size_t i = 0; i < tokens.size();) {
        if (tokens[i].Kind != TKind::AmPm) {
            ++i;
            continue;
        }
        if (i > 0 && tokens[i - 1].Kind == TKind::Literal && !tokens[i - 1].Text.empty() &&
            tokens[i - 1].Text.back() == ' ')
            tokens[i - 1].Text.pop_back();
        else if (i + 1 < tokens.size() && tokens[i + 1].Kind == TKind::Literal &&
                 !tokens[i + 1].Text.empty() && tokens[i + 1].Text.front() == ' ')
            tokens[i + 1].Text.erase(0, 1);
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
    }
    // Merge literals that now touch and drop emptied ones.
    std::vector<TPatternToken> merged;
    for (TPatternToken& token : tokens) {
        if (token.Kind == TKind::Literal)
            AppendLiteralToken(merged, token.Text);
        else
            merged.push_back(std::move(token));
    }
    tokens = std::move(merged);
}

// Reads minDigits..maxDigits decimal digits, greedily.
bool ReadNumber(const char*& pos, const char* end, int minDigits, int maxDigits, int& value) noexcept {
    int count = 0;
    int result = 0;
    while (count < maxDigits && pos != end && IsDigit(*pos)) {
        result = result * 10 + (*pos - '0');
        ++pos;
        ++count;
    }
    value = result;
    return count >= minDigits;
}

bool StartsWith(const char* pos, const char* end, const std::string& text) noexcept {
    return static_cast<std::size_t>(end - pos) >= text.size() &&
           std::memcmp(pos, text.data(), text.size()) == 0;
}

// The index of the longest name the text starts with, or -1.
int MatchName(const std::vector<std::string>& names, const char*& pos, const char* end) noexcept {
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() > bestLength && StartsWith(pos, end, names[i])) {
            best = static_cast<int>(i);
            bestLength = names[i].size();
        }
    }
    pos += bestLength;
    return best;
}

bool Store(int& field, int value) noexcept {
    if (field >= 0 && field != value) return false;
    field = value;
    return true;
}

void AppendPadded(std::string& out, int value, int width) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto length = result.ptr - buffer; length < width; ++length) out += '0';
    out.append(buffer, result.ptr);
}

std::string DescribeTime(const TLocalTime& t) {
    return std::to_string(t.Year) + "-" + std::to_string(t.Month) + "-" + std::to_string(t.Day) +
           " " + std::to_string(t.Hour) + ":" + std::to_string(t.Minute) + ":" +
           std::to_string(t.Second);
}

void TranslateStrftime(std::string_view format, const TStrftimeContext& context, std::string& out,
                       int depth) {
    // A locale whose %r or %x refers back to itself must not recurse for ever.
    if (depth > 4) return;
    std::string literal;
    const auto flush = [&]() {
        AppendQuotedLiteral(out, literal);
        literal.clear();
    };
    const auto expand = [&](std::string_view inner) {
        flush();
        TranslateStrftime(inner, context, out, depth + 1);
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal += format[i];
            continue;
        }
        ++i;
        bool unpadded = false;
        while (i < format.size() && format[i] != '\0' && std::strchr("-_0^#", format[i])) {
            if (format[i] == '-' || format[i] == '_') unpadded = true;
            ++i;
        }
        while (i < format.size() && IsDigit(format[i])) ++i;
        while (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
        if (i >= format.size()) break;
        const auto token = [&](std::string_view padded, std::string_view plain) {
            flush();
            out += unpadded ? plain : padded;
        };
        switch (format[i]) {
        case 'm': token("MM", "M"); break;
        case 'd': token("dd", "d"); break;
        case 'e': token("d", "d"); break;
        case 'Y':
        case 'G':
        case 'y':
        case 'g': token("yyyy", "yyyy"); break;
        case 'H': token("HH", "H"); break;
        case 'k': token("H", "H"); break;
        case 'I': token("hh", "h"); break;
        case 'l': token("h", "h"); break;
        case 'M': token("mm", "m"); break;
        case 'S': token("ss", "s"); break;
        case 'p':
        case 'P': token("tt", "tt"); break;
        case 'b':
        case 'h': token("MMM", "MMM"); break;
        case 'B': token("MMMM", "MMMM"); break;
        case 'a': token("ddd", "ddd"); break;
        case 'A': token("dddd", "dddd"); break;
        case 'D': expand("%m/%d/%y"); break;
        case 'F': expand("%Y-%m-%d"); break;
        case 'T': expand("%H:%M:%S"); break;
        case 'R': expand("%H:%M"); break;
        case 'r':
            expand(context.TimeFormatAmPm.empty() ? "%I:%M:%S %p" : context.TimeFormatAmPm);
            break;
        case 'x': expand(context.DateFormat.empty() ? "%m/%d/%y" : context.DateFormat); break;
        case 'X': expand(context.TimeFormat.empty() ? "%H:%M:%S" : context.TimeFormat); break;
        case 'c': expand("%x %X"); break;
        case 'n':
        case 't': literal += ' '; break;
        case '%': literal += '%'; break;
        default: break;  // no token for it: time zone, day of the year, week number, century...
        }
    }
    flush();
}

// Blanks at either end of a pattern outside quotes, left by conversions that were dropped.
std::string TrimPatternBlanks(std::string pattern) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    while (first < pattern.size() && isBlank(pattern[first])) ++first;
    std::size_t last = pattern.size();
    while (last > first && isBlank(pattern[last - 1])) --last;
    return pattern.substr(first, last - first);
}

}  // namespace

struct TLocaleTexts::TParseFields {
    int Year = -1, Month = -1, Day = -1, Weekday = -1;
    int Hour24 = -1, Hour12 = -1, Pm = -1, Minute = -1, Second = -1;
};

// ---------------------------------------------------------------------------------------------
// Construction

TLocaleTexts::TLocaleTexts(std::string_view shortDatePattern, std::string_view longTimePattern,
                           char decimalSeparator, std::string thousandSeparator,
                           std::string grouping, std::string amText, std::string pmText,
                           std::vector<std::string> monthAbbr, std::vector<std::string> monthFull,
                           std::vector<std::string> weekdayAbbr,
                           std::vector<std::string> weekdayFull)
    : ShortDatePattern_(shortDatePattern),
      LongTimePattern_(longTimePattern),
      DecimalSeparator_(decimalSeparator),
      ThousandSeparator_(std::move(thousandSeparator)),
      Grouping_(std::move(grouping)),
      AmText_(std::move(amText)),
      PmText_(std::move(pmText)),
      MonthAbbr_(std::move(monthAbbr)),
      MonthFull_(std::move(monthFull)),
      WeekdayAbbr_(std::move(weekdayAbbr)),
      WeekdayFull_(std::move(weekdayFull)) {
    Normalize();
}

void TLocaleTexts::Normalize() {
    UseNamesOrEnglish(MonthAbbr_, 12, EnglishMonthAbbr());
    UseNamesOrEnglish(MonthFull_, 12, EnglishMonthFull());
    UseNamesOrEnglish(WeekdayAbbr_, 7, EnglishWeekdayAbbr());
    UseNamesOrEnglish(WeekdayFull_, 7, EnglishWeekdayFull());
    // Digits, signs and blanks as decimal separator would make numbers ambiguous.
    if (IsDigit(DecimalSeparator_) || DecimalSeparator_ == '+' || DecimalSeparator_ == '-' ||
        DecimalSeparator_ == 'e' || DecimalSeparator_ == 'E' || DecimalSeparator_ == ' ' ||
        DecimalSeparator_ == '\t' || DecimalSeparator_ == '\0')
        DecimalSeparator_ = '.';

    DateTokens_ = CompilePattern(ShortDatePattern_);
    TimeTokens_ = CompilePattern(LongTimePattern_);

    // A 12-hour clock needs two distinct, non-empty AM/PM texts to be read back.
    const bool amPmUsable = !AmText_.empty() && !PmText_.empty() && AmText_ != PmText_;
    if (!amPmUsable) {
        RemoveAmPm(DateTokens_);
        RemoveAmPm(TimeTokens_);
    }
    const bool hasAmPm = HasKind(DateTokens_, TKind::AmPm) || HasKind(TimeTokens_, TKind::AmPm);
    const auto anyStartsWithDigit = [](const std::vector<std::string>& names) {
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return !name.empty() && IsDigit(name[0]); });
    };
    const auto mayStartWithDigit = [&](const TPatternToken& next) {
        switch (next.Kind) {
        case TKind::Literal:
            return !next.Text.empty() && IsDigit(next.Text[0]);
        case TKind::MonthAbbr:
            return anyStartsWithDigit(MonthAbbr_);
        case TKind::MonthFull:
            return anyStartsWithDigit(MonthFull_);
        case TKind::WeekdayAbbr:
            return anyStartsWithDigit(WeekdayAbbr_);
        case TKind::WeekdayFull:
            return anyStartsWithDigit(WeekdayFull_);
        case TKind::AmPm:
            return anyStartsWithDigit({AmText_, PmText_});
        default:
            return IsNumericKind(next.Kind);
        }
    };
    for (auto* tokens : {&DateTokens_, &TimeTokens_}) {
        for (std::size_t i = 0; i < tokens->size(); ++i) {
            TPatternToken& token = (*tokens)[i];
            if (token.Kind == TKind::Hour12 && !hasAmPm) token.Kind = TKind::Hour24;
            // "dM" cannot be split again ("111"), nor "d" before a literal or a name that starts
            // with a digit ("d1" gives "11"); padding the number makes it readable.
            if (IsNumericKind(token.Kind) && token.Kind != TKind::Year && i + 1 < tokens->size() &&
                mayStartWithDigit((*tokens)[i + 1]))
                token.Width = 2;
        }
    }

    const bool dateComplete =
        HasKind(DateTokens_, TKind::Year) && HasKind(DateTokens_, TKind::Day) &&
        (HasKind(DateTokens_, TKind::Month) || HasKind(DateTokens_, TKind::MonthAbbr) ||
         HasKind(DateTokens_, TKind::MonthFull));
    if (!dateComplete) DateTokens_ = CompilePattern("yyyy-MM-dd");
    const bool timeComplete =
        (HasKind(TimeTokens_, TKind::Hour24) || HasKind(TimeTokens_, TKind::Hour12)) &&
        HasKind(TimeTokens_, TKind::Minute) && HasKind(TimeTokens_, TKind::Second);
    if (!timeComplete) TimeTokens_ = CompilePattern("HH:mm:ss");

    ShortDatePattern_ = RenderPattern(DateTokens_);
    LongTimePattern_ = RenderPattern(TimeTokens_);
}

const TLocaleTexts& TLocaleTexts::EnglishUS() {
    static const TLocaleTexts texts("M/d/yyyy", "h:mm:ss tt", '.', ",", "\3", "AM", "PM",
                                    EnglishMonthAbbr(), EnglishMonthFull(), EnglishWeekdayAbbr(),
                                    EnglishWeekdayFull());
    return texts;
}

TLocaleTexts TLocaleTexts::FromProcessLocale() {
#if defined(_WIN32)
    return EnglishUS();
#else
    // A private copy of the process locale: nl_langinfo_l on it is safe on any thread.
    const locale_t locale = duplocale(LC_GLOBAL_LOCALE);
    if (!locale) throw EOSError("The process locale cannot be read");
    const TScopeGuard freeLocale([locale] { freelocale(locale); });
    const auto info = [locale](nl_item item) {
        const char* text = nl_langinfo_l(item, locale);
        return std::string(text ? text : "");
    };
    const auto names = [&info](std::initializer_list<nl_item> items) {
        std::vector<std::string> result;
        for (nl_item item : items) result.push_back(info(item));
        return result;
    };

    const std::string radix = info(RADIXCHAR);
    const std::string dateFormat = info(D_FMT);
    const std::string timeFormat = info(T_FMT);
    const std::string timeFormatAmPm = info(T_FMT_AMPM);
    const TStrftimeContext context{dateFormat, timeFormat, timeFormatAmPm};
    return TLocaleTexts(
        PatternFromStrftime(dateFormat, context), PatternFromStrftime(timeFormat, context),
        radix.size() == 1 ? radix[0] : '.', info(THOUSEP), info(GROUPING), info(AM_STR),
        info(PM_STR),
        names({ABMON_1, ABMON_2, ABMON_3, ABMON_4, ABMON_5, ABMON_6, ABMON_7, ABMON_8, ABMON_9,
               ABMON_10, ABMON_11, ABMON_12}),
        names({MON_1, MON_2, MON_3, MON_4, MON_5, MON_6, MON_7, MON_8, MON_9, MON_10, MON_11,
               MON_12}),
        names({ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7}),
        names({DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7}));
#endif
}

// ---------------------------------------------------------------------------------------------
// The instance in use

namespace {

// Every installed instance stays alive until the process ends, so a reference returned by
// Current() stays valid even when another instance is installed later.
struct TCurrentHolder {
    std::mutex Mutex;
    std::forward_list<TLocaleTexts> Installed;
    std::atomic<const TLocaleTexts*> Current{nullptr};
};

TCurrentHolder& CurrentHolder() {
    static TCurrentHolder* holder = new TCurrentHolder;  // never destroyed: no order-of-exit hazard
    return *holder;
}

}  // namespace

const TLocaleTexts& TLocaleTexts::Current() {
    TCurrentHolder& holder = CurrentHolder();
    if (const TLocaleTexts* texts = holder.Current.load(std::memory_order_acquire)) return *texts;
    std::lock_guard lock(holder.Mutex);
    const TLocaleTexts* texts = holder.Current.load(std::memory_order_relaxed);
    if (!texts) {
        holder.Installed.push_front(FromProcessLocale());
        texts = &holder.Installed.front();
        holder.Current.store(texts, std::memory_order_release);
    }
    return *texts;
}

void TLocaleTexts::SetCurrent(const TLocaleTexts& texts) {
    TCurrentHolder& holder = CurrentHolder();
    std::lock_guard lock(holder.Mutex);
    holder.Installed.push_front(texts);
    holder.Current.store(&holder.Installed.front(), std::memory_order_release);
}

// ---------------------------------------------------------------------------------------------
// Date-times

void TLocaleTexts::AppendTokens(std::string& out, const std::vector<TPatternToken>& tokens,
                                const TLocalTime& time) const {
    for (const TPatternToken& token : tokens) {
        switch (token.Kind) {
        case TKind::Literal: out += token.Text; break;
        case TKind::Year: AppendPadded(out, time.Year, 4); break;
        case TKind::Month: AppendPadded(out, time.Month, token.Width); break;
        case TKind::MonthAbbr: out += MonthAbbr_[static_cast<std::size_t>(time.Month - 1)]; break;
        case TKind::MonthFull: out += MonthFull_[static_cast<std::size_t>(time.Month - 1)]; break;
        case TKind::Day: AppendPadded(out, time.Day, token.Width); break;
        case TKind::WeekdayAbbr:
            out += WeekdayAbbr_[static_cast<std::size_t>(WeekdayOf(time.Year, time.Month, time.Day))];
            break;
        case TKind::WeekdayFull:
            out += WeekdayFull_[static_cast<std::size_t>(WeekdayOf(time.Year, time.Month, time.Day))];
            break;
        case TKind::Hour24: AppendPadded(out, time.Hour, token.Width); break;
        case TKind::Hour12:
            AppendPadded(out, time.Hour % 12 == 0 ? 12 : time.Hour % 12, token.Width);
            break;
        case TKind::Minute: AppendPadded(out, time.Minute, token.Width); break;
        case TKind::Second: AppendPadded(out, time.Second, token.Width); break;
        case TKind::AmPm: out += time.Hour < 12 ? AmText_ : PmText_; break;
        }
    }
}

void TLocaleTexts::AppendDateTime(std::string& out, const TLocalTime& time) const {
    if (!IsValidTime(time)) throw EConvertError("Invalid date-time " + DescribeTime(time));
    AppendTokens(out, DateTokens_, time);
    if (time.Hour != 0 || time.Minute != 0 || time.Second != 0) {
        out += ' ';
        AppendTokens(out, TimeTokens_, time);
    }
}

std::string TLocaleTexts::FormatDateTime(const TLocalTime& time) const {
    std::string out;
    AppendDateTime(out, time);
    return out;
}

bool TLocaleTexts::ParseTokens(const std::vector<TPatternToken>& tokens, const char*& pos,
                               const char* end, TParseFields& fields) const noexcept {
    for (const TPatternToken& token : tokens) {
        int value = 0;
        const int minDigits = token.Width == 2 ? 2 : 1;
        switch (token.Kind) {
        case TKind::Literal:
            if (!StartsWith(pos, end, token.Text)) return false;
            pos += token.Text.size();
            break;
        case TKind::Year:
            if (!ReadNumber(pos, end, 4, 4, value) || !Store(fields.Year, value)) return false;
            break;
        case TKind::Month:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Month, value)) return false;
            break;
        case TKind::MonthAbbr:
        case TKind::MonthFull:
            value = MatchName(token.Kind == TKind::MonthAbbr ? MonthAbbr_ : MonthFull_, pos, end);
            if (value < 0 || !Store(fields.Month, value + 1)) return false;
            break;
        case TKind::Day:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Day, value)) return false;
            break;
        case TKind::WeekdayAbbr:
        case TKind::WeekdayFull:
            value = MatchName(token.Kind == TKind::WeekdayAbbr ? WeekdayAbbr_ : WeekdayFull_, pos, end);
            if (value < 0 || !Store(fields.Weekday, value)) return false;
            break;
        case TKind::Hour24:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Hour24, value)) return false;
            break;
        case TKind::Hour12:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Hour12, value)) return false;
            break;
        case TKind::Minute:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Minute, value)) return false;
            break;
        case TKind::Second:
            if (!ReadNumber(pos, end, minDigits, 2, value) || !Store(fields.Second, value)) return false;
            break;
        case TKind::AmPm: {
            // The longer text wins when one starts with the other.
            const bool am = StartsWith(pos, end, AmText_);
            const bool pm = StartsWith(pos, end, PmText_);
            if (!am && !pm) return false;
            const bool isPm = pm && (!am || PmText_.size() > AmText_.size());
            pos += isPm ? PmText_.size() : AmText_.size();
            if (!Store(fields.Pm, isPm ? 1 : 0)) return false;
            break;
        }
        }
    }
    return true;
}

bool TLocaleTexts::ParseDateTime(std::string_view text, TLocalTime& time) const noexcept {
    const char* pos = text.data();
    const char* const end = pos + text.size();
    TParseFields fields;
    if (!ParseTokens(DateTokens_, pos, end, fields)) return false;
    if (pos != end) {
        if (*pos != ' ') return false;
        ++pos;
        if (!ParseTokens(TimeTokens_, pos, end, fields) || pos != end) return false;
    }

    int hour = fields.Hour24 < 0 ? 0 : fields.Hour24;
    if (fields.Hour12 >= 0) {
        if (fields.Hour12 < 1 || fields.Hour12 > 12 || fields.Pm < 0) return false;
        const int fromClock = fields.Hour12 % 12 + (fields.Pm == 1 ? 12 : 0);
        if (fields.Hour24 >= 0 && fields.Hour24 != fromClock) return false;
        hour = fromClock;
    }
    if (fields.Pm >= 0 && (hour >= 12) != (fields.Pm == 1)) return false;

    TLocalTime result;
    result.Year = fields.Year;
    result.Month = fields.Month;
    result.Day = fields.Day;
    result.Hour = hour;
    result.Minute = fields.Minute < 0 ? 0 : fields.Minute;
    result.Second = fields.Second < 0 ? 0 : fields.Second;
    if (!IsValidTime(result)) return false;
    if (fields.Weekday >= 0 && fields.Weekday != WeekdayOf(result.Year, result.Month, result.Day))
        return false;
    time = result;
    return true;
}

bool TLocaleTexts::ParseDateTime(std::string_view text, TDateTime& value) const noexcept {
    TLocalTime time;
    if (!ParseDateTime(text, time)) return false;
    value = ToDateTime(time);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Numbers

bool TLocaleTexts::ParseNumber(std::string_view text, double& value) const noexcept {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const char* pos = text.data();
    const char* end = pos + text.size();
    while (pos != end && isBlank(*pos)) ++pos;
    while (end != pos && isBlank(end[-1])) --end;

    bool negative = false;
    if (pos != end && (*pos == '+' || *pos == '-')) negative = *pos++ == '-';

    // The significant digits go to a stack buffer as an integer with a decimal exponent, so the
    // locale's separator never reaches from_chars and no text length needs a heap buffer. Beyond
    // MaxDigits, digits only matter as "some were not zero": a trailing 1 keeps the rounding
    // direction (a double needs at most 767 significant digits to round correctly).
    constexpr std::size_t MaxDigits = 800;
    char buffer[MaxDigits + 32];
    std::size_t digitCount = 0;
    std::int64_t exponent = 0;
    bool anyDigit = false, significant = false, droppedNonZero = false, seenSeparator = false;
    for (; pos != end; ++pos) {
        const char c = *pos;
        if (c == DecimalSeparator_ && !seenSeparator) {
            seenSeparator = true;
            continue;
        }
        if (!IsDigit(c)) break;
        anyDigit = true;
        if (c == '0' && !significant) {
            if (seenSeparator) --exponent;
            continue;
        }
        significant = true;
        if (digitCount < MaxDigits) {
            buffer[digitCount++] = c;
            if (seenSeparator) --exponent;
        } else {
            if (c != '0') droppedNonZero = true;
            if (!seenSeparator) ++exponent;
        }
    }
    if (!anyDigit) return false;

    if (pos != end && (*pos == 'e' || *pos == 'E')) {
        ++pos;
        bool exponentNegative = false;
        if (pos != end && (*pos == '+' || *pos == '-')) exponentNegative = *pos++ == '-';
        if (pos == end || !IsDigit(*pos)) return false;
        std::int64_t written = 0;
        for (; pos != end && IsDigit(*pos); ++pos)
            if (written < 1'000'000'000) written = written * 10 + (*pos - '0');
        exponent += exponentNegative ? -written : written;
    }
    if (pos != end) return false;

    if (digitCount == 0) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (droppedNonZero) {
        buffer[digitCount++] = '1';
        --exponent;
    }
    // Decimal position of the leading digit decides overflow and underflow without from_chars.
    const std::int64_t magnitude = exponent + static_cast<std::int64_t>(digitCount) - 1;
    if (magnitude > 310) return false;
    if (magnitude < -330) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    std::size_t length = digitCount;
    buffer[length++] = 'e';
    length = static_cast<std::size_t>(
        std::to_chars(buffer + length, buffer + sizeof buffer, exponent).ptr - buffer);
    double result = 0;
    const auto parsed = std::from_chars(buffer, buffer + length, result, std::chars_format::scientific);
    if (parsed.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) return false;
        result = 0;
    } else if (parsed.ec != std::errc() || parsed.ptr != buffer + length) {
        return false;
    }
    value = negative ? -result : result;
    return true;
}

std::string TLocaleTexts::FormatNumber(double value) const {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buffer[400];  // the largest double has 309 integer digits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) throw EConvertError("Number cannot be formatted");
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view integer = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "00" : text.substr(point + 1);
    if (text.find_first_not_of("0.") == std::string_view::npos) negative = false;

    // Group sizes from the right: each byte of the grouping a size, the last one repeating;
    // 0 repeats the previous size, CHAR_MAX (or a negative byte) ends grouping.
    std::array<std::size_t, 400> groups{};
    std::size_t groupCount = 0;
    std::size_t remaining = integer.size();
    if (!ThousandSeparator_.empty()) {
        std::size_t size = 0;
        std::size_t index = 0;
        bool repeat = false;
        while (true) {
            if (!repeat && index < Grouping_.size()) {
                const auto g = static_cast<unsigned char>(Grouping_[index++]);
                if (g == 0)
                    repeat = true;
                else if (g >= 127)  // CHAR_MAX, or a negative byte: no further grouping
                    break;
                else
                    size = g;
            }
            if (size == 0 || remaining <= size) break;
            groups[groupCount++] = size;
            remaining -= size;
        }
    }

    std::string out;
    out.reserve(integer.size() + groupCount * ThousandSeparator_.size() + 8);
    if (negative) out += '-';
    out.append(integer.substr(0, remaining));
    std::size_t offset = remaining;
    for (std::size_t i = groupCount; i-- > 0;) {
        out += ThousandSeparator_;
        out.append(integer.substr(offset, groups[i]));
        offset += groups[i];
    }
    out += DecimalSeparator_;
    out.append(fraction);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Free functions

std::string PatternFromStrftime(std::string_view format, const TStrftimeContext& context) {
    std::string out;
    TranslateStrftime(format, context, out, 0);
    return TrimPatternBlanks(std::move(out));
}

TDateTime ToDateTime(const TLocalTime& time) noexcept {
    const std::int64_t days = DaysFromCivil(time.Year, time.Month, time.Day) - DateTimeEpoch;
    const std::int64_t seconds = days * SecondsPerDay + std::int64_t{time.Hour} * 3600 +
                                 std::int64_t{time.Minute} * 60 + time.Second;
    // One rounding of an exact integer ratio: every whole second maps to its nearest double.
    return static_cast<double>(seconds) / static_cast<double>(SecondsPerDay);
}

TLocalTime ToLocalTime(std::int64_t unixSeconds) {
    const auto fail = [unixSeconds]() {
        return EConvertError("Time stamp " + std::to_string(unixSeconds) +
                             " cannot be converted to a local date-time");
    };
    const auto instant = static_cast<std::time_t>(unixSeconds);
    if (static_cast<std::int64_t>(instant) != unixSeconds) throw fail();
    std::tm parts{};
#if defined(_WIN32)
    if (localtime_s(&parts, &instant) != 0) throw fail();
#else
    if (!localtime_r(&instant, &parts)) throw fail();
#endif
    const std::int64_t year = std::int64_t{parts.tm_year} + 1900;
    if (year < 1 || year > 9999) throw fail();
    TLocalTime time;
    time.Year = static_cast<int>(year);
    time.Month = parts.tm_mon + 1;
    time.Day = parts.tm_mday;
    time.Hour = parts.tm_hour;
    time.Minute = parts.tm_min;
    time.Second = std::min(parts.tm_sec, 59);  // a leap second under a "right/" zone
    return time;
}

namespace {

bool OffsetAt(std::int64_t unixSeconds, long& offset) noexcept {
#if defined(_WIN32)
    (void)unixSeconds;
    (void)offset;
    return false;
#else
    const auto instant = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    if (static_cast<std::int64_t>(instant) != unixSeconds || !localtime_r(&instant, &parts)) return false;
    offset = parts.tm_gmtoff;
    return true;
#endif
}

}  // namespace

TTimeReading LocalTimeReading(std::int64_t unixSeconds) noexcept {
    // Longer than any turn-back of clocks (two hours at most), shorter than the time between two
    // changes of offset.
    constexpr std::int64_t Reach = 3 * 3600;
    if (unixSeconds < INT64_MIN + 2 * Reach || unixSeconds > INT64_MAX - 2 * Reach) return TTimeReading::Only;
    // A scan asks for many times close together: one offset throughout Reach either side of an
    // instant means that no time within an hour of it comes twice (offsets do not change twice
    // within six hours). The zone is part of what is remembered, since TZ may change.
    thread_local struct {
        std::string Zone;
        std::int64_t Center = 0;
        bool Valid = false;
    } lastSteady;
    const char* zone = std::getenv("TZ");
    const std::string_view zoneText = zone ? std::string_view(zone) : std::string_view("\n(unset)");
    if (lastSteady.Valid && lastSteady.Zone == zoneText && unixSeconds >= lastSteady.Center - 3600 &&
        unixSeconds <= lastSteady.Center + 3600)
        return TTimeReading::Only;
    long now, before, after, other;
    if (!OffsetAt(unixSeconds, now) || !OffsetAt(unixSeconds - Reach, before) ||
        !OffsetAt(unixSeconds + Reach, after))
        return TTimeReading::Only;
    if (before == now && now == after) {
        lastSteady.Zone.assign(zoneText);
        lastSteady.Center = unixSeconds;
        lastSteady.Valid = true;
        return TTimeReading::Only;
    }
    // Turned back by d before this instant: it is the later reading when the instant d earlier
    // still had the old offset, so that both show the same local time.
    if (before > now && OffsetAt(unixSeconds - (before - now), other) && other == before) return TTimeReading::Later;
    if (now > after && OffsetAt(unixSeconds + (now - after), other) && other == after) return TTimeReading::Earlier;
    return TTimeReading::Only;
}

}  // namespace nulvane
