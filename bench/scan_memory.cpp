// scan_memory FOLDER...: scans the folders into one result list and prints the resident memory
// the list added per entry, texts included. Memory is read from /proc/self/statm after handing
// freed memory back to the system, before and after the scan.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>

#include "core/Scan.h"
#include "core/ResultList.h"
#include "platform/text/LocaleTexts.h"

namespace {

long ResidentBytes() {
    malloc_trim(0);
    long size = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_memory FOLDER...\n");
        return 2;
    }
    std::setlocale(LC_ALL, "");
    (void)nulvane::TLocaleTexts::Current();  // made once per run, not per entry

    nulvane::TResultList list;
    const long before = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i < argc; ++i) nulvane::ScanFolder(list, argv[i]);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const long after = ResidentBytes();

    std::size_t pathBytes = 0, recordBytes = 0;
    for (const nulvane::TListEntry& entry : list) {
        pathBytes += list.FullPath(entry).size();
        recordBytes += entry.Record.HeapBytes();
    }
    const double count = list.Count() ? static_cast<double>(list.Count()) : 1.0;
    std::printf("entries %zu, scan %.3f s, paths average %.1f bytes, record blocks average %.1f bytes\n",
                list.Count(), took.count(), static_cast<double>(pathBytes) / count,
                static_cast<double>(recordBytes) / count);
    std::printf("resident memory added: %ld bytes, %.1f bytes per entry\n", after - before,
                static_cast<double>(after - before) / count);
    return 0;
}
