#include "core/PathGlob.h"

#include <gtest/gtest.h>

#include <string>

using namespace nulvane;

namespace {

constexpr TGlobStart Start = TGlobStart::PathStart, Any = TGlobStart::AnyFolder;

struct TCase {
    std::string Glob;
    TGlobStart From;
    std::string Path;
    bool Folder;
    bool Matches;
};

}  // namespace

// What matches, as fd and .gitignore read globs, on bytes that need not be UTF-8.
TEST(PathGlob, MatchesNamesAndPathsAsFdAndGitignoreDo) {
    const TCase cases[] = {
        // A glob without "/" looks at the last name only; "*" may match nothing.
        {"*.py", Start, "src/pkg/a.py", false, true},
        {"*.py", Start, "src/a.pyc", false, false},
        {"*.py", Start, ".py", false, true},
        {"__init__.py", Any, "/p/src/__init__.py", false, true},
        {"__init__.py", Any, "/p/__init__.py/x", false, false},
        {"a", Start, "x/./a/.", true, true},
        // "?" is one character: a UTF-8 sequence, or a byte that is none.
        {"caf?", Start, "caf\xc3\xa9", false, true},
        {"caf?", Start, "cafe\xcc\x81", false, false},
        {"a?b", Start, "a\xff" "b", false, true},
        {"*", Start, "\xff\xfe", false, true},
        {"*\xa9", Start, "\xc3\xa9", false, false},
        // Classes, ranges, negation, escapes.
        {"[a-c]x", Start, "bx", false, true},
        {"[a-c]x", Start, "dx", false, false},
        {"[!a-c]x", Start, "dx", false, true},
        {"[^a-c]x", Start, "ax", false, false},
        {"[]]", Start, "]", false, true},
        {"[a-]", Start, "-", false, true},
        {"[\xc3\xa0-\xc3\xbf]t\xc3\xa9", Start, "\xc3\xa9t\xc3\xa9", false, true},
        {"[\xff]", Start, "\xff", false, true},
        {"\\*", Start, "*", false, true},
        {"\\*", Start, "a", false, false},
        {"a\\ ", Start, "a ", false, true},
        // Paths: "*" stays within a name, "**" spans folders, none included.
        {"src/*.py", Start, "src/a.py", false, true},
        {"src/*.py", Start, "src/sub/a.py", false, false},
        {"src/**/a.py", Start, "src/a.py", false, true},
        {"src/**/a.py", Start, "src/x/y/a.py", false, true},
        {"src/**", Start, "src/x/y", false, true},
        {"**/cache", Start, "a/b/cache", true, true},
        {"a/b", Start, "a//./b", false, true},
        // Where a path glob starts.
        {"build/cache", Start, "build/cache", true, true},
        {"build/cache", Start, "x/build/cache", true, false},
        {"build/cache", Any, "/home/x/build/cache", true, true},
        {"/build", Any, "x/build", true, false},
        {"/build", Any, "/build", true, true},
        {"./build", Any, "x/build", true, false},
        // Folders only.
        {"cache/", Start, "a/cache", true, true},
        {"cache/", Start, "a/cache", false, false},
        {"a/b/", Start, "a/b", true, true},
        // Backtracking goes back to the last star only: these fail at once, not after 250^8 tries.
        {"*a*a*a*a*a*a*a*a*b", Start, std::string(250, 'a'), false, false},
        {"**/**/**/**/x/**/**/y", Start, "a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/a/z", false, false},
    };
    for (const TCase& c : cases) {
        std::string error;
        const auto glob = TPathGlob::Parse(c.Glob, c.From, error);
        ASSERT_TRUE(glob) << c.Glob << ": " << error;
        EXPECT_EQ(glob->Matches(c.Path, c.Folder), c.Matches) << c.Glob << " on " << c.Path;
    }
}

// What is no glob says why; a literal name is known as one.
TEST(PathGlob, RefusesWhatIsNoGlobWithAReason) {
    const std::pair<std::string, std::string> bad[] = {
        {"", "empty"},
        {"a[bc", "unclosed ["},
        {"[!]", "unclosed ["},
        {"x\\", "ends in a lone \\"},
        {"[z-a]", "reversed range in [...]"},
        {"!x", "starts with ! (write \\! for a name that does)"},
        {"a/../b", "holds .. (a parent folder)"},
        {"/", "names nothing"},
        {"\\.", "names nothing"},
        {"a/\\.\\./b", "holds .. (a parent folder)"},
        {std::string("a\0b", 3), "holds a NUL byte"},
        {std::string(4097, 'a'), "longer than 4096 bytes"},
    };
    for (const auto& [text, reason] : bad) {
        std::string error;
        EXPECT_FALSE(TPathGlob::Parse(text, Start, error)) << text;
        EXPECT_EQ(error, reason) << text;
    }
    std::string error;
    const auto literal = TPathGlob::Parse("\\#notes\\[1\\]", Any, error);
    ASSERT_TRUE(literal);
    EXPECT_TRUE(literal->IsLiteral());
    EXPECT_EQ(literal->Literal(), "#notes[1]");
    EXPECT_FALSE(TPathGlob::Parse("n?tes", Any, error)->IsLiteral());
    EXPECT_TRUE(TPathGlob::Parse("\\!x", Any, error)->Matches("!x", false));
    EXPECT_FALSE(TPathGlob::Parse("**", Any, error)->OnPath());
}
