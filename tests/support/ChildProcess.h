#pragma once
// Runs a piece of a test in a forked child, for what must not touch the test program itself: a
// file size limit that stands in for a full disk, or an unprivileged user for whom a folder is
// really read-only (root writes anywhere).
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>

namespace nulvane::test {

struct TChildLimits {
    // Bytes any one file may grow to (writes beyond fail with EFBIG); negative for no limit.
    long long FileSizeLimit = -1;
    // Run as the unprivileged user "nobody".
    bool AsNobody = false;
};

// The child's exit status: `body`'s result, 125 when the limits could not be set, 126 when
// `body` threw.
inline int RunInChild(const TChildLimits& limits, const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (limits.FileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(limits.FileSizeLimit), static_cast<rlim_t>(limits.FileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(125);
        }
        if (limits.AsNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
        try {
            ::_exit(body());
        } catch (...) {
            ::_exit(126);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace nulvane::test
