#include <gtest/gtest.h>

#include "config/Config.h"
#include "core/FileRecord.h"

using namespace nulvane;

TEST(DefaultColumnsTest, DefaultDefinitionsResolveToTheirFields) {
    const TXMLNodesType nodes = LoadConfigText(DefaultConfigText)->Nodes();
    std::vector<int> fields;
    for (int i = 0; i < nodes.Count(); ++i) fields.push_back(FieldIndexOf(nodes.Item(i).Name()));
    EXPECT_EQ(fields, (std::vector<int>{0, 1, 2, 3, 10, 11, 12}));
}
