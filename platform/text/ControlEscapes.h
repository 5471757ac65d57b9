#pragma once
// Texts quoted in a one-line message (the status bar, a line on a terminal) made safe for that
// line: a name or an error's text with a line break or an escape sequence in it must neither
// break the line nor act on the terminal. Control characters (below 0x20, and 0x7F) become C
// escapes ("\n", "\r", "\t", "\x1b"); every other byte stands as it is, so a name that is not
// UTF-8 keeps its bytes.
#include <string>
#include <string_view>

namespace nulvane {

enum class TQuoteEscapes : bool {
    No,   // a message read as it stands
    Yes,  // a name between double quotes: a backslash and a double quote are escaped too ("\\", "\""),
          // so that the quotes and the escapes read back unambiguously
};

std::string EscapeControls(std::string_view text, TQuoteEscapes quotes = TQuoteEscapes::No);

}  // namespace nulvane
