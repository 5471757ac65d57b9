#include "platform/text/ControlEscapes.h"

#include <gtest/gtest.h>

using namespace nulvane;

// A message keeps its quotes and backslashes; a quoted name escapes them, so that the line reads
// back as it was meant. Control characters never reach the line, bytes that are not UTF-8 do.
TEST(ControlEscapes, ControlCharactersAlwaysQuotesOnlyInAQuotedName) {
    const struct {
        std::string_view Text, Message, Quoted;
    } cases[] = {
        {"plain name.txt", "plain name.txt", "plain name.txt"},
        {"a\nb\rc\td", "a\\nb\\rc\\td", "a\\nb\\rc\\td"},
        {std::string_view("\x1b[31m\0\x7f", 7), "\\x1b[31m\\x00\\x7f", "\\x1b[31m\\x00\\x7f"},
        {"say \"hi\" C:\\x", "say \"hi\" C:\\x", "say \\\"hi\\\" C:\\\\x"},
        {"\xff\xfe caf\xc3\xa9", "\xff\xfe caf\xc3\xa9", "\xff\xfe caf\xc3\xa9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeControls(c.Text), c.Message) << c.Text;
        EXPECT_EQ(EscapeControls(c.Text, TQuoteEscapes::Yes), c.Quoted) << c.Text;
    }
}
