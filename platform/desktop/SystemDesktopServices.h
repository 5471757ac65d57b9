#pragma once
// The operating system's own desktop services, for programs without a desktop window of their
// own and until the desktop program installs its implementation. There is no window to ask in:
// a question answers No (so nothing destructive happens unasked), pickers and dialogs answer
// "cancelled", the progress window and the cursor do nothing, and long work runs in place.
#include "platform/desktop/DesktopServices.h"

namespace nulvane {

class TSystemDesktopServices : public IDesktopServices {
public:
    // Long work runs as a fresh job each time, that nobody stops.
    TSystemDesktopServices() = default;

    // Starts the desktop's opener on the folder (xdg-open, see DesktopOpener.h; on Windows,
    // Explorer) and does not wait for it. There is no user-interface thread to tell a failure on:
    // `failed` is never called.
    void OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed = {}) override;
    // The same opener for a web or mail address.
    void OpenUrl(const std::string& url, TOpenFailed failed = {}) override;

    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;
    std::string PickFolder(TOwnerWindow owner) override;
    std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                             const std::string& initialFileName, TOwnerWindow owner) override;
    void ShowWaitForm(bool show, bool showCancel) override;
    void SetWaitMessage(const std::string& text) override;
    void RunBusy(const std::function<void(TLongWork&)>& work) override;
    void SetBusyCursor(bool busy) override;
};

}  // namespace nulvane
