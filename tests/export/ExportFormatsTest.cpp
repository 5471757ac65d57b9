#include <gtest/gtest.h>

#include <algorithm>

#include "core/Product.h"
#include "platform/xml/XmlDom.h"
#include "tests/export/ExportFixture.h"

using namespace nulvane;

namespace {

const std::string T = "12/09/2026 01:02:03";
const std::string Ten(10, ' ');

// Prints each row's fields joined by \x1f, each row ended by \x1e; bytes round-trip unchanged.
const char* const CsvReader = R"(import csv, sys
out = sys.stdout.buffer
with open(sys.argv[1], newline='', encoding='utf-8', errors='surrogateescape') as f:
    for row in csv.reader(f):
        out.write('\x1f'.join(row).encode('utf-8', 'surrogateescape') + b'\x1e')
)";

// Prints the title, then each table row as class:text cells joined by \x1f, rows ended by \x1e.
const char* const HtmlReader = R"(import sys
from html.parser import HTMLParser
class Report(HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.cell, self.title, self.where = [], None, '', None
    def handle_starttag(self, tag, attrs):
        if tag == 'tr': self.rows.append([])
        elif tag == 'td': self.cell = [dict(attrs).get('class', ''), '']
        elif tag == 'h5': self.where = 'title'
    def handle_endtag(self, tag):
        if tag == 'td': self.rows[-1].append(self.cell[0] + ':' + self.cell[1]); self.cell = None
        elif tag == 'h5': self.where = None
    def handle_data(self, data):
        if self.cell is not None: self.cell[1] += data
        elif self.where == 'title': self.title += data
report = Report()
report.feed(open(sys.argv[1], encoding='utf-8', errors='surrogateescape', newline='').read())
report.close()
text = report.title + '\x1e' + ''.join('\x1f'.join(row) + '\x1e' for row in report.rows)
sys.stdout.buffer.write(text.encode('utf-8', 'surrogateescape'))
)";

// Prints the root's tag and attribute names, then each element's attributes as name=value joined
// by \x1f, elements ended by \x1e.
const char* const XmlReader = R"(import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
text = root.tag + ' ' + ','.join(root.attrib) + '\x1e'
for e in root:
    text += e.tag + ':' + '\x1f'.join(k + '=' + v for k, v in e.attrib.items()) + '\x1e'
sys.stdout.buffer.write(text.encode('utf-8'))
)";

class ExportFormatsTest : public test::ExportTest {
protected:
    // The engine with the export columns of the configuration as it now is.
    TExportEngine& Info() {
        Engine.ExportColumns.clear();
        TTallyscopeCtrl::GetExportColumns(Engine.ExportColumns);
        return Engine;
    }
    TExportEngine Engine;
    // Exports the list through the engine to `name` in the output folder.
    std::string ExportTo(const std::string& name, TExportFormat format) {
        TExportRequest request{.Format = format, .FileName = OutPath(name), .List = &List};
        TTallyscopeCtrl::GetExportColumns(request.Columns);
        EXPECT_EQ(Export(request), TExportOutcome::Written);
        return Read(name);
    }
};

TEST_F(ExportFormatsTest, DelimitedFilesHaveTheHeaderSeparatorAndCrLfLines) {
    Add({"a.txt", "txt"});
    Add({"b", ""});
    const std::string values = "a.txt|/data/a.txt|0|txt|" + T + "|" + T + "|" + T + "~b|/data/b|0||" + T + "|" + T + "|" + T + "~";
    const auto expected = [&](const std::string& separator) {
        std::string text;
        for (const char* name : {"      File Name", "Full Path", "File Size", "File Ext", "Create Time", "Access Time", "Write Time"})
            text += name + separator;
        text += "\r\n";
        for (const char c : values) text += c == '|' ? separator : c == '~' ? std::string("\r\n") : std::string(1, c);
        return text;
    };
    EXPECT_EQ(ExportTo("l.csv", TExportFormat::CSV), expected(","));
    EXPECT_EQ(ExportTo("l.txt", TExportFormat::Text), expected(Ten));

    // A name that matches no field writes the file name; every column invisible leaves bare lines.
    WriteNodes(R"(<node Name=" Nonsense " Visible="True"/><node Name="File Ext" Visible="True"/>)");
    EXPECT_EQ(ExportTo("n.csv", TExportFormat::CSV),
              " Nonsense ,File Ext,\r\na.txt,txt\r\nb,\r\n");
    WriteNodes(R"(<node Name="File Name" Visible="False"/>)");
    EXPECT_EQ(ExportTo("e.txt", TExportFormat::Text), "\r\n\r\n\r\n");
}

TEST_F(ExportFormatsTest, CsvQuotesOnlyWhatWouldSplitAndReadsBackWhole) {
    // The second name matches no field: it writes the file name again.
    WriteNodes(R"(<node Name="File Name" Visible="True"/><node Name="File Ext, &quot;kind&quot;" Visible="True"/>)");
    const std::pair<std::string, std::string> cases[] = {
        {"plain name", "plain name"},       {"a,b", "\"a,b\""},           {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"new\nline", "\"new\nline\""},     {"cr\rx", "\"cr\rx\""},       {"caf\xc3\xa9 \xff", "caf\xc3\xa9 \xff"},
    };
    TExportEngine& info = Info();
    for (const auto& [name, cell] : cases) {
        List.Clear();
        Add({name, ""});
        EXPECT_EQ(info.BuildDelimitedText(",", List, TDelimitedQuoting::Csv),
                  "File Name,\"File Ext, \"\"kind\"\"\",\r\n" + cell + "," + cell + "\r\n");
        EXPECT_EQ(info.BuildDelimitedText(Ten, List),
                  "File Name" + Ten + "File Ext, \"kind\"" + Ten + "\r\n" + name + Ten + name + "\r\n");
    }

    List.Clear();
    const std::string names[] = {test::HostileName(), "a,b", "q\"uote", "<b>&amp;"};
    std::string expected = "File Name\x1f" "File Ext, \"kind\"\x1f\x1e";  // the header's last separator
    for (const std::string& name : names) {
        Add({name, ""});
        expected += name + "\x1f" + name + "\x1e";
    }
    ExportTo("h.csv", TExportFormat::CSV);
    EXPECT_EQ(RunPython(CsvReader, OutPath("h.csv")), expected);
}

TEST_F(ExportFormatsTest, HtmlReportIsOneLineOfHeadTitleAndAlternatingRows) {
    const std::string& head = HtmlHeadTemplate();
    EXPECT_EQ(head.size(), 615u);
    EXPECT_TRUE(head.starts_with("<HTML><HEAD> <Title></Title><Style type=\"text/css\">  BODY { background"));
    EXPECT_NE(head.find("}  .TrBRow  {            background-color: #FFFBF0;"), std::string::npos);
    EXPECT_TRUE(head.ends_with("color: #000000;            font-family: Arial;  }</STYLE></HEAD><BODY>"));

    WriteNodes(R"(<node Name="File Name" Visible="True"/><node Name="File Ext" Visible="True" Align="right"/>)");
    Add({"a.txt", "txt"});
    Add({"b", ""});
    Add({"c.x", "x"});
    const std::string a = "<td class=\"TrARow\" align=Left>", b = "<td class=\"TrBRow\" align=Left>";
    EXPECT_EQ(Info().BuildHTML(List, "/x/report.final.htm"),
              head + "<H5 Align=center>report</H5><br><H6 Align=center>Generated by:<A href=\"" +
                  std::string(MakerWebAddress) + "\">Tallyscope</A></H6><br>" +
                  "<Table Border=\"1\" Cellpadding=\"4\" Cellspacing=\"1\">"
                  "<tr><td class=\"ThRows\">File Name</td><td class=\"ThRows\">File Ext</td></tr>"
                  "<tr>" + a + "a.txt</td>" + a + "txt</td></tr><tr>" + b + "b</td>" + b + "&nbsp</td></tr>"
                  "<tr>" + a + "c.x</td>" + a + "x</td></tr></Table></BODY></HTML>");
    WriteNodes(R"(<node Name="File Name" Visible="false"/>)");
    const std::string none = Info().BuildHTML(List, "r.htm");
    EXPECT_NE(none.find("Cellspacing=\"1\"><tr></tr><tr></tr><tr></tr><tr></tr></Table>"), std::string::npos);
}

TEST_F(ExportFormatsTest, HtmlEscapesNamesSoABrowserReadsThemAsText) {
    // Both the unknown and the empty column name resolve to the file name.
    WriteNodes(R"(<node Name="File Name" Visible="True"/><node Name="&lt;i&gt;Ext&amp;" Visible="True"/>)"
               R"(<node Name="" Visible="True"/>)");
    const std::string names[] = {test::HostileName(), "<script>alert(1)</script>", "a&b \"q\""};
    std::string expected = "<b&title>\x1e" "ThRows:File Name\x1f" "ThRows:<i>Ext&\x1f" "ThRows:\xc2\xa0\x1e";
    for (std::size_t i = 0; i < std::size(names); ++i) {
        Add({names[i], ""});
        const std::string cls = i % 2 == 0 ? "TrARow:" : "TrBRow:";
        expected += cls + names[i] + "\x1f" + cls + names[i] + "\x1f" + cls + names[i] + "\x1e";
    }
    const std::string report = ExportTo("<b&title>.htm", TExportFormat::HTML);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1);
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
    EXPECT_EQ(RunPython(HtmlReader, OutPath("<b&title>.htm")), expected);
}

// Files of several megabytes go out a piece at a time: the bytes are those of the whole text.
TEST_F(ExportFormatsTest, LargeFilesHoldTheSameBytesAsTheWholeText) {
    for (int i = 0; i < 3000; ++i) Add({std::to_string(i) + std::string(700, i % 7 == 0 ? '&' : 'n') + ",x", "x"});
    TExportEngine& info = Info();
    EXPECT_EQ(ExportTo("l.csv", TExportFormat::CSV),
              info.BuildDelimitedText(CsvSeparator, List, TDelimitedQuoting::Csv));
    EXPECT_EQ(ExportTo("l.htm", TExportFormat::HTML),
              info.BuildHTML(List, OutPath("l.htm")) + "\r\n");
    info.ResetDocument();
    info.FillDocument(List);
    info.WriteXML(OutPath("l.xml"));
    EXPECT_EQ(Read("l.xml"), info.XmlDocument().Document().SaveToText());
}

TEST_F(ExportFormatsTest, XmlHasEveryNonEmptyFieldInOrderAndParsesElsewhere) {
    WriteNodes(R"(<node Name="Full Path" Visible="True"/>)");  // the columns play no part
    Add({"a.txt", "txt"});
    Add({"b", ""});
    Add({test::HostileName(), ""});
    const auto attributes = [](const std::string& name, const std::string& ext) {
        std::string text = "file:FileName=" + name + "\x1f" "FullPath=/data/" + name + "\x1f" "FileSize=0\x1f";
        if (!ext.empty()) text += "FileExt=" + ext + "\x1f";
        return text + "FileType=file\x1f" "CreateTime=" + T + "\x1f" "AccessTime=" + T + "\x1f" "WriteTime=" + T + "\x1e";
    };
    const std::string hostile = ToXmlText(Utf8WithReplacement(test::HostileName()));
    ExportTo("l.xml", TExportFormat::XML);
    EXPECT_EQ(std::system(("xmllint --noout '" + OutPath("l.xml") + "'").c_str()), 0);
    EXPECT_EQ(RunPython(XmlReader, OutPath("l.xml")),
              "fileinfo generated\x1e" + attributes("a.txt", "txt") + attributes("b", "") + attributes(hostile, ""));
    EXPECT_NE(hostile.find("\xef\xbf\xbd"), std::string::npos);
}

}  // namespace
