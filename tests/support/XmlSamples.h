#pragma once
// Unusual and hostile XML texts shared by the XML and configuration tests.
#include <string>
#include <string_view>

namespace nulvane::test {

// ASCII text as UTF-16 with its byte-order mark.
inline std::string Utf16(std::string_view ascii, bool bigEndian = false) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

// Internal entities l0 to l10, each made of ten references to the one before: "&l10;" would
// expand to 10^10 times the leaf (3 * 10^10 characters for "lol", nothing at all for "").
inline std::string EntityBombDeclarations(std::string_view leaf = "lol") {
    std::string entities = "<!ENTITY l0 \"" + std::string(leaf) + "\">";
    for (int i = 1; i <= 10; ++i) {
        entities += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) entities += "&l" + std::to_string(i - 1) + ";";
        entities += "\">";
    }
    return entities;
}

}  // namespace nulvane::test
