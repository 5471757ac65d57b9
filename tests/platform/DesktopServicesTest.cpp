#include "platform/DesktopServices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/SystemDesktopServices.h"
#include "support/TempDir.h"

namespace nulvane {
namespace {

// A stand-in opener on the PATH records the arguments it was started with.
TEST(DesktopServices, SystemOpenerGetsTheFolderAsOneUninterpretedArgument) {
    EXPECT_NE(dynamic_cast<TSystemDesktopServices*>(&DesktopServices()), nullptr);
    test::TTempDir dir;
    const std::string log = dir.Str() + "/args";
    const std::string script = dir.Write(
        "bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + log + ".tmp\"\nmv \"" +
                            log + ".tmp\" \"" + log + "\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir.Str() + "/bin:" + savedPath).c_str(), 1);
    auto openAndRead = [&](const std::string& folder) {
        std::filesystem::remove(log);
        TSystemDesktopServices().OpenFolder(folder, nullptr);
        for (int i = 0; i < 500 && !std::filesystem::exists(log); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::stringstream text;
        text << std::ifstream(log).rdbuf();
        return text.str();
    };
    const std::string plain = openAndRead("/tmp/a folder/$(touch x); 'q'");
    const std::string dashed = openAndRead("-rf");
    setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(plain, "[/tmp/a folder/$(touch x); 'q']");
    EXPECT_EQ(dashed, "[./-rf]");
}

}  // namespace
}  // namespace nulvane
