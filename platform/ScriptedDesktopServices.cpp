#include "platform/ScriptedDesktopServices.h"

#include <stdexcept>

namespace nulvane {

void TScriptedDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow owner) {
    Record({TDesktopRequestKind::OpenFolder, folder, owner});
}

std::string TScriptedDesktopServices::TakeAnswer(std::string_view question) {
    if (Answers_.empty()) throw std::logic_error("no scripted answer left for: " + std::string(question));
    std::string answer = std::move(Answers_.front());
    Answers_.pop_front();
    return answer;
}

}  // namespace nulvane
