#pragma once
// The user's conventions for numbers and date-times, and conversions under them.
//
// Date-time texts are "short date, a blank, long time", or the short date alone when hour, minute
// and second are all zero. Parsing accepts what formatting produces and gives back the same
// instant to the second. Parsing runs on every sort comparison, so it never allocates: the
// patterns are compiled once when the instance is made.
//
// An instance always round-trips: the year is always written with four digits, a 12-hour clock
// without usable AM/PM texts becomes a 24-hour clock, a field without padding directly followed by
// another number is zero-padded, and a short date or long time that lacks a field is replaced by
// "yyyy-MM-dd" or "HH:mm:ss".
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nulvane {

// A local calendar date and wall-clock time, to the second.
struct TLocalTime {
    int Year = 1899;   // four digits
    int Month = 12;    // 1..12
    int Day = 30;      // 1..31
    int Hour = 0;      // 0..23
    int Minute = 0;
    int Second = 0;
    friend bool operator==(const TLocalTime&, const TLocalTime&) = default;
};

// A date-time as days since 1899-12-30 00:00 with the time of day as the fraction.
using TDateTime = double;

// One token of a compiled date or time pattern.
struct TPatternToken {
    enum class TKind : std::uint8_t {
        Literal,
        Year,          // always four digits (a two-digit year in a locale is widened)
        Month,         // number; Width 2 = zero-padded
        MonthAbbr,     // locale's abbreviated month name
        MonthFull,     // locale's full month name
        Day,           // Width 2 = zero-padded
        WeekdayAbbr,
        WeekdayFull,
        Hour24,        // Width 2 = zero-padded
        Hour12,        // Width 2 = zero-padded
        Minute,        // Width 2 = zero-padded
        Second,        // Width 2 = zero-padded
        AmPm,
    };
    TKind Kind = TKind::Literal;
    std::uint8_t Width = 1;
    std::string Text;  // for Literal
};

class TLocaleTexts {
public:
    // The process locale's conventions (LC_NUMERIC, LC_TIME); call setlocale(LC_ALL, "") first.
    static TLocaleTexts FromProcessLocale();
    // English (United States): short date M/d/yyyy, long time h:mm:ss tt, "," thousands, "." decimal.
    static const TLocaleTexts& EnglishUS();

    // The instance the system uses. Made from the process locale on first use unless one was
    // installed; tests install EnglishUS(). Not to be changed while a scan runs on other threads.
    static const TLocaleTexts& Current();
    static void SetCurrent(const TLocaleTexts& texts);

    // Builds an instance from explicit patterns. Patterns use the tokens yyyy yy M MM MMM MMMM
    // d dd ddd dddd H HH h hh m mm s ss tt and quoted literals 'text' or "text" ('' is an
    // apostrophe); any other character stands for itself. "yy" is widened to "yyyy". Empty name
    // lists (or lists of the wrong length) mean the English names. Grouping is in the C library's
    // form: each byte a group size from the right, the last one repeating, CHAR_MAX ending it.
    TLocaleTexts(std::string_view shortDatePattern, std::string_view longTimePattern,
                 char decimalSeparator, std::string thousandSeparator, std::string grouping,
                 std::string amText, std::string pmText, std::vector<std::string> monthAbbr = {},
                 std::vector<std::string> monthFull = {}, std::vector<std::string> weekdayAbbr = {},
                 std::vector<std::string> weekdayFull = {});

    // Numbers. ParseNumber accepts optional blanks, a sign, digits with at most one decimal
    // separator (at least one digit in all), an optional exponent, optional blanks; no thousands
    // separators. The result is the correctly rounded double; a value beyond the double range
    // gives false, one too small for it gives zero. It never allocates.
    bool ParseNumber(std::string_view text, double& value) const noexcept;
    // Thousands separators per the locale's grouping and exactly two decimals ("1,023.00"),
    // rounded as the exact binary value is; a minus sign for a negative value that does not round
    // to zero; "INF", "-INF" and "NAN" for the values that are not numbers.
    std::string FormatNumber(double value) const;

    // Date-times. Formatting throws EConvertError for a time whose fields are out of range
    // (year outside 1..9999, a day the month does not have, ...), since its text would not parse.
    std::string FormatDateTime(const TLocalTime& time) const;
    void AppendDateTime(std::string& out, const TLocalTime& time) const;
    // Accepts the short date alone or the short date, one blank and the long time. Numbers without
    // padding may also carry a leading zero, and midnight may be written out in full; anything
    // else that formatting would not produce, including a weekday name that does not match the
    // date, gives false.
    bool ParseDateTime(std::string_view text, TLocalTime& time) const noexcept;
    bool ParseDateTime(std::string_view text, TDateTime& value) const noexcept;

    char DecimalSeparator() const noexcept { return DecimalSeparator_; }
    const std::string& ShortDatePattern() const noexcept { return ShortDatePattern_; }
    const std::string& LongTimePattern() const noexcept { return LongTimePattern_; }
    const std::string& Grouping() const noexcept { return Grouping_; }

private:
    struct TParseFields;
    void Normalize();
    bool ParseTokens(const std::vector<TPatternToken>& tokens, const char*& pos, const char* end,
                     TParseFields& fields) const noexcept;
    void AppendTokens(std::string& out, const std::vector<TPatternToken>& tokens,
                      const TLocalTime& time) const;

    std::string ShortDatePattern_, LongTimePattern_;
    std::vector<TPatternToken> DateTokens_, TimeTokens_;
    char DecimalSeparator_ = '.';
    std::string ThousandSeparator_;
    std::string Grouping_;
    std::string AmText_, PmText_;
    std::vector<std::string> MonthAbbr_, MonthFull_, WeekdayAbbr_, WeekdayFull_;
};

// The patterns a strftime pattern is built from, for the conversions that stand for another
// pattern (%x, %X, %r); empty ones take the C library's defaults.
struct TStrftimeContext {
    std::string_view DateFormat;       // %x
    std::string_view TimeFormat;       // %X
    std::string_view TimeFormatAmPm;   // %r
};

// Translates a strftime pattern (the C library's D_FMT, T_FMT) into the token form above. Two-digit
// years are widened, composite conversions are expanded, flags and E/O modifiers are dropped,
// conversions with no token (time zone, day of the year, week numbers, ...) are left out, and the
// blanks they leave at either end are trimmed.
std::string PatternFromStrftime(std::string_view format, const TStrftimeContext& context = {});

// Days since 1899-12-30 for a local calendar date-time (no time zone involved). Exact for whole
// seconds, and increasing with the time also before 1899-12-30 (the fraction of a negative value
// is measured from the day before, so -1.25 is 1899-12-28 18:00).
TDateTime ToDateTime(const TLocalTime& time) noexcept;

// Converts seconds since the Unix epoch (UTC) to local time with the offset in force at that
// instant (what `ls -l` shows), not the offset in force now. Throws EConvertError for an instant
// the C library cannot convert or whose year falls outside 1..9999.
TLocalTime ToLocalTime(std::int64_t unixSeconds);

// Which of the instants that share its local date-time text an instant is. Where the clocks are
// turned back, the local times of the hour before the change come twice: the first time is the
// earlier reading, the second the later one; every other instant has its local text alone.
enum class TTimeReading : std::uint8_t { Only = 0, Earlier = 1, Later = 2 };
TTimeReading LocalTimeReading(std::int64_t unixSeconds) noexcept;

}  // namespace nulvane
