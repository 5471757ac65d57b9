#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QPaintEvent>
#include <QSettings>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "app/About.h"
#include "app/ErrorHandler.h"
#include "platform/files/FolderPath.h"
#include "core/Product.h"
#include "app/QtDesktopServices.h"
#include "app/Servers.h"
#include "app/StatusTexts.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "platform/files/journal/DeletionJournal.h"
#include "platform/files/FileContent.h"
#include "platform/text/LocaleTexts.h"
#include "support/ConfigFolder.h"
#include "support/Environment.h"
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
        for (const TListEntry& entry : Form.Results) names.emplace_back(entry.Record.Get(fiFileName));
        return names;
    }
    // Saved settings cleared, the trash of the test's own (under data/Trash while the guard lives),
    // a folder "f" of three empty files a, b and c, and the window shown.
    struct TTrashScene {
        test::TEnvironmentGuard DataHome;
        std::string Trash, Folder;
    };
    TTrashScene ShowTrashScene() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
        TTrashScene scene{{"XDG_DATA_HOME", Dir.Str() + "/data"}, Dir.Str() + "/data/Trash", Dir.MakeDir("f")};
        for (const char* name : {"a", "b", "c"}) Dir.Write(std::string("f/") + name);
        Show();
        return scene;
    }
    QAction* MoveToTrashAction() {
        for (QAction* action : Form.OptionsMenu().actions())
            if (action->text() == "Move to Trash") return action;
        return nullptr;
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
    EXPECT_EQ(Form.Results.Header().Columns().Count(), 7);
    EXPECT_TRUE(Form.AcceptsDroppedFolders());
    ASSERT_NE(Form.Ctrl(), nullptr);
    // The start folders are scanned once the window shows.
    ASSERT_TRUE(test::AwaitEvent([&] { return !Form.Results.Empty(); })) << "the start folders were never scanned";
    const TNames names = Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "b.txt");
    EXPECT_EQ((std::set<std::string>(names.begin() + 1, names.end())), (std::set<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(Kinds(), (std::vector{ShowWaitForm, RunBusy, HideWaitForm}));
    EXPECT_EQ(Form.Results[0].CheckType, TCheckType::CheckBox);
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

TEST_F(MainFormTest, AStoppedExportSaysSoAndLeavesTheEarlierFile) {
    Show();
    Dir.Write("f/a");
    Form.DropFolders({Dir.Str() + "/f"});
    Dir.Write("out.csv", "earlier");
    TLongWork work;
    const TScriptedDesktopServices::TWorkScope scope(Services, work);
    work.RequestStop();
    Services.QueueAnswer(Dir.Str() + "/out.csv");
    Services.QueueAnswer("Yes");
    Form.Popup().actions()[3]->trigger();  // "Export To SCV"
    EXPECT_TRUE(Services.RequestsOf(MessageBox).size() == 1) << "only the overwrite question, no \"Export Finished\"";
    EXPECT_EQ(Form.StatusText().toStdString(), "1 file in the list \u00b7 Export stopped: no file written");
    std::ifstream in(Dir.Str() + "/out.csv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier");
    EXPECT_FALSE(Form.ListView().Model().Frozen());
}

// An export that cannot write its file says so in the status bar, with the file and the reason,
// in every format, and shows no "Export Finished".
TEST_F(MainFormTest, AFailedExportSaysWhyInTheStatusBarAndNothingElse) {
    RegisterServers();
    Show();
    Dir.Write("f/a");
    Form.DropFolders({Dir.Str() + "/f"});
    const QList<QAction*> exports = Form.Popup().actions().mid(0, 5);
    for (QAction* action : exports) {
        const std::string file = Dir.Str() + "/missing/out";
        Services.ClearRequests();
        Services.QueueAnswer(file);
        action->trigger();
        EXPECT_TRUE(Services.RequestsOf(MessageBox).empty()) << action->text().toStdString();
        const std::string status = Form.StatusText().toStdString();
        EXPECT_TRUE(status.starts_with("1 file in the list \u00b7 Export failed: ")) << status;
        EXPECT_NE(status.find(file), std::string::npos) << status;
        EXPECT_TRUE(status.ends_with(": No such file or directory")) << status;
        EXPECT_FALSE(Form.ListView().Model().Frozen());
    }
    // A full disk, as /dev/full stands for one.
    Services.QueueAnswer("/dev/full");
    Services.QueueAnswer("Yes");
    exports[3]->trigger();
    EXPECT_EQ(Form.StatusText().toStdString(),
              "1 file in the list · Export failed: cannot write \"/dev/full\": No space left on device");
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

    // An address nothing opens is said in the status bar.
    Services.OpenFailure = "nothing on this desktop opens it";
    Form.HelpClick();
    EXPECT_EQ(Form.StatusText().toStdString(), "No files in the list \u00b7 Could not open " +
                                                   std::string(MakerWebAddress) + ": nothing on this desktop opens it");
}

TEST_F(MainFormTest, AColumnBuildFailureLeavesDropsIgnoredAndTheOtherCommandsWorking) {
    Dir.WriteConfig("<config><nodes>");
    const std::string folder = Dir.MakeDir("one");
    Dir.Write("one/a");
    Show();
    EXPECT_FALSE(Form.AcceptsDroppedFolders());
    Form.DropFolders({folder});
    EXPECT_TRUE(Form.Results.Empty());
    Services.QueueAnswer(folder);
    Form.btnOpenClick();
    EXPECT_EQ(Form.Results.Count(), 1u);
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

    Form.Results.Header().Click(0, TMouseButton::Left);  // descending by name from now on
    Form.Results.Header().Click(0, TMouseButton::Left);
    Form.Results.Sort(NoColumn, TSortDirection::Ascending);
    Services.ClearRequests();
    Services.QueueAnswer("");
    Form.btnOpenClick();
    EXPECT_EQ(Names(), (TNames{"c", "b", "a"}));
    EXPECT_EQ(Kinds(), (std::vector{PickFolder, RunBusy}));

    Form.btnClearAllClick();
    EXPECT_TRUE(Form.Results.Empty());
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
    // No is the default: Return alone never deletes.
    EXPECT_EQ(Services.Requests().at(0), (TDesktopRequest{MessageBox, std::string(DeleteFileQuestion) + "\n\n" + UndoItNote,
                                                           OwnerOf(&Form), "Warning", TMessageButtons::YesNoDefaultNo,
                                                           TMessageIcon::Question}));
    EXPECT_EQ(Form.Results.Count(), 5u);

    Form.Results.SetFocusedEntry(0);
    Services.QueueAnswer("No");
    Form.btnDeleteClick();
    EXPECT_EQ(Form.Results.Count(), 5u);
    Services.QueueAnswer("Yes");
    Form.btnDeleteClick();
    EXPECT_EQ(Names(), (TNames{"b", "c", "d", "e"}));
    EXPECT_EQ(Form.StatusText(), "4 files in the list \u00b7 Deleted 1 file (undo: Ctrl+Z)");

    // "Check All" unchecked: "Delete &All" deletes nothing.
    Form.CheckAllBox().setChecked(false);
    Form.cbCheckAllClick();
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Form.Results.Count(), 4u);

    // Checked again, "c" unchecked by hand; "b" got content since the scan: it stays, checked.
    Form.CheckAllBox().setChecked(true);
    Form.cbCheckAllClick();
    Form.Results.SetCheckState(1, TCheckState::Unchecked);
    std::ofstream(folder + "/b") << "user data";
    Services.ClearRequests();
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Services.Requests().at(0).Text, std::string(DeleteFilesQuestion) + "\n\n" + UndoThemNote);
    EXPECT_EQ(Services.Requests().at(0).Buttons, TMessageButtons::YesNoDefaultNo);
    EXPECT_EQ(Services.RequestsOf(SetWaitMessage).at(0).Text, "Deleting files..");
    EXPECT_EQ(Names(), (TNames{"b", "c"}));
    // The kept file is counted, with its reason as it is the only one.
    EXPECT_TRUE(Form.StatusText().startsWith(QString::fromUtf8("2 files in the list \u00b7 Deleted 2 files (undo: Ctrl+Z), 1 kept: ")))
        << Form.StatusText().toStdString();
    EXPECT_EQ(Form.Results[0].CheckState, TCheckState::Checked);
    EXPECT_EQ(watch.Deleted(), (TNames{"a", "e", "d"}));
    EXPECT_EQ(Form.ListView().Model().rowCount(), 2);
}

// "Delete All" keeps a file another open file holds a lock on, and its hint says so.
TEST_F(MainFormTest, DeleteAllKeepsALockedFileInUse) {
    if (::access("/proc/locks", R_OK) != 0) GTEST_SKIP() << "/proc/locks cannot be read here";
    const std::string folder = Dir.MakeDir("f");
    const std::string held = Dir.Write("f/app.lock");
    Dir.Write("f/old.lock");
    const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    Show();
    Form.DropFolders({folder});
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    ::close(fd);
    ASSERT_EQ(Names(), (TNames{"app.lock"}));
    const QAbstractItemModel& model = Form.ListView().Model();
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), "kept: in use");
    EXPECT_EQ(Form.StatusText(), "1 file in the list \u00b7 Deleted 1 file (undo: Ctrl+Z), 1 kept: in use");
}

// No journal, no deletion: where the deletion's journal cannot be kept, "Delete All" deletes nothing
// and the status bar says why.
TEST_F(MainFormTest, WithoutItsJournalDeleteAllDeletesNothing) {
    const std::string folder = Dir.MakeDir("f"), state = Dir.Write("state");
    Dir.Write("f/a");
    Show();
    Form.DropFolders({folder});
    const test::TEnvironmentGuard stateHome("XDG_STATE_HOME", state);
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Names(), (TNames{"a"}));
    EXPECT_EQ(Form.StatusText().toStdString(), "1 file in the list \u00b7 Nothing deleted: cannot keep the deletion's journal (" +
                                                   state + "/nulvane: " + std::strerror(ENOTDIR) + ")");
}

// What a deletion killed half way left under private names is put back as the window starts, and
// the status bar says how many; a file whose name was taken meanwhile goes beside it, and a box
// says where.
TEST_F(MainFormTest, StartPutsBackWhatAKilledDeletionLeft) {
    const std::string folder = Dir.MakeDir("f");
    const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    {
        TDeletionJournal journal;
        for (const char* name : {"a", "b"}) {
            Dir.Write(std::string("f/") + name);
            struct stat st{};
            ::fstatat(fd, name, &st, 0);
            const std::string aside = std::string(".nulvane-000000000000000") + name;
            journal.RecordMove(fd, aside, name, st.st_dev, st.st_ino);
            ::renameat(fd, name, fd, aside.c_str());
        }
        journal.KeepForRecovery();
    }
    ::close(fd);
    Dir.Write("f/b", "taken meanwhile");
    Services.QueueAnswer("Ok");
    Show();
    EXPECT_EQ(Form.StatusText(), "No files in the list \u00b7 Put back 2 files an interrupted deletion had moved aside");
    ASSERT_FALSE(Services.Requests().empty());
    EXPECT_EQ(Services.Requests().front().Text, "Put back beside its name, which was taken: " + folder + "/b.nulvane-kept\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/a"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/b.nulvane-kept"));
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
    EXPECT_TRUE(Form.Results.Empty());
}


// Counts the paint events of a widget.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    std::atomic<int> Paints{0};

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

TEST_F(MainFormTest, StartFoldersAreTakenFromTheWorkingFolderAndScannedOnceTheListIsPainted) {
    Dir.Write("tree/a");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    Form.SetStartFolders({"./tree/", "tpyo"});
    std::filesystem::current_path(before);

    const TPaintCounter painted(*Form.ListView().viewport());
    int paintsBeforeScan = -1;
    std::vector<std::string> scanned;
    Form.Scan = [&](TResultList& list, std::string_view folder, const TWalkOptions& options) {
        paintsBeforeScan = painted.Paints;
        scanned.emplace_back(folder);
        return ScanFolder(list, folder, options);
    };
    Show();
    ASSERT_TRUE(test::AwaitEvent([&] { return !scanned.empty(); })) << "the start folder was never scanned";
    EXPECT_GT(paintsBeforeScan, 0);
    EXPECT_EQ(scanned, (std::vector<std::string>{Dir.Str() + "/tree"}));
    EXPECT_EQ(Form.Results.FullPath(Form.Results[0]), Dir.Str() + "/tree/a");
    EXPECT_EQ(Form.StatusText().toStdString(),
              "1 file in the list \u00b7 Scan finished: 1 file listed; Not a folder: " + Dir.Str() + "/tpyo");
}

TEST_F(MainFormTest, OptionsAreRememberedBetweenRunsAndGoToTheScan) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
    EXPECT_EQ(TWindowOptions::FileName().toStdString(), test::QtConfigHome().Str() + "/nulvane/nulvane.conf");
    const std::string tree = Dir.MakeDir("tree");
    Dir.Write("elsewhere/linked");
    std::filesystem::create_directory_symlink(Dir.Str() + "/elsewhere", tree + "/link");
    Dir.Write("tree/own");
    Show();
    const QList<QAction*> options = Form.OptionsMenu().actions();
    ASSERT_EQ(options.size(), 8);
    EXPECT_EQ(options[0]->text(), "Follow Folder Links");
    EXPECT_EQ(options[1]->text(), "Stay On One File System");
    EXPECT_EQ(options[2]->text(), "Include Empty Folders");
    EXPECT_TRUE(options[3]->isSeparator());
    EXPECT_EQ(options[4]->text(), "Move to Trash");
    EXPECT_EQ(options[5]->text(), "Keep Rules...");
    EXPECT_TRUE(options[6]->isSeparator());
    EXPECT_EQ(options[7]->text(), "Names");
    EXPECT_TRUE(options[0]->isChecked());
    EXPECT_FALSE(options[1]->isChecked());
    EXPECT_FALSE(options[2]->isChecked());
    Dir.MakeDir("tree/void/deeper");
    Form.DropFolders({tree});
    EXPECT_EQ(Form.Results.Count(), 2u);  // the linked folder's file too, and no folder while the option is off

    options[0]->trigger();
    options[1]->trigger();
    options[2]->trigger();
    Form.btnClearAllClick();
    Form.DropFolders({tree});
    // A drop lists in scan order: the folder once everything in it is listed.
    EXPECT_EQ(Names(), (TNames{"own", "void"}));
    std::string scratch;
    EXPECT_EQ(Form.Results.FieldText(Form.Results[1], fiFileType, scratch), "folder");
    EXPECT_EQ(Form.Results.FullPath(Form.Results[1]), tree + "/void");
    EXPECT_EQ(Form.Results[1].CheckState, TCheckState::Checked);
    // Names as globs, for folder entries too; one that is no glob changes nothing and says why.
    for (const char* names : {"void  deeper my\\ notes", "void ["}) {
        Form.NamesField().setText(names);
        emit Form.NamesField().editingFinished();
    }
    EXPECT_EQ(Form.NamesField().text(), "void  deeper my\\ notes");
    EXPECT_EQ(Form.StatusText().toStdString(), "1 file and 1 folder in the list \u00b7 Names not changed: \"[\" is no glob: unclosed [");
    Form.btnClearAllClick();
    Form.DropFolders({tree});
    EXPECT_EQ(Names(), (TNames{"void"}));

    // The next run reads what this one left.
    TFMMain next;
    EXPECT_FALSE(next.Options().FollowFolderLinks);
    EXPECT_TRUE(next.Options().OneFileSystem);
    EXPECT_TRUE(next.Options().IncludeEmptyFolders);
    EXPECT_FALSE(next.OptionsMenu().actions()[0]->isChecked());
    EXPECT_TRUE(next.OptionsMenu().actions()[2]->isChecked());
    EXPECT_TRUE(next.Options().WalkOptions().OneFileSystem);
    EXPECT_EQ(next.NamesField().text(), "void  deeper my\\ notes");
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
}

// The window's size and the widths of the columns the user dragged come back at the next start,
// over the configured widths, which the column configuration keeps; a width dragged back to the
// configured one follows the configuration again.
TEST_F(MainFormTest, SizeAndDraggedColumnWidthsSurviveARestart) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
    Show();
    const std::string config = ReadFileContent(Dir.ConfigPath());
    QHeaderView* header = Form.ListView().horizontalHeader();
    const int first = header->sectionSize(0), second = header->sectionSize(1);
    Form.resize(900, 450);
    header->resizeSection(1, second + 111);  // as a drag of its edge does
    EXPECT_TRUE(Form.close());
    for (const int expected : {second + 111, second}) {
        TFMMain next;
        next.show();
        QApplication::processEvents();
        EXPECT_EQ(next.size(), QSize(900, 450));
        header = next.ListView().horizontalHeader();
        EXPECT_EQ(header->sectionSize(0), first);
        EXPECT_EQ(header->sectionSize(1), expected);
        header->resizeSection(1, second);
        next.close();
    }
    EXPECT_EQ(ReadFileContent(Dir.ConfigPath()), config);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
}

// "Move to Trash" in the Options menu is off at first and remembered. While it is on, "&Delete"
// and "Delete &All" ask as ever and move the files to the trash. A file kept says why as its
// entry's hint, until the list is cleared and scanned anew.
TEST_F(MainFormTest, MoveToTrashIsRememberedAndAKeptEntrySaysWhyInItsHint) {
    const TTrashScene scene = ShowTrashScene();
    const std::string &trash = scene.Trash, &folder = scene.Folder;
    QAction* moveToTrash = MoveToTrashAction();
    ASSERT_NE(moveToTrash, nullptr);
    EXPECT_TRUE(moveToTrash->isCheckable());
    EXPECT_FALSE(moveToTrash->isChecked());
    moveToTrash->trigger();
    EXPECT_TRUE(Form.Options().MoveToTrash);
    EXPECT_TRUE(TFMMain().Options().MoveToTrash);

    Form.DropFolders({folder});
    const auto indexOf = [&](const char* name) {
        const TNames names = Names();
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    Form.Results.SetFocusedEntry(indexOf("a"));
    Services.ClearRequests();
    Services.QueueAnswer("Yes");
    Form.btnDeleteClick();
    std::ofstream(folder + "/b") << "user data";
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    const std::vector<TDesktopRequest> asked = Services.RequestsOf(MessageBox);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Text, std::string(DeleteFileQuestion) + "\n\n" + UndoItNote);
    EXPECT_EQ(asked[1].Text, std::string(DeleteFilesQuestion) + "\n\n" + UndoThemNote);
    for (const char* name : {"a", "c"}) {
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + name)) << name;
        EXPECT_TRUE(std::filesystem::exists(trash + "/files/" + name)) << name;
    }
    ASSERT_EQ(Names(), (TNames{"b"}));
    const QAbstractItemModel& model = Form.ListView().Model();
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), "kept: changed since the scan");
    EXPECT_EQ(Form.StatusText(), "1 file in the list \u00b7 Moved 1 file to the trash, 1 kept: changed since the scan");

    std::ofstream(folder + "/b", std::ios::trunc).close();  // empty again
    Form.btnClearAllClick();
    Form.DropFolders({folder});
    ASSERT_EQ(Names(), (TNames{"b"}));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), QString::fromUtf8(EntryHintText));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
}

TEST_F(MainFormTest, SelectedRowsAreCheckedTogetherAndTheDeleteKeyAsksFirst) {
    for (const char* name : {"a", "b", "c", "d"}) Dir.Write(std::string("f/") + name);
    Show();
    Services.QueueAnswer(Dir.Str() + "/f");
    Form.btnOpenClick();
    TListView& view = Form.ListView();
    const auto checked = [&] {
        std::string states;
        for (const TListEntry& entry : Form.Results) states += entry.CheckState == TCheckState::Checked ? 'x' : '-';
        return states;
    };
    view.setFocus();
    view.setCurrentIndex(view.model()->index(2, 3));  // a column other than the check boxes'
    view.selectionModel()->select(view.model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(checked(), "-x-x");
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(checked(), "xxxx");

    const QList<QAction*> popup = Form.Popup().actions();
    ASSERT_EQ(popup.size(), 8);
    const char* const exports[] = {"Export To HTML", "Export To Text", "Export To Excel", "Export To SCV", "Export To XML"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(popup[i]->text(), exports[i]);
    EXPECT_EQ(popup[6]->text(), "Check Selected");
    EXPECT_EQ(popup[7]->text(), "Uncheck Selected");
    popup[7]->trigger();
    EXPECT_EQ(checked(), "-x-x");
    popup[6]->trigger();
    EXPECT_EQ(checked(), "xxxx");

    Services.ClearRequests();
    Services.QueueAnswer("No");
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(Kinds(), (std::vector{MessageBox}));
    EXPECT_EQ(Services.Requests().at(0).Text, std::string(DeleteFileQuestion) + "\n\n" + UndoItNote);
    EXPECT_EQ(Form.Results.Count(), 4u);
}

TEST_F(MainFormTest, ADoubleClickShowsTheFileInItsFolder) {
    const std::string file = Dir.Write("f/a");
    Show();
    Form.DropFolders({Dir.Str() + "/f"});
    Form.Results.SetFocusedEntry(0);
    Form.Results.DblClick();
    EXPECT_EQ(Services.RequestsOf(ShowFile).at(0), (TDesktopRequest{ShowFile, file, OwnerOf(&Form)}));
    Services.OpenFailure = "nothing on this desktop opens it";
    Form.Results.DblClick();
    EXPECT_EQ(Form.StatusText().toStdString(),
              "1 file in the list \u00b7 Could not open " + file + ": nothing on this desktop opens it");
}

TEST(DesktopEntry, OffersToOpenFilesButDoesNotClaimFolders) {
    std::ifstream entry(NULVANE_SOURCE_DIR "/app/org.karvo.nulvane.desktop");
    const std::string text{std::istreambuf_iterator<char>(entry), {}};
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find("\nExec=nulvane %F\n"), std::string::npos);
    EXPECT_EQ(text.find("inode/directory"), std::string::npos);
}

}  // namespace

// After "Delete All" moved files to the trash, "Undo" (the status bar's button, Ctrl+Z) takes them
// back to their paths and their entries back into the list as they were; a file whose name was
// taken meanwhile, or whose folder is gone, stays in the trash, named in the status bar, and its
// entry comes back unchecked with why as its hint. The offer ends with the undo, and with the next
// scan.
TEST_F(MainFormTest, UndoTakesTrashedFilesBackAndNamesWhatCannotComeBack) {
    const TTrashScene scene = ShowTrashScene();
    const std::string &trash = scene.Trash, &folder = scene.Folder;
    Dir.Write("f/g/d");
    ASSERT_NE(MoveToTrashAction(), nullptr);
    MoveToTrashAction()->trigger();
    ASSERT_TRUE(Form.Options().MoveToTrash);
    Form.DropFolders({folder});
    const TNames listed = Names();
    ASSERT_EQ(std::set<std::string>(listed.begin(), listed.end()), (std::set<std::string>{"a", "b", "c", "d"}));
    Form.Results.SetCheckState(static_cast<std::size_t>(std::find(listed.begin(), listed.end(), "c") - listed.begin()),
                          TCheckState::Unchecked);
    EXPECT_FALSE(Form.UndoAvailable());
    EXPECT_FALSE(Form.UndoButton().isVisible());
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    ASSERT_EQ(Names(), (TNames{"c"}));
    EXPECT_TRUE(Form.UndoAvailable());
    EXPECT_TRUE(Form.UndoButton().isVisible());
    EXPECT_TRUE(Form.UndoAction().isEnabled());
    EXPECT_EQ(Form.UndoAction().shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    std::ofstream(folder + "/b") << "the user's new b";
    std::filesystem::remove(folder + "/g");
    Services.ClearRequests();
    Form.UndoAction().trigger();
    using enum TDesktopRequestKind;
    EXPECT_EQ(Kinds(), (std::vector{TDesktopRequestKind::ShowWaitForm, TDesktopRequestKind::SetWaitMessage, RunBusy,
                                    HideWaitForm}));
    EXPECT_EQ(Services.RequestsOf(TDesktopRequestKind::SetWaitMessage).at(0).Text, "Putting files back..");
    const TNames back = Names();
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(std::set<std::string>(back.begin() + 1, back.end()), (std::set<std::string>{"a", "b", "d"}));
    const QAbstractItemModel& model = Form.ListView().Model();
    for (std::size_t i = 1; i < back.size(); ++i) {
        const bool a = back[i] == "a";
        EXPECT_EQ(Form.Results[i].CheckState, a ? TCheckState::Checked : TCheckState::Unchecked) << back[i];
        EXPECT_EQ(model.data(model.index(static_cast<int>(i), 0), Qt::ToolTipRole).toString().toStdString(),
                  a ? EntryHintText
                    : back[i] == "b" ? "still in the trash: its name is taken" : "still in the trash: its folder is gone");
    }
    EXPECT_TRUE(std::filesystem::exists(folder + "/a"));
    EXPECT_FALSE(std::filesystem::exists(trash + "/files/a"));
    EXPECT_FALSE(std::filesystem::exists(trash + "/info/a.trashinfo"));
    EXPECT_TRUE(std::filesystem::exists(trash + "/files/b"));
    EXPECT_TRUE(std::filesystem::exists(trash + "/files/d"));
    EXPECT_EQ(Form.StatusText().toStdString(), "4 files in the list \u00b7 Put back 1 file from the trash; 1 stays in "
                                               "the trash, its name is taken: " + folder + "/b; 1 could not be put "
                                               "back: " + folder + "/g/d: No such file or directory");
    EXPECT_TRUE(Form.StatusPanel().toolTip().toStdString().ends_with(
        "Name taken, still in the trash: " + folder + "/b\nCould not be put back: " + folder +
        "/g/d: No such file or directory"))
        << Form.StatusPanel().toolTip().toStdString();
    EXPECT_FALSE(Form.UndoAvailable());
    EXPECT_FALSE(Form.UndoButton().isVisible());

    Form.Results.SetFocusedEntry(static_cast<std::size_t>(std::find(back.begin(), back.end(), "a") - back.begin()));
    Services.QueueAnswer("Yes");
    Form.btnDeleteClick();
    EXPECT_TRUE(Form.UndoAvailable());
    Form.DropFolders({folder});
    EXPECT_FALSE(Form.UndoAvailable());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "nulvane", "nulvane").clear();
}

// After a final "Delete All", "Undo" makes the files again as they were and puts their entries back;
// one whose name was taken meanwhile is left alone, its entry back unchecked with why as its hint,
// and named; the status bar then says what no undo gives back.
TEST_F(MainFormTest, UndoAfterAFinalDeleteAllMakesTheFilesAgain) {
    const std::string folder = Dir.MakeDir("u");
    for (const char* name : {"a", "b", "c"}) Dir.Write(std::string("u/") + name);
    ASSERT_EQ(::chmod((folder + "/a").c_str(), 0604), 0);
    Show();
    Form.DropFolders({folder});
    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    ASSERT_TRUE(Form.Results.Empty());
    EXPECT_EQ(Form.StatusText().toStdString(), "No files in the list \u00b7 Deleted 3 files (undo: Ctrl+Z)");
    ASSERT_TRUE(Form.UndoAvailable());
    EXPECT_EQ(Form.UndoButton().toolTip().toStdString(), "Make the files just deleted again (Ctrl+Z)");

    std::ofstream(folder + "/b") << "the user's new b";
    Form.UndoAction().trigger();
    const TNames back = Names();
    EXPECT_EQ(std::set<std::string>(back.begin(), back.end()), (std::set<std::string>{"a", "b", "c"}));
    struct stat st{};
    ASSERT_EQ(::stat((folder + "/a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadFileContent(folder + "/b"), "the user's new b");
    const std::size_t b = static_cast<std::size_t>(std::find(back.begin(), back.end(), "b") - back.begin());
    EXPECT_EQ(Form.Results[b].CheckState, TCheckState::Unchecked);
    const QAbstractItemModel& model = Form.ListView().Model();
    EXPECT_EQ(model.data(model.index(static_cast<int>(b), 0), Qt::ToolTipRole).toString().toStdString(),
              "not put back: its name is taken");
    EXPECT_EQ(Form.StatusText().toStdString(),
              "3 files in the list \u00b7 Put back 2 files; 1 not put back, its name is taken: " + folder + "/b");
    EXPECT_TRUE(Form.StatusPanel().toolTip().toStdString().ends_with(std::string(NotRestoredText)))
        << Form.StatusPanel().toolTip().toStdString();
    EXPECT_FALSE(Form.UndoAvailable());
}

// The status bar names the folders a scan could not read (the first in the text, all in its hint)
// and a folder not scanned because it lies in the trash; a text too long for the panel ends in
// "…" and shows whole as the hint.
TEST_F(MainFormTest, StatusTextsNameUnreadableFoldersAndALongOneIsCutWithAnEllipsis) {
    const test::TEnvironmentGuard dataHome("XDG_DATA_HOME", Dir.Str() + "/data");
    const std::string inTrash = Dir.MakeDir("data/Trash/files/old");
    Show();
    Form.DropFolders({inTrash});
    EXPECT_EQ(Form.StatusText().toStdString(),
              "No files in the list \u00b7 Scan finished: 0 files listed; In the trash, not scanned: " + inTrash);

    const std::string deep = "/srv/" + std::string(120, 'x');
    Form.Scan = [&](TResultList&, std::string_view, const TWalkOptions& options) {
        for (const std::string& folder : {deep + "/one/", deep + "/two/"}) options.OnUnreadable(folder, EACCES);
        return TScanReport{.Unreadable = 2};
    };
    Form.DropFolders({Dir.Str()});
    const std::string whole =
        "No files in the list \u00b7 Scan finished: 0 files listed; 2 folders could not be read: " + deep +
        "/one (and 1 more)";
    EXPECT_EQ(Form.StatusText().toStdString(), whole);
    const QString shown = Form.StatusPanel().text();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(Form.StatusPanel().fontMetrics().horizontalAdvance(shown), Form.StatusPanel().width());
    EXPECT_EQ(Form.StatusPanel().toolTip().toStdString(),
              whole + "\nCould not be read: " + deep + "/one\nCould not be read: " + deep + "/two");
}

// The status bar's text follows the window's width, cut with "…" where it is narrow; at its
// smallest the window still holds every button. Tab goes along the buttons, to "Check All" and the
// list and on out of the list; Shift+Tab goes back.
TEST_F(MainFormTest, TheLayoutFollowsTheWindowsWidthAndTabGoesThroughEveryControl) {
    Show();
    Form.Scan = [](TResultList&, std::string_view, const TWalkOptions& options) {
        options.OnUnreadable("/srv/" + std::string(60, 'x') + "/", EACCES);
        return TScanReport{.Unreadable = 1};
    };
    Form.DropFolders({Dir.Str()});
    const QList<QPushButton*> buttons = Form.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 6);
    for (const int width : {100, 2000}) {
        Form.resize(width, 400);
        QApplication::processEvents();
        const QString shown = Form.StatusPanel().text();
        EXPECT_LE(Form.StatusPanel().fontMetrics().horizontalAdvance(shown), Form.StatusPanel().width()) << width;
        EXPECT_EQ(shown.endsWith(QChar(0x2026)), width == 100) << shown.toStdString();
        EXPECT_EQ(shown == Form.StatusText(), width == 2000);
        for (const QPushButton* button : buttons)
            EXPECT_LE(button->mapTo(&Form, QPoint(button->width(), 0)).x(), Form.width()) << width;
    }

    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    buttons.front()->setFocus(Qt::TabFocusReason);
    std::vector<const QWidget*> forth, back;
    for (int i = 0; i < 9; ++i) {
        forth.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (int i = 0; i < 9; ++i) {
        back.insert(back.begin(), QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    }
    const std::vector<const QWidget*> order{buttons[0], buttons[1], buttons[2], buttons[3], buttons[4],
                                            buttons[5], &Form.CheckAllBox(), &Form.ListView(), buttons[0]};
    EXPECT_EQ(forth, order);
    // Read in the order Tab would go: the same ring, one on.
    std::vector<const QWidget*> ring(order.begin() + 1, order.end());
    ring.push_back(buttons[1]);
    EXPECT_EQ(back, ring);
}

// Folders named on the command line, dropped or picked are scanned under their clean absolute
// path: "." and doubled or trailing separators go, ".." leads to the real parent of the folder
// before it (a link there leads elsewhere than the text), other links stay as given.
TEST_F(MainFormTest, FoldersAreScannedUnderTheirCleanPath) {
    Dir.Write("real/inner/x");
    Dir.Write("real/b/y");
    std::filesystem::create_directory_symlink(Dir.Str() + "/real/inner", Dir.Str() + "/link");
    const std::string& d = Dir.Str();
    for (const auto& [given, clean] : std::initializer_list<std::pair<std::string, std::string>>{
             {d + "/real/./inner//", d + "/real/inner"},
             {d + "/link/../b/", d + "/real/b"},
             {d + "/real/inner/../../link/", d + "/link"},
             {d + "/link", d + "/link"},
             {"/", "/"},
             {"/..//", "/"},
             {"", ""},
         })
        EXPECT_EQ(CleanFolderPath(given), clean) << given;

    std::vector<std::string> scanned;
    Form.Scan = [&](TResultList& list, std::string_view folder, const TWalkOptions& options) {
        scanned.emplace_back(folder);
        return ScanFolder(list, folder, options);
    };
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path() / "real");
    Form.SetStartFolders({"inner/.././b//"});
    std::filesystem::current_path(before);
    Show();
    ASSERT_TRUE(test::AwaitEvent([&] { return !scanned.empty(); })) << "the start folder was never scanned";
    Form.UrlsDropped({QUrl::fromLocalFile(QString::fromStdString(d + "/link/../b"))});
    Services.QueueAnswer(d + "//real/inner/./");
    Form.btnOpenClick();
    EXPECT_EQ(scanned, (std::vector<std::string>{d + "/real/b", d + "/real/b", d + "/real/inner"}));
    std::set<std::string> paths;
    for (const TListEntry& entry : Form.Results) paths.insert(Form.Results.FullPath(entry));
    EXPECT_EQ(paths, (std::set<std::string>{d + "/real/b/y", d + "/real/inner/x"}));
    EXPECT_EQ(Form.Results.Count(), 3u);
}

// Counts follow the locale's digit grouping; here German, made for the test with localedef.
TEST_F(MainFormTest, CountsAreGroupedAsTheLocaleGroupsThem) {
    const std::string locales = Dir.MakeDir("locales");
    if (std::system(("localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "localedef cannot make de_DE.UTF-8 (the locales package is missing)";
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const TLocaleTexts before = TLocaleTexts::Current();
    {
        const test::TEnvironmentGuard path("LOCPATH", locales);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
        TLocaleTexts::SetCurrent(TLocaleTexts::FromProcessLocale());
    }
    std::setlocale(LC_ALL, previous.c_str());
    Show();
    Form.Scan = [](TResultList&, std::string_view, const TWalkOptions&) { return TScanReport{.Listed = 17250}; };
    Form.DropFolders({Dir.Str()});
    const std::string status = Form.StatusText().toStdString();
    TLocaleTexts::SetCurrent(before);
    EXPECT_EQ(status, "No files in the list \u00b7 Scan finished: 17.250 files listed");
}
