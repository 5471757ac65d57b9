#pragma once
namespace nulvane {

void RegisterServers();

}  // namespace nulvane
