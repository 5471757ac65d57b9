#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "core/FieldSort.h"
#include "core/Scan.h"
#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TrashTools.h"

using namespace nulvane;

namespace {

using test::RunCli;
using test::TArgs;
using test::TRun;

std::string Listed(const TArgs& folders, char terminator) {
    TResultList list;
    for (const std::string& folder : folders) ScanFolder(list, folder);
    std::string text;
    for (const TListEntry& entry : list) (text += list.FullPath(entry)) += terminator;
    return text;
}

// Exit code 2, nothing listed, one line that names the fault and one that points to --help.
TEST(Cli, BadUsageExitsWithTwoAndOneUsageLine) {
    const test::TTempDir dir;
    const std::pair<TArgs, std::string> cases[] = {
        {{"-j", "."}, "-j"}, {{".", "--bogus"}, "--bogus"}, {{"-0j", "."}, "-j (in -0j)"}, {{"-xE"}, "--exclude needs"},
        {{"--owner", "no-such-user"}, "no such user"}, {{"-q", "--delete", "-y"}, "--quiet and --delete"},
        {{"--max-results", "0"}, "--max-results"}, {{"-e", "/"}, "--extension"}, {{"--yes", "."}, "--yes"},
        {{"--trash", "."}, "--trash only goes with --delete"}, {{"--sort", "file nam", "."}, "\"file nam\""},
        {{".", "--sort"}, "--sort needs a field name"}, {{"--sort=Size:up", "."}, "\"Size:up\""},
        {{"-d", "two"}, "\"two\" for --max-depth"}, {{"--min-depth=-1"}, "--min-depth"}, {{"--max-depth"}, "needs a number"},
        {{"--changed-within", "soon"}, "\"soon\" for --changed-within"}, {{"--changed-before", "2026-02-30"}, "2026-02-30"},
        {{"--color", "sometimes"}, "\"sometimes\" for --color"}, {{"-t", "l", "."}, "\"l\" for --type"}, {{"--export=csv", "f"}, "--export=csv"},
        {{"--sort", "Nope", "."}, "\"Write Time\""},  // the valid field names
        // Control characters are shown escaped, never sent to the terminal.
        {{"--bogus\x1b]0;title\x07", "."}, "--bogus\\x1b]0;title\\x07"}, {{"--sort", "a\x1b[2J", "."}, "\"a\\x1b[2J\""},
        {{"--export", "cs\nv", "f", "."}, "\"cs\\nv\""}, {{"--export", "csv", "", "."}, "file name for --export is empty"},
        {{"--json", "-0", "."}, "-0"}, {{"--export", "csv", "f", "--json", "."}, "--json and --export"},
    };
    for (const auto& [args, named] : cases) {
        const TRun run = RunCli(args, {.WorkDir = dir.Str()});
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.empty());
        EXPECT_NE(run.Err.find(named), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Err.starts_with("nulvane-cli: ")) << run.Err;
        EXPECT_EQ(run.Err.find('\n') + 1, run.Err.find("Try 'nulvane-cli --help' for more information.\n")) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 2) << run.Err;
        EXPECT_EQ(run.Err.find('\x1b'), std::string::npos) << run.Err;
    }
}

TEST(Cli, PrintsFullPathsAsRawBytesInScanOrder) {
    const test::TTempDir dir;
    dir.Write("bad\xff\xfe name,\"q\"<");
    dir.Write("sub/new\nline");
    dir.Write("sub/more/empty.txt");
    dir.Write("not-empty", "x");
    dir.Write("-dash/empty");
    const std::string sub = dir.Str() + "/sub";

    EXPECT_NE(Listed({dir.Str()}, '\n').find(dir.Str() + "/bad\xff\xfe name,\"q\"<\n"), std::string::npos);
    EXPECT_EQ(RunCli({dir.Str()}, {.WorkDir = dir.Str()}), (TRun{0, Listed({dir.Str()}, '\n'), ""}));
    EXPECT_EQ(RunCli({"-0", sub, dir.Str(), "missing"}, {.WorkDir = dir.Str()}),
              (TRun{1, Listed({sub, dir.Str()}, '\0'), "nulvane-cli: missing: No such file or directory\n"}));
    EXPECT_EQ(RunCli({"--", "-dash"}, {.WorkDir = dir.Str()}), (TRun{0, "-dash/empty\n", ""}));
}

// -t d lists the empty folders instead of the files, -t f -t d both, streamed or sorted; each JSON
// line says which kind it is.
TEST(Cli, TypeChoosesEmptyFilesFoldersOrBoth) {
    const test::TTempDir dir;
    dir.MakeDir("top/a/b");
    dir.MakeDir("top/c");
    dir.Write("files/empty");
    dir.Write("files/sub/.hidden", "x");
    const std::string top = dir.Str() + "/top", file = dir.Str() + "/files/empty";
    const auto lines = [](const std::string& text) {
        std::multiset<std::string> set;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            set.insert(text.substr(at, end - at));
        return set;
    };
    using TLines = std::multiset<std::string>;
    EXPECT_EQ(RunCli({dir.Str()}), (TRun{0, file + "\n", ""}));
    EXPECT_EQ(RunCli({"-t", "f", dir.Str()}), (TRun{0, file + "\n", ""}));
    EXPECT_EQ(RunCli({"-t", "d", dir.Str()}), (TRun{0, top + "\n", ""}));
    EXPECT_EQ(lines(RunCli({"--type=d", top}).Out), (TLines{top + "/a", top + "/c"}));
    const TRun both = RunCli({"-t", "f", "-t", "d", dir.Str()});
    EXPECT_EQ(lines(both.Out), (TLines{file, top}));
    // A sort puts folders first, as the list's sort does.
    EXPECT_EQ(RunCli({"-t", "d", "-t", "f", "--sort", "name", dir.Str()}), (TRun{0, top + "\n" + file + "\n", ""}));
    for (const TArgs& args : {TArgs{"--json", "-t", "d", "-t", "f", dir.Str()},
                              TArgs{"--json", "-t", "d", "-t", "f", "--sort", "path", dir.Str()}}) {
        const TRun run = RunCli(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        for (const std::string& line : lines(run.Out)) {
            const bool folder = line.find("\"FullPath\":\"" + top + "\"") != std::string::npos;
            EXPECT_NE(line.find(folder ? "\"FileType\":\"folder\"" : "\"FileType\":\"file\""), std::string::npos) << line;
            EXPECT_TRUE(line.ends_with(folder ? ",\"Kind\":\"folder\"}" : ",\"Kind\":\"file\"}")) << line;
        }
        EXPECT_EQ(lines(run.Out).size(), 2u);
    }
    // One deletion takes the file, then the folder with what is under it, and counts them apart.
    const TRun deleted = RunCli({"-t", "f", "-t", "d", "--delete", "--yes", dir.Str()});
    EXPECT_EQ(lines(deleted.Out), (TLines{file, top}));
    EXPECT_EQ(deleted.Err, "nulvane-cli: deleted 1 file and 1 folder (undo: nulvane-cli --undo)\n");
    EXPECT_FALSE(std::filesystem::exists(top) || std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::exists(dir.Str() + "/files/sub/.hidden"));
}

// The lines a shell command prints, as a set.
std::multiset<std::string> CommandLines(const std::string& command) {
    std::multiset<std::string> lines;
    std::string line;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(pipe)) != EOF;)
            c == '\n' ? void(lines.insert(std::exchange(line, {}))) : line.push_back(static_cast<char>(c));
        ::pclose(pipe);
    }
    return lines;
}

// Folder entries follow the filters as fd applies them: each listed folder passes them (fd lists
// it too), each empty folder fd lists lies in one listed, and a folder left out is never listed or
// deleted, nor one holding it; -d 0 lists nothing. A version-control store, whatever it is called,
// survives -t f -t d --delete with git fsck clean and JSON Lines name its rule, while one pass
// with both types takes a tree of empty files and the folders they leave empty.
TEST(Cli, FoldersFollowTheFiltersAndStoresAreKept) {
    namespace fs = std::filesystem;
    const test::TTempDir dir;
    const std::string dd = dir.Str() + "/dd";
    for (const char* folder : {"dd/new1/sub", "dd/a/b/deepnew", "dd/old", "dd/x/y/z", "dd/m/n/o", "dd/p"}) dir.MakeDir(folder);
    const timespec old[2] = {{1577836800, 0}, {1577836800, 0}};  // 2020-01-01
    for (const char* folder : {"dd/old", "dd/x", "dd/x/y", "dd/m", "dd/m/n", "dd/m/n/o"})
        ASSERT_EQ(::utimensat(AT_FDCWD, (dir.Str() + "/" + folder).c_str(), old, 0), 0);
    const bool fd = std::system("command -v fdfind >/dev/null") == 0;
    for (const TArgs& filters : {TArgs{"--changed-before", "2021-01-01"}, TArgs{"--min-depth", "2"}, TArgs{"-d", "1"},
                                 TArgs{"-d", "2", "--changed-within", "1d"}, TArgs{"--min-depth", "3", "--changed-before", "2021-01-01"}}) {
        std::string options;
        for (const std::string& filter : filters) options += " '" + filter + "'";
        SCOPED_TRACE(options);
        const std::multiset<std::string> ours = CommandLines("'" NULVANE_CLI_PATH "'" + options + " -t d '" + dd + "'");
        if (!fd) continue;
        const auto all = CommandLines("fdfind -t d" + options + " . '" + dd + "' | sed 's|/$||'");
        for (const std::string& folder : ours) EXPECT_EQ(all.count(folder), 1u) << folder;
        for (const std::string& empty : CommandLines("fdfind -t d -t e" + options + " . '" + dd + "' | sed 's|/$||'"))
            EXPECT_TRUE(std::any_of(ours.begin(), ours.end(), [&](const std::string& folder) {
                return empty == folder || empty.starts_with(folder + "/");
            })) << empty;
    }
    EXPECT_EQ(RunCli({"-d", "0", "-t", "f", "-t", "d", dd}), (TRun{0, "", ""}));
    // Old enough and deep enough: only the innermost of the old chain; what holds it stays.
    EXPECT_EQ(RunCli({"-t", "d", "--changed-before", "2021-01-01", "--min-depth", "3", "--delete", "-y", dd}).Out, dd + "/m/n/o\n");
    for (const char* kept : {"old", "new1/sub", "a/b/deepnew", "x/y/z", "m/n"}) EXPECT_TRUE(fs::exists(dd + "/" + kept)) << kept;

    // Stores by what they are: bare, a separate git folder, a worktree's admin folder.
    const std::string repos = dir.MakeDir("repos"), git = "git -c user.name=t -c user.email=t@t -C '" + repos + "' ";
    ASSERT_EQ(std::system((git + "init -q --bare new.git && " + git + "init -q --separate-git-dir=sep.git work && " + git +
                           "init -q main && " + git + "-C main commit -q --allow-empty -m x && " + git +
                           "-C main worktree add -q ../tree 2>/dev/null").c_str()),
              0);
    for (const char* file : {"clutter/a/b/e1", "clutter/a/e2", "clutter/f/g/e3"}) dir.Write(std::string("repos/") + file);
    const TRun listed = RunCli({"--json", "-t", "f", "-t", "d", repos});
    EXPECT_NE(listed.Out.find("\"FullPath\":\"" + repos + "/new.git/refs/tags\",") , std::string::npos) << listed.Out;
    EXPECT_NE(listed.Out.find("\"Kept\":\"rule repository\",\"Kind\":\"folder\"}"), std::string::npos);
    EXPECT_EQ(RunCli({"--deletable", "-t", "f", "-t", "d", "--sort", "path", repos}).Out,
              repos + "/clutter\n" + repos + "/clutter/a/b/e1\n" + repos + "/clutter/a/e2\n" + repos + "/clutter/f/g/e3\n");
    const TRun deleted = RunCli({"-t", "f", "-t", "d", "--delete", "--yes", repos});
    EXPECT_EQ(deleted.Status, 0) << deleted.Err;
    EXPECT_FALSE(fs::exists(repos + "/clutter"));
    for (const char* store : {"new.git", "sep.git", "main", "tree"})
        EXPECT_EQ(std::system((git + "-C " + store + " fsck --no-progress >/dev/null 2>&1").c_str()), 0) << store;
    for (const char* kept : {"new.git/refs/tags", "new.git/objects/pack", "sep.git/refs/tags", "sep.git/objects/info"})
        EXPECT_TRUE(fs::is_directory(repos + "/" + kept)) << kept;
}

// -g, -e and --owner choose as fd chooses: the same empty files as fd's, and folder entries that
// each pass fd's filters, with every empty folder fd lists inside one listed; with both types a
// file left out keeps its folder off the list and in place. -q, --max-results and -a too.
TEST(Cli, ChoosingWhatToListAgreesWithFd) {
    const test::TTempDir dir;
    const std::string dd = dir.MakeDir("dd"), cli = "'" NULVANE_CLI_PATH "' ", fd = "fdfind -H -I ";
    for (const char* file : {"a.log", "B.LOG", ".log", "c.tar.gz", "sub/d.log", "sub/e.txt", "sub/deep/f.log",
                             "mixed/m.log", "mixed/m.txt", "logs/o.log"})
        dir.Write(std::string("dd/") + file);
    dir.Write("dd/full.log", "x");
    for (const char* folder : {"dd/logs.d/x.log", "dd/n1/n2", "dd/void", "dd/sub/deep/void.log"}) dir.MakeDir(folder);
    for (const char* path : {"B.LOG", "sub", "sub/d.log", "sub/deep/void.log", "n1"})  // to nobody, where we may
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown((dd + "/" + path).c_str(), 65534, 65534), 0);
        }
    const bool withFd = std::system("command -v fdfind >/dev/null") == 0;
    const std::pair<std::string, std::string> cases[] = {
        {"-g '*.log'", "-s -g '*.log'"}, {"-e log", "-e log ."}, {"-e LOG -e .tar.gz", "-e LOG -e tar.gz ."},
        {"-g 'n*' -g '*.d'", "-s '^(n.*|.*[.]d)$'"}, {"--owner 65534", "--owner 65534 ."},
        {"--owner '!65534' -e log", "--owner '!65534' -e log ."}, {"--owner :65534", "--owner :65534 ."},
    };
    for (const auto& [ours, theirs] : cases) {
        SCOPED_TRACE(ours);
        const auto files = CommandLines(cli + ours + " '" + dd + "'"), folders = CommandLines(cli + "-t d " + ours + " '" + dd + "'");
        if (!withFd) continue;
        EXPECT_EQ(files, CommandLines(fd + "-t f -t e " + theirs + " '" + dd + "'"));
        const auto all = CommandLines(fd + "-t d " + theirs + " '" + dd + "' | sed 's|/$||'");
        for (const std::string& folder : folders) EXPECT_EQ(all.count(folder), 1u) << folder;
        for (const std::string& empty : CommandLines(fd + "-t d -t e " + theirs + " '" + dd + "' | sed 's|/$||'"))
            EXPECT_TRUE(std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
                return empty == folder || empty.starts_with(folder + "/");
            })) << empty;
    }
    EXPECT_EQ(CommandLines(cli + "-g 'sub/**/*.log' '" + dd + "'"), (std::multiset{dd + "/sub/d.log", dd + "/sub/deep/f.log"}));
    for (const auto& [args, status] : {std::pair{TArgs{"-q", "-e", "log", "-Pt", "f", dd}, 0}, {{"-qe", "nope", dd}, 1}}) {
        EXPECT_EQ(RunCli(args), (TRun{status, "", ""}));
        if (withFd) {
            EXPECT_EQ(WEXITSTATUS(std::system((fd + "-q -e " + args[2] + " . '" + dd + "'").c_str())), status);
        }
    }
    const auto logs = CommandLines(cli + "-e log '" + dd + "'");
    for (const auto& [options, count] : {std::pair<std::string, std::size_t>{"--max-results 2 -e log", 2}, {"-1e log", 1}}) {
        const auto some = CommandLines(cli + options + " '" + dd + "'");
        EXPECT_EQ(some.size(), count);
        EXPECT_TRUE(std::includes(logs.begin(), logs.end(), some.begin(), some.end()));
    }
    const std::string sorted = RunCli({"--sort", "path", "-e", "log", dd}).Out;
    EXPECT_EQ(RunCli({"--sort", "path", "--max-results=2", "-e", "log", dd}).Out, sorted.substr(0, sorted.find('\n', sorted.find('\n') + 1) + 1));
    if (withFd) {
        EXPECT_EQ(CommandLines("cd '" + dir.Str() + "' && " + cli + "-ae log dd/./../dd/"),
                  CommandLines("cd '" + dir.Str() + "' && " + fd + "-a -t f -t e -e log . dd"));
    }
    // Both types: the .txt left out keeps "mixed" off the list and in place; "logs" goes whole.
    const TRun deleted = RunCli({"-t", "f", "-t", "d", "-g", "*.log", "-g", "mixed", "-g", "logs", "--delete", "-y", dd});
    EXPECT_NE(deleted.Out.find(dd + "/mixed/m.log\n"), std::string::npos);
    EXPECT_EQ(deleted.Out.find(dd + "/mixed\n"), std::string::npos);
    EXPECT_NE(deleted.Out.find(dd + "/logs\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dd + "/mixed/m.txt") && !std::filesystem::exists(dd + "/logs"));
}

// What Python's json module reads from JSON Lines: each object's "Full Path" (its exact bytes,
// from the base64 beside it where the text is not UTF-8) and "File Name" likewise, each ended by
// NUL, after checking that the text fields hold exactly what the bytes are where they are UTF-8.
const char* const JsonReader = R"(import base64, json, sys
out = sys.stdout.buffer
for line in sys.stdin.buffer.read().split(b'\n')[:-1]:
    entry = json.loads(line)
    for key in ('FullPath', 'FileName'):
        raw = base64.b64decode(entry[key + 'Bytes']) if key + 'Bytes' in entry else entry[key].encode('utf-8')
        assert key + 'Bytes' in entry or raw.decode('utf-8') == entry[key]
        assert entry['SizeBytes'] == 0 and entry['WriteTimeUtc'].endswith('Z')
        out.write(raw + b'\0')
)";

// JSON Lines of names holding every byte but "/" (newlines, quotes, bytes that are not UTF-8):
// Python reads every line back to the exact bytes, in scan order while streaming and in the
// order --sort gives; jq reads every line too.
TEST(Cli, JsonLinesKeepEveryNameWhole) {
    const test::TTempDir dir, capture;
    for (int byte = 1; byte <= 0xFF; ++byte)
        if (byte != '/') dir.Write(std::string{'n', static_cast<char>(byte), 'e'});
    dir.Write("sub\xff\n/\xc3(\xe2\x82 x\"\\");
    const std::string reader = capture.Write("reader.py", JsonReader);
    for (const bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted" : "streamed");
        TResultList list;
        ScanFolder(list, dir.Str());
        if (sorted) SortListByField(list, "Full Path", false);
        std::string expected;
        for (const TListEntry& entry : list) (expected += list.FullPath(entry)) += '\0';

        const TRun run = RunCli(sorted ? TArgs{"--json", "--sort", "Full Path", dir.Str()} : TArgs{"--json", dir.Str()});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(static_cast<std::size_t>(std::count(run.Out.begin(), run.Out.end(), '\n')), list.Count());
        const std::string lines = capture.Write("lines.json", run.Out);
        std::FILE* pipe = ::popen(("/usr/bin/python3 '" + reader + "' < '" + lines + "'").c_str(), "r");
        std::string read;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) read.append(buffer, got);
        EXPECT_EQ(::pclose(pipe), 0);
        // Full paths and names alternate: the paths in order, each name its path's last part.
        std::string paths;
        bool isPath = true;
        for (std::size_t at = 0, end; (end = read.find('\0', at)) != std::string::npos; at = end + 1, isPath = !isPath) {
            const std::string part = read.substr(at, end - at);
            if (isPath)
                (paths += part) += '\0';
            else
                EXPECT_TRUE(paths.ends_with("/" + part + '\0')) << part;
        }
        EXPECT_EQ(paths, expected);
        if (std::system("command -v jq >/dev/null") == 0) {
            EXPECT_EQ(std::system(("jq -e -c .FullPath < '" + lines + "' > /dev/null").c_str()), 0);
        }
    }
}

TEST(Cli, SortsByAFieldAsAHeaderClickWould) {
    const test::TTempDir dir;
    // Names against write times: name order b, C, a (case folded: a, b, C); time order C, a, b.
    for (const auto& [name, seconds] : {std::pair{"b", 3000}, {"C", 1000}, {"sub/a", 2000}}) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.Write(name).c_str(), times, 0), 0);
    }
    const std::string b = dir.Str() + "/b\n", c = dir.Str() + "/C\n", a = dir.Str() + "/sub/a\n";
    const std::pair<TArgs, std::string> cases[] = {
        {{"--sort", "File Name"}, a + b + c},          {{"--sort=File Name:desc"}, c + b + a},
        {{"--sort", "  Write Time "}, c + a + b},      {{"--sort", "Write Time:desc"}, b + a + c},
    };
    for (auto [args, expected] : cases) {
        args.push_back(dir.Str());
        EXPECT_EQ(RunCli(args, {.WorkDir = dir.Str()}), (TRun{0, expected, ""})) << args[0];
    }
}

// As find does: the rest is listed, the folder is named (control characters escaped) and the run
// fails.
TEST(Cli, UnreadableFolderIsNamedAndFails) {
    const test::TTempDir dir, bin;
    const std::string readable = dir.Write("open/empty");
    dir.Write("lock\ned/empty");
    ASSERT_EQ(::chmod(dir.Str().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir.Str() + "/lock\ned").c_str(), 0), 0);
    // Root reads any folder: the lock only holds for an unprivileged user, who runs a copy of the
    // program where it may certainly execute it.
    const std::string program = bin.Str() + "/nulvane-cli";
    test::CopyCli(program);
    ASSERT_EQ(::chmod(bin.Str().c_str(), 0755), 0);
    const test::TCliRun asNobody{.Program = program, .AsNobody = ::geteuid() == 0};
    EXPECT_EQ(RunCli({dir.Str()}, asNobody),
              (TRun{1, readable + "\n", "nulvane-cli: cannot read '" + dir.Str() + "/lock\\ned': Permission denied\n"}));
    EXPECT_EQ(RunCli({dir.Str() + "/lock\ned"}, asNobody),
              (TRun{1, "", "nulvane-cli: cannot read '" + dir.Str() + "/lock\\ned': Permission denied\n"}));
    // A folder whose names may be read but not looked at (r--) is no folder of vanished files.
    const test::TTempDir other;
    other.Write("r--/empty");
    ASSERT_EQ(::chmod(other.Str().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((other.Str() + "/r--").c_str(), 0444), 0);
    for (const std::string& folder : {other.Str(), other.Str() + "/r--"})
        EXPECT_EQ(RunCli({folder}, asNobody),
                  (TRun{1, "", "nulvane-cli: cannot read '" + other.Str() + "/r--': Permission denied\n"}));
}

// Each case runs on a fresh tree of two empty files and one with content.
TEST(Cli, DeletionHelpVersionAndFolderArgumentsSetTheExitStatus) {
    struct TCase {
        TArgs Args;  // "T" stands for the tree
        int Status;
        bool ListsTree;
        std::string Err;  // "T" stands for the tree
        bool EmptyFilesStay;
    };
    const TCase cases[] = {
        {{"--delete", "--yes", "T"}, 0, true, "nulvane-cli: deleted 2 files (undo: nulvane-cli --undo)\n", false},
        {{"-y", "T", "--delete", "--sort", "Full Path:desc"}, 0, true, "nulvane-cli: deleted 2 files (undo: nulvane-cli --undo)\n", false},
        {{"--delete", "T"}, 1, false, "nulvane-cli: --delete asks on a terminal; without one, give --yes\n", true},
        {{"T", "T/missing", "T/full"}, 1, true,
         "nulvane-cli: T/missing: No such file or directory\nnulvane-cli: T/full: not a folder\n", true},
        {{"--delete", "--yes", "T/none\n\x1b[2J"}, 1, false,
         "nulvane-cli: T/none\\n\\x1b[2J: No such file or directory\nnulvane-cli: no empty files to delete\n", true},
    };
    for (const TCase& c : cases) {
        const test::TTempDir dir;
        const std::string a = dir.Write("a"), b = dir.Write("sub/b");
        dir.Write("full", "x");
        TArgs args;
        for (const std::string& arg : c.Args) args.push_back(arg[0] == 'T' ? dir.Str() + arg.substr(1) : arg);
        const TRun run = RunCli(args);
        SCOPED_TRACE(args.front() + " " + args.back());
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_EQ(!run.Out.empty(), c.ListsTree) << run.Out;
        std::string err = c.Err;
        for (std::size_t at = 0; (at = err.find(": T", at)) != std::string::npos; at += 2) err.replace(at + 2, 1, dir.Str());
        EXPECT_EQ(run.Err, err);
        EXPECT_EQ(std::filesystem::exists(a) && std::filesystem::exists(b), c.EmptyFilesStay);
        EXPECT_TRUE(std::filesystem::exists(dir.Str() + "/full"));
    }
    const TRun help = RunCli({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_TRUE(help.Out.starts_with("usage: nulvane-cli")) << help.Out;
    EXPECT_EQ(RunCli({"--version"}), (TRun{0, "nulvane-cli 2.3\n", ""}));
}

// On a terminal the question is asked after the list is shown. A file that got content while it
// was asked is kept and named, and the run fails; answering anything but y deletes nothing.
TEST(Cli, DeleteAsksOnATerminalAndKeepsWhatChangedMeanwhile) {
    for (const char* answer : {"y\n", "n\n"}) {
        const test::TTempDir dir;
        const std::string a = dir.Write("a"), b = dir.Write("b");
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::execl(NULVANE_CLI_PATH, NULVANE_CLI_PATH, "--color=never", "--delete", dir.Str().c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        std::string shown;
        char buffer[256];
        while (shown.find("[y/N] ") == std::string::npos) {
            const ssize_t got = ::read(terminal, buffer, sizeof buffer);
            ASSERT_GT(got, 0) << shown;
            shown.append(buffer, static_cast<std::size_t>(got));
        }
        EXPECT_NE(shown.find(a + "\r\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Delete 2 files (undo: nulvane-cli --undo)? [y/N] "), std::string::npos) << shown;
        dir.Write("b", "written while the question was open");
        ASSERT_EQ(::write(terminal, answer, 2), 2);
        for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(got));
        ::close(terminal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const bool yes = answer[0] == 'y';
        EXPECT_EQ(WEXITSTATUS(status), yes ? 1 : 0) << shown;
        EXPECT_NE(std::filesystem::exists(a), yes);
        EXPECT_TRUE(std::filesystem::exists(b));
        EXPECT_NE(shown.find(yes ? "kept " + b + ": changed since the scan" : "nothing deleted"), std::string::npos)
            << shown;
    }
}

// With room for one open folder the subfolders cannot be opened: each is named, the files found
// are listed, and the exit status says the list is incomplete.
TEST(Cli, FoldersGivenUpForLackOfDescriptorsAreNamedAndFail) {
    const test::TTempDir dir;
    const std::string top = dir.Write("top");
    dir.Write("sub/empty");
    const TRun run = RunCli({dir.Str()}, {.Room = 1});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, top + "\n");
    EXPECT_EQ(run.Err, "nulvane-cli: " + dir.Str() + "/sub/: given up: " + std::strerror(EMFILE) + "\n");
    EXPECT_EQ(RunCli({dir.Str()}, {.Room = 16}), (TRun{0, Listed({dir.Str()}, '\n'), ""}));
}

// A link to a folder of the same file system and one to a folder on another (/dev/shm when that
// is one): -P leaves both out, -x the second. Links to folders inside the tree are never
// followed: their files are listed once, under their own paths.
TEST(Cli, NoFollowAndOneFileSystemLeaveLinkedFoldersOut) {
    const test::TTempDir dir;
    dir.Write("elsewhere/linked");
    dir.Write("tree/own");
    dir.Write("tree/sub/inner");
    const std::string tree = dir.Str() + "/tree", near = tree + "/near/linked\n";
    std::filesystem::create_directory_symlink(dir.Str() + "/elsewhere", tree + "/near");
    for (const char* link : {"/0-first", "/z-last", "/sub/up"}) std::filesystem::create_directory_symlink(tree, tree + link);
    std::filesystem::create_directory_symlink(tree + "/sub", tree + "/0-sub");
    struct stat here, shm;
    const bool otherDevice = ::stat("/dev/shm", &shm) == 0 && ::stat(dir.Str().c_str(), &here) == 0 &&
                             shm.st_dev != here.st_dev && ::access("/dev/shm", W_OK) == 0;
    std::string far;
    std::optional<test::TTempDir> shmDir;
    if (otherDevice) {
        shmDir.emplace("/dev/shm");
        shmDir->Write("far");
        std::filesystem::create_directory_symlink(shmDir->Str(), tree + "/far");
        far = tree + "/far/far\n";
    }
    auto sorted = [](const std::string& lines) {
        std::multiset<std::string> set;
        for (std::size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1)
            set.insert(lines.substr(at, end - at + 1));
        return set;
    };
    const std::string mine = tree + "/own\n" + tree + "/sub/inner\n";
    EXPECT_EQ(sorted(RunCli({tree}).Out), sorted(mine + near + far));
    EXPECT_EQ(sorted(RunCli({"-P", tree}).Out), sorted(mine));
    EXPECT_EQ(sorted(RunCli({"--no-follow", "-x", tree}).Out), sorted(mine));
    EXPECT_EQ(sorted(RunCli({"--one-file-system", tree}).Out), sorted(mine + near));
}

// As `(ulimit -v N; nulvane-cli big)`: with too little address space the scan says in one line
// that it ran short, the list holds only files that exist, and --delete deletes nothing. With
// enough, everything is listed. Nothing crashes at any limit between. An export (to a workbook,
// the hungriest) that runs short says so in plain words, lets no library's message through with
// bytes a terminal would act on, and leaves the earlier file as it was.
TEST(Cli, RunningShortOfMemorySaysSoAndDeletesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than any limit leaves";
#else
    const test::TTempDir dir, empty, bin;
    const std::string program = bin.Str() + "/nulvane-cli", earlier = bin.Write("earlier.xls", "earlier");
    test::CopyCli(program);
    std::set<std::string> all;
    for (int folder = 0; folder < 5; ++folder) {
        const std::string path = dir.MakeDir("folder-" + std::to_string(folder)) + "/a-longer-file-name-";
        for (int file = 0; file < 1000; ++file) {
            const std::string name = path + std::to_string(file);
            ASSERT_EQ(::close(::open(name.c_str(), O_WRONLY | O_CREAT, 0644)), 0);
            all.insert(name);
        }
    }
    // The least address space the program starts and scans in, in steps of 1 MiB.
    constexpr long long Step = 1 << 20;
    long long base = 8 * Step;
    while (RunCli({empty.Str()}, {.AddressSpaceLimit = base}).Status != 0) ASSERT_LT(base += Step, 1LL << 32);
    std::vector<long long> shortScans;  // the limits at which the scan ran short
    for (long long limit = base; limit <= base + 12 * Step; limit += Step) {
        SCOPED_TRACE(limit);
        const TRun exported =
            RunCli({"--export", "xls", earlier, "--force", dir.Str()}, {.Program = program, .AddressSpaceLimit = limit});
        EXPECT_EQ(exported.Err.find("bad_alloc"), std::string::npos) << exported.Err;
        EXPECT_TRUE(std::all_of(exported.Err.begin(), exported.Err.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7f); }))
            << exported.Err;
        if (exported.Status == 0)
            bin.Write("earlier.xls", "earlier");
        else
            EXPECT_EQ(ReadFileContent(earlier), "earlier") << exported.Err;
        const TRun run = RunCli({dir.Str()}, {.AddressSpaceLimit = limit});
        std::set<std::string> listed;
        for (std::size_t at = 0, end; (end = run.Out.find('\n', at)) != std::string::npos; at = end + 1)
            listed.insert(run.Out.substr(at, end - at));
        EXPECT_TRUE(std::includes(all.begin(), all.end(), listed.begin(), listed.end()));
        if (run.Status == 0) {
            EXPECT_EQ(listed.size(), all.size()) << run.Err;
            EXPECT_EQ(run.Err, "");
            continue;
        }
        ASSERT_EQ(run.Status, 1) << run.Err;
        EXPECT_TRUE(run.Err.starts_with("nulvane-cli: out of memory")) << run.Err;
        if (run.Err.find("while scanning") == std::string::npos) continue;
        shortScans.push_back(limit);
        EXPECT_EQ(run.Err, "nulvane-cli: out of memory while scanning '" + dir.Str() + "': the list is incomplete\n");
    }
    ASSERT_FALSE(shortScans.empty()) << "no limit made the scan run short; the tree is too small";
    // A deletion holds the list, so its scan runs short at limits near, not always the same as,
    // the listing's: each is tried on a copy of the tree, and where it runs short nothing goes.
    bool deletionRanShort = false;
    for (const long long limit : shortScans) {
        SCOPED_TRACE(limit);
        const test::TTempDir copy;
        std::filesystem::copy(dir.Path(), copy.Path(), std::filesystem::copy_options::recursive);
        const TRun deleting = RunCli({"--delete", "--yes", copy.Str()}, {.AddressSpaceLimit = limit});
        if (deleting.Status == 0) continue;
        deletionRanShort = true;
        EXPECT_EQ(deleting.Status, 1);
        EXPECT_EQ(deleting.Err, "nulvane-cli: out of memory while scanning '" + copy.Str() +
                                    "': the list is incomplete; nothing deleted\n");
        for (const std::string& path : all)
            ASSERT_TRUE(std::filesystem::exists(copy.Str() + path.substr(dir.Str().size()))) << path;
    }
    EXPECT_TRUE(deletionRanShort) << "no limit at which the listing ran short made the deletion's scan run short";
#endif
}

}  // namespace

// --trash moves what --delete would delete into the trash, where trash-list finds it. Where the
// trash cannot be used, every file is kept and named, and the run fails.
TEST(Cli, TrashMovesTheListedFilesWhereTrashListFindsThem) {
    const test::TTempDir dir;
    const std::string home = dir.MakeDir("home");
    const test::TEnvironmentGuard homeGuard("HOME", home), dataGuard("XDG_DATA_HOME", home + "/.local/share");
    const std::string a = dir.Write("t/a"), b = dir.Write("t/sub/b"), tree = dir.Str() + "/t";
    dir.Write("home/.local/share/Trash", "not a folder");
    const TRun refused = RunCli({"--delete", "--yes", "--trash", tree});
    EXPECT_EQ(refused.Status, 1);
    for (const std::string& line : {"kept " + a + ": no trash on this file system\n",
                                    "kept " + b + ": no trash on this file system\n",
                                    std::string("nulvane-cli: moved 0 files to the trash, 2 kept\n")})
        EXPECT_NE(refused.Err.find(line), std::string::npos) << refused.Err;
    EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));

    std::filesystem::remove(home + "/.local/share/Trash");
    const TRun moved = RunCli({"--delete", "--yes", "--trash", tree});
    EXPECT_EQ(moved.Status, 0);
    EXPECT_EQ(moved.Err, "nulvane-cli: moved 2 files to the trash\n");
    EXPECT_FALSE(std::filesystem::exists(a) || std::filesystem::exists(b));
    if (!test::TrashCliInstalled()) GTEST_SKIP() << "trash-cli (trash-list) is not installed";
    std::multiset<std::string> ours;  // other trashes of the machine's mounts are listed too
    for (const std::string& path : test::TrashListed(home))
        if (path.starts_with(tree)) ours.insert(path);
    EXPECT_EQ(ours, (std::multiset<std::string>{a, b}));
}
