#include "config/TallyscopeConfig.h"

#include <gtest/gtest.h>

#include "config/Config.h"
#include "platform/system/Errors.h"

using namespace nulvane;

// Each definition as name|width|align|index|visible, read-only, default export.
TEST(TallyscopeConfigTest, DefaultTextReadsAsSevenColumnsAndALayout) {
    const IXMLConfigTypePtr root = LoadConfigText(DefaultConfigText);
    EXPECT_EQ(root->VersionNo(), 2);
    const TXMLNodesType nodes = root->Nodes();
    std::vector<std::string> seen;
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType n = nodes.Item(i);
        seen.push_back(n.Name() + "|" + std::to_string(n.Width()) + "|" + n.Align() + "|" + std::to_string(n.Index()) +
                       "|" + std::to_string(n.Visible()) + std::to_string(n.ReadOnly()) + std::to_string(n.DefaultExport()));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"      File Name|120|left|0|111", "Full Path|220|left|1|111",
                                              "File Size|55|right|2|111", "File Ext|50|right|3|111",
                                              "Create Time|110|right|4|111", "Access Time|110|right|5|111",
                                              "Write Time|110|right|6|111"}));
    EXPECT_THROW(nodes.Item(7), EListError);
    // The plain values the list reads say the same.
    std::vector<std::string> plain;
    for (const TColumnDefinition& n : ReadColumnDefinitions(*root))
        plain.push_back(n.Name + "|" + std::to_string(n.Width()) + "|" + n.Align + "|" + std::to_string(n.Index()) + "|" +
                        std::to_string(n.Visible()) + std::to_string(n.ReadOnly()) + std::to_string(n.DefaultExport()));
    EXPECT_EQ(plain, seen);

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
    EXPECT_EQ(root->Frame().Left(), "");
    EXPECT_THROW(root->Frame().PlLeft().Width(), EConvertError);
    // Reading changed nothing: no section or attribute was made for the reads.
    const TXmlElement& element = dynamic_cast<const TXMLConfigType&>(*root).Element();
    EXPECT_TRUE(element.Children().empty());
    EXPECT_TRUE(element.Attributes().empty());
    // A value that does not convert fails where it is read, not when it is taken out.
    const std::vector<TColumnDefinition> columns =
        ReadColumnDefinitions(*LoadConfigText(R"(<config><nodes><node Name="a" Width="wide" Visible=""/></nodes></config>)"));
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_THROW(columns[0].Width(), EConvertError);
    EXPECT_THROW(columns[0].Visible(), EConvertError);
}

TEST(TallyscopeConfigTest, CollectionsInsertByPositionAmongTheirItemsOnly) {
    const TXMLNodesType nodes = LoadConfigText("<config><nodes><other/><node Name=\"b\"/></nodes></config>")->Nodes();
    nodes.Insert(0).Element().SetAttribute("Name", "a");
    nodes.Add().Element().SetAttribute("Name", "d");
    nodes.Insert(2).Element().SetAttribute("Name", "c");
    EXPECT_THROW(nodes.Insert(5), EListError);
    ASSERT_EQ(nodes.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(nodes.Item(i).Name(), std::string(1, static_cast<char>('a' + i)));
    nodes.Item(0).Element().SetAttribute("Width", "-5");
    EXPECT_EQ(nodes.Item(0).Width(), -5);
}
