#include "platform/text/ControlEscapes.h"

namespace nulvane {

std::string EscapeControls(std::string_view text, TQuoteEscapes quotes) {
    static constexpr char Hex[] = "0123456789abcdef";
    const bool quoted = quotes == TQuoteEscapes::Yes;
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\\':
        case '"':
            if (quoted) out += '\\';
            out += c;
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                out += Hex[byte >> 4];
                out += Hex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

}  // namespace nulvane
