#include "core/FieldSort.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/TallyscopeCtrl.h"
#include "platform/system/Errors.h"
#include "platform/text/LocaleTexts.h"
#include "support/ConfigFolder.h"

using namespace nulvane;

namespace {

TEST(FieldSort, FieldNamesAndSortRequests) {
    EXPECT_EQ(FindFieldIndex(" Write Time\t"), fiWriteTime);
    EXPECT_EQ(FindFieldIndex("write time"), std::nullopt);  // unlike FieldIndexOf: no "File Name"
    EXPECT_EQ(FindFieldIndex(""), std::nullopt);
    EXPECT_EQ(ParseSortRequest("Full Path"), (TSortRequest{fiFullPath, false}));
    EXPECT_EQ(ParseSortRequest("File Size:desc"), (TSortRequest{fiFileSize, true}));
    EXPECT_EQ(ParseSortRequest("File Size:asc"), std::nullopt);
    EXPECT_EQ(ParseSortRequest(":desc"), std::nullopt);
    EXPECT_EQ(FieldNamesText().substr(0, 25), "\"File Name\", \"Full Path\",");
}

// Sorting by name gives the order of a header click on a column of that field, and reads no
// configuration.
TEST(FieldSort, SortsAsAHeaderClickOnAColumnOfTheField) {
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    const test::TConfigFolder dir;
    TResultList byName, byClick;
    const char* times[] = {"1/2/2020", "", "1/1/2020 3:00:00 PM", "bad", "1/1/2020 3:00:00 PM", "12/1/2019"};
    for (TResultList* list : {&byName, &byClick})
        for (int i = 0; i < 6; ++i) {
            TFileRecord& r = list->Append().Record;
            r.Set(fiFileName, std::to_string(i));
            r.Set(fiFileType, i == 4 ? "folder" : "file");
            r.Set(fiWriteTime, times[i]);
        }
    SortListByField(byName, "Write Time", true);
    EXPECT_FALSE(std::filesystem::exists(dir.ConfigPath()));
    EXPECT_EQ(byName.Header().SortDirection(), TSortDirection::Descending);
    EXPECT_FALSE(byName.OnCompareEntries);  // the list's own handlers are back
    {
        TTallyscopeCtrl ctrl(byClick);
        ctrl.BuildColumns(byClick);
        byClick.Header().SetSortColumn(0);  // after an earlier sort, a click turns to descending
        byClick.Header().Click(6, TMouseButton::Left);  // "Write Time"
    }
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(byName[i].Record[fiFileName], byClick[i].Record[fiFileName]) << i;
    EXPECT_THROW(SortListByField(byName, "write time", false), EListError);
}

}  // namespace
