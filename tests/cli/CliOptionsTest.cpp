#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliValues.h"
#include "core/FileRecord.h"
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
// statuses; bad usage says what was wrong and where to read more.
TEST(CliOptions, HelpNamesEveryOptionWithinEightyColumns) {
    const test::TRun help = test::RunCli({"--help"});
    ASSERT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out, UsageText() + HelpText());
    std::istringstream lines(help.Out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
    EXPECT_NE(help.Out.find("\n       " + AloneSynopsis() + "\n"), std::string::npos);
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
    EXPECT_EQ(bad.Err, "nulvane-cli: unknown option: --no-such-option\nTry 'nulvane-cli --help' for more information.\n");
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

// Values as a user types them: sort fields in any case and spacing, short names and directions;
// depths; durations and dates as fd reads them.
TEST(CliOptions, ValuesAsTyped) {
    const std::pair<std::string_view, std::optional<TSortField>> sorts[] = {
        {"Write Time", TSortField{fiWriteTime, false}}, {"write time:DESC", TSortField{fiWriteTime, true}},
        {"FileNameLength:asc", TSortField{fiFileNameLength, false}}, {"ext", TSortField{fiFileExt, false}},
        {"modified:desc", TSortField{fiWriteTime, true}}, {"", std::nullopt}, {":desc", std::nullopt},
        {"name:up", std::nullopt}, {"nam", std::nullopt},
    };
    for (const auto& [text, sort] : sorts) EXPECT_EQ(MatchSortField(text), sort) << text;
    EXPECT_EQ(ParseDepth("12"), 12u);
    for (const std::string_view bad : {"", "-1", "1x", " 1", "99999999999"}) EXPECT_FALSE(ParseDepth(bad)) << bad;

    const TInstant now{1'800'000'000, 500};
    const std::pair<std::string_view, std::int64_t> durations[] = {
        {"10min", 600}, {"2h", 7200}, {"3d", 3 * 86400}, {"2weeks", 14 * 86400}, {"1h 30min", 5400}, {"1y", 31'557'600},
    };
    for (const auto& [text, seconds] : durations) {
        const std::optional<TInstant> when = ParseWhen(text, now);
        ASSERT_TRUE(when) << text;
        EXPECT_EQ(when->Seconds, now.Seconds - seconds) << text;
    }
    EXPECT_EQ(ParseWhen("1ns", {5, 0})->Nanoseconds, 999'999'999u);
    EXPECT_EQ(ParseWhen("@1700000000", now)->Seconds, 1'700'000'000);
    std::tm tm{};
    tm.tm_sec = 5, tm.tm_min = 4, tm.tm_hour = 10, tm.tm_mday = 1, tm.tm_mon = 10, tm.tm_year = 126, tm.tm_isdst = -1;
    EXPECT_EQ(ParseWhen("2026-11-01 10:04:05", now)->Seconds, std::mktime(&tm));
    EXPECT_EQ(ParseWhen("2026-11-01T10:04:05", now)->Seconds, std::mktime(&tm));
    for (const std::string_view bad : {"", "soon", "3", "3 days ago", "2026-13-01", "2026-02-30", "2026-11-01 25:00:00",
                                       "99999999999999999y", "-1d"})
        EXPECT_FALSE(ParseWhen(bad, now)) << bad;
}
