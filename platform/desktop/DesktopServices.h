#pragma once
// The one way the system asks the desktop for something: message boxes, the folder picker, the
// save dialog, the progress window, long work run while the window stays responsive to paint and
// can be stopped, opening a folder (or showing a file in it), a web address or a mail address,
// and the busy cursor. Layers below the
// desktop program call DesktopServices(); the desktop program installs its own implementation at
// start-up, tests install a scripted one, the command line installs one that answers from the
// terminal, and everything else gets the operating system's default.
//
// Texts are bytes: paths are the file system's exact bytes, message texts are the system's own.
#include <functional>
#include <string>

#include "platform/system/LongWork.h"

namespace nulvane {

// The window a request is made for; opaque outside the desktop program, null for none.
using TOwnerWindow = const void*;

// YesNoDefaultNo: a question whose Yes destroys something, so that Return alone answers No.
enum class TMessageButtons : unsigned char { Ok, YesNo, YesNoDefaultNo };
enum class TMessageIcon : unsigned char { None, Question, Warning, Information, Error };
enum class TMessageResult : unsigned char { Ok, Yes, No };

// Told that a folder, a file or an address could not be opened: what was to be opened, and why.
using TOpenFailed = std::function<void(const std::string& target, const std::string& reason)>;

class IDesktopServices {
public:
    virtual ~IDesktopServices() = default;

    // Opens the folder in the desktop's file browser. `failed`, when given, is told later, on the
    // user-interface thread, when nothing could open it, with why ("nothing on this desktop opens
    // it"); services that cannot tell never call it.
    virtual void OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed = {}) = 0;
    // Shows a file in the desktop's file browser, selected where the browser can do that; else
    // opens its folder (this default), with `failed` as for OpenFolder.
    virtual void ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed = {});
    // Opens a web address or a "mailto:" address with the desktop's handler; `failed` as above.
    virtual void OpenUrl(const std::string& url, TOpenFailed failed = {}) = 0;

    // A modal message box; returns the button pressed (closing a Yes/No box counts as No).
    // The default button is Yes, except for YesNoDefaultNo.
    virtual TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                                      TMessageIcon icon, TOwnerWindow owner) = 0;
    // The folder picker (no caption, no root restriction); the empty text when cancelled.
    virtual std::string PickFolder(TOwnerWindow owner) = 0;
    // The save dialog: `defaultExt` (".csv") is added when the typed name has none, `filter` is a
    // description and a pattern separated by "|" ("CSV File|*.csv"), the first filter selected,
    // no overwrite prompt of its own. The empty text when cancelled.
    virtual std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                                     const std::string& initialFileName, TOwnerWindow owner) = 0;

    // The progress window: shown (without the Cancel button unless asked for) or hidden; hiding a
    // hidden window does nothing. The message line keeps its text until the next SetWaitMessage.
    virtual void ShowWaitForm(bool show, bool showCancel) = 0;
    virtual void SetWaitMessage(const std::string& text) = 0;
    // Runs long work to completion and returns when it is done; an error it throws travels on to
    // the caller. The services own the job the work is given (its stop request and counts): a
    // desktop runs the work on a worker thread while the user-interface thread keeps painting
    // (the progress window's animation and counts move), with a fresh job that the progress
    // window's Stop stops; input to its other windows meanwhile is discarded. Others run it in
    // place. The work must not touch the desktop itself.
    virtual void RunBusy(const std::function<void(TLongWork&)>& work) = 0;
    // Asks the long work in progress, if any, to stop (as the progress window's Stop does). It
    // returns at once; RunBusy returns when the work has stopped. Without long work: nothing.
    virtual void StopLongWork() {}
    // The busy (hourglass) cursor over the program's windows, on or off.
    virtual void SetBusyCursor(bool busy) = 0;
};

// The installed services, else the operating system's default (TSystemDesktopServices).
IDesktopServices& DesktopServices();

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

// The progress window of the installed services, by the names the rest of the system uses.
inline void ShowWaitForm(bool show, bool showCancel) { DesktopServices().ShowWaitForm(show, showCancel); }
inline void SetWaitMessage(const std::string& text) { DesktopServices().SetWaitMessage(text); }

}  // namespace nulvane
