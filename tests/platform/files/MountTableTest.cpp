#include "platform/files/MountTable.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace nulvane;

// The table holds the root with a type; its escapes come undone, and only whole octal escapes.
TEST(MountTable, ListsTheRootAndUndoesOctalEscapes) {
    std::vector<TMount> mounts;
    ASSERT_EQ(ReadMountTable(mounts), 0);
    const auto root = std::find_if(mounts.begin(), mounts.end(), [](const TMount& m) { return m.Point == "/"; });
    ASSERT_NE(root, mounts.end());
    EXPECT_FALSE(root->Type.empty());
    for (const TMount& mount : mounts) EXPECT_EQ(mount.Point.front(), '/') << mount.Point;

    const std::pair<std::string_view, std::string_view> fields[] = {
        {"/mnt/my\\040disk", "/mnt/my disk"}, {"a\\011b\\012c\\134d", "a\tb\nc\\d"},
        {"\\04", "\\04"},                     {"\\089", "\\089"},
        {"/plain", "/plain"},
    };
    for (const auto& [escaped, plain] : fields) EXPECT_EQ(UnescapeMountField(escaped), plain) << escaped;
}
