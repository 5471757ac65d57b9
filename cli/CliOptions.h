#pragma once
// What nulvane-cli tells its users about its options and exit statuses, held in one table: the
// usage line, `--help` and the manual page's SYNOPSIS, OPTIONS and EXIT STATUS sections are all
// composed from it, so none of them can name an option or a status the others leave out.
//
// A new option is one row in CliOptions (spellings, argument, the sentence --help shows and what
// the manual page adds) plus its handling in main.cpp's parser. Rows stand in the order --help
// lists them; the usage line follows the same order.
#include <span>
#include <string>
#include <string_view>

namespace nulvane {

struct TCliOption {
    std::string_view Short = {};     // "-0", or empty
    std::string_view Long = {};      // "--null", or empty
    std::string_view Argument = {};  // "FIELD[:desc]"; empty for a flag
    // The option this one only goes with (the usage line shows it inside that one's brackets),
    // e.g. "--export" for "--force"; empty for none.
    std::string_view Within = {};
    // Used on its own, without folders (--help, --version): shown in a usage form of its own.
    bool Alone = false;
    // May be given more than once; the usage line shows "[-E PATTERN]...".
    bool Repeatable = false;
    std::string_view Help = {};     // one sentence, lower case first, no final stop: what --help shows
    std::string_view Details = {};  // full sentences the manual page adds after Help, or empty
};

struct TCliExitStatus {
    int Status;
    std::string_view Meaning;  // lower case first, no final stop
};

extern const std::span<const TCliOption> CliOptions;
extern const std::span<const TCliExitStatus> CliExitStatuses;

// One line without "usage: ", e.g. "nulvane-cli [-0] ... [--] FOLDER...": every option but
// those used alone.
std::string UsageSynopsis();
// The same for the options used alone: "nulvane-cli -h|--help | --version".
std::string AloneSynopsis();
// "usage: " and UsageSynopsis(), with a newline: what bad usage shows on standard error.
std::string UsageText();
// What --help prints after UsageText(): what the program does, one entry per option with its
// sentence wrapped to 79 columns, and the exit statuses.
std::string HelpText();

// Manual page sections in roff (man macros), each starting with its .SH line.
std::string ManSynopsis();
std::string ManOptions();
std::string ManExitStatus();

// `text` as roff body text: backslashes and minus signs escaped, and a line that would start
// with a control character ("." or "'") guarded, so that roff prints it as it stands.
std::string RoffText(std::string_view text);

}  // namespace nulvane
