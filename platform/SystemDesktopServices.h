#pragma once
// The operating system's own desktop services, for programs without a desktop window of their
// own (the command-line twin) and until the desktop program installs its implementation.
#include "platform/DesktopServices.h"

namespace nulvane {

class TSystemDesktopServices : public IDesktopServices {
public:
    // Starts the desktop's opener on the folder (xdg-open; on Windows, Explorer) and does not
    // wait for it. The folder travels as one argument, never through a shell.
    void OpenFolder(const std::string& folder, TOwnerWindow owner) override;
};

}  // namespace nulvane
