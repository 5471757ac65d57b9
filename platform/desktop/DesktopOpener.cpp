#include "platform/desktop/DesktopOpener.h"

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/ScopeGuard.h"

extern char** environ;

namespace nulvane {

namespace {

// xdg-open's exit statuses, as its manual gives them.
std::string ReasonOfStatus(int status) {
    if (!WIFEXITED(status)) return "xdg-open was ended by signal " + std::to_string(WTERMSIG(status));
    switch (WEXITSTATUS(status)) {
    case 2: return "it does not exist";
    case 3: return "nothing on this desktop opens it";
    case 4: return "the program that opens it failed";
    default: return "xdg-open ended with status " + std::to_string(WEXITSTATUS(status));
    }
}

}  // namespace

void OpenWithDesktop(const std::string& target, TOpenerFailed failed) {
    if (target.empty()) return;
    std::string argument = target.front() == '-' ? "./" + target : target;
    std::string program = "xdg-open";
    char* const argv[] = {program.data(), argument.data(), nullptr};

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const TScopeGuard destroyFiles([&files] { posix_spawn_file_actions_destroy(&files); });
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    const TScopeGuard destroyAttributes([&attributes] { posix_spawnattr_destroy(&attributes); });
    // Its own session: a Ctrl+C in the caller's terminal does not reach it.
    short flags = POSIX_SPAWN_SETSIGMASK;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, flags);

    pid_t pid = 0;
    if (const int error = posix_spawnp(&pid, program.c_str(), &files, &attributes, argv, environ); error != 0) {
        if (failed) failed("cannot start xdg-open: " + std::string(std::strerror(error)));
        return;
    }
    std::thread([pid, failed = std::move(failed), started = std::chrono::steady_clock::now()] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0)
            if (errno != EINTR) return;
        const bool soon = std::chrono::steady_clock::now() - started < OpenerPatience;
        if (failed && soon && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) failed(ReasonOfStatus(status));
    }).detach();
}

}  // namespace nulvane

#endif
