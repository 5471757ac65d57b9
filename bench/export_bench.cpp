// The four exports of 65,534 entries (the most a spreadsheet sheet holds below its header), each
// run as the request the export command makes after the save dialog: the file written row by row to a
// temporary file that replaces the target once complete. XML builds its document first. The list looks like a scan's: paths of 60 to 80 bytes, three date-times each,
// every tenth name with a comma or an ampersand so that quoting and escaping have work to do.
// Files go to a fresh folder on the temporary directory's disk; each figure is the best of
// three runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "config/Config.h"
#include "core/TallyscopeCtrl.h"
#include "export/ExportEngine.h"
#include "platform/files/FileContent.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/TempDir.h"

using namespace nulvane;

namespace {

void FillList(TResultList& list, std::size_t count) {
    std::mt19937 random(7);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
    const auto word = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += letters[random() % (sizeof letters - 1)];
        return text;
    };
    const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    const auto time = [&] {
        char text[40];
        std::snprintf(text, sizeof text, "%u/%u/20%02u %u:%02u:%02u %s", 1 + below(12), 1 + below(28), 10 + below(15),
                      1 + below(12), below(60), below(60), below(2) ? "AM" : "PM");
        return std::string(text);
    };
    list.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string folder = "/home/user/" + word(8) + "/" + word(10) + "/";
        std::string name = word(10 + random() % 20) + (i % 10 == 0 ? ",part & more" : "") + ".txt";
        const std::string path = folder + name;
        TFileRecord::TTexts texts{};
        const std::string create = time(), access = time(), write = time();
        texts[fiFileName] = name;
        texts[fiFullPath] = path;
        texts[fiFileSize] = "0";
        texts[fiFileExt] = "txt";
        texts[fiFileType] = "file";
        texts[fiCreateTime] = create;
        texts[fiAccessTime] = access;
        texts[fiWriteTime] = write;
        list.Append().Record.Assign(texts);
    }
}

double BestSeconds(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Report(const char* name, double seconds, double target) {
    std::printf("RESULT\t%s\t%.3f\ts\t<= %.1f s\n", name, seconds, target);
}

}  // namespace

int main() {
    test::TTempDir config, out;
    SetExecutableFolderForTesting(config.Str());
    DiscardConfig();

    TResultList list;
    FillList(list, 65534);
    TExportRequest request{.MayReplace = true, .List = &list};
    TTallyscopeCtrl::GetExportColumns(request.Columns);

    const auto exportTo = [&](const std::string& name, TExportFormat format) {
        return BestSeconds([&] {
            request.Format = format;
            request.FileName = out.Str() + "/" + name;
            if (Export(request) != TExportOutcome::Written) std::fprintf(stderr, "export to %s not written\n", name.c_str());
        });
    };
    Report("export CSV, 65,534 entries", exportTo("list.csv", TExportFormat::CSV), 0.3);
    Report("export text, 65,534 entries", exportTo("list.txt", TExportFormat::Text), 0.3);
    Report("export HTML, 65,534 entries", exportTo("list.htm", TExportFormat::HTML), 0.3);
    Report("export XML, 65,534 entries", exportTo("list.xml", TExportFormat::XML), 0.6);

    DiscardConfig();
    SetExecutableFolderForTesting("");
    return 0;
}
