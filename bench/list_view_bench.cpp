// The desktop list with a million entries: how long the main window takes to show it, and how
// long a jump to the last entry takes to repaint. Both must feel immediate (target <= 50 ms),
// which is what keeps the list view virtual: it asks the list only for the rows on screen.
//
// Runs on the offscreen platform unless another is chosen; painting is real either way.
#include <QApplication>
#include <QScrollBar>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/MainForm.h"
#include "config/Config.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/system/ProcessInfo.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "tests/support/TempDir.h"

using namespace nulvane;

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

void Result(const char* name, double ms, double targetMs) {
    std::printf("RESULT\t%s\t%.1f\tms\t<= %.0f ms\n", name, ms, targetMs);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    test::TTempDir dir;
    SetExecutableFolderForTesting(dir.Str());
    TScriptedDesktopServices services;
    const TDesktopServicesScope scope(services);

    constexpr std::size_t Count = 1'000'000;
    TFMMain form;
    {
        const TResultList::TUpdateScope update(form.Results);
        form.Results.Reserve(Count);
        for (std::size_t i = 0; i < Count; ++i) {
            const std::string folder = "/home/user/projects/p" + std::to_string(i / 1000) + "/src/module/";
            const std::string name = "file_" + std::to_string(i) + ".txt";
            TListEntry entry;
            entry.Record.Assign({name, folder + name, "0", "txt", "file", {}, {}, {}, {}, {},
                                 "12/9/2026 1:23:45 AM", "12/9/2026 1:23:45 AM", "12/9/2026 1:23:45 AM"});
            entry.CheckState = TCheckState::Checked;
            form.Results.Append(std::move(entry));
        }
    }

    auto start = TClock::now();
    form.show();
    QApplication::processEvents();
    form.ListView().viewport()->repaint();
    const double show = MsSince(start);

    start = TClock::now();
    form.ListView().scrollToBottom();
    form.ListView().viewport()->repaint();
    const double jump = MsSince(start);

    // The same jump again and back, to see it was not a first-time cost.
    start = TClock::now();
    form.ListView().scrollToTop();
    form.ListView().viewport()->repaint();
    form.ListView().scrollToBottom();
    form.ListView().viewport()->repaint();
    const double twoJumps = MsSince(start);

    const QModelIndex last = form.ListView().indexAt(QPoint(2, form.ListView().viewport()->height() - 4));
    if (last.row() < static_cast<int>(Count) - 40) std::fprintf(stderr, "the view did not reach the end: row %d\n", last.row());

    Result("list of 1,000,000 entries: show", show, 50);
    Result("list of 1,000,000 entries: jump to end and repaint", jump, 50);
    Result("list of 1,000,000 entries: jump to top and back, repainting", twoJumps, 100);
    SetExecutableFolderForTesting("");
    return 0;
}
