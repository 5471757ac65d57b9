#include "core/KeepRules.h"

#include "core/Translatable.h"
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileContent.h"
#include "platform/files/PathNames.h"
#include "platform/files/SafeFile.h"
#include "platform/system/Errors.h"
#include "platform/system/UserFolders.h"

namespace nulvane {
namespace {

constexpr std::string_view ShippedRules = R"(__init__.py
py.typed
.gitkeep
.keep
.nojekyll
.nomedia
.metadata_never_index
.git/
.hg/
.svn/
.bzr/
lost+found/
# the XDG user folders themselves (Desktop, Downloads, Templates, ...) when they are empty
# and anything reached through a link to a folder outside the scanned folder
)";

// A rule's line without its line end and the blanks around it; a blank kept by "\" stays.
std::string_view RuleOfLine(std::string_view line) noexcept {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) {
        std::size_t escapes = 0;
        while (escapes + 1 < line.size() && line[line.size() - 2 - escapes] == '\\') ++escapes;
        if (escapes % 2 == 1) break;
        line.remove_suffix(1);
    }
    return line;
}

// The folder part of a path without its last separator: the root's is empty, which ends a walk
// up the folders of a path.
// A rule from the root names folders as the user wrote them, perhaps through a link (/home leading
// to /var/home), while entries are matched where they really are: such a rule is matched a second
// time with its leading folders where they really are. None when they are there already.
std::optional<TPathGlob> ThroughRealFolders(const TPathGlob& glob) {
    const std::string folder = glob.LiteralFolder();
    if (folder.empty()) return std::nullopt;
    std::error_code error;
    // The folders that exist resolved, those that do not yet taken as written.
    const std::string real = std::filesystem::weakly_canonical(folder, error).string();
    if (error || real == folder || !real.starts_with('/')) return std::nullopt;
    return glob.WithLiteralFolder(real);
}

// The path an entry is matched on: where its file really is, its anchor's real path followed by
// the rest of its full path (names of real folders); the full path as it stands when the anchor's
// real path is unknown or the entry has no anchor.
std::string_view WhereItIs(const TScanAnchor* anchor, std::string_view fullPath, std::string& scratch) {
    if (!anchor || anchor->RealPath.empty() || !fullPath.starts_with(anchor->Path)) return fullPath;
    scratch.assign(anchor->RealPath).append(fullPath.substr(anchor->Path.size()));
    return scratch;
}

std::string WorkingFolder() {
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    return error ? std::string() : working.string();
}

}  // namespace

std::vector<std::string> XdgUserFolders(std::string_view userDirs, const std::string& home) {
    std::vector<std::string> folders;
    while (!userDirs.empty()) {
        const std::size_t end = userDirs.find('\n');
        std::string_view line = userDirs.substr(0, end);
        userDirs = end == std::string_view::npos ? std::string_view() : userDirs.substr(end + 1);
        // XDG_NAME_DIR="$HOME/Name" or an absolute path, the form xdg-user-dirs writes.
        const std::size_t equals = line.find("_DIR=\"");
        if (!line.starts_with("XDG_") || equals == std::string_view::npos || !line.ends_with('"')) continue;
        line = line.substr(equals + 6, line.size() - equals - 7);
        std::string folder;
        if (line.starts_with("$HOME/") && !home.empty()) folder = home + std::string(line.substr(5));
        else if (line.starts_with('/')) folder = std::string(line);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (!folder.empty() && folder != home && folder != "/") folders.push_back(std::move(folder));
    }
    if (folders.empty() && !home.empty())
        for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Public", "Templates", "Videos"})
            folders.push_back(home + '/' + name);
    return folders;
}

TKeepRules TKeepRules::Shipped() {
    TKeepRules rules;
    rules.AddLines(ShippedRules);
    rules.Links_ = true;
    const std::string config = UserConfigFolder();
    std::string userDirs;
    if (!config.empty()) {
        try {
            userDirs = ReadFileContent(config + "/user-dirs.dirs");
        } catch (...) {
            // Then the usual names stand.
        }
    }
    rules.OwnFolders_ = XdgUserFolders(userDirs, HomeFolder());
    return rules;
}

std::string_view TKeepRules::ShippedText() noexcept { return ShippedRules; }

bool TKeepRules::Empty() const noexcept {
    return !Links_ && OwnFolders_.empty() && Names_.Empty() && FolderNames_.Empty() && NameGlobs_.empty() && FolderGlobs_.empty() &&
           PathGlobs_.empty() && FolderPathGlobs_.empty();
}

void TKeepRules::TLiterals::Add(const TPathGlob& glob) {
    const std::string& name = glob.Literal();
    const auto at = std::lower_bound(Sorted.begin(), Sorted.end(), name,
                                     [](const TLiteral& literal, const std::string& n) { return literal.Name < n; });
    if (at != Sorted.end() && at->Name == name) return;  // the first rule for a name names it
    Sorted.insert(at, {name, glob.Text()});
    FirstBytes.set(static_cast<unsigned char>(name.front()));
}

const TKeepRules::TLiteral* TKeepRules::TLiterals::Find(std::string_view name) const noexcept {
    if (name.empty() || !FirstBytes.test(static_cast<unsigned char>(name.front()))) return nullptr;
    const auto at = std::lower_bound(Sorted.begin(), Sorted.end(), name,
                                     [](const TLiteral& literal, std::string_view n) { return literal.Name < n; });
    return at != Sorted.end() && at->Name == name ? &*at : nullptr;
}

bool TKeepRules::Add(std::string_view text, std::string& error) {
    std::optional<TPathGlob> glob = TPathGlob::Parse(text, TGlobStart::AnyFolder, error);
    if (!glob) return false;
    if (glob->OnPath()) {
        RootedPaths_ = RootedPaths_ || glob->Anchored();
        std::vector<TPathGlob>& globs = glob->FoldersOnly() ? FolderPathGlobs_ : PathGlobs_;
        std::optional<TPathGlob> real = ThroughRealFolders(*glob);
        globs.push_back(std::move(*glob));
        if (real) globs.push_back(std::move(*real));
    } else if (glob->IsLiteral()) {
        (glob->FoldersOnly() ? FolderNames_ : Names_).Add(*glob);
    } else {
        (glob->FoldersOnly() ? FolderGlobs_ : NameGlobs_).push_back(std::move(*glob));
    }
    return true;
}

std::vector<TRuleProblem> TKeepRules::AddLines(std::string_view text) {
    std::vector<TRuleProblem> problems;
    std::string error;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view rule = RuleOfLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (rule.empty() || rule.front() == '#') continue;
        if (!Add(rule, error)) problems.push_back({number, error});
    }
    return problems;
}

std::string_view TKeepRules::Match(std::string_view path, bool throughLink) const {
    std::string working;
    return Match(path, throughLink, working);
}

std::string_view TKeepRules::Match(std::string_view path, bool throughLink, std::string& working) const {
    if (throughLink && Links_) return LinkRuleText;
    if (!RootedPaths_ || path.starts_with('/')) return MatchAbsolute(path, true);
    // Rules that start at the root see the path as the working folder continues it.
    const std::string_view found = MatchAbsolute(path, false);
    if (!found.empty()) return found;
    if (working.empty()) working = WorkingFolder();
    if (working.empty()) return {};
    return MatchAbsolute(working + '/' + std::string(path), true);
}

std::string_view TKeepRules::MatchFolder(std::string_view path, bool throughLink) const {
    std::string working;
    TListEntry folder;
    folder.Kind = TEntryKind::Folder;
    return MatchEntry(folder, path, throughLink, working);
}

// An entry's rule: a folder entry is looked at as the folders around it and as a folder itself.
std::string_view TKeepRules::MatchEntry(const TListEntry& entry, std::string_view path, bool throughLink,
                                        std::string& working) const {
    const std::string_view found = Match(path, throughLink, working);
    if (entry.Kind != TEntryKind::Folder || !found.empty()) return found;
    for (const std::string& folder : OwnFolders_)
        if (path == folder) return XdgFolderRuleText;
    return Match(std::string(path) + '/', false, working);
}

std::string_view TKeepRules::MatchName(std::string_view name) const {
    if (const TLiteral* literal = Names_.Find(name)) return literal->Text;
    for (const TPathGlob& glob : NameGlobs_)
        if (glob.MatchesName(name)) return glob.Text();
    return {};
}

std::string_view TKeepRules::MatchOneFolder(std::string_view folder, std::string_view name, bool absolute) const {
    if (name.empty() || name == ".") return {};
    if (const TLiteral* literal = FolderNames_.Find(name)) return literal->Text;
    for (const TPathGlob& glob : FolderGlobs_)
        if (glob.MatchesName(name)) return glob.Text();
    if (absolute)
        for (const TPathGlob& glob : FolderPathGlobs_)
            if (glob.Matches(folder, true)) return glob.Text();
    return {};
}

std::string_view TKeepRules::MatchFolders(std::string_view folder, bool absolute) const {
    if (!HaveFolderRules()) return {};
    // Every folder on the way, from the innermost out.
    for (; !folder.empty() && folder != "/"; folder = ParentFolderOf(folder)) {
        const std::string_view found = MatchOneFolder(folder, NameOf(folder), absolute);
        if (!found.empty()) return found;
    }
    return {};
}

std::string_view TKeepRules::MatchAbsolute(std::string_view path, bool absolute) const {
    std::string_view found = MatchName(NameOf(path));
    if (found.empty()) found = MatchFolders(ParentFolderOf(path), absolute);
    if (!found.empty()) return found;
    if (absolute)
        for (const TPathGlob& glob : PathGlobs_)
            if (glob.Matches(path, false)) return glob.Text();
    return {};
}

bool TKeepRules::HoldsEntry(const TResultList& list, const TListEntry& entry, std::string& working,
                            std::string& real) const {
    const std::vector<TScanAnchor>& anchors = list.Anchors();
    const TAnchorIndex index = list.AnchorOf(entry);
    const TScanAnchor* anchor = index < anchors.size() ? &anchors[index] : nullptr;
    const std::string fullPath = list.FullPath(entry);
    return !MatchEntry(entry, WhereItIs(anchor, fullPath, real), anchor && anchor->IsLink(), working).empty();
}

namespace {

constexpr std::uint32_t NoVerdict = std::numeric_limits<std::uint32_t>::max();

}  // namespace

std::size_t TKeepRules::Hold(TResultList& list, std::size_t first) const {
    if (Empty()) return 0;
    // The folder rules answer alike for every file of a folder, and a folder's answer is its own
    // rule or else its parent's: so they are decided once per folder of the list's folder table
    // (for the anchor its entries were reached through: below the anchor's top folder the names
    // are those of real folders, at it the anchor's real path decides), and only the name rules
    // (and whole-path rules, when there are any) are asked per entry. The answers are those of
    // Match on each entry's real path.
    const std::vector<TScanAnchor>& anchors = list.Anchors();
    const std::size_t folderCount = list.FolderCount();
    // Per folder: the length of its path, and the rule (an index into `rules`, or none) that
    // holds its files for the anchor `verdictAnchor` says, when it was decided.
    std::vector<std::size_t> pathLength(folderCount);
    for (TFolderIndex f = 0; f < folderCount; ++f) {
        const TListFolder& folder = list.Folder(f);
        pathLength[f] = (folder.Parent == NoFolder ? 0 : pathLength[folder.Parent]) + folder.Name.size() + 1;
    }
    std::vector<std::uint32_t> verdict(folderCount, NoVerdict);
    std::vector<TAnchorIndex> verdictAnchor(folderCount, NoAnchor);
    std::vector<std::string_view> rules{std::string_view()};  // 0: no rule holds
    const auto ruleNumber = [&](std::string_view rule) {
        if (rule.empty()) return std::uint32_t{0};
        rules.push_back(rule);
        return static_cast<std::uint32_t>(rules.size() - 1);
    };
    // Per anchor: its top folder (whose path is the anchor's path) once found, and the answer of
    // the folders of its real path.
    struct TAnchorFacts {
        bool Known = false, Usable = false;
        std::uint32_t Base = 0;
    };
    std::vector<TAnchorFacts> anchorFacts(anchors.size());
    std::vector<TFolderIndex> chain;
    std::string folderPath, real, working;

    // The rule for the files of folder `f` reached through anchor `a`; false when the folder
    // table does not lead from the anchor's top folder to `f`.
    const auto decide = [&](TFolderIndex f, TAnchorIndex a, std::uint32_t& rule) {
        const TScanAnchor& anchor = anchors[a];
        TAnchorFacts& facts = anchorFacts[a];
        if (!facts.Known) {
            facts.Known = true;
            facts.Usable = anchor.RealPath.starts_with('/') && anchor.RealPath.ends_with('/');
            if (facts.Usable)
                facts.Base = ruleNumber(MatchFolders(std::string_view(anchor.RealPath).substr(0, anchor.RealPath.size() - 1), true));
        }
        if (!facts.Usable) return false;
        // Up to the first folder decided for this anchor or the anchor's top folder.
        chain.clear();
        TFolderIndex at = f;
        while (true) {
            if (at == NoFolder || pathLength[at] < anchor.Path.size()) return false;
            if (verdictAnchor[at] == a) break;
            chain.push_back(at);
            if (pathLength[at] == anchor.Path.size()) break;
            at = list.Folder(at).Parent;
        }
        if (verdictAnchor[at] != a) {
            // The top folder: the folder table must spell the anchor's path.
            folderPath.clear();
            list.AppendFolderPath(at, folderPath);
            if (folderPath != anchor.Path) return false;
            verdict[at] = facts.Base;
            verdictAnchor[at] = a;
            chain.pop_back();
        }
        for (std::size_t k = chain.size(); k-- > 0;) {
            const TFolderIndex folder = chain[k];
            const TListFolder& entry = list.Folder(folder);
            std::string_view own;
            if (!FolderPathGlobs_.empty()) {
                // The folder's real path, without its last separator.
                folderPath.clear();
                list.AppendFolderPath(folder, folderPath);
                real.assign(anchor.RealPath).append(std::string_view(folderPath).substr(anchor.Path.size()));
                real.pop_back();
                own = MatchOneFolder(real, entry.Name, true);
            } else {
                own = MatchOneFolder({}, entry.Name, true);
            }
            verdict[folder] = own.empty() ? verdict[entry.Parent] : ruleNumber(own);
            verdictAnchor[folder] = a;
        }
        rule = verdict[f];
        return true;
    };

    std::size_t held = 0;
    TEntryTexts texts(list);
    for (std::size_t i = first; i < list.Count(); ++i) {
        TListEntry& entry = list[i];
        if (entry.Note != TEntryNote::None) continue;
        const TAnchorIndex a = list.AnchorOf(entry);
        bool holds = false;
        std::uint32_t rule = 0;
        const std::string_view name = list.PathAfterFolder(entry);
        // A folder entry is also a folder itself to the rules: few of them, each asked whole.
        if (a >= anchors.size() || name.empty() || name.find('/') != std::string_view::npos ||
            entry.Kind == TEntryKind::Folder) {
            holds = HoldsEntry(list, entry, working, real);
        } else if (anchors[a].IsLink() && Links_) {
            holds = true;
        } else if (!MatchName(name).empty()) {
            holds = true;
        } else if (HaveFolderRules() && !decide(entry.Folder, a, rule)) {
            holds = HoldsEntry(list, entry, working, real);
        } else if (rule != 0) {
            holds = true;
        } else if (!PathGlobs_.empty()) {
            const std::string_view path = WhereItIs(&anchors[a], texts.FullPath(entry), real);
            if (path.starts_with('/')) {
                for (const TPathGlob& glob : PathGlobs_)
                    if (glob.Matches(path, false)) {
                        holds = true;
                        break;
                    }
            } else {
                holds = HoldsEntry(list, entry, working, real);
            }
        }
        if (holds) {
            entry.Note = TEntryNote::HeldByRule;
        } else if (list.FolderInRepository(entry.Folder)) {
            entry.Note = TEntryNote::HeldByRepository;  // no rule of these holds it, its store does
        } else {
            continue;
        }
        entry.CheckState = TCheckState::Unchecked;
        ++held;
    }
    return held;
}

std::string_view TKeepRules::RuleFor(const TResultList& list, const TListEntry& entry) const {
    if (entry.Note == TEntryNote::HeldByRepository) return RepositoryRuleText;
    const std::vector<TScanAnchor>& anchors = list.Anchors();
    const TAnchorIndex index = list.AnchorOf(entry);
    const TScanAnchor* anchor = index < anchors.size() ? &anchors[index] : nullptr;
    const std::string fullPath = list.FullPath(entry);
    std::string real, working;
    return MatchEntry(entry, WhereItIs(anchor, fullPath, real), anchor && anchor->IsLink(), working);
}

std::string TKeepRules::HintFor(const TResultList& list, const TListEntry& entry) const {
    const std::string_view rule = RuleFor(list, entry);
    std::string hint(HeldByRuleText);
    if (!rule.empty()) (hint += ": ") += rule;
    return hint;
}

std::string RuleProblemsText(const std::vector<TRuleProblem>& problems) {
    if (problems.empty()) return {};
    std::string text = "line " + std::to_string(problems.front().Line) + " ignored: " + problems.front().Reason;
    if (problems.size() > 1) {
        const std::size_t more = problems.size() - 1;
        text += " (" + std::to_string(more) + (more == 1 ? " more line" : " more lines") + " ignored)";
    }
    return text;
}

std::string KeepRulesFileName() {
    std::string folder = UserConfigFolder();
    if (folder.empty()) return {};
    if (folder.back() != '/') folder += '/';
    return folder + "nulvane/keep-rules";
}

TLoadedKeepRules LoadKeepRules(const std::string& path) {
    TLoadedKeepRules loaded;
    loaded.Rules = TKeepRules::Shipped();
    loaded.Path = path;
    if (path.empty()) return loaded;
    // The size is looked at before anything is read: a file that is no rules file must not
    // fill memory.
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) loaded.Error = std::system_category().message(errno);
        return loaded;
    }
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > MaxKeepRulesFileSize) {
        loaded.Error = N_("larger than 1 MiB");
        return loaded;
    }
    try {
        loaded.Text = ReadFileContent(path);
    } catch (const EOSError& e) {
        // The system's reason, without the path the message repeats.
        const std::string_view message = e.what();
        const std::size_t reason = message.rfind("\": ");
        loaded.Error = reason == std::string_view::npos ? std::string(message) : std::string(message.substr(reason + 3));
        return loaded;
    }
    if (loaded.Text.size() > MaxKeepRulesFileSize) {  // it grew since
        loaded.Text.clear();
        loaded.Error = N_("larger than 1 MiB");
        return loaded;
    }
    loaded.Problems = loaded.Rules.AddLines(loaded.Text);
    return loaded;
}

void WriteKeepRulesFile(const std::string& path, std::string_view text) {
    // Each missing folder on the way is made for the user alone, as configuration folders are.
    if (const std::string_view folder = ParentFolderOf(path); !folder.empty() && folder != "/") MakeUserFolder(std::string(folder));
    WriteFileSafely(path, text);
}

}  // namespace nulvane
