#include "platform/files/PathNames.h"

#include <gtest/gtest.h>

using namespace nulvane;

// The folder part keeps its last "/"; the parent folder drops it, except at the root.
TEST(PathNames, FolderPartAndParentFolder) {
    const struct {
        std::string_view Path, Part, Parent;
    } cases[] = {
        {"/a/b", "/a/", "/a"}, {"/a", "/", "/"}, {"/", "/", "/"}, {"a/b", "a/", "a"},
        {"name", "", ""},      {"", "", ""},     {"/a/b/", "/a/b/", "/a/b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderPartOf(c.Path), c.Part) << c.Path;
        EXPECT_EQ(ParentFolderOf(c.Path), c.Parent) << c.Path;
    }
}
