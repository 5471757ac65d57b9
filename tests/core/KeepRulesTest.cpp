#include "core/KeepRules.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/Deletion.h"
#include "core/Scan.h"
#include "core/TallyscopeCtrl.h"
#include "platform/files/FileContent.h"
#include "support/Environment.h"
#include "support/ProjectTree.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// Deletes the checked entries on a job of the call's own, that nobody stops.
TDeleteSummary DeleteChecked(TResultList& list, const TDeleteOptions& options = {}) {
    TLongWork work;
    return DeleteCheckedEntries(list, work, options);
}

std::string RuleOf(const TKeepRules& rules, std::string_view path, bool throughLink = false) {
    return std::string(rules.Match(path, throughLink));
}

}  // namespace

TEST(KeepRules, ShippedRulesHoldMarkersVersionControlAndWhatLinksLeadTo) {
    const TKeepRules rules = TKeepRules::Shipped();
    const std::pair<std::string, std::string> cases[] = {
        {"/p/src/mypkg/__init__.py", "__init__.py"},
        {"/p/src/mypkg/py.typed", "py.typed"},
        {"/p/data/.gitkeep", ".gitkeep"},
        {"/sd/DCIM/.nomedia", ".nomedia"},
        {"/p/.git/objects/ab/cd", ".git/"},
        {"/p/.git/index.lock", ".git/"},
        {"/r/.hg/store/lock", ".hg/"},
        {"/p/notes.txt", ""},
        {"/p/.gitkeep.bak", ""},
        {"/p/git/x", ""},
        {"/p/x.git/y", ""},
        {"/p/.git", ""},  // a file named so is no folder
    };
    for (const auto& [path, rule] : cases) EXPECT_EQ(RuleOf(rules, path), rule) << path;
    EXPECT_EQ(RuleOf(rules, "/elsewhere/notes.txt", true), LinkRuleText);
    EXPECT_EQ(RuleOf(TKeepRules(), "/p/.git/x", true), "");
    EXPECT_TRUE(TKeepRules().Empty());
}

// Comments, blanks and line ends are passed over; a line that is no glob is named by its number
// and the lines around it still apply. Names are matched as bytes.
TEST(KeepRules, FileLinesBecomeRulesAndBadOnesAreReportedByNumber) {
    TKeepRules rules;
    const std::vector<TRuleProblem> problems = rules.AddLines(
        "# my rules\r\n"
        "*.lock\r\n"
        "  \t\n"
        "bad[\n"
        "  .venv/  \n"
        "keep/me.txt\n"
        "/srv/www/**/*.html\n"
        "!negated\n"
        "\xff*\n"
        "trailing\\ \n"
        "\\#hash");
    EXPECT_EQ(problems, (std::vector<TRuleProblem>{{4, "unclosed ["}, {8, "starts with ! (write \\! for a name that does)"}}));
    EXPECT_EQ(RuleProblemsText(problems), "line 4 ignored: unclosed [ (1 more line ignored)");
    EXPECT_EQ(RuleProblemsText({}), "");
    const std::pair<std::string, std::string> cases[] = {
        {"/h/p/poetry.lock", "*.lock"},
        {"/h/p/.venv/lib/site.py", ".venv/"},
        {"/h/a/keep/me.txt", "keep/me.txt"},
        {"/h/a/keep/other.txt", ""},
        {"/srv/www/a/b/x.html", "/srv/www/**/*.html"},
        {"/x/srv/www/a.html", ""},
        {"/h/\xff\xfe.bin", "\xff*"},
        {"/h/trailing ", "trailing\\ "},
        {"/h/#hash", "\\#hash"},
        {"/h/# my rules", ""},
    };
    for (const auto& [path, rule] : cases) EXPECT_EQ(RuleOf(rules, path), rule) << path;

    // A rule that starts at the root sees a relative path as the working folder continues it.
    const test::TTempDir dir;
    TKeepRules rooted;
    std::string error;
    ASSERT_TRUE(rooted.Add(dir.Str() + "/in/*", error)) << error;
    EXPECT_FALSE(rooted.Add("[", error));
    EXPECT_EQ(error, "unclosed [");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(RuleOf(rooted, "./in/x"), dir.Str() + "/in/*");
    EXPECT_EQ(RuleOf(rooted, "out/x"), "");
    std::filesystem::current_path(before);
}

// The project tree scanned: every marker and what the .git folder holds is held back unchecked,
// with a hint that names its rule; "Delete All" then takes only the clutter. Checking a held
// entry makes it ordinary again, and a later deletion takes it.
TEST(KeepRules, HeldEntriesStartUncheckedNameTheirRuleAndStayUntilChecked) {
    const test::TProjectTree project;
    const test::TTempDir outside;
    outside.Write("linked/empty");
    std::filesystem::create_directory_symlink(outside.Str() + "/linked", project.Path() / "link");
    TResultList list;
    ScanFolder(list, project.Str());
    auto rules = std::make_shared<const TKeepRules>(TKeepRules::Shipped());
    const std::size_t held = rules->Hold(list);
    EXPECT_EQ(rules->Hold(list), 0u);  // held once

    TTallyscopeCtrl ctrl(list);
    ctrl.KeepRules = rules;
    const std::map<std::string, std::string> hints = {{"src/mypkg/__init__.py", "kept by rule: __init__.py"},
                                                      {".git/FETCH_HEAD", "kept by rule: .git/"},
                                                      {"link/empty", "kept by rule: reached through a folder link"},
                                                      {"scratch.tmp", std::string(EntryHintText)}};
    std::size_t counted = 0, hinted = 0;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const std::string path = list.FullPath(list[i]);
        const std::string relative = path.substr(project.Str().size() + 1);
        const bool clutter = std::count(project.Clutter.begin(), project.Clutter.end(), relative) > 0;
        EXPECT_EQ(list[i].Note == TEntryNote::HeldByRule, !clutter) << path;
        EXPECT_EQ(list[i].CheckState == TCheckState::Checked, clutter) << path;
        counted += !clutter;
        THintLineBreakStyle style = THintLineBreakStyle::Default;
        const std::string hint = list.Hint(i, 0, style);
        if (const auto expected = hints.find(relative); expected != hints.end()) {
            EXPECT_EQ(hint, expected->second);
            ++hinted;
        } else if (clutter) {
            EXPECT_EQ(hint, EntryHintText);
        }
    }
    EXPECT_EQ(held, counted);
    EXPECT_EQ(hinted, hints.size());
    ctrl.KeepRules = std::make_shared<const TKeepRules>();  // the rules changed since the scan
    THintLineBreakStyle style = THintLineBreakStyle::Default;
    EXPECT_EQ(list.Hint(0, 0, style), list[0].Note == TEntryNote::HeldByRule ? "kept by rule" : EntryHintText);

    const TDeleteSummary summary = DeleteChecked(list);
    EXPECT_EQ(summary.Deleted, project.Clutter.size());
    EXPECT_EQ(project.Gone(project.Clutter), project.Clutter);
    EXPECT_EQ(project.Present(project.Markers), project.Markers);
    EXPECT_EQ(list.Count(), held);
    for (const TListEntry& entry : list) EXPECT_EQ(entry.Note, TEntryNote::HeldByRule);

    // Checked by hand, then all at once: ordinary entries; unchecking does not hold them again.
    list.SetCheckState(0, TCheckState::Checked);
    EXPECT_EQ(list[0].Note, TEntryNote::None);
    list.SetCheckState(0, TCheckState::Unchecked);
    EXPECT_EQ(list[0].Note, TEntryNote::None);
    list.SetAllCheckStates(TCheckState::Checked);
    for (const TListEntry& entry : list) EXPECT_EQ(entry.Note, TEntryNote::None);
    EXPECT_EQ(DeleteChecked(list).Deleted, held);
}

// Hold decides folder rules once per folder of the folder table; every entry must come out as
// the rules answer for it alone (RuleFor: Match on its real path). The table mixes anchors whose
// real path differs from the path given (a rule on a real ancestor holds), a link, an anchor
// whose real path is unknown (a relative one), "." and empty folder names, folder entries, and
// rules of every kind.
TEST(KeepRules, HoldingPerFolderAnswersAsEachEntryAlone) {
    TResultList list;
    const TAnchorIndex given = list.AddAnchor({.Path = "/s/top/", .RealPath = "/r/vendor/top/", .Parent = NoAnchor, .Folder = {}});
    const TAnchorIndex link = list.AddAnchor({.Path = "/s/top/lnk/", .RealPath = "/else/x/", .Parent = given, .Folder = {}});
    const TAnchorIndex relative = list.AddAnchor({.Path = "rel/", .RealPath = "", .Parent = NoAnchor, .Folder = {}});
    const TAnchorIndex plain = list.AddAnchor({.Path = "/t/", .RealPath = "/t/", .Parent = NoAnchor, .Folder = {}});
    const TFolderIndex root = list.AddFolder(NoFolder, "");
    const TFolderIndex top = list.AddFolder(list.AddFolder(root, "s"), "top", given);
    std::vector<TFolderIndex> folders = {top};
    const auto add = [&](TFolderIndex parent, std::string_view name, TAnchorIndex anchor) {
        folders.push_back(list.AddFolder(parent, name, anchor));
        return folders.back();
    };
    const TFolderIndex a = add(top, "a", given);
    add(add(add(a, ".hg", given), "b", given), ".", given);
    add(add(top, ".git", given), "objects", given);
    add(add(top, "migrations", given), "cache", given);
    add(add(top, "lnk", link), "y", link);
    add(add(NoFolder, "rel", relative), "migrations", relative);
    add(add(add(root, "t", plain), "build", plain), "deep", plain);
    add(add(folders.back(), "", plain), "x", plain);

    const std::vector<std::string> names = {"__init__.py", "x.txt", "keep.me", "README", ".gitkeep", "cache"};
    for (const TFolderIndex folder : folders)
        for (std::size_t n = 0; n < names.size(); ++n) {
            TFileRecord::TTexts texts{};
            texts[fiFileType] = n == 5 ? "folder" : "file";
            TListEntry& entry = list.Append();
            entry.Record.Assign(texts, {.PathTail = names[n]});
            entry.Folder = folder;
            entry.Kind = n == 5 ? TEntryKind::Folder : TEntryKind::File;
        }
    TListEntry& whole = list.Append();  // holds its path whole
    TFileRecord::TTexts texts{};
    texts[fiFullPath] = "/q/.svn/x.txt";
    whole.Record.Assign(texts);

    const std::string extras = "vendor/\n*.me\ncach?/\nmigrations/__init__.py\n/t/build/\n/r/*/top/a/\ndeep/x.txt\n"
                               "/t/**/README\n";
    TKeepRules shipped = TKeepRules::Shipped(), own, shippedOnly = TKeepRules::Shipped();
    EXPECT_TRUE(shipped.AddLines(extras).empty());
    EXPECT_TRUE(own.AddLines(extras).empty());
    for (const TKeepRules* rules : {&shipped, &own, &shippedOnly}) {
        std::vector<bool> expected;
        for (const TListEntry& entry : list) expected.push_back(!rules->RuleFor(list, entry).empty());
        for (TListEntry& entry : list) entry.Note = TEntryNote::None;
        rules->Hold(list);
        std::size_t heldCount = 0;
        for (std::size_t i = 0; i < list.Count(); ++i) {
            EXPECT_EQ(list[i].Note == TEntryNote::HeldByRule, expected[i]) << list.FullPath(list[i]);
            heldCount += expected[i];
        }
        EXPECT_GT(heldCount, 0u);
        EXPECT_LT(heldCount, list.Count());
    }
}

// The file is found through XDG_CONFIG_HOME, or ~/.config when that is unset or relative. A
// missing file is no error; one that is no regular file, or too large to be a rules file, is
// not read, and only the shipped rules hold. Writing makes the folders for the user alone.
TEST(KeepRules, TheRulesFileIsFoundReadAndWrittenSafely) {
    const test::TTempDir dir;
    {
        const test::TEnvironmentGuard home("HOME", dir.Str());
        const test::TEnvironmentGuard config("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(KeepRulesFileName(), dir.Str() + "/.config/nulvane/keep-rules");
    }
    const test::TEnvironmentGuard config("XDG_CONFIG_HOME", dir.Str() + "/config/");
    const std::string file = KeepRulesFileName();
    EXPECT_EQ(file, dir.Str() + "/config/nulvane/keep-rules");

    TLoadedKeepRules loaded = LoadKeepRules();
    EXPECT_EQ(loaded.Path, file);
    EXPECT_TRUE(loaded.Error.empty());
    EXPECT_EQ(RuleOf(loaded.Rules, "/p/__init__.py"), "__init__.py");

    WriteKeepRulesFile(file, "*.lock\nbad[\n");
    struct stat st{};
    ASSERT_EQ(::stat((dir.Str() + "/config/nulvane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    loaded = LoadKeepRules();
    EXPECT_EQ(loaded.Text, "*.lock\nbad[\n");
    EXPECT_EQ(loaded.Problems, (std::vector<TRuleProblem>{{2, "unclosed ["}}));
    EXPECT_EQ(RuleOf(loaded.Rules, "/p/x.lock"), "*.lock");
    WriteKeepRulesFile(file, "");
    EXPECT_EQ(ReadFileContent(file), "");

    const std::string fifo = dir.Str() + "/fifo", folder = dir.MakeDir("folder"), big = dir.Write("big");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::truncate(big.c_str(), MaxKeepRulesFileSize + 1), 0);
    for (const auto& [path, error] : {std::pair{fifo, "not a regular file"}, {folder, "not a regular file"},
                                      {big, "larger than 1 MiB"}}) {
        loaded = LoadKeepRules(path);
        EXPECT_EQ(loaded.Error, error) << path;
        EXPECT_EQ(RuleOf(loaded.Rules, "/p/.gitkeep"), ".gitkeep");
        EXPECT_EQ(RuleOf(loaded.Rules, "/p/x.lock"), "");
    }
}
