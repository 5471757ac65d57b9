// How soon each export of 65,534 entries (CSV, text, HTML, XML, Excel through the in-process
// spreadsheet application) ends once it is asked to stop, as the progress window's Stop button
// asks: the command runs on a worker thread, the stop is requested at a tenth, three tenths, half,
// seven tenths and nine tenths of the time a whole export takes, and the figure is the longest
// time from a request to the command's end. Each stopped export must leave the earlier file as it
// was and no temporary file beside it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "bench/ExportBench.h"
#include "export/ExportCommands.h"
#include "export/ExportEngine.h"
#include "platform/files/FileContent.h"
#include "platform/system/LongWork.h"

using namespace nulvane;

namespace {

using TClock = std::chrono::steady_clock;

}  // namespace

int main() {
    bench::TExportBench bench(13);
    auto& desktop = bench.Desktop;
    auto& ctrl = bench.Ctrl;
    auto& list = bench.List;

    const struct {
        const char* Name;
        void (*Command)(TTallyscopeCtrl&, TResultList&, IDesktopServices&);
        const char* File;
    } commands[] = {
        {"CSV", &ExportCSV, "list.csv"},   {"text", &ExportText, "list.txt"},
        {"HTML", &ExportHTML, "list.htm"}, {"XML", &ExportXML, "list.xml"},
        {"Excel", &ExportExcel, "list.xls"},
    };
    bool intact = true;
    for (const auto& c : commands) {
        const std::string path = bench.PathOf(c.File);
        // The whole export once, for its duration; its file is the earlier one each stop must keep.
        desktop.QueueAnswer(path);
        desktop.QueueAnswer("Ok");
        const auto start = TClock::now();
        c.Command(ctrl, list, desktop);
        const auto whole = TClock::now() - start;
        const std::string earlier = ReadFileContent(path);

        double worst = 0;
        for (const double share : {0.1, 0.3, 0.5, 0.7, 0.9}) {
            TLongWork work;
            const TScriptedDesktopServices::TWorkScope given(desktop, work);
            desktop.QueueAnswer(path);
            desktop.QueueAnswer("Yes");
            desktop.QueueAnswer("Ok");  // left over when the stop comes in time
            std::thread exporter([&] {
                try {
                    c.Command(ctrl, list, desktop);
                } catch (const EExportStopped&) {
                }
            });
            std::this_thread::sleep_for(std::chrono::duration_cast<TClock::duration>(whole * share));
            const auto asked = TClock::now();
            work.RequestStop();
            exporter.join();
            worst = std::max(worst, std::chrono::duration<double>(TClock::now() - asked).count());
            while (desktop.AnswersLeft() > 0) desktop.PickFolder(nullptr);  // answers the stop left unused
        }
        if (ReadFileContent(path) != earlier ||
            std::distance(std::filesystem::directory_iterator(bench.Out.Path()), {}) != &c - commands + 1) {
            std::fprintf(stderr, "a stopped %s export changed its folder\n", c.Name);
            intact = false;
        }
        std::printf("RESULT\tstop export %s, 65,534 entries (slowest)\t%.3f\ts\t<= 0.25 s\n", c.Name, worst);
    }

    return intact ? 0 : 1;
}
