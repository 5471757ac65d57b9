#pragma once
// The desktop services on Qt: message boxes, folder picker and save dialog, the progress window,
// long work on a worker thread while the user-interface thread keeps painting, opening folders and
// addresses through the desktop's handlers, and the busy cursor.
//
// Requests made from a worker thread (long work that shows a message or asks a question) are
// carried over to the user-interface thread and wait for it there.
//
// Long work is modal in effect: while it runs, input to the windows that were open when it
// started is discarded, not queued for later (a click on "Delete All" during a scan must not ask
// its question once the scan is over), and Esc there asks the work to stop. Windows opened during
// the work (a question it asks) and the progress window take input as usual. Qt's own window
// modality is not used: it would also swallow the window manager's request to close the main
// window, which should stop the work and then close.
#include <QByteArray>
#include <QMetaObject>
#include <QObject>

#include <memory>
#include <mutex>

#include "app/WaitForm.h"
#include "platform/desktop/DesktopServices.h"

class QDBusConnection;
class QWidget;

namespace nulvane {

class TLongWork;

// The owner a desktop request names, as the window it stands for.
inline TOwnerWindow OwnerOf(const QWidget* window) noexcept { return window; }

// The "file:" address of a path, from its bytes: every byte but the unreserved ones and "/" is
// percent-encoded, so a name that is not valid UTF-8 keeps its bytes ("bad%FFdir").
QByteArray FileAddressOf(const std::string& path);

// Asks the file manager on `bus` to show the file selected (org.freedesktop.FileManager1
// ShowItems) without waiting for it. False when the bus offers no file manager, running or
// startable, or the request could not be sent.
bool ShowItemInFileManager(const QDBusConnection& bus, const std::string& path);

class TQtDesktopServices : public IDesktopServices {
public:
    explicit TQtDesktopServices(TWaitForm& waitForm);
    ~TQtDesktopServices() override;
    TQtDesktopServices(const TQtDesktopServices&) = delete;
    TQtDesktopServices& operator=(const TQtDesktopServices&) = delete;

    // With the desktop's opener (platform/desktop/DesktopOpener.h); what it could not open is
    // told to `failed` on the user-interface thread, unless these services are gone by then.
    void OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed = {}) override;
    // Through the session bus's file manager where there is one, else opens the folder.
    void ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed = {}) override;
    // Only an address with a scheme ("https:", "mailto:"): anything else could be taken for a
    // local file or an option.
    void OpenUrl(const std::string& url, TOpenFailed failed = {}) override;
    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;
    std::string PickFolder(TOwnerWindow owner) override;
    std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                             const std::string& initialFileName, TOwnerWindow owner) override;
    void ShowWaitForm(bool show, bool showCancel) override;
    void SetWaitMessage(const std::string& text) override;
    // On the user-interface thread: the work runs on a worker thread, given a fresh job, while a
    // local event loop paints, the progress window follows the job's counts, input to the other
    // windows is discarded and the busy cursor shows. Anywhere else it runs in place, as part of
    // the job in progress.
    void RunBusy(const std::function<void(TLongWork&)>& work) override;
    void StopLongWork() override;
    void SetBusyCursor(bool busy) override;

    TWaitForm& WaitForm() const noexcept { return WaitForm_; }
    // The job RunBusy runs, null between jobs.
    const TLongWork* RunningWork() const noexcept { return Running_; }

private:
    // Starts the opener on `target`; a failure travels to `failed` on the user-interface thread.
    void Open(const std::string& target, bool address, TOpenFailed failed);

    TWaitForm& WaitForm_;
    QMetaObject::Connection StopConnection_;
    TLongWork* Running_ = nullptr;
    int BusyCursors_ = 0;
    // Where the opener's waiting threads post what failed: the object lives on the user-interface
    // thread, and is taken away, under the lock, before it goes.
    struct TOpenReports {
        std::mutex Lock;
        QObject* Receiver = nullptr;
    };
    std::shared_ptr<TOpenReports> OpenReports_ = std::make_shared<TOpenReports>();
    QObject OpenReceiver_;
};

}  // namespace nulvane
