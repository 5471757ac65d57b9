#include "export/JsonLines.h"

#include <charconv>
#include <cstdio>

#include "core/TallyscopeCtrl.h"
#include "platform/text/Utf8.h"

namespace nulvane {
namespace {

// The field names as JSON keys, made once.
const std::array<std::string, FieldCount>& FieldKeys() {
    static const std::array<std::string, FieldCount> keys = [] {
        std::array<std::string, FieldCount> result;
        for (int i = 0; i < FieldCount; ++i) result[static_cast<std::size_t>(i)] = FieldXmlName(i);
        return result;
    }();
    return keys;
}

void AppendKey(std::string& out, std::string_view key, std::string_view suffix = {}) {
    out += '"';
    out += key;
    out += suffix;
    out += "\":";
}

// Days since 1970-01-01 as a civil date (proleptic Gregorian), for any day an int64 of seconds
// can reach.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) noexcept {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<std::uint64_t>(days - era * 146097);
    const std::uint64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::uint64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

void AppendDigits(std::string& out, std::uint64_t value, int width) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    if (length < width) out.append(static_cast<std::size_t>(width - length), '0');
    out.append(digits, end);
}

}  // namespace

bool AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    bool valid = true;
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            char32_t c;
            const std::size_t n = DecodeUtf8(text, i, c);
            if (n == 0) {
                AppendUtf8(out, U'\uFFFD');
                valid = false;
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (byte) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += Hex[byte >> 4];
                out += Hex[byte & 0xF];
            } else {
                out += static_cast<char>(byte);
            }
        }
        ++i;
    }
    out += '"';
    return valid;
}

void AppendBase64(std::string& out, std::string_view bytes) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 |
                                static_cast<unsigned char>(bytes[i + 1]) << 8 | static_cast<unsigned char>(bytes[i + 2]);
        for (int shift : {18, 12, 6, 0}) out += Alphabet[(v >> shift) & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 |
                                (two ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0u);
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += two ? Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
}

void AppendUtcTime(std::string& out, const TFileTime& time) {
    // Floor division: a time before 1970 lies in the day before, counted from its midnight.
    std::int64_t days = time.Seconds / 86400;
    std::int64_t second = time.Seconds % 86400;
    if (second < 0) {
        second += 86400;
        --days;
    }
    std::int64_t year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    if (year < 0 || year > 9999) out += year < 0 ? '-' : '+';
    AppendDigits(out, static_cast<std::uint64_t>(year < 0 ? -year : year), 4);
    out += '-';
    AppendDigits(out, month, 2);
    out += '-';
    AppendDigits(out, day, 2);
    out += 'T';
    AppendDigits(out, static_cast<std::uint64_t>(second / 3600), 2);
    out += ':';
    AppendDigits(out, static_cast<std::uint64_t>(second / 60 % 60), 2);
    out += ':';
    AppendDigits(out, static_cast<std::uint64_t>(second % 60), 2);
    out += '.';
    AppendDigits(out, time.Nanoseconds % 1000000000u, 9);
    out += 'Z';
}

void AppendEntryJson(std::string& out, TEntryTexts& texts, const TListEntry& entry, std::string_view heldBy) {
    const auto& keys = FieldKeys();
    char separator = '{';
    for (int field = 0; field < FieldCount; ++field) {
        const std::string_view text = texts.Get(entry, field);
        if (text.empty()) continue;
        const std::string& key = keys[static_cast<std::size_t>(field)];
        out += separator;
        separator = ',';
        AppendKey(out, key);
        const std::string shown = TTallyscopeCtrl::CellTextFor(field, text);
        if (!AppendJsonString(out, shown)) {
            out += ',';
            AppendKey(out, key, "Bytes");
            out += '"';
            AppendBase64(out, shown);
            out += '"';
        }
    }
    std::uint64_t size = 0;
    const std::string_view sizeText = texts.Get(entry, fiFileSize);
    const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (!sizeText.empty() && error == std::errc() && end == sizeText.data() + sizeText.size()) {
        out += separator;
        separator = ',';
        AppendKey(out, "SizeBytes");
        AppendDigits(out, size, 1);
    }
    TExactTimes times;
    if (entry.Record.GetExactTimes(times)) {
        for (const auto& [key, time] : {std::pair{"CreateTimeUtc", &times.Create}, {"AccessTimeUtc", &times.Access},
                                        {"WriteTimeUtc", &times.Write}}) {
            out += separator;
            separator = ',';
            AppendKey(out, key);
            out += '"';
            AppendUtcTime(out, *time);
            out += '"';
        }
    }
    if (!heldBy.empty()) {
        out += separator;
        AppendKey(out, "Kept");
        AppendJsonString(out, "rule " + std::string(heldBy));
    }
    out += separator;
    AppendKey(out, "Kind");
    out += entry.Kind == TEntryKind::Folder ? "\"folder\"" : "\"file\"";
    out += '}';
}

}  // namespace nulvane
