#pragma once
// Opening a folder, a file or a web or mail address with the desktop's opener (xdg-open), which
// hands it to the program the desktop has for it. The opener starts detached from the caller (its
// own session, no input), and the caller does not wait for it; a thread waits for it instead, so
// that it does not linger as a zombie, and tells the caller when it found nothing to open the
// target with.
//
// The opener returns once the program it chose is running, or, on a desktop without a session
// helper, once that program has ended (a file manager the user closes an hour later): so only an
// opener that fails within OpenerPatience counts as a failure.
#include <chrono>
#include <functional>
#include <string>

namespace nulvane {

inline constexpr std::chrono::seconds OpenerPatience{20};

// Why a target could not be opened, told by the opener's thread.
using TOpenerFailed = std::function<void(std::string reason)>;

// Starts the opener on `target`: one argument, never through a shell; a relative path starting
// with '-' goes as "./-...". `failed`, when given, is called once when the opener cannot start
// (at once, on the caller's thread) or fails within OpenerPatience (later, on the waiting
// thread): "nothing on this desktop opens it", "it does not exist", "the program that opens it
// failed", "cannot start xdg-open: No such file or directory".
void OpenWithDesktop(const std::string& target, TOpenerFailed failed = {});

}  // namespace nulvane
