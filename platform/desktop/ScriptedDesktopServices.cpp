#include "platform/desktop/ScriptedDesktopServices.h"

#include <stdexcept>
#include <utility>

#include "platform/system/ScopeGuard.h"

namespace nulvane {

void TScriptedDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed) {
    Record({TDesktopRequestKind::OpenFolder, folder, owner});
    if (failed && !OpenFailure.empty()) failed(folder, OpenFailure);
}

void TScriptedDesktopServices::ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed) {
    Record({TDesktopRequestKind::ShowFile, path, owner});
    if (failed && !OpenFailure.empty()) failed(path, OpenFailure);
}

void TScriptedDesktopServices::OpenUrl(const std::string& url, TOpenFailed failed) {
    Record({TDesktopRequestKind::OpenUrl, url});
    if (failed && !OpenFailure.empty()) failed(url, OpenFailure);
}

TMessageResult TScriptedDesktopServices::MessageBox(const std::string& text, const std::string& caption,
                                                    TMessageButtons buttons, TMessageIcon icon, TOwnerWindow owner) {
    Record({TDesktopRequestKind::MessageBox, text, owner, caption, buttons, icon});
    const std::string answer = TakeAnswer(text);
    if (answer == "Yes") return TMessageResult::Yes;
    if (answer == "No") return TMessageResult::No;
    if (answer == "Ok") return TMessageResult::Ok;
    throw std::logic_error("scripted answer \"" + answer + "\" is no button of: " + text);
}

std::string TScriptedDesktopServices::PickFolder(TOwnerWindow owner) {
    Record({TDesktopRequestKind::PickFolder, {}, owner});
    return TakeAnswer("folder picker");
}

std::string TScriptedDesktopServices::SaveFileName(const std::string& defaultExt, const std::string& filter,
                                                   const std::string& /*initialFileName*/, TOwnerWindow owner) {
    Record({TDesktopRequestKind::SaveFileName, filter, owner, defaultExt});
    return TakeAnswer("save dialog " + filter);
}

void TScriptedDesktopServices::ShowWaitForm(bool show, bool showCancel) {
    Record({show ? TDesktopRequestKind::ShowWaitForm : TDesktopRequestKind::HideWaitForm, {}, nullptr,
            show && showCancel ? "cancel" : ""});
}

void TScriptedDesktopServices::SetWaitMessage(const std::string& text) {
    Record({TDesktopRequestKind::SetWaitMessage, text});
}

void TScriptedDesktopServices::RunBusy(const std::function<void(TLongWork&)>& work) {
    Record({TDesktopRequestKind::RunBusy, {}});
    TLongWork fresh;
    TLongWork& job = Given_ ? *Given_ : fresh;
    TLongWork* const outer = std::exchange(Running_, &job);
    const TScopeGuard restore([this, outer] { Running_ = outer; });
    work(job);
}

void TScriptedDesktopServices::StopLongWork() {
    Record({TDesktopRequestKind::StopLongWork, {}});
    if (Running_) Running_->RequestStop();
}

void TScriptedDesktopServices::SetBusyCursor(bool busy) {
    Record({busy ? TDesktopRequestKind::BusyCursorOn : TDesktopRequestKind::BusyCursorOff, {}});
}

std::vector<TDesktopRequest> TScriptedDesktopServices::RequestsOf(TDesktopRequestKind kind) const {
    std::vector<TDesktopRequest> found;
    for (const TDesktopRequest& request : Requests_)
        if (request.Kind == kind) found.push_back(request);
    return found;
}

std::string TScriptedDesktopServices::TakeAnswer(std::string_view question) {
    if (Answers_.empty()) throw std::logic_error("no scripted answer left for: " + std::string(question));
    std::string answer = std::move(Answers_.front());
    Answers_.pop_front();
    return answer;
}

}  // namespace nulvane
