#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <sys/inotify.h>
#include <unistd.h>
#include <fstream>

#include "app/About.h"
#include "app/ErrorHandler.h"
#include "core/Product.h"
#include "app/QtDesktopServices.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "support/ConfigFolder.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

using TNames = std::vector<std::string>;
using enum TDesktopRequestKind;

class MainFormTest : public ::testing::Test {
protected:

    void Show() {
        Form.show();
        QApplication::processEvents();
    }
    TNames Names() const {
        TNames names;
        for (const TListEntry& entry : Form.VT) names.emplace_back(entry.Record.Get(fiFileName));
        return names;
    }
    std::vector<TDesktopRequestKind> Kinds() const {
        std::vector<TDesktopRequestKind> kinds;
        for (const TDesktopRequest& request : Services.Requests()) kinds.push_back(request.Kind);
        return kinds;
    }

    QApplication& App = test::QtApp();
    test::TConfigFolder Dir;
    TScriptedDesktopServices Services;
    TDesktopServicesScope Scope{Services};
    TFMMain Form;
};

TEST_F(MainFormTest, FirstShowBuildsTheColumnsAndTakesDropsAndArgumentsInOrderUnsorted) {
    const std::string one = Dir.MakeDir("one"), two = Dir.MakeDir("two");
    Dir.Write("two/b.txt");
    Dir.Write("one/c.txt");
    Dir.Write("one/a.txt");
    const std::string file = Dir.Write("z.txt");
    Form.SetStartFolders({two, file, Dir.Str() + "/gone", one});
    Show();
    EXPECT_EQ(Form.windowTitle(), "Karvo Nulvane 2.3");
    EXPECT_EQ(Form.VT.Header().Columns().Count(), 7);
    EXPECT_TRUE(Form.AcceptsDroppedFolders());
    ASSERT_NE(Form.Ctrl(), nullptr);
    QApplication::processEvents();  // the start folders are scanned once the window shows
    const TNames names = Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "b.txt");
    EXPECT_EQ((std::set<std::string>(names.begin() + 1, names.end())), (std::set<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(Kinds(), (std::vector{ShowWaitForm, RunBusy, HideWaitForm}));
    EXPECT_EQ(Form.VT[0].CheckType, TCheckType::CheckBox);
}

TEST_F(MainFormTest, DroppedLocalFoldersAreScannedAndOtherAddressesIgnored) {
    Show();
    const std::string folder = Dir.MakeDir("d");
    Dir.Write("d/a");
    Form.UrlsDropped({QUrl(QStringLiteral("https://example.org/d")),
                      QUrl::fromLocalFile(QString::fromStdString(Dir.Write("f"))),
                      QUrl::fromLocalFile(QString::fromStdString(folder))});
    EXPECT_EQ(Names(), (TNames{"a"}));
}

TEST_F(MainFormTest, ExportEntriesCallTheirFormatsAndTheSecondWritesTheFile) {
    Show();
    Dir.Write("f/a");
    Form.DropFolders({Dir.Str() + "/f"});
    Services.ClearRequests();
    // Every save dialog cancelled but the text export's, which ends in "Export Finished".
    for (const std::string& answer : {std::string(), Dir.Str() + "/out.txt", std::string("Ok"), std::string(),
                                      std::string(), std::string()})
        Services.QueueAnswer(answer);
    for (QAction* action : Form.Popup().actions()) action->trigger();
    std::vector<std::string> filters;
    for (const TDesktopRequest& request : Services.RequestsOf(SaveFileName)) filters.push_back(request.Text);
    EXPECT_EQ(filters, (std::vector<std::string>{"HTML File|*.htm", "Text File|*.txt", "EXCEL File|*.xls",
                                                 "CSV File|*.csv", "XML File|*.XML"}));
    EXPECT_TRUE(std::filesystem::exists(Dir.Str() + "/out.txt"));
    EXPECT_FALSE(Form.ListView().Model().Frozen());
}

TEST_F(MainFormTest, HelpAndTheAboutLinksOpenTheMakersAddresses) {
    Show();
    Form.HelpClick();
    TFMAbout about(&Form);
    about.show();
    EXPECT_EQ(about.TitleText(), "Karvo Nulvane 2.3");
    about.WebLinkClick();
    about.EmailLinkClick();
    const std::vector<TDesktopRequest> opened = Services.RequestsOf(OpenUrl);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].Text, MakerWebAddress);
    EXPECT_EQ(opened[1].Text, MakerWebAddress);
    EXPECT_EQ(opened[2].Text, "mailto:" + std::string(MakerEmail));
}

TEST_F(MainFormTest, AColumnBuildFailureLeavesDropsIgnoredAndTheOtherCommandsWorking) {
    Dir.WriteConfig("<config><nodes>");
    const std::string folder = Dir.MakeDir("one");
    Dir.Write("one/a");
    Show();
    EXPECT_FALSE(Form.AcceptsDroppedFolders());
    Form.DropFolders({folder});
    EXPECT_TRUE(Form.VT.Empty());
    Services.QueueAnswer(folder);
    Form.btnOpenClick();
    EXPECT_EQ(Form.VT.Count(), 1u);
}

TEST_F(MainFormTest, OpenFolderScansUnderTheProgressWindowAndSortsEvenWhenCancelled) {
    Show();
    const std::string folder = Dir.MakeDir("f");
    for (const char* name : {"b", "c", "a"}) Dir.Write(std::string("f/") + name);
    Services.QueueAnswer(folder);
    Form.btnOpenClick();
    EXPECT_EQ(Names(), (TNames{"a", "b", "c"}));
    EXPECT_EQ(Kinds(), (std::vector{PickFolder, ShowWaitForm, SetWaitMessage, RunBusy, HideWaitForm, RunBusy}));
    EXPECT_EQ(Services.RequestsOf(SetWaitMessage).at(0).Text, "Loading info..");

    Form.VT.Header().Click(0, TMouseButton::Left, 0, 0, 0);  // descending by name from now on
    Form.VT.Header().Click(0, TMouseButton::Left, 0, 0, 0);
    Form.VT.Sort(NoColumn, TSortDirection::Ascending);
    Services.ClearRequests();
    Services.QueueAnswer("");
    Form.btnOpenClick();
    EXPECT_EQ(Names(), (TNames{"c", "b", "a"}));
    EXPECT_EQ(Kinds(), (std::vector{PickFolder, RunBusy}));

    Form.BitBtn1Click();
    EXPECT_TRUE(Form.VT.Empty());
    EXPECT_TRUE(std::filesystem::exists(folder + "/a"));
}

// The names of the files deleted in a folder, in the order they went. A file leaves its name by
// a move to a private name (".nulvane-..."), under which it is then removed.
class TDeletionWatch {
public:
    explicit TDeletionWatch(const std::string& folder) : Fd_(inotify_init1(IN_NONBLOCK)) {
        inotify_add_watch(Fd_, folder.c_str(), IN_DELETE | IN_MOVED_FROM);
    }
    ~TDeletionWatch() { ::close(Fd_); }
    TNames Deleted() const {
        TNames names;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(Fd_, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (!std::string_view(event->name).starts_with(".nulvane-")) names.emplace_back(event->name);
                at += sizeof(inotify_event) + event->len;
            }
        return names;
    }

private:
    int Fd_;
};

TEST_F(MainFormTest, DeletionAsksFirstAndTakesOnlyCheckedStillEmptyFilesLastFirst) {
    Show();
    const std::string folder = Dir.MakeDir("f");
    for (const char* name : {"a", "b", "c", "d", "e"}) Dir.Write(std::string("f/") + name);
    Services.QueueAnswer(folder);
    Form.btnOpenClick();
    Services.ClearRequests();
    const TDeletionWatch watch(folder);

    // "&Delete" asks even with no entry focused, and then does nothing.
    Services.QueueAnswer("Yes");
    Form.btnDeleteClick();
    EXPECT_EQ(Services.Requests().at(0), (TDesktopRequest{MessageBox, "Are you sure to delete the file from disk?",
                                                           OwnerOf(&Form), "Warning", TMessageButtons::YesNo,
                                                           TMessageIcon::Question}));
    EXPECT_EQ(Form.VT.Count(), 5u);

    Form.VT.SetFocusedEntry(0);
    Services.QueueAnswer("No");
    Form.btnDeleteClick();
    EXPECT_EQ(Form.VT.Count(), 5u);
    Services.QueueAnswer("Yes");
    Form.btnDeleteClick();
    EXPECT_EQ(Names(), (TNames{"b", "c", "d", "e"}));

    // "Check All" unchecked: "Delete &All" deletes nothing.
    Form.CheckAllBox().setChecked(false);
    Form.cbCheckAllClick();
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Form.VT.Count(), 4u);

    // Checked again, "c" unchecked by hand; "b" got content since the scan: it stays, checked.
    Form.CheckAllBox().setChecked(true);
    Form.cbCheckAllClick();
    Form.VT.SetCheckState(1, TCheckState::Unchecked);
    std::ofstream(folder + "/b") << "user data";
    Services.ClearRequests();
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Services.Requests().at(0).Text, "Are you sure to delete the files from disk?");
    EXPECT_EQ(Names(), (TNames{"b", "c"}));
    EXPECT_EQ(Form.VT[0].CheckState, TCheckState::Checked);
    EXPECT_EQ(watch.Deleted(), (TNames{"a", "e", "d"}));
    EXPECT_EQ(Form.ListView().Model().rowCount(), 2);
}

TEST_F(MainFormTest, ACommandErrorGoesToTheApplicationHandlerAndTheViewIsThawed) {
    Show();
    std::vector<std::string> errors;
    SetApplicationErrorHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            errors.emplace_back(e.what());
        }
    });
    Services.QueueAnswer("/nonexistent-folder");  // picker answered, then the script runs dry
    RunCommand([&] {
        Form.btnOpenClick();
        Form.btnDeleteClick();
    });
    SetApplicationErrorHandler(nullptr);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(Form.ListView().Model().Frozen());
    EXPECT_TRUE(Form.VT.Empty());
}

}  // namespace
