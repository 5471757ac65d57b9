// Sorting a large result list through the list controller, as the desktop does it: by "Full
// Path" and by "Write Time" over 1,000,000 entries, and one header click over 100,000.
//
// The entries look like a scan's: paths of 60 to 80 bytes from a few hundred folders, listed
// folder by folder in no particular order, sizes "0", and date-times in the English (US) format
// spread over several years. As a scan makes them, each entry holds its name and refers to its
// folder in the list's folder table; for comparison, the same list with every path held whole
// in its record is sorted too. Everything is generated from a fixed seed.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "config/Config.h"
#include "core/FileRecord.h"
#include "core/ResultList.h"
#include "core/TallyscopeCtrl.h"
#include "platform/text/LocaleTexts.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/TempDir.h"

using namespace nulvane;

namespace {

std::string RandomWord(std::mt19937& random, std::size_t length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
    std::string word;
    for (std::size_t i = 0; i < length; ++i) word += letters[random() % (sizeof letters - 1)];
    return word;
}

std::string RandomTime(std::mt19937& random) {
    TLocalTime time;
    time.Year = 2012 + static_cast<int>(random() % 12);
    time.Month = 1 + static_cast<int>(random() % 12);
    time.Day = 1 + static_cast<int>(random() % 28);
    time.Hour = static_cast<int>(random() % 24);
    time.Minute = static_cast<int>(random() % 60);
    time.Second = static_cast<int>(random() % 60);
    return TLocaleTexts::Current().FormatDateTime(time);
}

// The folder of `path` (ending in "/") in the list's folder table, one folder per component.
TFolderIndex AddFolderPath(TResultList& list, const std::string& path) {
    TFolderIndex folder = NoFolder;
    for (std::size_t at = 0, slash; (slash = path.find('/', at)) != std::string::npos; at = slash + 1)
        folder = list.AddFolder(folder, std::string_view(path).substr(at, slash - at));
    return folder;
}

void FillList(TResultList& list, std::size_t count, bool wholePaths = false) {
    std::mt19937 random(20240611);
    std::vector<std::string> folders;
    for (int i = 0; i < 300; ++i) {
        std::string folder = "/home/user";
        for (int depth = 1 + static_cast<int>(random() % 3); depth > 0; --depth) {
            folder += '/';
            folder += RandomWord(random, 6 + random() % 8);
        }
        folders.push_back(folder + "/");
    }
    list.Clear();
    list.Reserve(count);
    std::vector<TFolderIndex> indices;
    for (const std::string& folder : folders) indices.push_back(AddFolderPath(list, folder));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t f = (i * folders.size()) / count;  // folder by folder
        const std::string& folder = folders[f];
        const std::size_t target = 60 + random() % 21;
        const std::size_t nameLength = target > folder.size() + 8 ? target - folder.size() - 4 : 4;
        const std::string name = RandomWord(random, nameLength) + ".txt";
        const std::string path = folder + name;
        const std::string times[] = {RandomTime(random), RandomTime(random), RandomTime(random)};
        TFileRecord::TTexts texts{};
        texts[fiFileName] = name;
        texts[fiFileSize] = "0";
        texts[fiFileExt] = "txt";
        texts[fiFileType] = "file";
        texts[fiCreateTime] = times[0];
        texts[fiAccessTime] = times[1];
        texts[fiWriteTime] = times[2];
        TListEntry entry;
        if (wholePaths) {
            texts[fiFullPath] = path;
            entry.Record.Assign(texts);
        } else {
            entry.Record.Assign(texts, {.PathTail = name});
            entry.Folder = indices[f];
        }
        entry.CheckState = TCheckState::Checked;
        list.Append(std::move(entry));
    }
}

int ColumnOfField(const TResultList& list, std::uint8_t field) {
    for (int i = 0; i < list.Header().Columns().Count(); ++i)
        if (FieldIndexOf(list.Header().Columns()[i].Text) == field) return i;
    return NoColumn;
}

template <class F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Report(const char* what, double seconds, double target) {
    std::printf("RESULT\tsort: %s\t%.3f\ts\t<= %g s\n", what, seconds, target);
}

}  // namespace

int main() {
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    test::TTempDir dir;
    SetExecutableFolderForTesting(dir.Str());
    DiscardConfig();

    TResultList list;
    TTallyscopeCtrl controller(list);
    controller.BuildColumns(list);

    FillList(list, 1000000);
    // A header click on "Full Path" sorts ascending by it (the first click).
    const double cpuBefore = CpuSeconds();
    Report("1,000,000 entries by \"Full Path\"",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiFullPath), TMouseButton::Left); }), 0.45);
    std::printf("RESULT\tsort: 1,000,000 entries by \"Full Path\", processor time\t%.3f\ts\t-\n", CpuSeconds() - cpuBefore);
    FillList(list, 1000000, true);
    list.Header().SetSortColumn(NoColumn);
    std::printf("%-44s %7.3f s   (paths held whole in the records)\n", "1,000,000 entries by \"Full Path\"",
                Seconds([&] { list.Header().Click(ColumnOfField(list, fiFullPath), TMouseButton::Left); }));
    FillList(list, 1000000);
    list.Header().SetSortColumn(NoColumn);
    Report("1,000,000 entries by \"Write Time\"",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiWriteTime), TMouseButton::Left); }), 1.0);

    FillList(list, 100000);
    list.Header().SetSortColumn(NoColumn);
    Report("header click on 100,000 entries (\"Full Path\")",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiFullPath), TMouseButton::Left); }), 0.2);

    // For comparison: the same sorts with every comparison reading and converting both records,
    // as happens without the controller's per-sort key preparation.
    const TResultList::TPrepareSortEvent prepare = list.OnPrepareSort;
    list.OnPrepareSort = nullptr;
    FillList(list, 1000000);
    std::printf("%-44s %7.3f s   (without per-sort keys)\n", "1,000,000 entries by \"Full Path\"",
                Seconds([&] { controller.SortByField(fiFullPath, TSortDirection::Ascending); }));
    FillList(list, 1000000);
    std::printf("%-44s %7.3f s   (without per-sort keys)\n", "1,000,000 entries by \"Write Time\"",
                Seconds([&] { controller.SortByField(fiWriteTime, TSortDirection::Ascending); }));
    list.OnPrepareSort = prepare;

    DiscardConfig();
    SetExecutableFolderForTesting("");
    return 0;
}
