#include <gtest/gtest.h>

#include <tuple>

#include "core/NameFilter.h"

using namespace nulvane;

// Extensions as fd compares them; the window's field of globs, split at blanks but for "\ ", each
// read as --exclude reads it (names, paths from the scanned folder, folders only).
TEST(NameFilter, TakesNamesAsFdAndTheNamesFieldSayThem) {
    TNameFilter filter;
    std::string error;
    ASSERT_TRUE(filter.AddExtension(".LOG", error) && filter.AddExtension("tar.gz", error));
    EXPECT_FALSE(filter.AddExtension(".", error) || filter.AddExtension("a/b", error));
    const std::optional<TNameFilter> names = TNameFilter::ParseGlobs("\t*.tmp  my\\ file sub/*.o cache/ ", error);
    ASSERT_TRUE(names);
    const std::tuple<const TNameFilter&, const char*, bool, bool> cases[] = {
        {filter, "a.log", false, true}, {filter, "sub/B.Log", true, true}, {filter, ".log", false, false},
        {filter, "x.tar.gz", false, true}, {filter, "x.gz", false, false}, {filter, "a.log/b", false, false},
        {*names, "x/a.tmp", false, true}, {*names, "x/my file", false, true}, {*names, "sub/a.o", false, true},
        {*names, "x/sub/a.o", false, false}, {*names, "cache", true, true}, {*names, "cache", false, false},
    };
    for (const auto& [chooser, path, folder, taken] : cases) EXPECT_EQ(chooser.Takes(path, folder), taken) << path;
    EXPECT_TRUE(TNameFilter::ParseGlobs("  ", error)->Empty());
    EXPECT_FALSE(TNameFilter::ParseGlobs("*.log a\\", error));
    EXPECT_EQ(error, "\"a\\\" is no glob: ends in a lone \\");
}
