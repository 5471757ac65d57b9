#include "core/FieldSort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/Config.h"
#include "core/TallyscopeCtrl.h"
#include "platform/Errors.h"
#include "platform/LocaleTexts.h"
#include "platform/ProcessInfo.h"
#include "support/TempDir.h"

namespace nulvane {
namespace {

TEST(FieldSort, FieldNamesAndSortRequests) {
    EXPECT_EQ(FindFieldIndex("File Name"), 0);
    EXPECT_EQ(FindFieldIndex(" Write Time\t"), fiWriteTime);
    EXPECT_EQ(FindFieldIndex("write time"), std::nullopt);
    EXPECT_EQ(FindFieldIndex(""), std::nullopt);
    EXPECT_EQ(FindFieldIndex("SizeRange"), fiSizeRange);

    EXPECT_EQ(ParseSortRequest("Full Path"), (TSortRequest{fiFullPath, false}));
    EXPECT_EQ(ParseSortRequest("File Size:desc"), (TSortRequest{fiFileSize, true}));
    EXPECT_EQ(ParseSortRequest("File Size:asc"), std::nullopt);
    EXPECT_EQ(ParseSortRequest("File Size:DESC"), std::nullopt);
    EXPECT_EQ(ParseSortRequest(":desc"), std::nullopt);
    EXPECT_EQ(ParseSortRequest("Bogus"), std::nullopt);

    const std::string names = FieldNamesText();
    EXPECT_EQ(names.substr(0, 25), "\"File Name\", \"Full Path\",");
    EXPECT_NE(names.find("\"SizeRange\""), std::string::npos);
    EXPECT_EQ(names.find('\n'), std::string::npos);
}

// Sorting by name gives the order a header click on a column of that field gives, and needs no
// configuration file.
TEST(FieldSort, SortsAsAHeaderClickOnAColumnOfTheField) {
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    test::TTempDir dir;
    SetExecutableFolderForTesting(dir.Str());
    GetConfig(true);

    auto fill = [](TResultList& list) {
        const char* times[] = {"1/2/2020", "", "1/1/2020 3:00:00 PM", "bad", "1/1/2020 3:00:00 PM", "12/1/2019"};
        for (int i = 0; i < 6; ++i) {
            TFileRecord& r = list.Append().Record;
            r.Set(fiFileName, std::to_string(i));
            r.Set(fiFileType, i == 4 ? "folder" : "file");
            r.Set(fiWriteTime, times[i]);
        }
    };
    auto names = [](const TResultList& list) {
        std::vector<std::string> r;
        for (const TListEntry& e : list) r.emplace_back(e.Record.Get(fiFileName));
        return r;
    };

    TResultList byName;
    fill(byName);
    SortListByField(byName, "Write Time", true);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TallyscopeConfig.xml"));
    EXPECT_EQ(byName.Header().SortDirection(), TSortDirection::Descending);
    EXPECT_FALSE(byName.OnCompareNodes);

    TResultList byClick;
    fill(byClick);
    {
        TTallyscopeCtrl ctrl(byClick);
        ctrl.BuildColumns(byClick);
        byClick.Header().SetSortColumn(0);  // a click after an earlier sort turns ascending to descending
        byClick.Header().Click(6, TMouseButton::Left, 0, 0, 0);  // "Write Time" in the default columns
        ASSERT_EQ(ctrl.SortKey, fiWriteTime);
    }
    EXPECT_EQ(names(byName), names(byClick));

    SortListByField(byName, "Write Time", false);
    EXPECT_EQ(byName.Header().SortDirection(), TSortDirection::Ascending);
    EXPECT_THROW(SortListByField(byName, "write time", false), EListError);

    GetConfig(true);
    SetExecutableFolderForTesting("");
}

}  // namespace
}  // namespace nulvane
