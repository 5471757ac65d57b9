#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>

#include "cli/CliOptions.h"
#include "platform/files/FileContent.h"
#include "support/CliRun.h"

using namespace nulvane;

namespace {

// Runs a shell command and returns what it printed (standard error included).
std::string Output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

// Runs of blanks as one, so that justified text reads as written; with `lines`, newlines too.
std::string Squeezed(const std::string& text, bool lines = false) {
    return std::regex_replace(text, std::regex(lines ? "\\s+" : "[ \t]+"), " ");
}

}  // namespace

// --help is what the program prints: every option, each line within 79 columns, and the exit
// statuses; the usage line on bad usage is the one --help starts with.
TEST(CliOptions, HelpNamesEveryOptionWithinEightyColumns) {
    const test::TRun help = test::RunCli({"--help"});
    ASSERT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out, UsageText() + HelpText());
    std::istringstream lines(HelpText());
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
    for (const TCliOption& option : CliOptions) {
        EXPECT_NE(help.Out.find(std::string(option.Long)), std::string::npos) << option.Long;
        if (!option.Alone) {
            const std::string& spelling = option.Short.empty() ? std::string(option.Long) : std::string(option.Short);
            EXPECT_NE(UsageText().find("[" + spelling), std::string::npos) << spelling;
        }
    }
    for (const TCliExitStatus& status : CliExitStatuses)
        EXPECT_NE(Squeezed(help.Out, true).find(std::to_string(status.Status) + " " + std::string(status.Meaning)), std::string::npos);
    const test::TRun bad = test::RunCli({"--no-such-option"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_TRUE(bad.Err.ends_with("; " + UsageText())) << bad.Err;
}

// The manual page, as man renders it, lists every option with its sentence and every exit status;
// roff reads nothing in it as a request or a warning.
TEST(CliOptions, ManualPageRendersEveryOption) {
    const std::string rendered =
        Output("LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l '" NULVANE_CLI_MANPAGE "'");
    ASSERT_NE(rendered.find("OPTIONS"), std::string::npos) << rendered;
    EXPECT_EQ(rendered.find("warning"), std::string::npos) << rendered;
    const std::string text = Squeezed(rendered);
    for (const TCliOption& option : CliOptions) {
        std::string spelling = option.Short.empty() ? "" : std::string(option.Short) + ", ";
        spelling += option.Long;
        if (!option.Argument.empty()) (spelling += ' ') += option.Argument;
        EXPECT_TRUE(text.find("\n " + spelling + "\n") != std::string::npos ||
                    text.find("\n " + spelling + " ") != std::string::npos)
            << spelling;
        std::string sentence(option.Help.substr(1, 30));
        EXPECT_NE(text.find(sentence), std::string::npos) << sentence;
    }
    for (const TCliExitStatus& status : CliExitStatuses)
        EXPECT_NE(text.find("\n " + std::to_string(status.Status) + " "), std::string::npos) << status.Status;
    // A line of text that starts with a control character is printed, not obeyed.
    EXPECT_EQ(RoffText(".TH x\n'br -a\\b"), "\\&.TH x\n\\&'br \\-a\\eb");
}

// The README's usage lines are the program's: a new option cannot be left out of them.
TEST(CliOptions, ReadmeShowsTheUsageLines) {
    const std::string readme = ReadFileContent(NULVANE_README);
    for (const std::string& line : {UsageSynopsis(), AloneSynopsis()})
        EXPECT_NE(readme.find('`' + line + '`'), std::string::npos) << line;
}
