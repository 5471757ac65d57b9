#pragma once
// The automation servers the window's exports talk to, registered where its formats are loaded:
// at program start, since the desktop program links its formats in.
namespace nulvane {

void RegisterServers();

}  // namespace nulvane
