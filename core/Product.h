#pragma once
// The product's own texts: its title and the maker's contact, which the window's Help command,
// the About box and the reports the system writes point to.
#include <string_view>

namespace nulvane {

inline constexpr std::string_view ProductTitle = "Karvo Nulvane 2.3";
inline constexpr std::string_view MakerWebAddress = "https://karvo.example/nulvane/";
inline constexpr std::string_view MakerEmail = "nulvane@karvo.example";
inline constexpr std::string_view MakerNotice = "Finds and removes empty files. By Karvo.";

}  // namespace nulvane
