#include "config/Config.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "support/ConfigFolder.h"
#include "support/Environment.h"
#include "support/XmlSamples.h"

using namespace nulvane;
using testing::AllOf;
using testing::HasSubstr;
using testing::Not;
using testing::ThrowsMessage;

namespace {

class ConfigTest : public testing::Test {
protected:
    test::TConfigFolder Dir;
};

// Reads every attribute of every definition the way the list does: [Name|Align]Width,Index,Visible,
// ReadOnly, with "!" for a value that does not convert.
std::string ReadAllDefinitions() {
    const TXMLNodesType nodes = GetConfig()->GetConfigRoot()->Nodes();
    std::string seen;
    const auto read = [&seen](const auto& value) {
        try {
            seen += std::to_string(value()) + ",";
        } catch (const EConvertError&) {
            seen += "!,";
        }
    };
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType n = nodes.Item(i);
        seen += "[" + n.Name() + "|" + n.Align() + "]";
        read([&n] { return n.Width(); });
        read([&n] { return n.Index(); });
        read([&n] { return n.Visible(); });
        read([&n] { return n.ReadOnly(); });
    }
    return seen;
}

}  // namespace

TEST_F(ConfigTest, FirstStartWritesTheExactDefaultFileAndKeepsOneInstance) {
    EXPECT_EQ(DefaultConfigText.size(), 1061u);
    EXPECT_EQ(std::count(DefaultConfigText.begin(), DefaultConfigText.end(), '\t'), 22);
    EXPECT_EQ(DefaultConfigText.find_first_of("\r\n"), std::string_view::npos);
    EXPECT_EQ(DefaultConfigText.substr(0, 60), "<?xml version=\"1.0\" encoding=\"utf-8\"?><config versionNo=\"2\">");
    EXPECT_EQ(DefaultConfigText.substr(DefaultConfigText.size() - 18), "\t</nodes></config>");
    ASSERT_FALSE(std::filesystem::exists(Dir.ConfigPath()));
    TConfig* config = GetConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->ConfigFileName(), Dir.ConfigPath());
    EXPECT_EQ(ReadFileContent(Dir.ConfigPath()), DefaultConfigText);
    EXPECT_EQ(config->GetConfigRoot(), config->Root);
    EXPECT_EQ(config->GetConfigRoot()->Nodes().Count(), 7);
    EXPECT_EQ(GetConfig(), config);

    // Edits to the file wait for the next load.
    Dir.WriteConfig("<config><nodes><node Name=\"Full Path\"/></nodes></config>");
    EXPECT_EQ(GetConfig()->GetConfigRoot()->Nodes().Count(), 7);
    DiscardConfig();
    EXPECT_EQ(GetConfig()->GetConfigRoot()->Nodes().Item(0).Name(), "Full Path");
    ASSERT_EQ(GetConfig()->Columns.size(), 1u);
    EXPECT_EQ(GetConfig()->Columns[0].Name, "Full Path");

    // The default file is never written over an existing one.
    EXPECT_THROW(GetConfig()->WriteDefaultConfig(), EOSError);
    EXPECT_THAT(ReadFileContent(Dir.ConfigPath()), HasSubstr("Full Path"));
}

TEST_F(ConfigTest, ExistingFilesAreNeverTouchedWhateverTheyHold) {
    const std::string secret = Dir.Write("secret.txt", "SECRET");
    const std::string bomb =
        "<!DOCTYPE config [" + test::EntityBombDeclarations() + "]><config><nodes><node Name=\"&l10;\"/></nodes></config>";
    const std::string utf16 = test::Utf16(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><config><nodes><node Name=\"File Ext\" Width=\"50\"/></nodes></config>");
    // Seen: what the definitions read as; empty: creation must fail.
    const struct { const char* Label; std::string Content, Seen; } cases[] = {
        {"empty file", "", ""}, {"not XML", "Width=120", ""}, {"unclosed", "<config><nodes>", ""},
        {"other root", "<settings><nodes><node Name=\"x\"/></nodes></settings>", ""}, {"entity bomb", bomb, ""},
        {"no nodes", "<config versionNo=\"2\"/>", "none"}, {"nodes without node", "<config><nodes><item/></nodes></config>", "none"},
        {"node without Name", "<config><nodes><node Width=\"5\" Index=\"0\" Visible=\"1\" ReadOnly=\"false\"/></nodes></config>",
         "[|]5,0,1,0,"},
        {"unusable numbers", "<config><nodes><node Name=\"a\" Width=\"\" Visible=\"yes\" Align=\"Right\"/>"
                             "<node Name=\"b\" Width=\"12px\"/><node Name=\"c\" Width=\"2147483648\"/></nodes></config>",
         "[a|Right]!,!,!,!,[b|]!,!,!,!,[c|]!,!,!,!,"},
        {"UTF-16 with BOM", utf16, "[File Ext|]50,!,!,!,"},
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><config><nodes><node Name=\"Gr\xF6\xDF\x65\"/></nodes></config>",
         "[Gr\xC3\xB6\xC3\x9F\x65|]!,!,!,!,"},
        {"external entity", "<!DOCTYPE config [<!ENTITY x SYSTEM \"" + secret + "\">]><config><nodes>&x;<node Name=\"n\"/></nodes></config>",
         "[n|]!,!,!,!,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        Dir.ReplaceConfig(c.Content);
        const auto written = std::filesystem::last_write_time(Dir.ConfigPath());
        if (c.Seen.empty()) {
            EXPECT_THROW(GetConfig(), ENulvaneError);
            EXPECT_THROW(GetConfig(), ENulvaneError);  // nothing remembered: tried again, fails again
        } else {
            const std::string seen = ReadAllDefinitions();
            EXPECT_EQ(seen.empty() ? "none" : seen, c.Seen);
            EXPECT_THAT(seen, Not(HasSubstr("SECRET")));
        }
        EXPECT_EQ(ReadFileContent(Dir.ConfigPath()), c.Content);
        EXPECT_EQ(std::filesystem::last_write_time(Dir.ConfigPath()), written);
    }
}

TEST_F(ConfigTest, ErrorsTellWhatWentWrong) {
    Dir.WriteConfig("<config>\n\t<nodes>\n</config>");
    EXPECT_THAT([] { GetConfig(); },
                ThrowsMessage<EXmlError>(AllOf(HasSubstr(Dir.ConfigPath()), HasSubstr("line 3"), HasSubstr("</config>"))));
    // Repaired, it loads on the next use.
    Dir.WriteConfig("<config><nodes><node/></nodes></config>");
    EXPECT_EQ(GetConfig()->GetConfigRoot()->Nodes().Count(), 1);
}

TEST_F(ConfigTest, UnwritableInstallFolderStillGivesTheDefaultColumns) {
    const test::TTempDir other;
    const struct { const char* Label; std::string Folder; std::function<void(const std::string&)> Prepare; } cases[] = {
        // A folder with the file's name is no file; the default cannot be written over it.
        {"folder in the way", Dir.Str(), [](const std::string& path) { std::filesystem::create_directory(path); }},
        // The install "folder" is a regular file: nothing can be created under it.
        {"folder is a file", other.Write("plain") , nullptr},
        // A link to nowhere is no file, and is not followed when writing.
        {"dangling link", other.MakeDir("linked"),
         [&other](const std::string& path) { std::filesystem::create_symlink(other.Str() + "/elsewhere.xml", path); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        DiscardConfig();
        SetExecutableFolderForTesting(c.Folder);
        const std::string path = c.Folder + "/TallyscopeConfig.xml";
        if (c.Prepare) c.Prepare(path);
        TConfig* config = GetConfig();
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(config->ConfigFileName(), path);
        EXPECT_EQ(config->GetConfigRoot()->Nodes().Count(), 7);
        EXPECT_EQ(config->GetConfigRoot()->Nodes().Item(6).Name(), "Write Time");
        EXPECT_FALSE(FileExists(path));
        EXPECT_THROW(config->WriteDefaultConfig(), EOSError);
    }
    EXPECT_TRUE(std::filesystem::is_directory(Dir.Str() + "/TallyscopeConfig.xml"));
    EXPECT_FALSE(std::filesystem::exists(other.Str() + "/elsewhere.xml"));
}

// Installed (its folder is an install folder, here named through a link), the program reads the
// user's file, else the system's, else writes the default in the user's folder; it never reads or
// writes beside itself, and never writes the system's file.
TEST_F(ConfigTest, InstalledProgramReadsTheUsersFileThenTheSystemsAndWritesOnlyTheUsers) {
    const test::TTempDir root;
    std::filesystem::create_directory_symlink(Dir.Str(), root.Str() + "/bin");
    SetInstallFoldersForTesting(std::vector<TInstallFolder>{{root.Str() + "/bin", root.Str() + "/etc"}});
    struct TInstallReset {
        ~TInstallReset() { SetInstallFoldersForTesting(std::nullopt); }
    } reset;
    const test::TEnvironmentGuard home("XDG_CONFIG_HOME", root.Str() + "/home/.config");
    const std::string userFile = root.Str() + "/home/.config/nulvane/TallyscopeConfig.xml";
    const std::string systemFile = root.Str() + "/etc/nulvane/TallyscopeConfig.xml";
    const std::string besideText = "<config><nodes/></config>";  // left by an older install
    Dir.WriteConfig(besideText);
    const auto firstColumn = [] { return GetConfig()->GetConfigRoot()->Nodes().Item(0).Name(); };

    EXPECT_EQ(ConfigFiles().Read, (std::vector<std::string>{userFile, systemFile}));
    EXPECT_EQ(GetConfig()->ConfigFileName(), userFile);
    EXPECT_EQ(ReadFileContent(userFile), DefaultConfigText);
    EXPECT_EQ(GetConfig()->GetConfigRoot()->Nodes().Count(), 7);
    struct stat st{};
    ASSERT_EQ(::stat((root.Str() + "/home/.config").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const struct { const char* Label; std::function<void()> Prepare; std::string File, FirstColumn; } cases[] = {
        {"the system's file alone", [&] { std::filesystem::remove(userFile);
                                          root.Write("etc/nulvane/TallyscopeConfig.xml",
                                                     "<config><nodes><node Name=\"Write Time\"/></nodes></config>"); },
         systemFile, "Write Time"},
        {"the user's file first", [&] { root.Write("home/.config/nulvane/TallyscopeConfig.xml",
                                                   "<config><nodes><node Name=\"Full Path\"/></nodes></config>"); },
         userFile, "Full Path"},
        {"a folder is no user's file", [&] { std::filesystem::remove(userFile); std::filesystem::create_directory(userFile); },
         systemFile, "Write Time"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        DiscardConfig();
        c.Prepare();
        EXPECT_EQ(GetConfig()->ConfigFileName(), c.File);
        EXPECT_EQ(firstColumn(), c.FirstColumn);
        EXPECT_THROW(GetConfig()->WriteDefaultConfig(), EOSError);
    }
    EXPECT_THAT(ReadFileContent(systemFile), HasSubstr("Write Time"));

    // No file anywhere, and the user's folder cannot be made: the default columns, nothing written.
    DiscardConfig();
    std::filesystem::remove(systemFile);
    const test::TEnvironmentGuard blocked("XDG_CONFIG_HOME", root.Write("plain") + "/config");
    EXPECT_EQ(firstColumn(), "      File Name");
    EXPECT_EQ(GetConfig()->GetConfigRoot()->Nodes().Count(), 7);
    EXPECT_FALSE(FileExists(systemFile));
    EXPECT_EQ(ReadFileContent(Dir.ConfigPath()), besideText);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 1);
}

// How the load time grows with the file is measured in bench/config_load_bench.cpp.
TEST_F(ConfigTest, FiftyMegabyteFilesLoadOrFailCleanly) {
    // Long captions keep the tree (a few hundred bytes per attribute) to a modest size.
    const std::string node = "\t\t<node Name=\"" + std::string(200, 'n') + "\" Width=\"220\"/>\n";
    std::string many = "<config><nodes>\n";
    const std::size_t count = 50'000'000 / node.size();
    many.reserve(count * node.size() + 64);
    for (std::size_t i = 0; i < count; ++i) many += node;
    many += "</nodes></config>";
    Dir.WriteConfig(many);
    // Walked the way the list walks its definitions: from the root to each one by position.
    const int total = GetConfig()->GetConfigRoot()->Nodes().Count();
    EXPECT_EQ(total, static_cast<int>(count));
    std::int64_t widths = 0;
    for (int i = 0; i < total; ++i) widths += GetConfig()->GetConfigRoot()->Nodes().Item(i).Width();
    EXPECT_EQ(widths, 220 * static_cast<std::int64_t>(count));
    DiscardConfig();
    many.clear();

    // One value of 50 MB is beyond what the parser accepts for a text: a clean parse error.
    std::string wide = "<config><nodes><node Name=\"" + std::string(50'000'000, 'x') + "\"/></nodes></config>";
    Dir.WriteConfig(wide);
    EXPECT_THROW(GetConfig(), EXmlError);
}
