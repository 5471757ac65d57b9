#pragma once
// The application-wide handler for errors that escape a command. Qt does not carry exceptions
// through its event loop, so every entry point from the toolkit (button, menu, drop, header click)
// runs its work through RunCommand, which hands an escaping error to the handler. The handler
// ends the command silently: no dialog; one line on standard error names the error.
#include <exception>
#include <functional>

namespace nulvane {

using TApplicationErrorHandler = std::function<void(std::exception_ptr)>;

// Replaces the handler; an empty one restores the default, which writes the one line.
void SetApplicationErrorHandler(TApplicationErrorHandler handler);
void HandleApplicationError(std::exception_ptr error) noexcept;

template <class TWork>
void RunCommand(TWork&& work) noexcept {
    try {
        work();
    } catch (...) {
        HandleApplicationError(std::current_exception());
    }
}

}  // namespace nulvane
