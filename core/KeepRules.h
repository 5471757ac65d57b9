#pragma once
// Keep rules: empty files that must not go unnoticed when empty files are deleted, because
// programs rely on them (a Python package's __init__.py, a .gitkeep that keeps a folder in a
// repository) or because they are not the user's to clean up (a version-control folder's
// insides, or files reached through a link that leads out of the scanned folder).
//
// A rule does not hide a file: the list stays complete. An entry that a rule matches starts
// unchecked and carries the note HeldByRule, so that "Delete All" passes it by; checking it makes
// it an ordinary entry again. Which rule matched is not stored in the entry (it has no room): the
// hint asks the rules again.
//
// The rules that ship: the marker names __init__.py, py.typed, .gitkeep, .keep, .nojekyll,
// .nomedia and .metadata_never_index; anything inside a .git, .hg, .svn or .bzr folder; and
// anything the scan reached through a link to a folder outside the scanned folder (its entry's
// anchor is a link). For empty folders, which programs expect to find even when empty: the
// lost+found folder of a file system (fsck puts what it recovers there and expects it made
// beforehand) with anything inside it, and the user's XDG folders themselves (Desktop, Downloads,
// Templates, ... as user-dirs.dirs names them), which file managers and save dialogs open by name.
// A rule on folders (ending in "/") also holds a folder entry of that name itself.
//
// Users add their own in one plain-text file read by both programs,
// $XDG_CONFIG_HOME/nulvane/keep-rules (~/.config/nulvane/keep-rules when XDG_CONFIG_HOME is unset):
// one glob a line (see PathGlob.h), blanks around it ignored, a line starting with "#" a comment.
// A glob without "/" matches the file's name, one ending in "/" the name of any folder on the
// file's path (".venv/" keeps everything inside a .venv folder), and one with "/" inside matches
// the file's full path at any depth ("migrations/__init__.py"), or from the root when it starts
// with "/". A line that is no glob is reported with its number and ignored; the others apply.
//
// Rules are decided on where a file really is, never on how the scanned folder was spelled: a
// scanned entry is matched on its scan anchor's real path (links and ".." resolved) followed by
// the names below it, so the scanned folder's own ancestors count, and scanning ".", "..", a link
// or a path through one keeps exactly what scanning the absolute path keeps. A rule from the root
// that names its folders through a link ("/home/me/src/**" where /home leads to /var/home) holds
// where they really are as well. What the list and the messages show stays the path as given.
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/PathGlob.h"
#include "core/ResultList.h"
#include "core/Translatable.h"

namespace nulvane {

// What the hint of an entry held by a rule starts with.
inline constexpr std::string_view HeldByRuleText = N_("kept by rule");
// The rule that holds what was reached through a link out of the scanned folder, as hints name it.
inline constexpr std::string_view LinkRuleText = N_("reached through a folder link");
// The rule that holds an empty XDG user folder (Desktop, Templates, ...), as hints name it.
inline constexpr std::string_view XdgFolderRuleText = N_("an XDG user folder");
// The rule that holds what lies in a version-control store found by what it holds (see
// TWalkOptions::FindRepositories), as hints name it.
inline constexpr std::string_view RepositoryRuleText = N_("repository");

// A line of a rules file that is no rule.
struct TRuleProblem {
    std::size_t Line = 0;  // from 1
    std::string Reason;    // "unclosed ["
    friend bool operator==(const TRuleProblem&, const TRuleProblem&) = default;
};

class TKeepRules {
public:
    // No rules at all: nothing is held.
    TKeepRules() = default;
    // The rules that ship.
    static TKeepRules Shipped();
    // The shipped rules as a rules file would write them, one a line, the link rule as a comment:
    // what the rules editor shows above the user's.
    static std::string_view ShippedText() noexcept;

    // Adds one rule; false, with `error` saying why, when `glob` is none (see TPathGlob::Parse).
    bool Add(std::string_view glob, std::string& error);
    // Adds the rules of a rules file's text and returns the lines that are none, in order.
    // Lines end in LF or CR LF; a final line needs no end.
    std::vector<TRuleProblem> AddLines(std::string_view text);
    bool Empty() const noexcept;

    // The text of a rule that holds the file at `path` (its full path; a relative one is taken
    // from the working folder for rules that start at the root), reached through a link out of
    // the scanned folder when `throughLink`; empty when no rule holds it. The link rule is
    // looked at first, then names, then folders from the innermost out, then whole paths.
    std::string_view Match(std::string_view path, bool throughLink) const;
    // The same for the folder at `path` (no separator at its end): the rules on folders look at the
    // folder itself as well as the folders around it.
    std::string_view MatchFolder(std::string_view path, bool throughLink) const;

    // Holds back the entries from `first` on that a rule matches where their files really are:
    // unchecked, with the note HeldByRule. Entries that already carry a note stay as they are (the
    // scan holds a store's). Returns how many it held.
    std::size_t Hold(TResultList& list, std::size_t first = 0) const;

    // The text of the rule that holds an entry of the list (Match with its real path and anchor).
    std::string_view RuleFor(const TResultList& list, const TListEntry& entry) const;
    // The hint of an entry held by a rule: "kept by rule: __init__.py", or "kept by rule" alone
    // when none of these rules matches it (they changed since the entry was held).
    std::string HintFor(const TResultList& list, const TListEntry& entry) const;

private:
    struct TLiteral {
        std::string Name;
        std::string Text;  // as written
    };
    // Names without wildcards, sorted, and the first bytes among them: most names are passed by
    // on their first byte.
    struct TLiterals {
        std::vector<TLiteral> Sorted;
        std::bitset<256> FirstBytes;
        bool Empty() const noexcept { return Sorted.empty(); }
        void Add(const TPathGlob& glob);
        const TLiteral* Find(std::string_view name) const noexcept;
    };
    // As the public Match; `working` keeps the working folder once it was needed.
    std::string_view Match(std::string_view path, bool throughLink, std::string& working) const;
    std::string_view MatchEntry(const TListEntry& entry, std::string_view path, bool throughLink,
                                std::string& working) const;
    // `absolute`: whether the path starts at the root, so that rules starting there may look at it.
    std::string_view MatchAbsolute(std::string_view path, bool absolute) const;
    // The parts of MatchAbsolute: the rules on a file's name; on one folder, `folder` its path
    // without the last separator and `name` its last component; on every folder of a path from
    // `folder` (a folder path as above) out.
    std::string_view MatchName(std::string_view name) const;
    std::string_view MatchOneFolder(std::string_view folder, std::string_view name, bool absolute) const;
    std::string_view MatchFolders(std::string_view folder, bool absolute) const;
    bool HaveFolderRules() const noexcept {
        return !FolderNames_.Empty() || !FolderGlobs_.empty() || !FolderPathGlobs_.empty();
    }
    // Hold entry by entry, each on its whole path: for entries the folder table cannot serve.
    bool HoldsEntry(const TResultList& list, const TListEntry& entry, std::string& working, std::string& real) const;

    bool Links_ = false;
    TLiterals Names_;
    TLiterals FolderNames_;
    std::vector<TPathGlob> NameGlobs_;     // on the file's name
    std::vector<TPathGlob> FolderGlobs_;   // on any folder's name
    std::vector<TPathGlob> PathGlobs_;     // on the file's path
    std::vector<TPathGlob> FolderPathGlobs_;  // on any folder's path
    bool RootedPaths_ = false;  // a path glob starts at the root: relative paths need the working folder
    std::vector<std::string> OwnFolders_;  // folders held themselves, but not what is in them
};

// The user's XDG folders (XDG_DESKTOP_DIR and its kin) as `userDirs`, the text of user-dirs.dirs,
// names them, with $HOME standing for `home`; the usual eight under `home` when it names none. The
// home folder itself is never one of them.
std::vector<std::string> XdgUserFolders(std::string_view userDirs, const std::string& home);

// "line 3 ignored: unclosed [", followed by " (2 more lines ignored)" when there are more; empty
// when there are none.
std::string RuleProblemsText(const std::vector<TRuleProblem>& problems);

// The rules file: $XDG_CONFIG_HOME/nulvane/keep-rules, with $HOME/.config standing for an unset or
// relative XDG_CONFIG_HOME and the user's home folder from the password database for an unset
// HOME; empty when no home folder is known at all.
std::string KeepRulesFileName();

// The largest rules file read; a larger one is refused rather than read in part.
inline constexpr std::size_t MaxKeepRulesFileSize = 1u << 20;

// The rules both programs apply: the shipped ones, then those of the rules file.
struct TLoadedKeepRules {
    TKeepRules Rules;
    std::string Path;   // the rules file
    std::string Text;   // its content; empty when it is missing
    // Why the file could not be read (not a regular file, larger than MaxKeepRulesFileSize, an
    // error of the system), with only the shipped rules loaded; empty when it was read or is
    // missing.
    std::string Error;
    std::vector<TRuleProblem> Problems;  // its lines that are no rule
};
TLoadedKeepRules LoadKeepRules(const std::string& path = KeepRulesFileName());

// Writes the rules file's new content safely (the earlier file stays whole until the new one is
// complete), creating its folders (mode 0700) where they are missing. EOSError on failure.
void WriteKeepRulesFile(const std::string& path, std::string_view text);

}  // namespace nulvane
