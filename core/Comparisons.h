#pragma once
// Comparisons of record field texts: as plain text, as numbers and as date-times under the
// user's locale (TLocaleTexts::Current()). They run on every sort comparison, so none of them
// allocates.
#include <cstdint>
#include <string_view>

namespace nulvane {

// Byte by byte after mapping the letters a to z to A to Z (no other byte is folded): the
// difference of the first differing mapped bytes, else the difference of the lengths.
int CompareText(std::string_view a, std::string_view b) noexcept;

// True when the text converts as a number under the user's locale.
bool IsNumeric(std::string_view text) noexcept;

// 1 when a > b, otherwise -1: equal numbers give -1, never 0.
int CompareNumber(double a, double b) noexcept;

// A text that is not a number counts as 0; the result is CompareNumber of the two values.
int CompareNumericText(std::string_view a, std::string_view b) noexcept;

// An empty first text gives -1 (also when the second is empty), then an empty second text 1.
// When either text is not a date-time under the user's locale the result is 1. Date-times less
// than a millisecond apart compare 0; otherwise 1 when a is the later, -1 when it is the earlier.
int CompareDateText(std::string_view a, std::string_view b) noexcept;

// The last step of CompareDateText, on two converted date-times (days).
int CompareDateTimes(double a, double b) noexcept;

// The same for date-times whose readings are known (TTimeReading's values: 0 the only instant of
// its local text, 1 the earlier, 2 the later of two where the clocks were turned back): inside
// the repeated hour the earlier reading comes first whatever the clock shows; everywhere else
// the result is CompareDateTimes'.
int CompareDateTimes(double a, std::uint8_t readingA, double b, std::uint8_t readingB) noexcept;

// CompareDateText for texts whose readings are known.
int CompareDateText(std::string_view a, std::uint8_t readingA, std::string_view b, std::uint8_t readingB) noexcept;

}  // namespace nulvane
