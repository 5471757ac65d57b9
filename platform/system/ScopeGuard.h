#pragma once
// A scope guard: runs an action when the scope it stands in ends, however it ends (a return, an
// error travelling on). It is what restores a flag, gives back a handle or undoes half-done work
// without a hand-written struct with a destructor for each case:
//
//     const TScopeGuard restore([&] { Running_ = outer; });
//
// The action runs from a destructor, so it must not throw; one that does ends the program.
#include <utility>

namespace nulvane {

template <class TAction>
class TScopeGuard {
public:
    explicit TScopeGuard(TAction action) noexcept(noexcept(TAction(std::move(action))))
        : Action_(std::move(action)) {}
    ~TScopeGuard() { Action_(); }
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
    TAction Action_;
};

}  // namespace nulvane
