// nulvane-cli in the user's language: what a person reads follows LANGUAGE, what another program
// reads (the list, JSON Lines, every export) is the same bytes in every language.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// A copy of the program with the catalogues the build made beside it, so that its exports write
// their configuration in a folder of the test's own.
class CliTranslationTest : public ::testing::Test {
protected:
    CliTranslationTest() {
        test::CopyCli(Program);
        std::filesystem::copy(std::filesystem::path(NULVANE_CLI_PATH).parent_path() / "locale", Bin.Str() + "/locale",
                              std::filesystem::copy_options::recursive);
    }

    test::TRun Run(const std::string& language, const test::TArgs& args) const {
        return test::RunCli(args, {.Program = Program, .Language = language});
    }

    // gettext heeds LANGUAGE only under a locale other than C.
    const test::TEnvironmentGuard Locale{"LC_ALL", "C.UTF-8"};
    test::TTempDir Bin, Tree;
    const std::string Program = Bin.Str() + "/nulvane-cli";
};

TEST_F(CliTranslationTest, SaysWhatPeopleReadInTheirLanguageAndWritesTheSameBytesInEvery) {
    Tree.Write("two/a");
    Tree.Write("two/b");
    Tree.Write("one/c");
    Tree.Write("list/d.log");
    Tree.Write("list/sub/e");
    struct TCase {
        const char* Language;
        test::TArgs Args;
        int Status;
        std::string Said;  // what standard error (or, for --help, output) begins with
    };
    const std::vector<TCase> cases = {
        {"fr", {"--bad"}, 2, "nulvane-cli: option inconnue\u00a0: --bad\nEssayez «\u00a0nulvane-cli --help\u00a0» pour plus d'informations.\n"},
        {"de", {"--sort", "nope"}, 2, "nulvane-cli: unbekanntes Feld „nope“ für --sort"},
        {"de", {"-e", ""}, 2, "nulvane-cli: ungültiger Wert „“ für --extension: leer\n"},
        {"es", {"--delete", "--yes", Tree.Str() + "/two"}, 0, "nulvane-cli: se eliminaron 2 archivos (deshacer: nulvane-cli --undo)\n"},
        {"es", {"--delete", "--yes", Tree.Str() + "/one"}, 0, "nulvane-cli: se eliminó 1 archivo (deshacer: nulvane-cli --undo)\n"},
        {"fr", {"--help"}, 0, "utilisation\u00a0: nulvane-cli [-0]"},
        // A language not shipped speaks English.
        {"it", {"--bad"}, 2, "nulvane-cli: unknown option: --bad\nTry 'nulvane-cli --help' for more information.\n"},
    };
    for (const TCase& c : cases) {
        const test::TRun run = Run(c.Language, c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Language << ' ' << c.Args[0] << ": " << run;
        EXPECT_TRUE(run.Err.starts_with(c.Said) || run.Out.starts_with(c.Said)) << c.Language << ' ' << c.Args[0] << ": " << run;
    }

    const std::string list = Tree.Str() + "/list";
    const std::vector<test::TArgs> outputs = {
        {"--sort", "path", list},         {"--json", "--sort", "path", list},  {"--export", "csv", "-", list},
        {"--export", "txt", "-", list},   {"--export", "html", "-", list},     {"--export", "xml", "-", list},
        {"--export", "xls", "-", list},
    };
    for (const test::TArgs& args : outputs) {
        const test::TRun english = Run("en", args);
        ASSERT_EQ(english.Status, 0) << args[1] << ": " << english;
        EXPECT_NE(english.Out, "") << args[1];
        for (const char* language : {"de", "fr", "es"}) EXPECT_EQ(Run(language, args), english) << language << ' ' << args[1];
    }
}

}  // namespace
