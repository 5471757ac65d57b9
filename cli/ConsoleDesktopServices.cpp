#include "cli/ConsoleDesktopServices.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "cli/Translation.h"
#include "platform/text/ControlEscapes.h"

namespace nulvane {

std::string EscapeForTerminal(std::string_view text) { return EscapeControls(text, TQuoteEscapes::Yes); }

void TConsoleDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow, TOpenFailed) {
    std::fprintf(Out_, _("nulvane-cli: folder \"%s\"\n"), EscapeForTerminal(folder).c_str());
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
    // TRANSLATORS: the answer in brackets is the one a plain Enter gives.
    std::fprintf(Out_, _("%s [y/N] "), EscapeForTerminal(text).c_str());
    std::fflush(Out_);
    std::string answer;
    for (int c; (c = std::fgetc(In_)) != EOF && c != '\n';)
        if (answer.size() < 16) answer += static_cast<char>(std::tolower(c));
    if (std::feof(In_)) std::fputc('\n', Out_);  // end of input: the next line starts clean
    if (answer == "y" || answer == "yes") return TMessageResult::Yes;
    // An answer in the user's language does too ("j", "ja"; "o", "oui").
    // TRANSLATORS: the answers that say yes, in lower case, separated by blanks.
    const std::string_view yes = _("y yes");
    for (std::size_t at = 0; at < yes.size();) {
        const std::size_t end = std::min(yes.find(' ', at), yes.size());
        if (end > at && yes.substr(at, end - at) == answer) return TMessageResult::Yes;
        at = end + 1;
    }
    return TMessageResult::No;
}

}  // namespace nulvane
