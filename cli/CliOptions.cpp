#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "cli/Translation.h"

namespace nulvane {
namespace {

constexpr std::string_view Program = "nulvane-cli";

constexpr std::array Options = std::to_array<TCliOption>({
    {.Id = TCliOptionId::Null, .Short = "-0", .Long = "--null",
     .Conflicts = "--json", .ConflictText = N_("--json ends each object with a newline; -0 does not go with it"), .Help = N_("end each path with a NUL byte instead of a newline"),
     .Details = "Paths may hold newlines; a NUL-separated list is read safely by xargs -0 and its kin."},
    {.Id = TCliOptionId::Json, .Long = "--json", .Conflicts = "--export", .Help = N_("print one JSON object per file (JSON Lines) instead of its path"),
     .Details = "Each line holds the file's fields as the desktop program's list shows them, keyed by the "
                "field name without blanks (FileName, FullPath, FileSize, FileExt, FileType, CreateTime, "
                "AccessTime, WriteTime), then SizeBytes, the size as a number, and CreateTimeUtc, AccessTimeUtc "
                "and WriteTimeUtc, the times in ISO 8601 UTC to the nanosecond "
                "(2026-12-09T06:01:01.123456789Z), then Kept, \"rule RULE\", for an entry a keep rule holds (see "
                "--deletable), and last Kind, \"file\" or \"folder\". A text that is not valid UTF-8 shows U+FFFD for each byte "
                "that is not, and its exact bytes follow in base64 under the same key with Bytes added "
                "(FullPathBytes). Goes with --sort and --delete; not with -0 or --export."},
    {.Id = TCliOptionId::Deletable, .Long = "--deletable", .Conflicts = "--export",
     .Help = N_("list only what --delete would delete: leave out what a keep rule holds"),
     .Details = "The list printed (paths, or JSON Lines) leaves out every entry a keep rule holds (see KEEP "
                "RULES), so that a pipeline that deletes what it reads takes nothing the rules keep: "
                "nulvane-cli --deletable -0 | xargs -0 rm --. Without it every empty file is listed, held or not; "
                "JSON Lines name the rule that holds an entry as \"Kept\": \"rule RULE\"."},
    {.Id = TCliOptionId::OneFileSystem, .Short = "-x", .Long = "--one-file-system",
     .Help = N_("do not descend into folders on another file system (as find -xdev)"),
     .Details = "Scanning / then skips /proc, /sys and other mounted file systems."},
    {.Id = TCliOptionId::NoFollow, .Short = "-P", .Long = "--no-follow", .Help = N_("do not descend symbolic links to folders (followed by default)"),
     .Details = "Without it the scan follows those that lead outside the FOLDER, as the desktop program does; "
                "a link to a folder inside it is never followed, so each file is listed once, under its own "
                "path. Folders on process and kernel file systems (/proc, /sys, /dev/pts and their kin) below "
                "the FOLDER are never entered."},
    {.Id = TCliOptionId::Type, .Short = "-t", .Long = "--type", .Argument = "TYPE", .Values = TCliValueKind::Choice,
     .Choices = "f d", .Repeatable = true, .Needs = N_("f or d"),
     .Help = N_("list empty files (f, the default) or empty folders (d); -t f -t d lists both (as fd's --type)"),
     .Details = "A folder counts as empty when everything under it is a folder that counts as empty: any file "
                "below it, hidden or not, a socket, a FIFO, a device or a symbolic link, makes it hold "
                "something, and so does a folder that could not be read, a mount point, or a folder the scan "
                "passes by (--exclude, --max-depth, another file system under -x). Only the topmost folder of "
                "each empty subtree is listed, with the path of the folder and \"folder\" as its type; never "
                "the FOLDER itself. A folder the keep rules hold (see KEEP RULES) is listed but keeps the "
                "folders around it from counting as empty, so the empty .git/refs/tags of a repository keeps "
                "the project folder off the list; --no-keep-rules leaves them out of this too."},
    {.Id = TCliOptionId::MaxDepth, .Short = "-d", .Long = "--max-depth", .Argument = "N", .Values = TCliValueKind::Number,
     .Needs = N_("a number"), .Help = N_("list files at most N levels down (1: the FOLDER's own files, as fd counts)"),
     .Details = "Depth is counted as fd and find count it: 1 is the FOLDER's own files and folders, 2 those of "
                "its subfolders, and so on; 0 lists nothing. Folders deeper than that are not even read (with -t d, "
                "a folder at depth N is looked into to tell whether it is empty). The limit holds for folder "
                "entries too."},
    {.Id = TCliOptionId::MinDepth, .Long = "--min-depth", .Argument = "N", .Values = TCliValueKind::Number,
     .Needs = N_("a number"), .Help = N_("list only files at least N levels down (2 leaves the FOLDER's own files out)"),
     .Details = "Depth is counted as for --max-depth. For -t d, a folder shallower than N is not listed, and it "
                "does not count as empty, so no folder holding it is listed either; empty folders inside it "
                "that are deep enough are."},
    {.Id = TCliOptionId::ChangedWithin, .Long = "--changed-within", .Argument = "WHEN", .Values = TCliValueKind::Word,
     .Needs = N_("a duration or a date"), .Help = N_("list only files written since WHEN (a duration back from now, or a date)"),
     .Details = "WHEN is a duration, such as 10min, 2h, 3d, 2weeks or 1h30min (units: s, min, h, d, w, months, "
                "y and their long names), counted back from now; or a date and time in local time, 2026-11-01, "
                "2026-11-01 10:00:00 or 2026-11-01T10:00:00; or @ and seconds since 1970. The write time is "
                "the one compared, the \"Write Time\" field."},
    {.Id = TCliOptionId::ChangedBefore, .Long = "--changed-before", .Argument = "WHEN", .Values = TCliValueKind::Word,
     .Needs = N_("a duration or a date"), .Help = N_("list only files last written before WHEN (e.g. 30d: untouched for a month)"),
     .Details = "WHEN is read as for --changed-within; both together list the files written between the two. "
                "Both hold for folder entries (-t d) by the folder's own write time: a folder left out is not "
                "listed and does not count as empty, so no folder holding it is listed or deleted either."},
    {.Id = TCliOptionId::Exclude, .Short = "-E", .Long = "--exclude", .Argument = "GLOB", .Values = TCliValueKind::Word, .Repeatable = true,
     .Needs = N_("a glob"),
     .Help = N_("leave names or folders that match GLOB out of the scan (as fd's --exclude)"),
     .Details = "A GLOB without / matches a file's or folder's name (-E node_modules -E '*.tmp'); one with / "
                "matches the path under the FOLDER from its start (-E build/cache), where ** stands for any "
                "number of folders; one that ends in / matches folders only. * and ? match within a name, "
                "[...] one of the characters listed, and \\ takes the next character as it stands. What a GLOB "
                "matches is not listed, exported or deleted, and an excluded folder is not even read."},
    {.Id = TCliOptionId::Glob, .Short = "-g", .Long = "--glob", .Argument = "GLOB", .Values = TCliValueKind::Word,
     .Repeatable = true, .Needs = N_("a glob"),
     .Help = N_("list only what GLOB matches: the name, or with a / the path under the FOLDER (as fd's --glob)"),
     .Details = "Written as for --exclude: -g '*.log' matches names, -g 'logs/**/*.log' paths from the FOLDER "
                "down; letter case counts. Given more than once, an entry is listed when any GLOB matches it. "
                "It chooses what is listed, exported and deleted, never what is scanned, and holds for folder "
                "entries (-t d) as for files: a folder it leaves out is not listed and does not count as empty, "
                "so no folder holding it is listed either; with -t f -t d, neither is a folder holding a file it "
                "leaves out."},
    {.Id = TCliOptionId::Extension, .Short = "-e", .Long = "--extension", .Argument = "EXT", .Values = TCliValueKind::Word,
     .Repeatable = true, .Needs = N_("an extension"),
     .Help = N_("list only names that end in .EXT, in any letter case (as fd's --extension)"),
     .Details = "-e log lists a.log and B.LOG, not .log (which has no name before its dot); -e tar.gz lists "
                "x.tar.gz, and -e .log is -e log. Given more than once, any EXT will do; with --glob an entry "
                "must match both. It holds for folder entries as --glob does."},
    {.Id = TCliOptionId::Owner, .Long = "--owner", .Argument = "USER[:GROUP]", .Values = TCliValueKind::User,
     .Needs = N_("a user, :group or both"),
     .Help = N_("list only what USER owns (a name or a number; :GROUP for the group; ! before either: not)"),
     .Details = "As fd's --owner: --owner www-data, --owner :adm, --owner 'www-data:!adm', --owner '!root' "
                "(quote the ! from the shell). A name the system does not know is a usage error. It holds for "
                "folder entries by the folder's own owner, as --glob holds."},
    {.Id = TCliOptionId::Quiet, .Short = "-q", .Long = "--quiet", .Conflicts = "--delete --export",
     .Help = N_("print nothing: exit 0 when anything is found, 1 when nothing is (as fd's --quiet)"),
     .Details = "The scan stops at the first entry it finds. Errors still go to standard error; once anything is "
                "found they do not change the status."},
    {.Id = TCliOptionId::MaxResults, .Long = "--max-results", .Argument = "N", .Values = TCliValueKind::Number,
     .Needs = N_("a number"), .Help = N_("list at most N entries (as fd's --max-results)"),
     .Details = "Without --sort, --export and --delete the scan stops once N are printed. Otherwise the whole list "
                "is made (and sorted) first, and its first N are printed, exported or deleted: --sort "
                "modified:desc --max-results 10 lists the ten written last."},
    {.Id = TCliOptionId::One, .Short = "-1", .Help = N_("list at most one entry, as --max-results 1")},
    {.Id = TCliOptionId::AbsolutePath, .Short = "-a", .Long = "--absolute-path",
     .Help = N_("print paths from the root: each FOLDER as its clean absolute path"),
     .Details = "A FOLDER is taken from the working folder, without . components and doubled or trailing /, "
                "and each .. goes to the real parent of the folder before it, as the kernel takes it (other links "
                "stay as given): the path the desktop program shows. JSON Lines, exports and messages name it so "
                "too."},
    {.Id = TCliOptionId::NoProgress, .Long = "--no-progress",
     .Help = N_("show no progress line on standard error"),
     .Details = "When standard error is a terminal, a line on it says how far the work is (folders read and "
                "empty files found; \"N of M\" while deleting or exporting), rewritten at most four times a "
                "second and erased before anything else is printed. It is never written when standard error is "
                "not a terminal, nor while the list itself streams to the same terminal."},
    {.Id = TCliOptionId::Color, .Long = "--color", .Argument = "WHEN", .Values = TCliValueKind::Choice,
     .Choices = "auto always never", .Needs = N_("auto, always or never"),
     .Help = N_("colour the paths printed: auto (on a terminal), always or never"),
     .Details = "The folder part and the name are coloured as ls colours them, from LS_COLORS (di for "
                "folders; fi, and *.ext patterns, for names). auto colours only when standard output is a "
                "terminal and NO_COLOR is not set (or empty); --color=WHEN is the same. The JSON Lines of --json "
                "and exports are never coloured."},
    {.Id = TCliOptionId::Sort, .Long = "--sort", .Argument = "FIELD[:desc]", .Values = TCliValueKind::Field, .Needs = N_("a field name"),
     .Help = N_("sort as a click on that field's column would (e.g. \"Write Time:desc\")"),
     .Details = "FIELD is one of the field names listed under FIELDS, without regard to case and blanks, or a "
                "short name (name, path, size, ext, type, created, accessed, modified); :desc sorts in descending "
                "order, :asc in ascending order as without it, and --sort=FIELD is the same. Without --sort the list stays in the order the scan found the files, "
                "and (unless --export or --delete needs the whole list first) each file is printed as soon as "
                "its place in that order is known, while the scan goes on."},
    {.Id = TCliOptionId::Export, .Long = "--export", .Argument = "FORMAT FILE", .Values = TCliValueKind::ChoiceThenFile,
     .Choices = "csv txt html xml xls",
     .Needs = N_("a format (csv, txt, html, xml, xls) and a file name"),
     .Help = N_("write the list to FILE as csv, txt, html, xml or xls instead of printing it"),
     .Details = "FILE gets the bytes the desktop program's export writes, with the columns of the "
                "configuration (see FILES); FILE - writes them to standard output once the export is whole "
                "(an xls workbook is refused when standard output is a terminal; ./- names a file called -). An existing FILE is replaced only with --force, and a failed write "
                "leaves an earlier FILE as it was; so does a run whose list is incomplete (a FOLDER missing, the "
                "scan short of memory), which writes no FILE at all. xls builds the workbook through the program's own spreadsheet "
                "application; a sheet holds at most 65,534 entries, and a longer list is refused."},
    {.Id = TCliOptionId::Force, .Long = "--force", .Within = "--export", .Help = N_("let --export replace an existing FILE")},
    {.Id = TCliOptionId::Delete, .Long = "--delete",
     .Help = N_("then delete the listed files, each only while it is still the empty file found; "
             "asks \"Delete N files? [y/N]\" on a terminal"),
     .Details = "A file is deleted only while its path still names a regular file of zero bytes with the device "
                "and inode the scan recorded: one that got content, or was replaced, since the scan is kept and "
                "named on standard error with the reason, and the run ends with status 1. So is one another "
                "program holds a lock on (flock, POSIX or open-file-description), asked of each file just before "
                "it goes, \"in use\". When the list or the "
                "export could not be written, nothing is deleted. Each file is moved to a private name in its "
                "folder and checked there before it goes; what puts it back is first recorded in the state "
                "folder (see FILES), so that a deletion killed half way leaves nothing the next run does not put "
                "back. Files the keep rules hold (see KEEP RULES) are "
                "listed but not deleted: each is named on standard error as \"kept: rule RULE: PATH\" and counted "
                "apart (\"deleted 5 files, 3 kept by rules\"), without making the run fail."},
    {.Id = TCliOptionId::Yes, .Short = "-y", .Long = "--yes", .Within = "--delete",
     .Help = N_("answer the question with yes (needed when input is not a terminal)")},
    {.Id = TCliOptionId::Trash, .Long = "--trash", .Within = "--delete", .Help = N_("move the files to the trash instead of deleting them"),
     .Details = "Each file goes to the trash of its own file system, as the desktop's file managers keep it "
                "(the freedesktop.org trash: $XDG_DATA_HOME/Trash, by default ~/.local/share/Trash, for files on "
                "that file system; .Trash/UID or .Trash-UID at the top of any other), where they and trash-restore "
                "find it. A file is never copied to another file system: one whose file system has no trash that "
                "can be used is kept, \"no trash on this file system\". Without --trash, deletion is final."},
    {.Id = TCliOptionId::Keep, .Long = "--keep", .Argument = "GLOB", .Values = TCliValueKind::Word, .Within = "--delete", .Repeatable = true,
     .Needs = N_("a glob"), .Conflicts = "--no-keep-rules",
     .ConflictText = N_("--no-keep-rules turns every keep rule off, --keep among them; give one of the two"),
     .Help = N_("keep the files that GLOB matches too, as a rule of the keep-rules file would"),
     .Details = "A GLOB without / matches the file's name, one that ends in / the name of a folder on its path, "
                "and one with / inside its full path at any depth (from the root when it starts with /)."},
    {.Id = TCliOptionId::NoKeepRules, .Long = "--no-keep-rules",
     .Help = N_("turn every keep rule off: --delete then deletes what they would keep"),
     .Details = "The shipped rules and the keep-rules file's are left out (the file is then not read), for "
                "--delete, for -t d (no rule then keeps a folder from counting as empty), for JSON Lines' "
                "Kept and for --deletable."},
    {.Id = TCliOptionId::Help, .Short = "-h", .Long = "--help", .Alone = true, .Help = N_("show this help and exit")},
    {.Id = TCliOptionId::Version, .Long = "--version", .Alone = true, .Help = N_("show the version and exit")},
    {.Id = TCliOptionId::Undo, .Long = "--undo", .Argument = "[ID]", .Alone = true,
     .Help = N_("put back what the last deletion (or the deletion ID) deleted for good"),
     .Details = "A deletion without --trash records, just before each file or empty folder goes, what makes it "
                "again: its folder and name, mode, owner and group, access and write times to the nanosecond, and "
                "extended attributes (ACLs and security labels among them), for a folder the same for each folder "
                "inside it. --undo makes each again, in its folder found as it was recorded, only where its name "
                "is free: a file that took a name is never replaced, and is named (\"not put back PATH: its name "
                "is taken\"). Owner and group come back where you may set them (root always may). Not restored: "
                "birth and change times, inode numbers, and names of one file, which come back as separate files. "
                "An undo stopped or killed half way leaves nothing half made, and the next --undo goes on with it; "
                "a deletion whose every file is back is no longer kept. The records are kept in the state folder "
                "(see FILES) for 30 days and the last 20 deletions, whichever is less, within 256 MiB, and read "
                "as the deletion journals are: one of another user, or in a folder others may write, is not used, "
                "and a damaged one is set aside and named."},
    {.Id = TCliOptionId::UndoList, .Long = "--undo-list", .Alone = true,
     .Help = N_("list the deletions --undo can put back, newest first: ID, date, counts and folder")},
    {.Id = TCliOptionId::EndOfOptions, .Long = "--", .Help = N_("end the options: every later argument is a FOLDER, even one that starts with -")},
});

constexpr std::array ExitStatuses = std::to_array<TCliExitStatus>({
    {0, N_("success")},
    {1, N_("something asked for failed (a FOLDER missing, a folder unreadable or given up, memory short, a file "
        "kept for another reason than a keep rule, an export not written, a keep-rules file that cannot be read "
        "with --delete or -t d, --delete without a terminal or --yes, a deletion whose journal cannot be kept, a "
        "file an interrupted deletion left that could not be put back, a damaged deletion journal set aside, a "
        "file --undo could not put back or no deletion to undo)")},
    {2, N_("bad usage")},
});

constexpr std::size_t HelpWidth = 79;
constexpr std::size_t HelpIndent = 23;  // where option sentences start

std::string Spelling(const TCliOption& option) {
    std::string text(option.Short.empty() ? option.Long : option.Short);
    if (!option.Argument.empty()) (text += ' ') += option.Argument;
    return text;
}

// How many columns a word takes on a terminal: one for each character of its UTF-8, so that a
// translated help wraps where the English one would.
std::size_t Width(std::string_view word) noexcept {
    return static_cast<std::size_t>(
        std::count_if(word.begin(), word.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Appends `text` to `out` word by word, starting at `column` and breaking before a word that would
// pass HelpWidth; continuation lines start at `indent`. Ends with a newline.
void AppendWrapped(std::string& out, std::string_view text, std::size_t column, std::size_t indent) {
    bool lineHasWord = false;
    while (!text.empty()) {
        const std::size_t end = text.find(' ');
        const std::string_view word = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (word.empty()) continue;
        if (lineHasWord && column + 1 + Width(word) > HelpWidth) {
            (out += '\n').append(indent, ' ');
            column = indent;
            lineHasWord = false;
        }
        if (lineHasWord) {
            out += ' ';
            ++column;
        }
        out += word;
        column += Width(word);
        lineHasWord = true;
    }
    out += '\n';
}

std::string Sentence(std::string_view text) {
    std::string sentence(text);
    if (!sentence.empty()) sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    return sentence + '.';
}

std::string RoffBold(std::string_view text) { return "\\fB" + RoffText(text) + "\\fR"; }
std::string RoffItalic(std::string_view text) { return "\\fI" + RoffText(text) + "\\fR"; }

std::string RoffSpelling(const TCliOption& option, bool both) {
    std::string text;
    if (!option.Short.empty()) text = RoffBold(option.Short);
    if (!option.Long.empty() && (both || text.empty())) {
        if (!text.empty()) text += ", ";
        text += RoffBold(option.Long);
    }
    if (!option.Argument.empty()) (text += ' ') += RoffItalic(option.Argument);
    return text;
}

// The usage line's option part, as plain text or roff: one bracket each, holding the options that
// only go with it, so that a wrapped line breaks between them.
template <class TSpell>
std::vector<std::string> OptionGroups(TSpell spell) {
    std::vector<std::string> groups;
    for (const TCliOption& option : Options) {
        if (option.Alone || !option.Within.empty()) continue;
        std::string text = "[" + spell(option);
        for (const TCliOption& inner : Options) {
            if (inner.Within.empty() || inner.Within != option.Long) continue;
            ((text += " [") += spell(inner)) += ']';
            if (inner.Repeatable) text += "...";
        }
        text += ']';
        if (option.Repeatable) text += "...";
        groups.push_back(std::move(text));
    }
    return groups;
}

template <class TSpell>
std::string OptionBrackets(TSpell spell, std::string_view folders) {
    std::string text;
    for (const std::string& group : OptionGroups(spell)) (text += ' ') += group;
    return (text += ' ') += folders;
}

// How errors name an option: its long spelling where it has one.
std::string_view Name(const TCliOption& option) noexcept { return option.Long.empty() ? option.Short : option.Long; }

const TCliOption* FindOption(std::string_view spelling) noexcept {
    for (const TCliOption& option : Options)
        if (option.Long == spelling || (!option.Short.empty() && option.Short == spelling)) return &option;
    return nullptr;
}

}  // namespace

const std::span<const TCliOption> CliOptions = Options;

bool OptionalValue(const TCliOption& option) noexcept { return option.Argument.starts_with('['); }

std::size_t ValueCount(const TCliOption& option) noexcept {
    if (option.Argument.empty() || OptionalValue(option)) return 0;
    return 1 + static_cast<std::size_t>(std::count(option.Argument.begin(), option.Argument.end(), ' '));
}

bool ParseCommandLine(int argc, char** argv, const TTakeOption& take, std::vector<std::string>& operands,
                      std::string& error, std::string (*escape)(std::string_view)) {
    std::array<bool, Options.size()> given{};
    bool optionsEnded = false;
    std::vector<std::string_view> values;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.emplace_back(arg);
            continue;
        }
        values.clear();
        const TCliOption* option = FindOption(arg);
        if (!option && arg[1] != '-' && arg.size() > 2) {
            // Short options bundled: each letter an option, the first that takes a value ends the word.
            for (std::size_t at = 1; at < arg.size(); ++at) {
                const std::string letter{'-', arg[at]};
                const TCliOption* bundled = arg[at] == '-' ? nullptr : FindOption(letter);
                if (!bundled) {
                    error = Format(_("unknown option: %s (in %s)"), escape(letter).c_str(), escape(arg).c_str());
                    return false;
                }
                values.clear();
                if (ValueCount(*bundled) > 1) {
                    error = Format(_("%s takes %s and is not bundled"), std::string(Name(*bundled)).c_str(),
                                   std::string(bundled->Argument).c_str());
                    return false;
                }
                if (ValueCount(*bundled) == 1) {
                    if (at + 1 == arg.size() && i + 1 == argc) {
                        error = Format(_("%s needs %s"), std::string(Name(*bundled)).c_str(), Translated(bundled->Needs).c_str());
                        return false;
                    }
                    values.push_back(at + 1 < arg.size() ? arg.substr(at + 1) : std::string_view(argv[++i]));
                    at = arg.size();
                }
                given[static_cast<std::size_t>(bundled - Options.data())] = true;
                if (!take(*bundled, values, error)) return false;
            }
            continue;
        }
        if (!option) {
            // "--name=VALUE" for a long option with one value.
            const std::size_t equals = arg.find('=');
            if (arg.starts_with("--") && equals != std::string_view::npos) {
                option = FindOption(arg.substr(0, equals));
                if (option && (ValueCount(*option) == 1 || OptionalValue(*option)))
                    values.push_back(arg.substr(equals + 1));
                else
                    option = nullptr;
            }
            if (!option) {
                error = Format(_("unknown option: %s"), escape(arg).c_str());
                return false;
            }
        } else {
            const std::size_t count = ValueCount(*option);
            if (static_cast<std::size_t>(argc - 1 - i) < count) {
                error = Format(_("%s needs %s"), std::string(Name(*option)).c_str(), Translated(option->Needs).c_str());
                return false;
            }
            for (std::size_t n = 0; n < count; ++n) values.emplace_back(argv[++i]);
            if (OptionalValue(*option) && i + 1 < argc && argv[i + 1][0] != '-') values.emplace_back(argv[++i]);
        }
        given[static_cast<std::size_t>(option - Options.data())] = true;
        if (option->Id == TCliOptionId::EndOfOptions) optionsEnded = true;
        if (!take(*option, values, error)) return false;
    }
    const auto isGiven = [&](std::string_view spelling) {
        const TCliOption* option = FindOption(spelling);
        return option && given[static_cast<std::size_t>(option - Options.data())];
    };
    for (std::size_t n = 0; n < Options.size(); ++n) {
        if (given[n] && !Options[n].Within.empty() && !isGiven(Options[n].Within)) {
            error = Format(_("%s only goes with %s"), std::string(Options[n].Long).c_str(), std::string(Options[n].Within).c_str());
            return false;
        }
    }
    for (std::size_t n = 0; n < Options.size(); ++n) {
        const TCliOption& option = Options[n];
        for (std::string_view others = option.Conflicts; given[n] && !others.empty();) {
            const std::size_t blank = std::min(others.find(' '), others.size());
            const std::string_view other = others.substr(0, blank);
            others.remove_prefix(std::min(blank + 1, others.size()));
            if (!isGiven(other)) continue;
            error = option.ConflictText.empty() ? Format(_("%s and %s do not go together"), std::string(option.Long).c_str(),
                                                         std::string(other).c_str())
                                                : Translated(option.ConflictText);
            return false;
        }
    }
    return true;
}
const std::span<const TCliExitStatus> CliExitStatuses = ExitStatuses;

std::string UsageSynopsis() { return std::string(Program) + OptionBrackets(Spelling, "[FOLDER...]"); }

std::string AloneSynopsis() {
    std::string text(Program);
    const char* separator = " ";
    for (const TCliOption& option : Options) {
        if (!option.Alone) continue;
        text += separator;
        if (!option.Short.empty()) (text += option.Short) += '|';
        text += option.Long;
        if (!option.Argument.empty()) (text += ' ') += option.Argument;
        separator = " | ";
    }
    return text;
}

std::string UsageText() {
    // Continuation lines start under the first option, as GNU programs wrap theirs.
    const std::string lead = _("usage: ") + std::string(Program);
    std::vector<std::string> groups = OptionGroups(Spelling);
    groups.emplace_back("[FOLDER...]");
    std::string text = lead;
    std::size_t column = Width(lead);
    for (const std::string& group : groups) {
        if (column > Width(lead) && column + 1 + group.size() > HelpWidth) {
            (text += '\n').append(Width(lead), ' ');
            column = Width(lead);
        }
        (text += ' ') += group;
        column += 1 + group.size();
    }
    return ((text += '\n').append(Width(lead) - Program.size(), ' ') += AloneSynopsis()) += '\n';
}

std::string HelpText() {
    std::string text = "\n";
    AppendWrapped(text,
                  _("Lists the empty files under each FOLDER and its subfolders, one path per line; paths as given: "
                    "each starts with its FOLDER as typed (./ when none is)."),
                  0, 0);
    text += '\n';
    for (const TCliOption& option : Options) {
        std::string left = "  ";
        left += option.Short.empty() ? "    " : std::string(option.Short) + (option.Long.empty() ? "" : ", ");
        left += option.Long;
        if (!option.Argument.empty()) (left += ' ') += option.Argument;
        text += left;
        if (left.size() + 1 > HelpIndent) {
            (text += '\n').append(HelpIndent, ' ');
        } else {
            text.append(HelpIndent - left.size(), ' ');
        }
        AppendWrapped(text, Translated(option.Help), HelpIndent, HelpIndent);
    }
    text += '\n';
    AppendWrapped(text,
                  _("Standard output carries only the list; the question, the deletion summary, the files kept and "
                    "why, and errors go to standard error, one line each."),
                  0, 0);
    std::string statuses = _("Exit status:");
    const char* separator = " ";
    for (const TCliExitStatus& status : ExitStatuses) {
        ((statuses += separator) += std::to_string(status.Status) + ' ') += Translated(status.Meaning);
        separator = "; ";
    }
    AppendWrapped(text, statuses + '.', 0, 0);
    return text;
}

std::string ManSynopsis() {
    const auto spell = [](const TCliOption& option) { return RoffSpelling(option, false); };
    // Left-aligned and unbroken words: a synopsis is read option by option.
    std::string text = ".SH SYNOPSIS\n.nh\n.ad l\n";
    text += ".B " + RoffText(Program) + '\n';
    std::string folders = RoffItalic("FOLDER");
    folders.insert(folders.begin(), '[');
    folders.append("...]");
    text += OptionBrackets(spell, folders).substr(1) + "\n.br\n";
    text += ".B " + RoffText(Program) + '\n';
    const char* separator = "";
    for (const TCliOption& option : Options) {
        if (!option.Alone) continue;
        text += separator;
        if (!option.Short.empty()) text += RoffBold(option.Short) + '|';
        text += RoffBold(option.Long);
        if (!option.Argument.empty()) (text += ' ') += RoffText(option.Argument);
        separator = " | ";
    }
    return text + "\n.ad\n.hy\n";
}

std::string ManOptions() {
    std::string text = ".SH OPTIONS\n";
    for (const TCliOption& option : Options) {
        text += ".TP\n" + RoffSpelling(option, true) + '\n';
        std::string body = Sentence(option.Help);
        if (!option.Details.empty()) (body += ' ') += option.Details;
        text += RoffText(body) + '\n';
    }
    return text;
}

std::string ManExitStatus() {
    std::string text = ".SH \"EXIT STATUS\"\n";
    for (const TCliExitStatus& status : ExitStatuses)
        text += ".TP\n.B " + std::to_string(status.Status) + '\n' + RoffText(Sentence(status.Meaning)) + '\n';
    return text;
}

std::string RoffText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

}  // namespace nulvane
