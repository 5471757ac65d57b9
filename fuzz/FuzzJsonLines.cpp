// JSON Lines of any bytes: the text is UTF-8 without a raw control character, its escapes read
// back to the input wherever the input was UTF-8, the base64 beside it reads back to the input
// exactly, and any time formats.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "export/JsonLines.h"
#include "platform/text/Utf8.h"

namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::string FromBase64(std::string_view text) {
    if (text.size() % 4 != 0) std::abort();
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        int v[4];
        for (int k = 0; k < 4; ++k) v[k] = text[i + k] == '=' ? 0 : Base64Value(text[i + k]);
        for (int k = 0; k < 4; ++k)
            if (v[k] < 0) std::abort();
        const std::uint32_t n = static_cast<std::uint32_t>(v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3]);
        bytes += static_cast<char>(n >> 16);
        if (text[i + 2] != '=') bytes += static_cast<char>(n >> 8 & 0xFF);
        if (text[i + 3] != '=') bytes += static_cast<char>(n & 0xFF);
    }
    return bytes;
}

// The string's content with the escapes this writer uses read back.
std::string Unescape(std::string_view json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') std::abort();
    std::string text;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        if (json[i] != '\\') {
            text += json[i];
            continue;
        }
        const char e = json[++i];
        switch (e) {
        case '"': case '\\': text += e; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'u': text += static_cast<char>(std::stoi(std::string(json.substr(i + 1, 4)), nullptr, 16)); i += 4; break;
        default: std::abort();
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nulvane;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string json;
    const bool valid = AppendJsonString(json, input);
    for (std::size_t i = 0; i < json.size();) {
        char32_t c;
        const std::size_t n = DecodeUtf8(json, i, c);
        if (n == 0 || c < 0x20 || c == 0x7F) std::abort();
        i += n;
    }
    if (valid && Unescape(json) != input) std::abort();
    std::string base64;
    AppendBase64(base64, input);
    if (FromBase64(base64) != input) std::abort();
    if (size >= 12) {
        TFileTime time;
        std::memcpy(&time.Seconds, data, 8);
        std::memcpy(&time.Nanoseconds, data + 8, 4);
        std::string text;
        AppendUtcTime(text, time);
        if (text.size() < 30 || text.back() != 'Z') std::abort();
    }
    return 0;
}
