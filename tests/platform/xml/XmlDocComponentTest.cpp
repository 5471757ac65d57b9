#include "platform/xml/XmlDocComponent.h"

#include <gtest/gtest.h>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "support/TempDir.h"

using namespace nulvane;

TEST(XmlDocComponentTest, NewTextClosesTheDocumentAndTheNextAccessParsesIt) {
    const test::TTempDir dir;
    TXmlDocComponent component;
    component.SetXml("<a x=\"1\"/>");
    EXPECT_FALSE(component.Active());
    component.DocumentElement().AppendChild("b");
    EXPECT_TRUE(component.Active());
    EXPECT_EQ(component.Xml(), "<a x=\"1\"/>");  // the tree's change stays in the tree

    component.SaveToFile(dir.Str() + "/a.xml");
    EXPECT_EQ(ReadFileContent(dir.Str() + "/a.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a x=\"1\"><b/></a>\n");

    component.SetXml("<a x=\"1\"/>");
    EXPECT_FALSE(component.Active());
    EXPECT_TRUE(component.DocumentElement().Children().empty());

    component.SetXml("<broken");
    EXPECT_THROW(component.SetActive(true), EXmlError);
    EXPECT_FALSE(component.Active());
}

TEST(XmlDocComponentTest, InvalidUtf8BecomesReplacementCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain, \"quoted\" <&>", "plain, \"quoted\" <&>"},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "caf\xc3\xa9 \xf0\x9f\x98\x80"},
        {"bad\xff\xfe", "bad\xef\xbf\xbd\xef\xbf\xbd"},
        {"cut\xc3", "cut\xef\xbf\xbd"},
        {"\xc0\xaf overlong", "\xef\xbf\xbd\xef\xbf\xbd overlong"},
        {"\xed\xa0\x80 surrogate", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd surrogate"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(Utf8WithReplacement(bytes), text) << bytes;
}
