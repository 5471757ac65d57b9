// The window during long work on the desktop's own runner: Stop and Esc, input discarded, closing,
// the counts line. The scan here lists a small folder at once and then holds on until it is asked
// to stop, so that the tests do not depend on how fast a real walk notices a stop.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/MainForm.h"
#include "app/QtDesktopServices.h"
#include "platform/system/LongWork.h"
#include "platform/text/LocaleTexts.h"
#include "support/ConfigFolder.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

using namespace std::chrono_literals;
using TNames = std::vector<std::string>;

class TRecordingServices : public TQtDesktopServices {
public:
    using TQtDesktopServices::TQtDesktopServices;
    std::string PickFolder(TOwnerWindow) override { return Folder; }
    TMessageResult MessageBox(const std::string& text, const std::string&, TMessageButtons buttons, TMessageIcon,
                              TOwnerWindow) override {
        Asked.push_back(text);
        return buttons == TMessageButtons::Ok ? TMessageResult::Ok : TMessageResult::No;
    }
    std::string Folder;
    std::vector<std::string> Asked;
};

class LongWorkTest : public ::testing::Test {
protected:
    LongWorkTest() {
        TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
        for (const char* name : {"c", "a", "b"}) Dir.Write(std::string("f/") + name);
        Services.Folder = Dir.Str() + "/f";
        Form.Scan = [](TResultList& list, std::string_view folder, const TWalkOptions& options) {
            TScanReport report = ScanFolder(list, folder, options);
            TLongWork& work = *options.Work;
            work.Folders = 7;
            work.Found = report.Listed;
            // Holds on until asked to stop; after a minute the stop is taken to be lost.
            for (auto until = std::chrono::steady_clock::now() + 1min; !work.StopRequested();) {
                if (std::chrono::steady_clock::now() > until) {
                    ADD_FAILURE() << "the stop request never reached the scan";
                    break;
                }
                std::this_thread::sleep_for(2ms);
            }
            report.Stopped = work.StopRequested();
            return report;
        };
        Form.show();
        QApplication::processEvents();
    }

    // Runs `action` on the window's thread once the progress window shows the scan's counts.
    void WhenCounting(std::function<void()> action) {
        Poll_.disconnect();
        Poll_.setInterval(5);
        QObject::connect(&Poll_, &QTimer::timeout, [this, action = std::move(action)] {
            if (Wait.CountsText().isEmpty()) return;
            Poll_.stop();
            Counts = Wait.CountsText().toStdString();
            action();
        });
        Poll_.start();
    }

    TNames Names() const {
        TNames names;
        for (const TListEntry& entry : Form.Results) names.emplace_back(entry.Record.Get(fiFileName));
        return names;
    }

    QApplication& App = test::QtApp();
    test::TConfigFolder Dir;
    TFMMain Form;
    TWaitForm Wait{&Form};
    TRecordingServices Services{Wait};
    TDesktopServicesScope Scope{Services};
    QTimer Poll_;
    std::string Counts;
};

TEST_F(LongWorkTest, StopOrEscStopsAScanThatKeepsWhatItFoundSorted) {
    const struct {
        const char* Way;
        std::function<void()> Stop;
    } ways[] = {
        {"Stop button", [&] { QTest::mouseClick(&Wait.StopButton(), Qt::LeftButton); }},
        {"Esc on the progress window", [&] { QTest::keyClick(&Wait, Qt::Key_Escape); }},
        {"Esc on the main window", [&] { QTest::keyClick(&Form, Qt::Key_Escape); }},
    };
    for (const auto& way : ways) {
        Form.btnClearAllClick();
        Counts.clear();
        WhenCounting(way.Stop);
        Form.btnOpenClick();
        EXPECT_EQ(Counts, "7 folders read, 3 empty files found") << way.Way;
        EXPECT_EQ(Names(), (TNames{"a", "b", "c"})) << way.Way;
        EXPECT_EQ(Form.StatusText(),
                  QString::fromUtf8("3 files in the list \u00b7 Scan stopped: 3 files listed, the list is incomplete"))
            << way.Way;
        EXPECT_FALSE(Wait.isVisible());
        EXPECT_EQ(Services.RunningWork(), nullptr);
    }
}

TEST_F(LongWorkTest, InputToTheWindowDuringAScanIsDiscardedNotReplayed) {
    WhenCounting([&] {
        QTest::mouseClick(&Form.DelAllButton(), Qt::LeftButton);
        QTest::keyClick(&Form, Qt::Key_A, Qt::AltModifier);  // "Delete &All"
        QTest::keyClick(&Form.ListView(), Qt::Key_Delete);
        Services.StopLongWork();
    });
    Form.btnOpenClick();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_TRUE(Services.Asked.empty());
    EXPECT_EQ(Form.Results.Count(), 3u);

    // Afterwards the window takes input again.
    QTest::mouseClick(&Form.DelAllButton(), Qt::LeftButton);
    EXPECT_EQ(Services.Asked, (std::vector<std::string>{std::string(DeleteFilesQuestion) + "\n\n" + UndoThemNote}));
}

TEST_F(LongWorkTest, ClosingTheWindowDuringAScanStopsItAndThenCloses) {
    bool closedAtOnce = true;
    WhenCounting([&] { closedAtOnce = Form.close(); });
    Form.btnOpenClick();
    EXPECT_FALSE(closedAtOnce);
    EXPECT_TRUE(test::AwaitEvent([&] { return !Form.isVisible(); })) << "the window never closed after the stopped scan";
    EXPECT_EQ(Form.Results.Count(), 3u);
}

// Entries taken out of the list: the first is put back at once, the second holds on until the run
// is asked to stop, and every later one goes at once.
class THoldingUndo : public TUndoBatch {
public:
    std::vector<TListEntry> Entries;
    std::string Where = "/somewhere";
    bool Held = false;
    std::size_t Count() const noexcept override { return Entries.size(); }
    std::string_view WaitMessage() const override { return "Putting files back.."; }
    TPutBackResult PutBack(std::size_t item, TLongWork& work) override {
        for (auto until = std::chrono::steady_clock::now() + 1min; item == 1 && !Held && !work.StopRequested();) {
            if (std::chrono::steady_clock::now() > until) ADD_FAILURE() << "the stop request never reached the undo";
            std::this_thread::sleep_for(2ms);
        }
        Held = Held || item == 1;
        return {TPutBackOutcome::PutBack};
    }
    const std::string& Path(std::size_t) const override { return Where; }
    bool Folder(std::size_t) const override { return false; }
    TListEntry TakeEntry(std::size_t item) override { return std::move(Entries.at(item)); }
    void DropFirst(std::size_t count) override { Entries.erase(Entries.begin(), Entries.begin() + count); }
};

TEST_F(LongWorkTest, UndoShowsItsCountsAndStopsKeepingWhatCameBack) {
    Form.Scan = [](TResultList& list, std::string_view folder, const TWalkOptions& options) {
        return ScanFolder(list, folder, options);
    };
    Form.DropFolders({Services.Folder});
    auto undo = std::make_unique<THoldingUndo>();
    while (!Form.Results.Empty()) {
        undo->Entries.push_back(Form.Results[0]);
        Form.Results.Remove(0);
    }
    Form.OfferUndo(std::move(undo));
    ASSERT_TRUE(Form.UndoButton().isVisible());
    bool shown = false;
    std::string message;
    WhenCounting([&] {
        shown = Wait.isVisible();
        message = Wait.Message().toStdString();
        QTest::mouseClick(&Form.DelAllButton(), Qt::LeftButton);
        QTest::mouseClick(&Wait.StopButton(), Qt::LeftButton);
    });
    Form.UndoClick();
    EXPECT_TRUE(shown);
    EXPECT_EQ(message, "Putting files back..");
    EXPECT_EQ(Counts, "1 of 3 put back");
    EXPECT_TRUE(Services.Asked.empty());
    EXPECT_EQ(Form.Results.Count(), 2u);
    EXPECT_EQ(Form.StatusText(), "2 files in the list \u00b7 Undo stopped: put back 2 files from the trash, 1 left");
    EXPECT_TRUE(Form.UndoButton().isVisible());
    EXPECT_FALSE(Wait.isVisible());

    // Undo goes on with what the stop left.
    const TNames before = Names();
    Form.UndoClick();
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), Names().begin())) << "the entries kept their places";
    EXPECT_EQ(Form.StatusText(), "3 files in the list \u00b7 Put back 1 file from the trash");
    EXPECT_FALSE(Form.UndoAvailable());
}

TEST_F(LongWorkTest, TheCountsLineReadsTheJobsCountsByItself) {
    TLongWork job;
    job.Total = 1200;
    Wait.ShowWaitForm(true, false);
    Wait.SetWork(&job);
    EXPECT_EQ(Wait.CountsText(), "0 of 1,200");
    EXPECT_TRUE(Wait.StopButton().isEnabled());
    job.Done = 1100;
    EXPECT_TRUE(test::AwaitEvent([&] { return Wait.CountsText() == "1,100 of 1,200"; }))
        << "the counts line never showed the new count";
    // The window widens for a line its first size would cut.
    job.Total = 0;
    job.Folders = 123'456'789'000;
    job.Found = 123'456'789'012;
    EXPECT_TRUE(test::AwaitEvent(
        [&] { return Wait.CountsText() == "123,456,789,000 folders read, 123,456,789,012 empty files found"; }));
    const QLabel& line = Wait.CountsLine();
    EXPECT_LE(line.fontMetrics().horizontalAdvance(line.text()), line.width());
    EXPECT_LE(line.geometry().right(), Wait.width());
    Wait.SetWork(nullptr);
    EXPECT_EQ(Wait.CountsText(), "");
    EXPECT_FALSE(Wait.StopButton().isEnabled());
    Wait.ShowWaitForm(false, false);
}

}  // namespace
