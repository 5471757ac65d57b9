#include "platform/desktop/DesktopServices.h"

#include "platform/desktop/SystemDesktopServices.h"

namespace nulvane {

namespace {
IDesktopServices* Installed = nullptr;
}

IDesktopServices& DesktopServices() {
    if (Installed) return *Installed;
    static TSystemDesktopServices system;
    return system;
}

void SetDesktopServices(IDesktopServices* services) noexcept { Installed = services; }

TDesktopServicesScope::TDesktopServicesScope(IDesktopServices& services) noexcept : Previous_(Installed) {
    Installed = &services;
}

TDesktopServicesScope::~TDesktopServicesScope() { Installed = Previous_; }

}  // namespace nulvane
