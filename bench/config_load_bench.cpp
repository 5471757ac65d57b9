// How loading the column configuration grows with the file: a file of 25 MB and one of 50 MB (the
// size the configuration tests load), each read and then walked the way the list walks its column
// definitions (from the root to each one by position). Linear growth makes the larger file take
// about twice as long; a quadratic step anywhere (a walk by position that rescans its siblings,
// say) would make it four times. Also the XML layer's reads of entity bombs that the parser lets
// through: each stops at its bound.
//
// The allocator keeps what it was given for the whole run: otherwise each run of the larger file
// pays to have its memory mapped afresh while the smaller one reuses what the run before freed,
// and the ratio measures the virtual machine's page faults rather than the code.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include <malloc.h>
#include <sys/resource.h>

#include "config/Config.h"
#include "platform/system/Errors.h"
#include "platform/system/ProcessInfo.h"
#include "platform/xml/XmlDom.h"
#include "tests/support/TempDir.h"

using namespace nulvane;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this process: steadier than elapsed time on a machine busy with other work.
double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct TLoadTimes {
    double Load = 1e9;  // reading and parsing the file
    double Walk = 1e9;  // then reading every definition's width by position
};

// Processor seconds to load a configuration of `bytes` bytes and to read every definition's
// width; the best of five of each.
TLoadTimes LoadSeconds(const test::TTempDir& dir, std::size_t bytes) {
    const std::string node = "\t\t<node Name=\"" + std::string(200, 'n') + "\" Width=\"220\"/>\n";
    const std::size_t count = bytes / node.size();
    {
        std::string text = "<config><nodes>\n";
        text.reserve(count * node.size() + 64);
        for (std::size_t i = 0; i < count; ++i) text += node;
        text += "</nodes></config>";
        dir.Write(std::string(ConfigFileShortName), text);
    }
    TLoadTimes best;
    for (int run = 0; run < 5; ++run) {
        DiscardConfig();
        const double start = CpuSeconds();
        const int total = GetConfig()->GetConfigRoot()->Nodes().Count();
        const double loaded = CpuSeconds();
        std::int64_t widths = 0;
        for (int i = 0; i < total; ++i) widths += GetConfig()->GetConfigRoot()->Nodes().Item(i).Width();
        const double walked = CpuSeconds();
        if (widths != 220 * static_cast<std::int64_t>(count)) std::fprintf(stderr, "widths read wrong\n");
        best.Load = std::min(best.Load, loaded - start);
        best.Walk = std::min(best.Walk, walked - loaded);
    }
    DiscardConfig();
    return best;
}

std::string Times(std::string_view text, int n) {
    std::string many;
    for (int i = 0; i < n; ++i) many += text;
    return many;
}

}  // namespace

int main() {
    ::mallopt(M_MMAP_MAX, 0);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const test::TTempDir dir;
    SetExecutableFolderForTesting(dir.Str());
    const TLoadTimes half = LoadSeconds(dir, 25'000'000), whole = LoadSeconds(dir, 50'000'000);
    std::printf("%-40s %7.3f s load, %7.3f s walk (CPU)\n%-40s %7.3f s load, %7.3f s walk (CPU)\n",
                "configuration of 25 MB", half.Load, half.Walk, "configuration of 50 MB", whole.Load, whole.Walk);
    std::printf("RESULT\tconfiguration load, 50 MB against 25 MB\t%.2f\tx\t<= 2.6 x\n", whole.Load / half.Load);
    std::printf("RESULT\tconfiguration walk by position, 50 MB against 25 MB\t%.2f\tx\t<= 2.6 x\n",
                whole.Walk / half.Walk);

    const struct {
        const char* What;
        std::string Document;
    } bombs[] = {
        {"a 1 MB entity used 1,000 times", "<!DOCTYPE c [<!ENTITY big \"" + std::string(1'000'000, 'x') +
                                               "\">]><c v=\"" + Times("&big;", 1000) + "\"/>"},
        {"10^9 references to empty entities", "<!DOCTYPE c [<!ENTITY e0 \"\"><!ENTITY e1 \"" + Times("&e0;", 1000) +
                                                  "\"><!ENTITY e2 \"" + Times("&e1;", 1000) + "\">]><c v=\"" +
                                                  Times("&e2;", 1000) + "\"/>"},
    };
    for (const auto& bomb : bombs) {
        const TXmlDocument doc = TXmlDocument::ParseText(bomb.Document);
        const auto start = std::chrono::steady_clock::now();
        try {
            doc.Root().Attribute("v");
            std::fprintf(stderr, "%s: expanded\n", bomb.What);
            return 1;
        } catch (const EXmlError&) {
        }
        std::printf("RESULT\tattribute read refused, %s\t%.3f\ts\t<= 1 s\n", bomb.What, Seconds(start));
    }
    SetExecutableFolderForTesting("");
    return 0;
}
