#pragma once
// Desktop services for tests: every request is recorded, in order, and questions are answered
// from a queue the test fills beforehand. Nothing reaches the desktop.
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DesktopServices.h"

namespace nulvane {

enum class TDesktopRequestKind { OpenFolder };

struct TDesktopRequest {
    TDesktopRequestKind Kind;
    std::string Text;  // OpenFolder: the folder
    TOwnerWindow Owner = nullptr;
    friend bool operator==(const TDesktopRequest&, const TDesktopRequest&) = default;
};

class TScriptedDesktopServices : public IDesktopServices {
public:
    void OpenFolder(const std::string& folder, TOwnerWindow owner) override;

    const std::vector<TDesktopRequest>& Requests() const noexcept { return Requests_; }
    void ClearRequests() noexcept { Requests_.clear(); }

    // Queues the answer to the next question (a button's name, a chosen path, "" for cancel).
    void QueueAnswer(std::string answer) { Answers_.push_back(std::move(answer)); }
    std::size_t AnswersLeft() const noexcept { return Answers_.size(); }

protected:
    void Record(TDesktopRequest request) { Requests_.push_back(std::move(request)); }
    // Takes the next queued answer; a question the script did not foresee throws
    // std::logic_error naming it.
    std::string TakeAnswer(std::string_view question);

private:
    std::vector<TDesktopRequest> Requests_;
    std::deque<std::string> Answers_;
};

}  // namespace nulvane
