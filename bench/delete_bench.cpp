// "Delete &All" of 50,000 checked entries, each verified then deleted, against
// `find ROOT -type f -empty -delete` on an identical tree, in the same run; then the same for
// 101,000 empty folders (`nulvane-cli -t d --delete`: 1,000 folders of 100 empty subfolders each,
// listed as the 1,000 topmost) against `find ROOT -mindepth 1 -type d -empty -delete`. The list is scanned
// first (not timed) and sorted by file name, as the desktop lists it after a scan (SCAN_ORDER=1 in
// the environment keeps scan order); the timed part is the deletion alone. Rounds alternate which
// of the two goes first, and the medians compare: of the elapsed time, and of the processor time
// (user and system, every thread of the deletion; find's whole run), which other programs on a
// busy machine disturb less. ROUNDS=N in the environment runs N rounds instead of 3. The deletion
// keeps its journals and undo records in a state folder beside the trees (XDG_STATE_HOME), so that
// they are written as a user's are, but never among the user's own.
//
//     delete_bench [FOLDER]   (trees are made under FOLDER, else $NULVANE_BENCH_DIR, else the
//                              temporary directory)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Deletion.h"
#include "core/FieldSort.h"
#include "core/Scan.h"
#include "platform/files/removal/FileLocks.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

constexpr int FileCount = 50'000;

// 500 folders of 100 empty files each, three levels deep, plus a non-empty file per folder.
void MakeTree(const fs::path& root) {
    for (int f = 0; f < FileCount / 100; ++f) {
        char relative[64];
        std::snprintf(relative, sizeof relative, "g%d/s%d/folder %d", f % 5, f % 23, f);
        const fs::path folder = root / relative;
        fs::create_directories(folder);
        for (int i = 0; i < 100; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "file%d.log", i * 37 % 100);
            ::close(::open((folder / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
        std::ofstream(folder / "kept.txt") << "content";
    }
}

// 1,000 folders of 100 empty subfolders each.
constexpr int FolderGroups = 1'000, SubfoldersEach = 100;
void MakeFolderTree(const fs::path& root) {
    char name[32];
    for (int g = 0; g < FolderGroups; ++g) {
        std::snprintf(name, sizeof name, "g%d", g);
        const fs::path group = root / name;
        fs::create_directories(group);
        for (int s = 0; s < SubfoldersEach; ++s) {
            std::snprintf(name, sizeof name, "s%d", s);
            fs::create_directory(group / name);
        }
    }
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time, user and system, of this process or of its children that were waited for.
double CpuSeconds(int who) {
    struct rusage usage{};
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct TTimes {
    double Elapsed = 0, Cpu = 0;
};

TTimes TimeFind(const fs::path& root, bool folders = false) {
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (folders)
            ::execlp("find", "find", root.c_str(), "-mindepth", "1", "-type", "d", "-empty", "-delete", static_cast<char*>(nullptr));
        else
            ::execlp("find", "find", root.c_str(), "-type", "f", "-empty", "-delete", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = Seconds(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "delete_bench: find failed\n");
    return {seconds, CpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

TTimes TimeDeleteAll(const fs::path& root, bool& allDeleted, bool folders = false) {
    TResultList list;
    ScanFolder(list, root.string(), {}, {.Files = !folders, .Folders = folders});
    if (!std::getenv("SCAN_ORDER")) SortListByField(list, "File Name", false);
    const std::size_t listed = list.Count();
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    TLongWork work;
    const TDeleteSummary summary = DeleteCheckedEntries(list, work);
    const double seconds = Seconds(start);
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    const std::size_t expected = folders ? FolderGroups : FileCount;
    allDeleted = listed == expected && summary.Deleted == expected && list.Empty();
    return {seconds, cpu};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    RaiseOpenFileLimit();  // as the programs do at start
    AllowLeaseQueries();
    const char* folder = argc > 1 ? argv[1] : std::getenv("NULVANE_BENCH_DIR");
    const fs::path base = fs::path(folder ? folder : fs::temp_directory_path().string()) /
                          ("nulvane-delete-bench-" + std::to_string(::getpid()));
    ::setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
    const char* roundsText = std::getenv("ROUNDS");
    const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 3);
    bool ok = true;
    // ONLY=files or ONLY=folders runs one of the two.
    const char* only = std::getenv("ONLY");
    for (const bool folders : {false, true}) {
        if (only && std::string(only) != (folders ? "folders" : "files")) continue;
        std::vector<double> ours, find, oursCpu, findCpu;
        for (int round = 0; round < rounds; ++round) {
            fs::remove_all(base);
            for (const char* tree : {"a", "b"}) folders ? MakeFolderTree(base / tree) : MakeTree(base / tree);
            ::sync();  // the trees' creation is not written back during the timed part
            bool allDeleted = false;
            TTimes our, their;
            if (round % 2 == 0) {
                our = TimeDeleteAll(base / "a", allDeleted, folders);
                their = TimeFind(base / "b", folders);
            } else {
                their = TimeFind(base / "b", folders);
                our = TimeDeleteAll(base / "a", allDeleted, folders);
            }
            ours.push_back(our.Elapsed);
            find.push_back(their.Elapsed);
            oursCpu.push_back(our.Cpu);
            findCpu.push_back(their.Cpu);
            ok = ok && allDeleted;
        }
        fs::remove_all(base);
        if (!ok) std::fprintf(stderr, "delete_bench: not everything was listed and deleted\n");
        const char* what = folders ? "delete -t d 101k folders" : "delete all 50k";
        const char* peer = folders ? "find -type d -empty -delete" : "find -delete";
        std::printf("RESULT\t%s: nulvane\t%.3f\ts\t-\n", what, Median(ours));
        std::printf("RESULT\t%s: %s\t%.3f\ts\t-\n", what, peer, Median(find));
        std::printf("RESULT\t%s vs %s\t%.2f\tx find\t<= 1.2 x find\n", what, peer, Median(ours) / Median(find));
        std::printf("RESULT\t%s: nulvane cpu (user+sys)\t%.3f\ts\t-\n", what, Median(oursCpu));
        std::printf("RESULT\t%s: %s cpu (user+sys)\t%.3f\ts\t-\n", what, peer, Median(findCpu));
        std::printf("RESULT\t%s cpu vs %s\t%.2f\tx find\t-\n", what, peer, Median(oursCpu) / Median(findCpu));
    }
    return ok ? 0 : 1;
}
