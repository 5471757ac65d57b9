#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/CliRun.h"
#include "support/Environment.h"
#include "support/ProjectTree.h"
#include "support/TempDir.h"
#include "support/TrashTools.h"

using namespace nulvane;

namespace {

using test::RunCli;
using test::TArgs;
using test::TRun;

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

// A project's markers, its .git folder and what a link leads to stay; its clutter goes. Each
// kept file is named with its rule, counted apart, and the run succeeds: git sees no tracked file
// deleted, and setuptools still finds both packages.
TEST(CliKeepRules, DeleteTakesOnlyTheClutterOfAProject) {
    const test::TProjectTree project;
    const test::TTempDir outside;
    outside.Write("linked/empty");
    std::filesystem::create_directory_symlink(outside.Str() + "/linked", project.Path() / "link");
    const std::string packages = project.Packages();

    const TRun run = RunCli({"--delete", "--yes", project.Str()});
    EXPECT_EQ(run.Status, 0) << run;
    EXPECT_EQ(project.Gone(project.Clutter), project.Clutter);
    EXPECT_EQ(project.Present(project.Markers), project.Markers);
    EXPECT_TRUE(std::filesystem::exists(outside.Str() + "/linked/empty"));
    // The list is complete: what is kept is listed too.
    EXPECT_NE(run.Out.find(project.Str() + "/src/mypkg/__init__.py\n"), std::string::npos);
    EXPECT_NE(run.Err.find("nulvane-cli: kept: rule __init__.py: " + project.Str() + "/src/mypkg/__init__.py\n"),
              std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("nulvane-cli: kept: rule .git/: " + project.Str() + "/.git/FETCH_HEAD\n"), std::string::npos);
    EXPECT_NE(run.Err.find("nulvane-cli: kept: rule reached through a folder link: " + project.Str() + "/link/empty\n"),
              std::string::npos);
    const std::size_t kept = Lines(run.Err) - 1;
    EXPECT_GE(kept, project.Markers.size() + 1);
    EXPECT_TRUE(run.Err.ends_with("nulvane-cli: deleted 5 files (undo: nulvane-cli --undo), " + std::to_string(kept) + " kept by rules\n")) << run.Err;
    EXPECT_EQ(Lines(run.Out), kept + project.Clutter.size());

    EXPECT_EQ(project.TrackedDeletions(), "");  // nothing to say without git
    EXPECT_EQ(project.Packages(), packages);     // nor without setuptools
    EXPECT_TRUE(packages.empty() || packages == "['mypkg', 'mypkg.sub']\n") << packages;
}

// A lock file a running program holds (here this test, with flock) is kept "in use", and makes
// the run fail as any kept file does; the stale one beside it goes.
TEST(CliKeepRules, AFileAnotherProgramHoldsALockOnIsKeptInUse) {
    if (::access("/proc/locks", R_OK) != 0) GTEST_SKIP() << "/proc/locks cannot be read here";
    const test::TTempDir dir;
    const std::string held = dir.Write("app.lock"), stale = dir.Write("old.lock");
    const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const TRun run = RunCli({"--delete", "--yes", dir.Str()});
    ::close(fd);
    EXPECT_EQ(run.Status, 1) << run;
    EXPECT_TRUE(std::filesystem::exists(held));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_NE(run.Err.find("nulvane-cli: kept " + held + ": in use\n"), std::string::npos) << run.Err;
}

// The rules file, --keep, --no-keep-rules, --deletable and -E, each on a fresh small tree ("T" stands for it,
// "C" for the rules file).
TEST(CliKeepRules, RulesOptionsAndExclusionsShapeWhatIsListedAndDeleted) {
    struct TCase {
        TArgs Args;
        std::string Rules;  // the rules file's content; "(folder)" puts a folder in its place
        int Status;
        std::string Out, Err;
        std::vector<std::string> Stay;  // of a, b.log, c.tmp, pkg/__init__.py, node_modules/d, odd\nname/.keep
    };
    const std::vector<std::string> all = {"a", "b.log", "c.tmp", "pkg/__init__.py", "node_modules/d", "odd\nname/.keep"};
    const std::string listed = "T/a\nT/b.log\nT/c.tmp\nT/node_modules/d\nT/odd\nname/.keep\nT/pkg/__init__.py\n";
    const std::string keptInit = "nulvane-cli: kept: rule __init__.py: T/pkg/__init__.py\n";
    const std::string keptOdd = "nulvane-cli: kept: rule .keep: T/odd\\nname/.keep\n";
    const TCase cases[] = {
        {{"-E", "node_modules", "--exclude=*.tmp", "-E", "odd?name/", "T"}, "", 0, "T/a\nT/b.log\nT/pkg/__init__.py\n", "", all},
        {{"-E", "pkg/*.py", "-E", "/node_modules/d", "-E", "*/.keep", "T"}, "", 0, "T/a\nT/b.log\nT/c.tmp\n", "", all},
        {{"--delete", "-y", "T"}, "", 0, listed, keptOdd + keptInit + "nulvane-cli: deleted 4 files (undo: nulvane-cli --undo), 2 kept by rules\n",
         {"pkg/__init__.py", "odd\nname/.keep"}},
        {{"--delete", "-y", "--keep", "*.log", "--keep=node_modules/", "T"}, "# mine\nc.tmp\nbad[\n\n!x\n", 0, listed,
         "nulvane-cli: C: line 3 ignored: unclosed [ (1 more line ignored)\n"
         "nulvane-cli: kept: rule *.log: T/b.log\nnulvane-cli: kept: rule c.tmp: T/c.tmp\n"
         "nulvane-cli: kept: rule node_modules/: T/node_modules/d\n" + keptOdd + keptInit +
             "nulvane-cli: deleted 1 file (undo: nulvane-cli --undo), 5 kept by rules\n",
         {"b.log", "c.tmp", "pkg/__init__.py", "node_modules/d", "odd\nname/.keep"}},
        {{"--delete", "-y", "--no-keep-rules", "--keep", "a", "T"}, "b.log\n", 2, "",
         "nulvane-cli: --no-keep-rules turns every keep rule off, --keep among them; give one of the two\n"
         "Try 'nulvane-cli --help' for more information.\n",
         all},
        {{"--delete", "-y", "T"}, "(folder)", 1, listed,
         "nulvane-cli: cannot read the keep rules \"C\": not a regular file; nothing deleted\n", all},
        {{"--delete", "-y", "T/pkg"}, "", 0, "T/pkg/__init__.py\n", keptInit + "nulvane-cli: deleted 0 files, 1 kept by rules\n", all},
        {{"--keep", "[", "--delete", "T"}, "", 2, "", "nulvane-cli: bad glob \"[\" for --keep: unclosed [\n", all},
        {{"-E", "a/../b", "T"}, "", 2, "", "nulvane-cli: bad glob \"a/../b\" for --exclude: holds .. (a parent folder)\n", all},
        {{"T", "-E"}, "", 2, "", "nulvane-cli: --exclude needs a glob\n", all},
        {{"--keep", "a", "T"}, "", 2, "", "nulvane-cli: --keep only goes with --delete\n", all},
        {{"--deletable", "T"}, "c.tmp\n", 0, "T/a\nT/b.log\nT/node_modules/d\n", "", all},
        {{"--deletable", "--no-keep-rules", "T"}, "c.tmp\n", 0, listed, "", all},
    };
    for (const TCase& c : cases) {
        const test::TTempDir dir, config;
        for (const std::string& file : all) dir.Write(file);
        const std::string rules = config.Str() + "/nulvane/keep-rules";
        if (c.Rules == "(folder)")
            std::filesystem::create_directories(rules);
        else if (!c.Rules.empty())
            config.Write("nulvane/keep-rules", c.Rules);
        // In name order, so that the list does not depend on the file system's.
        TArgs args = c.Status == 2 ? TArgs{} : TArgs{"--sort", "Full Path"};
        for (const std::string& arg : c.Args) args.push_back(arg.starts_with("T") ? dir.Str() + arg.substr(1) : arg);
        const auto expand = [&](std::string text) {
            for (const auto& [mark, path] : {std::pair{std::string("T/"), dir.Str() + "/"}, {"\"C\"", '"' + rules + '"'},
                                             {" C:", " " + rules + ":"}})
                for (std::size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += path.size())
                    text.replace(at, mark.size(), path);
            return text;
        };
        const TRun run = RunCli(args, {.ConfigHome = config.Str()});
        SCOPED_TRACE(::testing::PrintToString(c.Args));
        EXPECT_EQ(run.Status, c.Status);
        if (c.Status == 2) {
            EXPECT_TRUE(run.Err.starts_with(c.Err)) << run.Err;
        } else {
            EXPECT_EQ(run.Out, expand(c.Out));
            EXPECT_EQ(run.Err, expand(c.Err));
        }
        std::vector<std::string> stay;
        for (const std::string& file : all)
            if (std::filesystem::exists(dir.Path() / file)) stay.push_back(file);
        EXPECT_EQ(stay, c.Stay);
    }
}

// Rules are decided on where a file really is: every spelling of a protected folder (".", "..",
// a link, a relative path, a path through a link) keeps what its absolute path keeps, for the
// shipped .git/ rule, a user's folder rule, a rule from the root, and a rule from the root that
// names its folder through a link. The messages name the files as the folder was given.
TEST(CliKeepRules, EverySpellingOfAProtectedFolderKeepsWhatItsAbsolutePathKeeps) {
    struct TCase {
        std::string Folder, WorkDir;  // relative to the tree; "T" for the tree itself
        std::string Rule;             // "T" stands for the tree
        std::vector<std::string> Files;  // as the folder was given
    };
    const std::vector<std::string> git = {"index.lock", "refs/e"}, venv = {"lib/x", "y"}, www = {"a/page", "b"};
    const TCase cases[] = {
        {"T/repo/.git", "/", ".git/", git},
        {".", "repo/.git", ".git/", git},
        {"..", "repo/.git/refs", ".git/", git},
        {"gitlink", "T", ".git/", git},
        {"repo/.git", "T", ".git/", git},
        {"T/via/repo/.git", "/", ".git/", git},
        {"T/proj/.venv", "/", ".venv/", venv},
        {".", "proj/.venv", ".venv/", venv},
        {"..", "proj/.venv/lib", ".venv/", venv},
        {"T/venvlink", "/", ".venv/", venv},
        {"../proj/.venv", "repo", ".venv/", venv},
        {"via/proj/.venv", "T", ".venv/", venv},
        {"T/srv/www", "/", "T/srv/www/**", www},
        {".", "srv/www", "T/srv/www/**", www},
        {"..", "srv/www/a", "T/srv/www/**", www},
        {"../keepme/www", "proj", "T/srv/www/**", www},
        {"wwwlink", "T", "T/srv/www/**", www},
        {"T/via/srv/www", "/", "T/srv/www/**", www},
        {"T/data", "/", "T/via/data/**", {"z"}},
        {".", "data", "T/via/data/**", {"z"}},
    };
    for (const TCase& c : cases) {
        const test::TTempDir dir, config;
        const std::string tree = std::filesystem::canonical(dir.Path()).string();
        for (const char* file : {"repo/.git/index.lock", "repo/.git/refs/e", "proj/.venv/lib/x", "proj/.venv/y",
                                 "srv/www/a/page", "srv/www/b", "data/z"})
            dir.Write(file);
        for (const auto& [link, target] : {std::pair{"gitlink", "repo/.git"}, {"venvlink", "proj/.venv"},
                                           {"wwwlink", "srv/www"}, {"keepme", "srv"}, {"via", "."}})
            std::filesystem::create_directory_symlink(target, dir.Path() / link);
        const auto inTree = [&](const std::string& path) { return path.starts_with("T") ? tree + path.substr(1) : path; };
        const std::string folder = inTree(c.Folder), rule = inTree(c.Rule);
        // The case's rule alone: a rule from the root would have relative paths completed.
        config.Write("nulvane/keep-rules", rule == ".git/" ? "" : rule + "\n");
        const std::string workDir = c.WorkDir == "/" ? "/" : c.WorkDir == "T" ? tree : tree + "/" + c.WorkDir;

        const TRun run = RunCli({"--delete", "--yes", "--sort", "Full Path", folder}, {.WorkDir = workDir, .ConfigHome = config.Str()});
        SCOPED_TRACE(c.Folder + " from " + c.WorkDir);
        std::string out, err;
        for (const std::string& file : c.Files) {
            out += folder + "/" + file + "\n";
            err += "nulvane-cli: kept: rule " + rule + ": " + folder + "/" + file + "\n";
        }
        err += "nulvane-cli: deleted 0 files, " + std::to_string(c.Files.size()) + " kept by rules\n";
        EXPECT_EQ(run, (TRun{0, out, err}));
    }
}

// The trash inside a scanned home folder is neither listed nor entered: what was moved there
// stays where trash-cli restores it from, however often the home is scanned and emptied, and a
// folder in the trash is not scanned at all.
TEST(CliKeepRules, TheTrashInsideAScannedHomeStaysRestorable) {
    const test::TTempDir dir;
    const std::string home = dir.MakeDir("home"), trash = home + "/.local/share/Trash";
    const test::TEnvironmentGuard homeGuard("HOME", home), dataGuard("XDG_DATA_HOME", home + "/.local/share");
    const std::string a = dir.Write("home/a"), b = dir.Write("home/docs/b");
    EXPECT_EQ(RunCli({"--delete", "--yes", "--trash", home}), (TRun{0, a + "\n" + b + "\n", "nulvane-cli: moved 2 files to the trash\n"}));
    for (const TArgs& again : {TArgs{"--delete", "--yes", "--trash", home}, TArgs{"--delete", "--yes", home}})
        EXPECT_EQ(RunCli(again), (TRun{0, "", "nulvane-cli: no empty files to delete\n"}));
    EXPECT_EQ(RunCli({"--delete", "--yes", trash + "/files"}),
              (TRun{1, "", "nulvane-cli: " + trash + "/files: in the trash, not scanned\nnulvane-cli: no empty files to delete\n"}));
    EXPECT_TRUE(std::filesystem::exists(trash + "/files/a") && std::filesystem::exists(trash + "/files/b"));

    if (!test::TrashCliInstalled()) GTEST_SKIP() << "trash-cli (trash-restore) is not installed";
    EXPECT_TRUE(test::RestoreFromTrash(home, home, a));
    EXPECT_TRUE(test::RestoreFromTrash(home, home, b));
    EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));
}
