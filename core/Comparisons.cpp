#include "core/Comparisons.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/text/LocaleTexts.h"

namespace nulvane {

namespace {

constexpr std::uint64_t Ones = 0x0101010101010101ull;

// Maps a..z to A..Z in all eight bytes of a word at once. Each byte's low seven bits plus a bias
// cannot carry into the next byte, so the range tests stay within their byte; bytes with the top
// bit set are never letters.
constexpr std::uint64_t FoldWord(std::uint64_t w) noexcept {
    const std::uint64_t low7 = w & (0x7F * Ones);
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * Ones;
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * Ones;
    const std::uint64_t isLower = atLeastA & ~aboveZ & ~w & (0x80 * Ones);
    return w ^ (isLower >> 2);
}

constexpr unsigned char FoldByte(unsigned char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// The byte of the word that stands first in memory among those where x is non-zero.
unsigned ByteShiftOfFirstDifference(std::uint64_t x) noexcept {
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<unsigned>(std::countr_zero(x)) & ~7u;
    else
        return 56u - (static_cast<unsigned>(std::countl_zero(x)) & ~7u);
}

// Milliseconds as a fraction of a day.
constexpr double OneMillisecond = 1.0 / 86400000.0;

}  // namespace

int CompareText(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = std::min(a.size(), b.size());
    const char* pa = a.data();
    const char* pb = b.data();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t wa, wb;
        std::memcpy(&wa, pa + i, 8);
        std::memcpy(&wb, pb + i, 8);
        if (wa == wb) continue;
        wa = FoldWord(wa);
        wb = FoldWord(wb);
        if (wa != wb) {
            const unsigned shift = ByteShiftOfFirstDifference(wa ^ wb);
            return static_cast<int>((wa >> shift) & 0xFF) - static_cast<int>((wb >> shift) & 0xFF);
        }
    }
    for (; i < n; ++i) {
        const unsigned char ca = FoldByte(static_cast<unsigned char>(pa[i]));
        const unsigned char cb = FoldByte(static_cast<unsigned char>(pb[i]));
        if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
    }
    if (a.size() == b.size()) return 0;
    // The difference of the lengths, kept inside int for texts of any length.
    return a.size() > b.size() ? static_cast<int>(std::min<std::size_t>(a.size() - b.size(), INT_MAX))
                               : -static_cast<int>(std::min<std::size_t>(b.size() - a.size(), INT_MAX));
}

bool IsNumeric(std::string_view text) noexcept {
    double value;
    return TLocaleTexts::Current().ParseNumber(text, value);
}

int CompareNumber(double a, double b) noexcept { return a > b ? 1 : -1; }

int CompareNumericText(std::string_view a, std::string_view b) noexcept {
    const TLocaleTexts& locale = TLocaleTexts::Current();
    double va, vb;
    if (!locale.ParseNumber(a, va)) va = 0;
    if (!locale.ParseNumber(b, vb)) vb = 0;
    return CompareNumber(va, vb);
}

int CompareDateText(std::string_view a, std::string_view b) noexcept { return CompareDateText(a, 0, b, 0); }

int CompareDateTimes(double a, double b) noexcept {
    if (std::fabs(a - b) < OneMillisecond) return 0;
    return a > b ? 1 : -1;
}

int CompareDateTimes(double a, std::uint8_t readingA, double b, std::uint8_t readingB) noexcept {
    // Two readings of the same turn-back lie within its repeated hours (two at most); local times
    // from different turn-backs are months apart.
    constexpr double SameTurnBack = 3.0 / 24.0;
    if (readingA != 0 && readingB != 0 && readingA != readingB && std::fabs(a - b) < SameTurnBack)
        return readingA > readingB ? 1 : -1;
    return CompareDateTimes(a, b);
}

int CompareDateText(std::string_view a, std::uint8_t readingA, std::string_view b, std::uint8_t readingB) noexcept {
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    const TLocaleTexts& locale = TLocaleTexts::Current();
    TDateTime da, db;
    if (!locale.ParseDateTime(a, da) || !locale.ParseDateTime(b, db)) return 1;
    return CompareDateTimes(da, readingA, db, readingB);
}

}  // namespace nulvane
