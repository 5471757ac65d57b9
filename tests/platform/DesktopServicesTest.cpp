#include "platform/DesktopServices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ScriptedDesktopServices.h"
#include "platform/SystemDesktopServices.h"
#include "support/TempDir.h"

namespace nulvane {
namespace {

TEST(DesktopServices, InstalledServicesAnswerUntilTheirScopeEnds) {
    IDesktopServices& system = DesktopServices();
    EXPECT_NE(dynamic_cast<TSystemDesktopServices*>(&system), nullptr);
    TScriptedDesktopServices outer, inner;
    {
        TDesktopServicesScope outerScope(outer);
        {
            TDesktopServicesScope innerScope(inner);
            DesktopServices().OpenFolder("/inner", &inner);
        }
        DesktopServices().OpenFolder("/outer", nullptr);
    }
    EXPECT_EQ(&DesktopServices(), &system);
    EXPECT_EQ(inner.Requests(), (std::vector<TDesktopRequest>{{TDesktopRequestKind::OpenFolder, "/inner", &inner}}));
    EXPECT_EQ(outer.Requests(), (std::vector<TDesktopRequest>{{TDesktopRequestKind::OpenFolder, "/outer", nullptr}}));
}

// A stand-in opener on the PATH records the arguments it was started with.
TEST(DesktopServices, SystemOpenerGetsTheFolderAsOneUninterpretedArgument) {
    test::TTempDir dir;
    const std::string log = dir.Str() + "/args";
    const std::string script = dir.Write("bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" +
                                                             log + ".tmp\"\nmv \"" + log + ".tmp\" \"" + log + "\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir.Str() + "/bin:" + savedPath).c_str(), 1);
    auto openAndRead = [&](const std::string& folder) {
        std::filesystem::remove(log);
        TSystemDesktopServices().OpenFolder(folder, nullptr);
        for (int i = 0; i < 500 && !std::filesystem::exists(log); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
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
