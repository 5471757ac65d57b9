#include <gmock/gmock.h>

#include <filesystem>

#include "export/ExportCommands.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "platform/xml/XmlDocComponent.h"
#include "support/ChildProcess.h"
#include "tests/export/ExportFixture.h"

using namespace nulvane;
using testing::ElementsAre;

namespace {

using TNames = std::vector<std::string>;
using TCommand = void (*)(TTallyscopeCtrl&, TResultList&, IDesktopServices&);

const std::string Done = "box Export Finished|Done|ok|0";
const std::string Question = "box Catalog with the same name already exists,overwrite?|Warning|yesno|1";

struct TCommandCase {
    TCommand Command;
    std::string File;
    TNames Trace;  // of a first export to a new file
};

const TCommandCase Commands[] = {
    {&ExportCSV, "list.csv", {"save .csv CSV File|*.csv", "show", "wait Export to file..", "busy", "hide", Done}},
    {&ExportText, "list.txt", {"save .txt Text File|*.txt", "show", "wait Export to file..", "busy", "hide", Done}},
    {&ExportHTML, "list.htm", {"save .htm HTML File|*.htm", "show", "wait Export to file..", "busy", "hide", Done}},
    {&ExportXML, "list.xml",
     {"show", "wait Gathering info..", "busy", "hide", "save .xml XML File|*.XML", "show", "wait Export to file..", "busy",
      "hide", Done}},
};

TNames FolderNames(const std::string& folder) {
    TNames names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class ExportFrameTest : public test::ExportTest {
protected:
    void SetUp() override {
        Add({"a.txt", "txt"});
        Add({"b", ""});
        List.SetCheckState(1, TCheckState::Unchecked);
    }
};

TEST_F(ExportFrameTest, EachCommandAsksWritesAndReportsDoneAndReplacesOnlyWhenAllowed) {
    for (const TCommandCase& c : Commands) {
        SCOPED_TRACE(c.File);
        Desktop.ClearRequests();
        Desktop.QueueAnswer(OutPath(c.File));
        Desktop.QueueAnswer("Ok");
        c.Command(Ctrl, List, Desktop);
        EXPECT_EQ(Trace(), c.Trace);
        const std::string written = Read(c.File);
        EXPECT_NE(written.find("/data/b"), std::string::npos);  // unchecked entries are written too

        // No to the overwrite question leaves the earlier file alone; Yes replaces it.
        Out.Write(c.File, "earlier");
        Desktop.ClearRequests();
        Desktop.QueueAnswer(OutPath(c.File));
        Desktop.QueueAnswer("No");
        c.Command(Ctrl, List, Desktop);
        EXPECT_EQ(Trace().back(), Question);
        EXPECT_EQ(Read(c.File), "earlier");
        Desktop.QueueAnswer(OutPath(c.File));
        Desktop.QueueAnswer("Yes");
        Desktop.QueueAnswer("Ok");
        c.Command(Ctrl, List, Desktop);
        EXPECT_EQ(Trace().back(), Done);
        EXPECT_EQ(Read(c.File), written);
    }
    EXPECT_EQ(FolderNames(Out.Str()), (TNames{"list.csv", "list.htm", "list.txt", "list.xml"}));
}

TEST_F(ExportFrameTest, EmptyListOrCancelledDialogWritesAndShowsNothing) {
    TResultList empty;
    TTallyscopeCtrl emptyCtrl(empty);
    for (const TCommandCase& c : Commands) c.Command(emptyCtrl, empty, Desktop);
    EXPECT_TRUE(Desktop.Requests().empty());

    for (const TCommandCase& c : Commands) {
        Desktop.ClearRequests();
        Desktop.QueueAnswer("");
        c.Command(Ctrl, List, Desktop);
        EXPECT_EQ(Trace().back(), c.Trace[c.Trace.size() - 6]) << c.File;  // the save dialog, nothing after it
    }
    EXPECT_EQ(FolderNames(Out.Str()), TNames{});
}

TEST_F(ExportFrameTest, FailedWriteKeepsTheEarlierFileAndShowsNoCompletion) {
    const std::string earlier = Out.Write("keep.csv", "earlier");
    Out.MakeDir("folder.csv");
    // A target that is a folder, and a device that is full.
    for (const auto& [target, answers] : {std::pair<std::string, TNames>{OutPath("folder.csv"), {}}, {"/dev/full", {"Yes"}}}) {
        Desktop.ClearRequests();
        Desktop.QueueAnswer(target);
        for (const std::string& answer : answers) Desktop.QueueAnswer(answer);
        EXPECT_THROW(ExportCSV(Ctrl, List, Desktop), EOSError) << target;
        EXPECT_EQ(Trace().back(), "hide");
    }
    // A full disk, after Yes to overwriting: the write stops at the file size limit.
    Desktop.ClearRequests();
    Desktop.QueueAnswer(earlier);
    Desktop.QueueAnswer("Yes");
    EXPECT_EQ(test::RunInChild({.FileSizeLimit = 20}, [&] {
                  try {
                      ExportHTML(Ctrl, List, Desktop);
                  } catch (const EOSError&) {
                      return Trace().back() == "hide" ? 0 : 2;
                  }
                  return 1;
              }),
              0);
    EXPECT_EQ(Read("keep.csv"), "earlier");
    EXPECT_EQ(FolderNames(Out.Str()), (TNames{"folder.csv", "keep.csv"}));
}

TEST_F(ExportFrameTest, ALinkAtTheNameIsAskedAboutEvenWhenItLeadsNowhere) {
    const std::string link = OutPath("list.csv");
    std::filesystem::create_symlink(OutPath("gone.csv"), link);
    Desktop.QueueAnswer(link);
    Desktop.QueueAnswer("No");
    ExportCSV(Ctrl, List, Desktop);
    EXPECT_EQ(Trace().back(), Question);
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    Desktop.QueueAnswer(link);
    Desktop.QueueAnswer("Yes");
    Desktop.QueueAnswer("Ok");
    ExportCSV(Ctrl, List, Desktop);
    EXPECT_EQ(Trace().back(), Done);
    EXPECT_NE(Read("list.csv").find("/data/b"), std::string::npos);
    EXPECT_EQ(FolderNames(Out.Str()), TNames{"list.csv"});
}

// Every export counts its rows on the job its runner gives it; a stopped one throws EExportStopped, shows
// no "Export Finished", and leaves the earlier file and no temporary file.
TEST_F(ExportFrameTest, ExportsCountTheirRowsAndAStopKeepsTheEarlierFile) {
    for (const TCommandCase& c : Commands) {
        SCOPED_TRACE(c.File);
        TLongWork work;
        const TScriptedDesktopServices::TWorkScope scope(Desktop, work);
        Desktop.QueueAnswer(OutPath(c.File));
        Desktop.QueueAnswer("Ok");
        c.Command(Ctrl, List, Desktop);
        EXPECT_EQ(work.Total.load(), 2u);
        EXPECT_EQ(work.Done.load(), 2u);

        Out.Write(c.File, "earlier");
        work.RequestStop();
        Desktop.ClearRequests();
        const bool gathersFirst = c.Command == &ExportXML;
        if (!gathersFirst) {
            Desktop.QueueAnswer(OutPath(c.File));
            Desktop.QueueAnswer("Yes");
        }
        EXPECT_THROW(c.Command(Ctrl, List, Desktop), EExportStopped);
        EXPECT_EQ(Trace().back(), "hide");
        EXPECT_EQ(Read(c.File), "earlier");
    }
    // The XML document stopped while it is saved, once its first megabyte is made.
    for (int i = 0; i < 300; ++i) Add({std::string(2000, 'n') + std::to_string(i), ""});
    TDesktopExportRunner runner(Desktop);
    TExportEngine info;
    info.Runner = &runner;
    TTallyscopeCtrl::GetExportColumns(info.ExportColumns);
    info.ResetDocument();
    info.FillDocument(List);
    TLongWork work;
    const TScriptedDesktopServices::TWorkScope scope(Desktop, work);
    work.RequestStop();
    EXPECT_THROW(info.WriteXML(OutPath("list.xml")), EExportStopped);
    EXPECT_EQ(Read("list.xml"), "earlier");
    EXPECT_EQ(FolderNames(Out.Str()), (TNames{"list.csv", "list.htm", "list.txt", "list.xml"}));
}

TEST_F(ExportFrameTest, ExportColumnsAreTheVisibleConfiguredNamesUnchanged) {
    TNames columns;
    TTallyscopeCtrl::GetExportColumns(columns);
    EXPECT_EQ(columns, (TNames{"      File Name", "Full Path", "File Size", "File Ext", "Create Time", "Access Time",
                               "Write Time"}));
    WriteNodes(R"(<node Name="Full Path" Visible="True"/><node Name="Hidden" Visible="False"/>)"
               R"(<node Name=" Nonsense " Visible="1"/><node Name="Full Path" Visible="true"/>)");
    columns.clear();
    TTallyscopeCtrl::GetExportColumns(columns);
    EXPECT_EQ(columns, (TNames{"Full Path", " Nonsense ", "Full Path"}));
}

TEST_F(ExportFrameTest, XmlExportsBuildInTheWindowsDocumentWithoutPilingUp) {
    TXmlDocComponent doc;
    Ctrl.XMLDoc = &doc;
    for (int round = 0; round < 2; ++round) {
        Desktop.QueueAnswer(round == 0 ? OutPath("a.xml") : "");  // the second is cancelled after the build
        if (round == 0) Desktop.QueueAnswer("Ok");
        ExportXML(Ctrl, List, Desktop);
        EXPECT_EQ(doc.DocumentElement().Children().size(), 2u);
    }
    Desktop.QueueAnswer(OutPath("b.xml"));
    Desktop.QueueAnswer("Ok");
    ExportXML(Ctrl, List, Desktop);
    EXPECT_EQ(Read("a.xml"), Read("b.xml"));
}

TEST(ExportCatalogNameTest, TitleIsTheBaseNameUpToTheFirstDotOrTheDriveRoot) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/report.final.htm", "report"}, {"report.htm", "report"}, {"/tmp/noext", "noext"},
        {"/a.b/c", "c"}, {"name:with colon.csv", "name:with colon"}, {"/proc", "/proc"},  // a mount point without label
    };
    for (const auto& [path, title] : cases) EXPECT_EQ(GetCatalogName(path), title) << path;
}

}  // namespace
