// Sorting a large result list through the list controller, as the desktop does it: by "Full
// Path" and by "Write Time" over 1,000,000 entries, and one header click over 100,000.
//
// The entries look like a scan's: paths of 60 to 80 bytes from a few hundred folders, listed
// folder by folder in no particular order, sizes "0", and date-times in the English (US) format
// spread over several years. Everything is generated from a fixed seed.
#include <chrono>
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

void FillList(TResultList& list, std::size_t count) {
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
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& folder = folders[(i * folders.size()) / count];  // folder by folder
        std::string path = folder;
        const std::size_t target = 60 + random() % 21;
        const std::size_t nameLength = target > path.size() + 8 ? target - path.size() - 4 : 4;
        const std::string name = RandomWord(random, nameLength) + ".txt";
        path += name;
        TListEntry entry;
        TFileRecord& r = entry.Record;
        r.Set(fiFullPath, path);
        r.Set(fiFileName, name);
        r.Set(fiFileSize, "0");
        r.Set(fiFileExt, "txt");
        r.Set(fiFileType, "file");
        r.Set(fiCreateTime, RandomTime(random));
        r.Set(fiAccessTime, RandomTime(random));
        r.Set(fiWriteTime, RandomTime(random));
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

void Report(const char* what, double seconds, double target) {
    std::printf("RESULT\tsort: %s\t%.3f\ts\t<= %.1f s\n", what, seconds, target);
}

}  // namespace

int main() {
    TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS());
    test::TTempDir dir;
    SetExecutableFolderForTesting(dir.Str());
    GetConfig(true);

    TResultList list;
    TTallyscopeCtrl controller(list);
    controller.BuildColumns(list);

    FillList(list, 1000000);
    // A header click on "Full Path" sorts ascending by it (the first click).
    Report("1,000,000 entries by \"Full Path\"",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiFullPath), TMouseButton::Left, 0, 0, 0); }), 1.0);
    FillList(list, 1000000);
    list.Header().SetSortColumn(NoColumn);
    Report("1,000,000 entries by \"Write Time\"",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiWriteTime), TMouseButton::Left, 0, 0, 0); }), 1.0);

    FillList(list, 100000);
    list.Header().SetSortColumn(NoColumn);
    Report("header click on 100,000 entries (\"Full Path\")",
           Seconds([&] { list.Header().Click(ColumnOfField(list, fiFullPath), TMouseButton::Left, 0, 0, 0); }), 0.2);

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

    GetConfig(true);
    SetExecutableFolderForTesting("");
    return 0;
}
