#include "cli/ConsoleDesktopServices.h"

#include <cctype>

namespace nulvane {

std::string EscapeForTerminal(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': result += "\\n"; break;
        case '\t': result += "\\t"; break;
        case '\r': result += "\\r"; break;
        case '\\': result += "\\\\"; break;
        case '"': result += "\\\""; break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                result += "\\x";
                result += Hex[byte >> 4];
                result += Hex[byte & 15];
            } else {
                result += c;
            }
        }
    }
    return result;
}

void TConsoleDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow) {
    std::fprintf(Out_, "nulvane-cli: folder \"%s\"\n", EscapeForTerminal(folder).c_str());
}

void TConsoleDesktopServices::OpenUrl(const std::string& url) {
    std::fprintf(Out_, "nulvane-cli: %s\n", EscapeForTerminal(url).c_str());
}

TMessageResult TConsoleDesktopServices::MessageBox(const std::string& text, const std::string&,
                                                   TMessageButtons buttons, TMessageIcon, TOwnerWindow) {
    if (buttons == TMessageButtons::Ok) {
        std::fprintf(Out_, "nulvane-cli: %s\n", EscapeForTerminal(text).c_str());
        return TMessageResult::Ok;
    }
    if (AssumeYes_) return TMessageResult::Yes;
    if (!Interactive_) return TMessageResult::No;
    std::fprintf(Out_, "%s [y/N] ", EscapeForTerminal(text).c_str());
    std::fflush(Out_);
    std::string answer;
    for (int c; (c = std::fgetc(In_)) != EOF && c != '\n';)
        if (answer.size() < 16) answer += static_cast<char>(std::tolower(c));
    if (std::feof(In_)) std::fputc('\n', Out_);  // end of input: the next line starts clean
    return answer == "y" || answer == "yes" ? TMessageResult::Yes : TMessageResult::No;
}

}  // namespace nulvane
