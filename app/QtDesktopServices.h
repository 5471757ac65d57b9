#pragma once
// The desktop services on Qt: message boxes, folder picker and save dialog, the progress window,
// long work on a worker thread while the user-interface thread keeps painting, opening folders and
// addresses through the desktop's handlers, and the busy cursor.
//
// Requests made from a worker thread (long work that shows a message or asks a question) are
// carried over to the user-interface thread and wait for it there.
#include "app/WaitForm.h"
#include "platform/desktop/DesktopServices.h"

class QWidget;

namespace nulvane {

// The owner a desktop request names, as the window it stands for.
inline TOwnerWindow OwnerOf(const QWidget* window) noexcept { return window; }

class TQtDesktopServices : public IDesktopServices {
public:
    explicit TQtDesktopServices(TWaitForm& waitForm) noexcept : WaitForm_(waitForm) {}
    ~TQtDesktopServices() override;

    void OpenFolder(const std::string& folder, TOwnerWindow owner) override;
    void OpenUrl(const std::string& url) override;
    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;
    std::string PickFolder(TOwnerWindow owner) override;
    std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                             const std::string& initialFileName, TOwnerWindow owner) override;
    void ShowWaitForm(bool show, bool showCancel) override;
    void SetWaitMessage(const std::string& text) override;
    // On the user-interface thread: the work runs on a worker thread while a local event loop
    // paints (timers and paint events run, user input waits) and the busy cursor shows. Anywhere
    // else it runs in place.
    void RunBusy(const std::function<void()>& work) override;
    void SetBusyCursor(bool busy) override;

    TWaitForm& WaitForm() const noexcept { return WaitForm_; }

private:
    TWaitForm& WaitForm_;
    int BusyCursors_ = 0;
};

}  // namespace nulvane
