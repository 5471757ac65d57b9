#include "platform/desktop/SystemDesktopServices.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/text/WideText.h"
#else
#include "platform/desktop/DesktopOpener.h"
#endif

namespace nulvane {

#ifdef _WIN32

void TSystemDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/, TOpenFailed /*failed*/) {
    if (folder.empty()) return;
    // Quoted: Explorer would split an unquoted folder at its commas.
    const std::wstring parameters = L"\"" + Wide(folder) + L"\"";
    ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void TSystemDesktopServices::OpenUrl(const std::string& url, TOpenFailed /*failed*/) {
    if (url.empty()) return;
    ShellExecuteW(nullptr, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

#else

void TSystemDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/, TOpenFailed /*failed*/) {
    OpenWithDesktop(folder);
}

void TSystemDesktopServices::OpenUrl(const std::string& url, TOpenFailed /*failed*/) {
    // Only addresses with a scheme: anything else could be taken for an option or a local file.
    if (url.find(':') == std::string::npos || url.front() == '-') return;
    OpenWithDesktop(url);
}

#endif

TMessageResult TSystemDesktopServices::MessageBox(const std::string& /*text*/, const std::string& /*caption*/,
                                                  TMessageButtons buttons, TMessageIcon /*icon*/,
                                                  TOwnerWindow /*owner*/) {
    return buttons == TMessageButtons::Ok ? TMessageResult::Ok : TMessageResult::No;
}

std::string TSystemDesktopServices::PickFolder(TOwnerWindow /*owner*/) { return {}; }

std::string TSystemDesktopServices::SaveFileName(const std::string& /*defaultExt*/, const std::string& /*filter*/,
                                                 const std::string& /*initialFileName*/, TOwnerWindow /*owner*/) {
    return {};
}

void TSystemDesktopServices::ShowWaitForm(bool /*show*/, bool /*showCancel*/) {}
void TSystemDesktopServices::SetWaitMessage(const std::string& /*text*/) {}
void TSystemDesktopServices::RunBusy(const std::function<void(TLongWork&)>& work) {
    TLongWork job;
    work(job);
}
void TSystemDesktopServices::SetBusyCursor(bool /*busy*/) {}

}  // namespace nulvane
