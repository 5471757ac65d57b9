#pragma once
// What nulvane-cli tells its users about its options and exit statuses, held in one table: the
// usage line, `--help` and the manual page's SYNOPSIS, OPTIONS and EXIT STATUS sections are all
// composed from it, so none of them can name an option or a status the others leave out.
//
// The table also drives the parser (ParseCommandLine): which spellings an option has, how many
// values it takes (one per word of its argument), which option it only goes with and which it
// does not go with. A new option is one row here plus what main.cpp does with its values.
// Rows stand in the order --help lists them; the usage line follows the same order.
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nulvane {

// What the program does with an option once the parser has matched it.
enum class TCliOptionId {
    Null, Json, OneFileSystem, NoFollow, Exclude, Sort, Export, Force, Delete, Yes, Trash, Keep, NoKeepRules, Help,
    Version, EndOfOptions, MaxDepth, MinDepth, ChangedWithin, ChangedBefore, NoProgress, Color, Type, Deletable,
    Glob, Extension, Owner, Quiet, MaxResults, One, AbsolutePath, Undo, UndoList
};

// What a shell completes an option's value with.
enum class TCliValueKind { None, Word, Field, Choice, ChoiceThenFile, Number, Folder, User };

struct TCliOption {
    TCliOptionId Id;
    std::string_view Short = {};     // "-0", or empty
    std::string_view Long = {};      // "--null", or empty (then it has a short spelling)
    std::string_view Argument = {};  // "FIELD[:desc]"; empty for a flag; one value per word; "[ID]": one
                                     // value that may be left out
    TCliValueKind Values = TCliValueKind::None;
    std::string_view Choices = {};  // the words of a Choice, blank-separated: "auto always never"
    // The option this one only goes with (the usage line shows it inside that one's brackets),
    // e.g. "--export" for "--force"; empty for none.
    std::string_view Within = {};
    // Used on its own, without folders (--help, --version): shown in a usage form of its own.
    bool Alone = false;
    // May be given more than once; the usage line shows "[-E PATTERN]...".
    bool Repeatable = false;
    // What a missing value is, for the usage error "--keep needs a glob".
    std::string_view Needs = {};
    // The options this one does not go with (either order), blank-separated, and the usage error
    // when both are given; an empty text says "A and B do not go together".
    std::string_view Conflicts = {};
    std::string_view ConflictText = {};
    std::string_view Help = {};     // one sentence, lower case first, no final stop: what --help shows
    std::string_view Details = {};  // full sentences the manual page adds after Help, or empty
};

struct TCliExitStatus {
    int Status;
    std::string_view Meaning;  // lower case first, no final stop
};

extern const std::span<const TCliOption> CliOptions;
extern const std::span<const TCliExitStatus> CliExitStatuses;

// How many values the option takes: one per word of its argument (none that must be given for an
// argument in brackets, which takes the next argument when that is no option).
std::size_t ValueCount(const TCliOption& option) noexcept;
bool OptionalValue(const TCliOption& option) noexcept;

// Called for each option as it is matched, in argument order, with its values: false (with the
// error set) when a value is bad.
using TTakeOption = std::function<bool(const TCliOption&, std::span<const std::string_view> values, std::string& error)>;

// Reads the arguments after the program's name by the table: options (a long one with one value
// also as "--name=VALUE"; short ones bundled as getopt bundles them, "-0P", "-td", "-yt f": a
// short option with a value takes the rest of the word, or the next word when the rest is empty)
// go to `take`, everything else, and everything after "--", is an operand. False (with `error` set, one line without the program's name) for bad usage: an
// unknown option, a missing value, an option without the one it goes with, two that conflict.
// `escape` makes an unknown argument safe to show on a terminal.
bool ParseCommandLine(int argc, char** argv, const TTakeOption& take, std::vector<std::string>& operands,
                      std::string& error, std::string (*escape)(std::string_view));

// One line without "usage: ", e.g. "nulvane-cli [-0] ... [--] FOLDER...": every option but
// those used alone.
std::string UsageSynopsis();
// The same for the options used alone: "nulvane-cli -h|--help | --version".
std::string AloneSynopsis();
// "usage: " and UsageSynopsis() wrapped to 79 columns, then AloneSynopsis() below it: the usage
// lines --help starts with.
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
