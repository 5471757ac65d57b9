#pragma once
// An owning file descriptor: closes what it holds when it goes, so that no path through a function
// (an early return, an error travelling on) leaks a descriptor, and a walk that holds thousands of
// folders open gives each back exactly once. It closes without looking at the result: a caller
// for whom a failed close means lost data (a file just written) releases the descriptor and closes
// it itself.
#include <cerrno>
#include <utility>

#include <unistd.h>

namespace nulvane {

class TFd {
public:
    explicit TFd(int fd = -1) noexcept : Fd_(fd) {}
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const noexcept { return Fd_; }
    explicit operator bool() const noexcept { return Fd_ >= 0; }
    // Gives up ownership: the caller closes what it returns.
    int Release() noexcept { return std::exchange(Fd_, -1); }
    // Closes what it holds and takes `fd` instead.
    void Reset(int fd = -1) noexcept {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = fd;
    }

private:
    int Fd_;
};

// Whether an error says descriptors or memory ran short: a folder or a table that could not be
// opened for that is not missing, and opening it again may work once others are let go.
inline bool IsResourceError(int error) noexcept { return error == EMFILE || error == ENFILE || error == ENOMEM; }

}  // namespace nulvane
