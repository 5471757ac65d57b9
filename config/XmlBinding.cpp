#include "config/XmlBinding.h"

#include <charconv>

#include "platform/system/Errors.h"

namespace nulvane {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

[[noreturn]] void ThrowNotA(const char* type, const std::optional<std::string>& value, std::string_view name) {
    if (!value)
        throw EConvertError("attribute \"" + std::string(name) + "\" is missing or empty: not a valid " + type + " value");
    throw EConvertError("\"" + *value + "\" (attribute \"" + std::string(name) + "\") is not a valid " + type + " value");
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

// A decimal number: sign, digits, optional fraction. Sets `nonZero`; false when not a number.
bool ReadDecimal(std::string_view text, bool& nonZero) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    bool digits = false, point = false;
    nonZero = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            nonZero = nonZero || c != '0';
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

}  // namespace

std::int32_t AttributeToInteger(const std::optional<std::string>& value, std::string_view name) {
    if (!value) ThrowNotA("integer", value, name);
    std::string_view text = TrimBlanks(*value);
    if (text.size() > 1 && text.front() == '+' && text[1] >= '0' && text[1] <= '9') text.remove_prefix(1);
    std::int32_t result = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) ThrowNotA("integer", value, name);
    return result;
}

bool AttributeToBoolean(const std::optional<std::string>& value, std::string_view name) {
    if (!value) ThrowNotA("boolean", value, name);
    const std::string_view text = TrimBlanks(*value);
    if (EqualsIgnoringCase(text, "true")) return true;
    if (EqualsIgnoringCase(text, "false")) return false;
    bool nonZero = false;
    if (!ReadDecimal(text, nonZero)) ThrowNotA("boolean", value, name);
    return nonZero;
}


}  // namespace nulvane
