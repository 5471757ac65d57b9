#pragma once
// The product's title and its maker's contact, shown by the About box and opened by Help.
namespace nulvane {

inline constexpr const char* ProductTitle = "Karvo Nulvane 2.3";
inline constexpr const char* MakerNotice = "Finds and removes empty files. By Karvo.";
inline constexpr const char* MakerWebAddress = "https://karvo.org/nulvane";
inline constexpr const char* MakerEmail = "nulvane@karvo.org";

}  // namespace nulvane
