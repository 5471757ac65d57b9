#pragma once
// Desktop services for the command line: nothing ever opens a window. A Yes/No question is asked
// on the terminal when standard input is one ("TEXT [y/N] " on standard error, the answer read
// from standard input) and answers No otherwise, or Yes for every question when the user said
// so beforehand (--yes). Messages go to standard error, pickers and dialogs answer "cancelled",
// the progress window is silent and long work runs in place.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/desktop/SystemDesktopServices.h"

namespace nulvane {

class TConsoleDesktopServices : public TSystemDesktopServices {
public:
    // `in` and `out` stand for standard input and error; `interactive` says whether `in` is a
    // terminal a person answers on.
    TConsoleDesktopServices(bool assumeYes, bool interactive, std::FILE* in = stdin, std::FILE* out = stderr)
        : AssumeYes_(assumeYes), Interactive_(interactive), In_(in), Out_(out) {}

    // Whether a question would get an answer other than No without asking: --yes, or a person.
    bool CanAsk() const noexcept { return AssumeYes_ || Interactive_; }

    void OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed = {}) override;
    void OpenUrl(const std::string& url, TOpenFailed failed = {}) override;
    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;

private:
    bool AssumeYes_;
    bool Interactive_;
    std::FILE* In_;
    std::FILE* Out_;
};

// The text made safe for one line of a terminal: control characters, backslash and double quote
// become C escapes ("\n", "\x1b"); every other byte stands as it is.
std::string EscapeForTerminal(std::string_view text);

}  // namespace nulvane
