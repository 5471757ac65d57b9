#include "platform/system/UserFolders.h"

#include <filesystem>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/system/Errors.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;
using testing::HasSubstr;
using testing::ThrowsMessage;

// XDG_CONFIG_HOME when absolute, else HOME's .config, else the password database's home; the
// folder is made for the user alone, and a file in the way is named in the error.
TEST(UserFolders, TheConfigurationFolderFollowsTheBaseDirectoryRules) {
    const test::TTempDir dir;
    {
        const test::TEnvironmentGuard config("XDG_CONFIG_HOME", dir.Str() + "/config//");
        EXPECT_EQ(UserConfigFolder(), dir.Str() + "/config");
    }
    const test::TEnvironmentGuard config("XDG_CONFIG_HOME", "relative/config");
    {
        const test::TEnvironmentGuard home("HOME", dir.Str());
        EXPECT_EQ(UserConfigFolder(), dir.Str() + "/.config");
    }
    {
        const test::TEnvironmentGuard home("HOME", "");
        const passwd* user = ::getpwuid(::getuid());
        ASSERT_NE(user, nullptr);
        EXPECT_EQ(UserConfigFolder(), std::string(user->pw_dir) + "/.config");
    }

    const std::string folder = dir.Str() + "/a/b/nulvane", quiet = dir.Str() + "/a/c/state";
    MakeUserFolder(folder);
    MakeUserFolder(folder);  // already there
    MakeUserFolderQuietly(quiet);
    for (const std::string& made : {dir.Str() + "/a", folder, quiet}) {
        struct stat st{};
        ASSERT_EQ(::stat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    }
    const std::string file = dir.Write("plain");
    EXPECT_THAT([&file] { MakeUserFolder(file + "/nulvane"); },
                ThrowsMessage<EOSError>(HasSubstr("\"" + file + "/nulvane\"")));
    MakeUserFolderQuietly(file + "/nulvane");  // says nothing
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
}
