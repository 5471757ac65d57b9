// The time zone: a moment's local date-time, and whether its local time is one that the clocks
// show twice (where they were turned back).
#include "platform/text/LocaleTexts.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/system/Errors.h"

namespace nulvane {

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
