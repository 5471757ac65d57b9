#include "platform/desktop/DesktopServices.h"

#include "platform/desktop/SystemDesktopServices.h"
#include "platform/files/PathNames.h"

namespace nulvane {

namespace {
IDesktopServices* Installed = nullptr;
}

IDesktopServices& DesktopServices() {
    if (Installed) return *Installed;
    static TSystemDesktopServices system;
    return system;
}

void IDesktopServices::ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed) {
    const std::size_t slash = path.find_last_of(PathDelimiters);
    if (slash == std::string::npos) return;
    // A root ("/", "C:\\") keeps its separator.
    const bool root = slash == 0 || path[slash - 1] == ':';
    OpenFolder(path.substr(0, root ? slash + 1 : slash), owner, std::move(failed));
}

TDesktopServicesScope::TDesktopServicesScope(IDesktopServices& services) noexcept : Previous_(Installed) {
    Installed = &services;
}

TDesktopServicesScope::~TDesktopServicesScope() { Installed = Previous_; }

}  // namespace nulvane
