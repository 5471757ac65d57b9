// Date-time texts: writing a local time in the locale's patterns and reading it back.
#include "platform/text/LocaleTexts.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/system/Errors.h"
#include "platform/text/LocalePatterns.h"

namespace nulvane {

using namespace detail;

namespace {

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

}  // namespace

struct TLocaleTexts::TParseFields {
    int Year = -1, Month = -1, Day = -1, Weekday = -1;
    int Hour24 = -1, Hour12 = -1, Pm = -1, Minute = -1, Second = -1;
};

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

TDateTime ToDateTime(const TLocalTime& time) noexcept {
    const std::int64_t days = DaysFromCivil(time.Year, time.Month, time.Day) - DateTimeEpoch;
    const std::int64_t seconds = days * SecondsPerDay + std::int64_t{time.Hour} * 3600 +
                                 std::int64_t{time.Minute} * 60 + time.Second;
    // One rounding of an exact integer ratio: every whole second maps to its nearest double.
    return static_cast<double>(seconds) / static_cast<double>(SecondsPerDay);
}

}  // namespace nulvane
