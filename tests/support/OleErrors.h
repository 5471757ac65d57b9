#pragma once
// The description an automation failure carries, for tests that compare it.
#include <functional>
#include <string>

#include "platform/automation/Automation.h"

namespace nulvane::test {

// What `action` failed with, or "no error".
inline std::string DescriptionOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOleException& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace nulvane::test
