#include "cli/CliValues.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>

#include "core/FileRecord.h"
#include "core/Translatable.h"

namespace nulvane {
namespace {

constexpr std::array ShortNames = std::to_array<TShortFieldName>({
    {"name", fiFileName}, {"path", fiFullPath}, {"size", fiFileSize}, {"ext", fiFileExt}, {"type", fiFileType},
    {"created", fiCreateTime}, {"accessed", fiAccessTime}, {"modified", fiWriteTime},
});

// Lower case, blanks left out: how a typed field name is compared.
std::string Folded(std::string_view text) {
    std::string folded;
    for (const char c : text)
        if (c != ' ' && c != '\t') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

bool EqualsFolded(std::string_view text, std::string_view word) { return Folded(text) == Folded(word); }

// A duration's unit in nanoseconds; 0 for none. Months and years as fd counts them (30.44 and
// 365.25 days).
std::int64_t UnitNanoseconds(std::string_view unit) {
    constexpr std::int64_t Second = 1'000'000'000;
    struct TUnit {
        std::string_view Names[4];
        std::int64_t Nanoseconds;
    };
    static constexpr TUnit Units[] = {
        {{"nsec", "ns", "nanos"}, 1},
        {{"usec", "us", "micros"}, 1000},
        {{"msec", "ms", "millis"}, 1'000'000},
        {{"seconds", "second", "sec", "s"}, Second},
        {{"minutes", "minute", "min", "m"}, 60 * Second},
        {{"hours", "hour", "hr", "h"}, 3600 * Second},
        {{"days", "day", "d"}, 86400 * Second},
        {{"weeks", "week", "w"}, 7 * 86400 * Second},
        {{"months", "month", "M"}, 2'630'016 * Second},
        {{"years", "year", "y"}, 31'557'600 * Second},
    };
    for (const TUnit& u : Units)
        for (const std::string_view name : u.Names)
            if (!name.empty() && name == unit) return u.Nanoseconds;
    return 0;
}

std::optional<std::int64_t> ParseDuration(std::string_view text) {
    std::int64_t total = 0;
    bool any = false;
    while (!text.empty()) {
        if (text.front() == ' ') {
            text.remove_prefix(1);
            continue;
        }
        std::int64_t count = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (error != std::errc() || count < 0) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        std::size_t length = 0;
        while (length < text.size() && std::isalpha(static_cast<unsigned char>(text[length]))) ++length;
        const std::int64_t unit = UnitNanoseconds(text.substr(0, length));
        if (unit == 0) return std::nullopt;
        text.remove_prefix(length);
        if (__builtin_mul_overflow(count, unit, &count) || __builtin_add_overflow(total, count, &total))
            return std::nullopt;
        any = true;
    }
    if (!any) return std::nullopt;
    return total;
}

// "2026-11-01", "2026-11-01 10:00:00" or "2026-11-01T10:00:00", in local time.
std::optional<std::int64_t> ParseLocalDate(std::string_view text) {
    const std::string copy(text);
    std::tm tm{};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int used = 0;
    const int fields = std::sscanf(copy.c_str(), "%4d-%2d-%2d%n%c%2d:%2d:%2d%n", &year, &month, &day, &used,
                                   &separator, &hour, &minute, &second, &used);
    if (fields == 3 ? static_cast<std::size_t>(used) != copy.size()
                    : fields != 7 || (separator != ' ' && separator != 'T') || static_cast<std::size_t>(used) != copy.size())
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&tm);
    if (seconds == -1 && !(year == 1969 && month == 12 && day == 31)) return std::nullopt;
    if (tm.tm_mday != day) return std::nullopt;  // 2026-02-30 is no date
    return static_cast<std::int64_t>(seconds);
}

}  // namespace

const std::span<const TShortFieldName> ShortFieldNames = ShortNames;

std::optional<TSortField> MatchSortField(std::string_view text) {
    TSortField sort;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        const std::string_view direction = text.substr(colon + 1);
        if (EqualsFolded(direction, "desc"))
            sort.Descending = true;
        else if (!EqualsFolded(direction, "asc"))
            return std::nullopt;
        text = text.substr(0, colon);
    }
    const std::string folded = Folded(text);
    if (folded.empty()) return std::nullopt;
    for (std::size_t i = 0; i < FieldNames.size(); ++i) {
        if (Folded(FieldNames[i]) == folded) {
            sort.Field = static_cast<int>(i);
            return sort;
        }
    }
    for (const TShortFieldName& name : ShortNames) {
        if (name.Name == folded) {
            sort.Field = name.Field;
            return sort;
        }
    }
    return std::nullopt;
}

std::optional<unsigned> ParseDepth(std::string_view text) {
    unsigned depth = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), depth);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || depth > 1'000'000)
        return std::nullopt;
    return depth;
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || count == 0) return std::nullopt;
    return count;
}

std::optional<TOwnerFilter> ParseOwner(std::string_view text, std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string_view sides[2] = {text.substr(0, colon),
                                       colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1)};
    if (sides[0].empty() && sides[1].empty()) {
        error = N_("give a user, :group or both");
        return std::nullopt;
    }
    TOwnerFilter owner;
    for (int side = 0; side < 2; ++side) {
        std::string_view word = sides[side];
        if (word.empty()) continue;
        bool& negated = side == 0 ? owner.NotUser : owner.NotGroup;
        negated = word.starts_with('!');
        if (negated) word.remove_prefix(1);
        std::uint32_t id = 0;
        const auto [end, failed] = std::from_chars(word.data(), word.data() + word.size(), id);
        if (word.empty() || failed != std::errc() || end != word.data() + word.size()) {
            // Numbers first, as fd reads them; then the name as the system's user and group lists know it.
            const std::string name(word);
            std::vector<char> buffer(16384);
            bool found = false;
            if (side == 0) {
                struct passwd entry, *result = nullptr;
                found = !name.empty() && ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &result) == 0 && result;
                if (found) id = result->pw_uid;
            } else {
                struct group entry, *result = nullptr;
                found = !name.empty() && ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &result) == 0 && result;
                if (found) id = result->gr_gid;
            }
            if (!found) {
                error = side == 0 ? (name.empty() ? N_("no user after !") : N_("no such user"))
                                  : (name.empty() ? N_("no group after !") : N_("no such group"));
                return std::nullopt;
            }
        }
        (side == 0 ? owner.User : owner.Group) = id;
    }
    return owner;
}

std::optional<TInstant> ParseWhen(std::string_view text, TInstant now) {
    if (text.starts_with('@')) {
        std::int64_t seconds = 0;
        const std::string_view digits = text.substr(1);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return TInstant{seconds, 0};
    }
    if (const std::optional<std::int64_t> seconds = ParseLocalDate(text)) return TInstant{*seconds, 0};
    const std::optional<std::int64_t> back = ParseDuration(text);
    if (!back) return std::nullopt;
    constexpr std::int64_t Billion = 1'000'000'000;
    std::int64_t seconds = now.Seconds - *back / Billion;
    std::int64_t nanoseconds = static_cast<std::int64_t>(now.Nanoseconds) - *back % Billion;
    if (nanoseconds < 0) {
        nanoseconds += Billion;
        --seconds;
    }
    return TInstant{seconds, static_cast<std::uint32_t>(nanoseconds)};
}

}  // namespace nulvane
