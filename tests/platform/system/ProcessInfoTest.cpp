#include "platform/system/ProcessInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nulvane;

TEST(ProcessInfoTest, ExecutableFolderIsTheRunningProgramsFolderUnlessOverridden) {
    const std::string real = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(ExecutableFolder(), real);
    SetExecutableFolderForTesting("/some/folder//");
    EXPECT_EQ(ExecutableFolder(), "/some/folder");
    SetExecutableFolderForTesting("/");
    EXPECT_EQ(ExecutableFolder(), "");  // the root folder, without its separator
    SetExecutableFolderForTesting("");
    EXPECT_EQ(ExecutableFolder(), real);
}
