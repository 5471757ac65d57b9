#include "platform/desktop/SystemDesktopServices.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/text/WideText.h"
#else
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/ScopeGuard.h"

extern char** environ;
#endif

namespace nulvane {

#ifdef _WIN32

void TSystemDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/) {
    if (folder.empty()) return;
    // Quoted: Explorer would split an unquoted folder at its commas.
    const std::wstring parameters = L"\"" + Wide(folder) + L"\"";
    ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void TSystemDesktopServices::OpenUrl(const std::string& url) {
    if (url.empty()) return;
    ShellExecuteW(nullptr, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

#else

namespace {

// Starts a program found on the PATH with the given arguments, detached from the caller: its own
// session (a Ctrl+C in the caller's terminal does not reach it), no input, no blocked signals.
// A thread reaps it so that it does not linger as a zombie. Returns false when it cannot start.
bool SpawnDetached(const char* program, char* const argv[]) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const TScopeGuard destroyFiles([&files] { posix_spawn_file_actions_destroy(&files); });
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    const TScopeGuard destroyAttributes([&attributes] { posix_spawnattr_destroy(&attributes); });
    short flags = POSIX_SPAWN_SETSIGMASK;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, flags);

    pid_t pid = 0;
    if (posix_spawnp(&pid, program, &files, &attributes, argv, environ) != 0) return false;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

void TSystemDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/) {
    if (folder.empty()) return;
    // A relative folder starting with '-' would be taken for an option.
    std::string argument = folder.front() == '-' ? "./" + folder : folder;
    std::string program = "xdg-open";
    char* const argv[] = {program.data(), argument.data(), nullptr};
    SpawnDetached(program.c_str(), argv);
}

void TSystemDesktopServices::OpenUrl(const std::string& url) {
    // Only addresses with a scheme: anything else could be taken for an option or a local file.
    if (url.find(':') == std::string::npos || url.front() == '-') return;
    std::string argument = url;
    std::string program = "xdg-open";
    char* const argv[] = {program.data(), argument.data(), nullptr};
    SpawnDetached(program.c_str(), argv);
}

#endif

TMessageResult TSystemDesktopServices::MessageBox(const std::string& /*text*/, const std::string& /*caption*/,
                                                  TMessageButtons buttons, TMessageIcon /*icon*/,
                                                  TOwnerWindow /*owner*/) {
    return buttons == TMessageButtons::Ok ? TMessageResult::Ok : TMessageResult::No;
}

std::string TSystemDesktopServices::PickFolder(TOwnerWindow /*owner*/) { return {}; }

std::string TSystemDesktopServices::SaveFileName(const std::string& /*defaultExt*/, const std::string& /*filter*/,
                                                 const std::string& /*initialFileName*/, TOwnerWindow /*owner*/) {
    return {};
}

void TSystemDesktopServices::ShowWaitForm(bool /*show*/, bool /*showCancel*/) {}
void TSystemDesktopServices::SetWaitMessage(const std::string& /*text*/) {}
void TSystemDesktopServices::RunBusy(const std::function<void(TLongWork&)>& work) {
    if (Work_) return work(*Work_);
    TLongWork job;
    work(job);
}
void TSystemDesktopServices::SetBusyCursor(bool /*busy*/) {}

}  // namespace nulvane
