#include "app/Servers.h"

namespace nulvane {

void RegisterServers() {}

}  // namespace nulvane
