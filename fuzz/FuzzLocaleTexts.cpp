// The locale's number and date-time parsers fed any text. Under the two fixed locales a date-time
// that parses must format to a text that parses back to the same date-time: the list compares
// times by parsing the texts it formatted. Under patterns taken from the input (first two lines)
// the parsers and the formatter must merely survive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/system/Errors.h"
#include "platform/text/LocaleTexts.h"

namespace {

using namespace nulvane;

const TLocaleTexts& German() {
    static const TLocaleTexts texts("dd.MM.yyyy", "HH:mm:ss", ',', ".", "\3", "", "");
    return texts;
}

void Exercise(const TLocaleTexts& texts, std::string_view text, bool roundTrip) {
    double number = 0;
    if (texts.ParseNumber(text, number)) (void)texts.FormatNumber(number);
    TLocalTime time;
    if (!texts.ParseDateTime(text, time)) return;
    std::string formatted;
    try {
        formatted = texts.FormatDateTime(time);
    } catch (const ENulvaneError&) {
        if (roundTrip) std::abort();  // a parsed date-time always formats
        return;
    }
    TLocalTime again;
    if (roundTrip && (!texts.ParseDateTime(formatted, again) || !(again == time))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Exercise(TLocaleTexts::EnglishUS(), input, true);
    Exercise(German(), input, true);

    const std::size_t first = input.find('\n');
    const std::size_t second = first == std::string_view::npos ? first : input.find('\n', first + 1);
    if (second == std::string_view::npos) return 0;
    try {
        const TLocaleTexts texts(input.substr(0, first), input.substr(first + 1, second - first - 1), ',', " ", "\3",
                                 "AM", "PM");
        Exercise(texts, input.substr(second + 1), false);
    } catch (const ENulvaneError&) {
    }
    return 0;
}
