#include "platform/desktop/DesktopServices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/files/FileContent.h"
#include "platform/desktop/SystemDesktopServices.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;

// A stand-in opener on the PATH records the arguments it was started with.
TEST(DesktopServices, SystemOpenerGetsTheFolderAsOneUninterpretedArgument) {
    EXPECT_NE(dynamic_cast<TSystemDesktopServices*>(&DesktopServices()), nullptr);
    const test::TTempDir dir;
    const std::string log = dir.Str() + "/args";
    std::filesystem::permissions(dir.Write("bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" +
                                                               log + ".tmp\"\nmv \"" + log + ".tmp\" \"" + log + "\"\n"),
                                 std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    const test::TEnvironmentGuard guard("PATH", dir.Str() + "/bin:" + (path ? path : ""));
    for (const auto& [folder, arguments] :
         {std::pair{"/tmp/a folder/$(touch x); 'q'", "[/tmp/a folder/$(touch x); 'q']"}, {"-rf", "[./-rf]"}}) {
        std::filesystem::remove(log);
        TSystemDesktopServices().OpenFolder(folder, nullptr);
        // The opener runs detached; a minute without its record means it never ran.
        for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
             !std::filesystem::exists(log) && std::chrono::steady_clock::now() < deadline;)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(std::filesystem::exists(log)) << "the opener never ran for " << folder;
        EXPECT_EQ(ReadFileContent(log), arguments);
    }
}
