#include "app/QtDesktopServices.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/MainForm.h"
#include "app/Program.h"
#include "app/Servers.h"
#include "support/ConfigFolder.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

using namespace std::chrono_literals;

// Waits, on the worker, until the animation has reached `frame`; false when it has not moved
// there within a minute (a hung animation, never a slow machine).
bool AwaitFrame(const TFindAnimation& animation, quint64 frame) {
    for (const auto deadline = std::chrono::steady_clock::now() + 1min; animation.Frame() < frame;) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Starts `timer` looking for a message box every few milliseconds; `act` gets the first one shown.
// Should none show within a minute, the test fails instead of hanging.
void WhenABoxOpens(QTimer& timer, std::function<void(QMessageBox&)> act) {
    timer.setInterval(5);
    const auto deadline = std::chrono::steady_clock::now() + 1min;
    QObject::connect(&timer, &QTimer::timeout, [&timer, act = std::move(act), deadline] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible()) continue;
            timer.stop();
            act(*box);
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            timer.stop();
            ADD_FAILURE() << "the message box never opened";
        }
    });
    timer.start();
}

TEST(QtDesktopServices, LongWorkRunsOffTheWindowThreadWhileTheAnimationMoves) {
    test::QtApp();
    TWaitForm wait;
    TQtDesktopServices services(wait);
    services.ShowWaitForm(false, false);  // hiding a hidden window does nothing
    services.ShowWaitForm(true, false);
    services.SetWaitMessage("first");
    services.SetWaitMessage("second");
    EXPECT_EQ(wait.Message(), "second");
    EXPECT_FALSE(wait.CancelVisible());

    const quint64 before = wait.Animation().Frame();
    std::thread::id worker;
    bool moved = false;
    services.RunBusy([&](TLongWork&) {
        worker = std::this_thread::get_id();
        moved = AwaitFrame(wait.Animation(), before + 3);
    });
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(moved) << "the animation did not move three frames while the work ran";
    EXPECT_GE(wait.Animation().Frame(), before + 3);
    EXPECT_THROW(services.RunBusy([](TLongWork&) { throw std::runtime_error("failed"); }), std::runtime_error);
    services.ShowWaitForm(false, false);
    EXPECT_FALSE(wait.isVisible());
}

// The scan shows "Loading info.." and the animation keeps moving while it runs.
class TObservedServices : public TQtDesktopServices {
public:
    using TQtDesktopServices::TQtDesktopServices;
    std::string PickFolder(TOwnerWindow) override { return Folder; }
    void RunBusy(const std::function<void(TLongWork&)>& work) override {
        if (Observed.empty()) {
            Observed = WaitForm().isVisible() ? WaitForm().Message().toStdString() : "hidden";
            const quint64 before = WaitForm().Animation().Frame();
            TQtDesktopServices::RunBusy([&](TLongWork& job) {
                work(job);
                AwaitFrame(WaitForm().Animation(), before + 3);
            });
            Frames = WaitForm().Animation().Frame() - before;
            return;
        }
        TQtDesktopServices::RunBusy(work);
    }
    std::string Folder;
    std::string Observed;
    quint64 Frames = 0;
};

TEST(QtDesktopServices, OpenFolderShowsLoadingInfoWhileTheScanRuns) {
    test::QtApp();
    test::TConfigFolder dir;
    dir.Write("f/a");
    TFMMain form;
    TWaitForm wait(&form);
    TObservedServices services(wait);
    services.Folder = dir.Str() + "/f";
    const TDesktopServicesScope scope(services);
    form.show();
    form.btnOpenClick();
    EXPECT_EQ(services.Observed, "Loading info..");
    EXPECT_GE(services.Frames, 3u);
    EXPECT_EQ(form.Results.Count(), 1u);
    EXPECT_FALSE(wait.isVisible());
}

// Every export of the window on the desktop's own long work: each file written whole.
class TAnsweringServices : public TQtDesktopServices {
public:
    using TQtDesktopServices::TQtDesktopServices;
    std::string SaveFileName(const std::string& defaultExt, const std::string&, const std::string&,
                             TOwnerWindow) override {
        return Folder + "/out" + defaultExt;
    }
    TMessageResult MessageBox(const std::string&, const std::string&, TMessageButtons buttons, TMessageIcon,
                              TOwnerWindow) override {
        return buttons == TMessageButtons::YesNo ? TMessageResult::Yes : TMessageResult::Ok;
    }
    std::string Folder;
};

TEST(QtDesktopServices, EveryExportOfTheWindowWritesItsFileFromTheWorkerThread) {
    test::QtApp();
    test::TConfigFolder dir;
    dir.Write("f/a.txt");
    RegisterServers();
    TFMMain form;
    TWaitForm wait(&form);
    TAnsweringServices services(wait);
    services.Folder = dir.Str();
    const TDesktopServicesScope scope(services);
    form.show();
    QApplication::processEvents();
    form.DropFolders({dir.Str() + "/f"});
    ASSERT_EQ(form.Results.Count(), 1u);
    for (QAction* action : form.Popup().actions()) action->trigger();
    for (const char* ext : {".htm", ".txt", ".xls", ".csv", ".xml"})
        EXPECT_GT(std::filesystem::file_size(dir.Str() + "/out" + ext), 0u) << ext;
    EXPECT_FALSE(wait.isVisible());
}

TEST(Program, WithoutADisplayItSaysSoAndEnds) {
    const test::TEnvironmentGuard noPlatform("QT_QPA_PLATFORM", "");
    const test::TEnvironmentGuard noX("DISPLAY", "");
    const test::TEnvironmentGuard noWayland("WAYLAND_DISPLAY", "");
    char name[] = "nulvane";
    char* argv[] = {name, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunProgram(1, argv), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("no display"), std::string::npos);
    // --help and --version answer without one, and never start the window (nor Qt, which the
    // test's own application would clash with).
    for (const auto& [option, starts] : {std::pair{"--version", "nulvane "}, std::pair{"-h", "usage: nulvane "}}) {
        char arg[16];
        std::snprintf(arg, sizeof arg, "%s", option);
        char* args[] = {name, arg, nullptr};
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunProgram(2, args), 0) << option;
        EXPECT_TRUE(testing::internal::GetCapturedStdout().starts_with(starts)) << option;
    }
}

TEST(QtDesktopServices, ReturnAloneAnswersNoToAQuestionWhoseYesDestroys) {
    test::QtApp();
    TWaitForm wait;
    TQtDesktopServices services(wait);
    for (const auto& [buttons, answer] : {std::pair{TMessageButtons::YesNoDefaultNo, TMessageResult::No},
                                          std::pair{TMessageButtons::YesNo, TMessageResult::Yes}}) {
        // Return goes to the box once it shows, whether or not the window system made it active
        // yet.
        QTimer press;
        WhenABoxOpens(press, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
        EXPECT_EQ(services.MessageBox("Sure?", "Warning", buttons, TMessageIcon::Question, nullptr), answer);
    }
}

TEST(QtDesktopServices, AFileAddressKeepsTheBytesOfTheName) {
    test::QtApp();
    const QByteArray address = FileAddressOf("/tmp/bad\xff" "dir/a b#%.txt");
    EXPECT_EQ(address, "file:///tmp/bad%FFdir/a%20b%23%25.txt");
    EXPECT_EQ(QUrl::fromEncoded(address, QUrl::StrictMode).toEncoded(), address);
}

// What nothing could open is told with why, on the window's thread: the desktop's opener found
// nothing for it, or is not there at all.
TEST(QtDesktopServices, WhatNothingCouldOpenIsToldWithWhy) {
    test::QtApp();
    test::TTempDir dir;
    TWaitForm wait;
    TQtDesktopServices services(wait);
    const std::string bin = dir.Str() + "/bin", folder = dir.Str() + "/a b";
    std::filesystem::create_directory(bin);
    for (const auto& [opener, why] : std::initializer_list<std::pair<const char*, const char*>>{
             {"exit 3", "nothing on this desktop opens it"},
             {nullptr, "cannot start xdg-open: No such file or directory"}}) {
        std::filesystem::remove(bin + "/xdg-open");
        if (opener) {
            std::ofstream(bin + "/xdg-open") << "#!/bin/sh\n" << opener << "\n";
            std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
        }
        const test::TEnvironmentGuard path("PATH", bin);
        std::string told;
        bool onWindowThread = false;
        services.OpenFolder(folder, nullptr, [&](const std::string& target, const std::string& reason) {
            told = target + ": " + reason;
            onWindowThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        EXPECT_TRUE(test::AwaitEvent([&] { return !told.empty(); })) << "the failure was never told";
        EXPECT_EQ(told, folder + ": " + why);
        EXPECT_TRUE(onWindowThread);
    }
}

// A session bus of the test's own, with nothing on it that could be started.
class TPrivateBus {
public:
    explicit TPrivateBus(const std::string& folder) {
        const std::string config = folder + "/bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:dir=" << folder
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>";
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        Pid_ = ::fork();
        if (Pid_ == 0) {
            // Only the address goes out: the test's own output must not stay open in the daemon.
            ::dup2(out[1], STDOUT_FILENO);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            ::execlp("dbus-daemon", "dbus-daemon", "--nofork", "--print-address=1", ("--config-file=" + config).c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char buffer[512];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
            Address_.append(buffer, static_cast<std::size_t>(n));
            if (Address_.find('\n') != std::string::npos) break;
        }
        ::close(out[0]);
        while (!Address_.empty() && Address_.back() == '\n') Address_.pop_back();
    }
    ~TPrivateBus() {
        if (Pid_ <= 0) return;
        ::kill(Pid_, SIGTERM);
        ::waitpid(Pid_, nullptr, 0);
    }
    QString Address() const { return QString::fromStdString(Address_); }

private:
    pid_t Pid_ = -1;
    std::string Address_;
};

// A file manager that notes what it was asked to show.
class TFileManager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.member() != QStringLiteral("ShowItems")) return false;
        Shown = message.arguments().value(0).toStringList();
        return true;
    }
    QStringList Shown;
};

TEST(QtDesktopServices, TheFileManagerOnTheBusShowsTheFileWithItsBytes) {
    test::QtApp();
    test::TTempDir dir;
    const TPrivateBus daemon(dir.Str());
    if (daemon.Address().isEmpty()) GTEST_SKIP() << "dbus-daemon could not be started";
    QDBusConnection caller = QDBusConnection::connectToBus(daemon.Address(), QStringLiteral("caller"));
    QDBusConnection manager = QDBusConnection::connectToBus(daemon.Address(), QStringLiteral("manager"));
    ASSERT_TRUE(caller.isConnected() && manager.isConnected());

    const std::string file = "/home/u/bad\xff" "dir/a";
    EXPECT_FALSE(ShowItemInFileManager(caller, file));  // no file manager there yet

    TFileManager fileManager;
    ASSERT_TRUE(manager.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager));
    ASSERT_TRUE(manager.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    EXPECT_TRUE(ShowItemInFileManager(caller, file));
    EXPECT_TRUE(test::AwaitEvent([&] { return !fileManager.Shown.isEmpty(); })) << "the file manager was never asked";
    EXPECT_EQ(fileManager.Shown, QStringList{QStringLiteral("file:///home/u/bad%FFdir/a")});
    manager.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
    QDBusConnection::disconnectFromBus(QStringLiteral("manager"));
}

}  // namespace

// While a box is open on the window's thread and no worker holds the list, a list frozen for the
// command paints its texts and check boxes; it is frozen again once the box closes. The box is
// wide enough for its caption.
TEST(QtDesktopServices, AListFrozenForACommandPaintsWhileItsMessageIsOpen) {
    test::QtApp();
    const test::TConfigFolder dir;
    dir.Write("f/a.txt");
    TFMMain form;
    TWaitForm wait(&form);
    TQtDesktopServices services(wait);
    const TDesktopServicesScope scope(services);
    form.show();
    QApplication::processEvents();
    form.DropFolders({dir.Str() + "/f"});
    ASSERT_EQ(form.Results.Count(), 1u);
    TListView& view = form.ListView();
    view.Freeze();
    QString painted;
    int boxWidth = 0, captionWidth = 0;
    QTimer look;
    WhenABoxOpens(look, [&](QMessageBox& box) {
        painted = view.model()->data(view.model()->index(0, 0)).toString();
        boxWidth = box.width();
        QFont title = box.font();
        title.setBold(true);
        captionWidth = QFontMetrics(title).horizontalAdvance(box.windowTitle());
        box.accept();
    });
    const std::string caption = "A caption far longer than the short text under it";
    services.MessageBox("Done", caption, TMessageButtons::Ok, TMessageIcon::None, &form);
    EXPECT_EQ(painted, "a.txt");
    EXPECT_GT(boxWidth, captionWidth);
    EXPECT_TRUE(view.Model().Frozen());
    view.Thaw();
}
