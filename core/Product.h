#pragma once
// The product's own texts: its title and the maker's web address that the window's Help command,
// the About box and the reports the system writes point to.
#include <string_view>

namespace nulvane {

inline constexpr std::string_view ProductTitle = "Karvo Nulvane 2.3";
inline constexpr std::string_view MakerWebAddress = "https://karvo.example/nulvane/";

}  // namespace nulvane
