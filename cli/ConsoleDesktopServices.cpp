#include "cli/ConsoleDesktopServices.h"

#include <cctype>

#include "platform/text/ControlEscapes.h"

namespace nulvane {

std::string EscapeForTerminal(std::string_view text) { return EscapeControls(text, TQuoteEscapes::Yes); }

void TConsoleDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow, TOpenFailed) {
    std::fprintf(Out_, "nulvane-cli: folder \"%s\"\n", EscapeForTerminal(folder).c_str());
}

void TConsoleDesktopServices::OpenUrl(const std::string& url, TOpenFailed) {
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
