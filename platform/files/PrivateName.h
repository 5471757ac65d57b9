#pragma once
// The private names a deletion moves a file to in its folder while it checks it, and the trash its
// info file while it writes it: ".nulvane-" and 16 hexadecimal digits. No other program uses the
// prefix, and the digits are new in this process (a bijection of a counter that starts at a random
// value), so that two threads or two processes never meet on one and nobody can guess the next.
//
// A file under such a name is either being deleted by a live run or waits for the recovery to give
// it its name back (DeletionJournal.h): a scan never lists one, and a journal record names nothing
// else as a private name.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string_view>

#include <sys/random.h>
#include <unistd.h>

namespace nulvane {

struct TAsideName {
    char Text[32];
    TAsideName() noexcept {
        static std::atomic<std::uint64_t> counter{[] {
            std::uint64_t seed = 0;
            if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != sizeof seed)
                seed = static_cast<std::uint64_t>(::getpid()) << 32 ^ static_cast<std::uint64_t>(::time(nullptr));
            return seed;
        }()};
        std::uint64_t x = counter.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed);
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        std::snprintf(Text, sizeof Text, ".nulvane-%016llx", static_cast<unsigned long long>(x));
    }
};

// Whether `name` has the form of a private name.
inline bool IsPrivateName(std::string_view name) noexcept {
    constexpr std::string_view prefix = ".nulvane-";
    if (name.size() != prefix.size() + 16 || !name.starts_with(prefix)) return false;
    return std::all_of(name.begin() + prefix.size(), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace nulvane
