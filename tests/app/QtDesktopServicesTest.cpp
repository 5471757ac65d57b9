#include "app/QtDesktopServices.h"

#include <QAction>
#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "app/MainForm.h"
#include "app/Program.h"
#include "app/Servers.h"
#include "support/ConfigFolder.h"
#include "support/Environment.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

using namespace std::chrono_literals;

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
    services.RunBusy([&] {
        worker = std::this_thread::get_id();
        std::this_thread::sleep_for(400ms);
    });
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_GE(wait.Animation().Frame(), before + 3);
    EXPECT_THROW(services.RunBusy([] { throw std::runtime_error("failed"); }), std::runtime_error);
    services.ShowWaitForm(false, false);
    EXPECT_FALSE(wait.isVisible());
}

// The scan shows "Loading info.." and the animation keeps moving while it runs.
class TObservedServices : public TQtDesktopServices {
public:
    using TQtDesktopServices::TQtDesktopServices;
    std::string PickFolder(TOwnerWindow) override { return Folder; }
    void RunBusy(const std::function<void()>& work) override {
        if (Observed.empty()) {
            Observed = WaitForm().isVisible() ? WaitForm().Message().toStdString() : "hidden";
            const quint64 before = WaitForm().Animation().Frame();
            TQtDesktopServices::RunBusy([&] {
                work();
                std::this_thread::sleep_for(300ms);
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
    EXPECT_EQ(form.VT.Count(), 1u);
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
    form.DropFolders({dir.Str() + "/f"});
    ASSERT_EQ(form.VT.Count(), 1u);
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
}

}  // namespace
