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
    if (FolderPartOf(path).empty()) return;
    OpenFolder(std::string(ParentFolderOf(path)), owner, std::move(failed));
}

TDesktopServicesScope::TDesktopServicesScope(IDesktopServices& services) noexcept : Previous_(Installed) {
    Installed = &services;
}

TDesktopServicesScope::~TDesktopServicesScope() { Installed = Previous_; }

}  // namespace nulvane
