// rules_share: what holding back entries by the keep rules costs against the scan that found
// them, on the 400,000-file tree and the tree of 5,000-byte paths: the scan and the shipped rules'
// Hold, each the best of five runs, and the rules' time as a share of the scan's.
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Scan.h"
#include "core/KeepRules.h"
#include "core/ResultList.h"
#include "platform/text/LocaleTexts.h"

using namespace nulvane;

namespace {

template <class F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Measure(const char* tree, const char* variable) {
    const char* folder = std::getenv(variable);
    if (!folder) {
        std::fprintf(stderr, "rules_share: %s is not set\n", variable);
        std::exit(1);
    }
    const TKeepRules rules = TKeepRules::Shipped();
    double scan = 1e9, hold = 1e9;
    std::size_t held = 0, count = 0;
    for (int run = 0; run < 5; ++run) {
        TResultList list;
        scan = std::min(scan, Seconds([&] { ScanFolder(list, folder); }));
        hold = std::min(hold, Seconds([&] { held = rules.Hold(list); }));
        count = list.Count();
    }
    std::printf("%s: %zu entries, %zu held, scan %.4f s, rules %.4f s\n", tree, count, held, scan, hold);
    std::printf("RESULT\tkeep rules, %s: share of the scan\t%.1f\t%%\t<= 10 %%\n", tree, 100 * hold / scan);
}

}  // namespace

int main() {
    std::setlocale(LC_ALL, "");
    (void)TLocaleTexts::Current();
    Measure("tree-400k", "NULVANE_TREE_400K");
    Measure("tree-long", "NULVANE_TREE_LONG");
    return 0;
}
