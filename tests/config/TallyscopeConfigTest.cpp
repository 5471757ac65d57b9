#include "config/TallyscopeConfig.h"

#include <gtest/gtest.h>

#include "config/Config.h"
#include "platform/Errors.h"

using namespace nulvane;

TEST(TallyscopeConfigTest, DefaultTextReadsAsSevenColumnsAndALayout) {
    const IXMLConfigTypePtr root = LoadConfigText(DefaultConfigText);
    EXPECT_EQ(root->VersionNo(), 2);
    const TXMLNodesType nodes = root->Nodes();
    ASSERT_EQ(nodes.Count(), 7);
    const struct {
        const char* Name;
        std::int32_t Width;
        const char* Align;
    } expected[] = {{"      File Name", 120, "left"}, {"Full Path", 220, "left"},    {"File Size", 55, "right"},
                    {"File Ext", 50, "right"},        {"Create Time", 110, "right"}, {"Access Time", 110, "right"},
                    {"Write Time", 110, "right"}};
    for (int i = 0; i < 7; ++i) {
        const TXMLNodeType node = nodes.Item(i);
        EXPECT_EQ(node.Name(), expected[i].Name);
        EXPECT_EQ(node.Width(), expected[i].Width);
        EXPECT_EQ(node.Align(), expected[i].Align);
        EXPECT_EQ(node.Index(), i);
        EXPECT_TRUE(node.Visible());
        EXPECT_TRUE(node.ReadOnly());
        EXPECT_TRUE(node.DefaultExport());
    }
    EXPECT_THROW(nodes.Item(7), EListError);

    const TXMLFrameType frame = root->Frame();
    EXPECT_EQ(frame.Left(), "0");
    EXPECT_EQ(frame.Width(), 800);
    EXPECT_TRUE(frame.Max());
    EXPECT_EQ(frame.PlLeft().Col3(), 76);
    EXPECT_EQ(frame.PlHint().Height(), 262);
    EXPECT_EQ(root->Agerange().Count(), 0);  // absent from the file: present and empty
    EXPECT_EQ(root->Sizerange().Count(), 0);
}

TEST(TallyscopeConfigTest, RootMustBeConfigAndMissingSectionsReadEmpty) {
    EXPECT_THROW(LoadConfigText("<settings><nodes/></settings>"), EIntfCastError);
    EXPECT_THROW(LoadConfigText("<Config/>"), EIntfCastError);  // names are case-sensitive
    EXPECT_THROW(LoadConfigText("<config>"), EXmlError);

    const IXMLConfigTypePtr root = LoadConfigText("<config/>");
    EXPECT_EQ(root->Nodes().Count(), 0);
    EXPECT_THROW(root->Nodes().Item(0), EListError);
}

TEST(TallyscopeConfigTest, CollectionsInsertByPositionAmongTheirItemsOnly) {
    const IXMLConfigTypePtr root = LoadConfigText("<config><nodes><other/><node Name=\"b\"/></nodes></config>");
    const TXMLNodesType nodes = root->Nodes();
    nodes.Insert(0).SetName("a");
    nodes.Add().SetName("d");
    nodes.Insert(2).SetName("c");
    EXPECT_THROW(nodes.Insert(5), EListError);
    ASSERT_EQ(nodes.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(nodes.Item(i).Name(), std::string(1, static_cast<char>('a' + i)));
    nodes.Item(0).SetWidth(-5);
    EXPECT_EQ(nodes.Item(0).Width(), -5);
}
