#pragma once
// Desktop services for tests: every request is recorded, in order, and questions are answered
// from a queue the test fills beforehand. Nothing reaches the desktop; long work runs in place, as
// a fresh job that StopLongWork stops, or as the job a test gives it (TWorkScope) to stop or count.
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/desktop/DesktopServices.h"
#include "platform/system/LongWork.h"

namespace nulvane {

enum class TDesktopRequestKind {
    OpenFolder,
    OpenUrl,
    MessageBox,
    PickFolder,
    SaveFileName,
    ShowWaitForm,
    HideWaitForm,
    SetWaitMessage,
    RunBusy,
    BusyCursorOn,
    BusyCursorOff,
    ShowFile,
    StopLongWork,
};

struct TDesktopRequest {
    TDesktopRequestKind Kind;
    // OpenFolder: the folder; ShowFile: the file; OpenUrl: the address; MessageBox: the text; SaveFileName: the
    // filter; SetWaitMessage: the message; otherwise empty.
    std::string Text;
    TOwnerWindow Owner = nullptr;
    // MessageBox: the caption; SaveFileName: the default extension; ShowWaitForm: "cancel" when
    // the Cancel button was asked for.
    std::string Detail = {};
    TMessageButtons Buttons = TMessageButtons::Ok;  // MessageBox only
    TMessageIcon Icon = TMessageIcon::None;          // MessageBox only
    friend bool operator==(const TDesktopRequest&, const TDesktopRequest&) = default;
};

class TScriptedDesktopServices : public IDesktopServices {
public:
    // Opening fails, at once, with OpenFailure as the reason while it is not empty.
    void OpenFolder(const std::string& folder, TOwnerWindow owner, TOpenFailed failed = {}) override;
    void ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed = {}) override;
    void OpenUrl(const std::string& url, TOpenFailed failed = {}) override;
    // Answered from the queue: "Yes", "No" or "Ok".
    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;
    // Answered from the queue: the path, or "" for cancel.
    std::string PickFolder(TOwnerWindow owner) override;
    std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                             const std::string& initialFileName, TOwnerWindow owner) override;
    void ShowWaitForm(bool show, bool showCancel) override;
    void SetWaitMessage(const std::string& text) override;
    void RunBusy(const std::function<void(TLongWork&)>& work) override;
    void StopLongWork() override;
    void SetBusyCursor(bool busy) override;

    const std::vector<TDesktopRequest>& Requests() const noexcept { return Requests_; }
    void ClearRequests() noexcept { Requests_.clear(); }
    // The recorded requests of one kind, in order.
    std::vector<TDesktopRequest> RequestsOf(TDesktopRequestKind kind) const;

    // Runs every long work of its lifetime as `work`, which the test owns (to stop it beforehand or
    // read its counts afterwards); then each long work gets a fresh job again.
    class TWorkScope {
    public:
        TWorkScope(TScriptedDesktopServices& services, TLongWork& work) noexcept
            : Services_(services), Outer_(std::exchange(services.Given_, &work)) {}
        ~TWorkScope() { Services_.Given_ = Outer_; }
        TWorkScope(const TWorkScope&) = delete;
        TWorkScope& operator=(const TWorkScope&) = delete;

    private:
        TScriptedDesktopServices& Services_;
        TLongWork* Outer_;
    };

    // Queues the answer to the next question (a button's name, a chosen path, "" for cancel).
    void QueueAnswer(std::string answer) { Answers_.push_back(std::move(answer)); }
    std::size_t AnswersLeft() const noexcept { return Answers_.size(); }

    // Why every folder, file and address fails to open; empty: they open.
    std::string OpenFailure;

protected:
    void Record(TDesktopRequest request) { Requests_.push_back(std::move(request)); }
    // Takes the next queued answer; a question the script did not foresee throws
    // std::logic_error naming it.
    std::string TakeAnswer(std::string_view question);

private:
    TLongWork* Running_ = nullptr;
    TLongWork* Given_ = nullptr;
    std::vector<TDesktopRequest> Requests_;
    std::deque<std::string> Answers_;
};

}  // namespace nulvane
