// Numbers: reading a number written with the locale's decimal separator, and writing one with
// two decimals and the locale's grouping.
#include "platform/text/LocaleTexts.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/system/Errors.h"
#include "platform/text/LocalePatterns.h"

namespace nulvane {

using namespace detail;

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

}  // namespace nulvane
