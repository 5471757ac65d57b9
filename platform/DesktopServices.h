#pragma once
// The one way the system asks the desktop for something (open a folder in the file browser, and
// in time message boxes, the folder picker, the save dialog, the progress window and the busy
// cursor). Layers below the desktop program call DesktopServices(); the desktop program installs
// its own implementation at start-up, tests install a scripted one, and everything else gets the
// operating system's default.
#include <string>

namespace nulvane {

// The window a request is made for; opaque outside the desktop program, null for none.
using TOwnerWindow = const void*;

class IDesktopServices {
public:
    virtual ~IDesktopServices() = default;

    // Opens the folder in the desktop's file browser. Whether it opened is not reported.
    virtual void OpenFolder(const std::string& folder, TOwnerWindow owner) = 0;
};

// The installed services, else the operating system's default (TSystemDesktopServices).
IDesktopServices& DesktopServices();
// Installs services the caller keeps alive while installed; nullptr goes back to the default.
void SetDesktopServices(IDesktopServices* services) noexcept;

// Installs services for its own lifetime and then puts back what was installed before.
class TDesktopServicesScope {
public:
    explicit TDesktopServicesScope(IDesktopServices& services) noexcept;
    ~TDesktopServicesScope();
    TDesktopServicesScope(const TDesktopServicesScope&) = delete;
    TDesktopServicesScope& operator=(const TDesktopServicesScope&) = delete;

private:
    IDesktopServices* Previous_;
};

}  // namespace nulvane
