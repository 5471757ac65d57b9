#include "platform/text/LocalePatterns.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace nulvane {
namespace detail {

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

namespace {

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
}  // namespace detail

std::string PatternFromStrftime(std::string_view format, const TStrftimeContext& context) {
    std::string out;
    detail::TranslateStrftime(format, context, out, 0);
    return detail::TrimPatternBlanks(std::move(out));
}

}  // namespace nulvane
