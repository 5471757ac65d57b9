#include "platform/system/ProcessInfo.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "platform/files/PathNames.h"
#include "platform/system/Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace nulvane {
namespace {

std::optional<std::string>& FolderOverride() {
    static std::optional<std::string> folder;
    return folder;
}

std::string ExecutablePath() {
#ifdef _WIN32
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
        if (n == 0) throw EOSError("cannot find the executable's path (error " + std::to_string(GetLastError()) + ")");
        if (n < wide.size()) {
            wide.resize(n);
            break;
        }
        wide.resize(wide.size() * 2);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string path(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), path.data(), size, nullptr,
                        nullptr);
    return path;
#else
    // The link names the file the kernel started, whatever argv[0] or the working folder say.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0)
            throw EOSError(std::string("cannot find the executable's path: ") + std::strerror(errno));
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
#endif
}

std::string WithoutTrailingDelimiters(std::string folder) {
    while (!folder.empty() && (folder.back() == PathSeparator || folder.back() == '/')) folder.pop_back();
    return folder;
}

}  // namespace

std::string ExecutableFolder() {
    if (FolderOverride()) return *FolderOverride();
    std::string path = ExecutablePath();
    const std::size_t last = path.find_last_of(FolderSeparators);
    if (last == std::string::npos) throw EOSError("the executable's path has no folder: " + path);
    path.resize(last);
    return WithoutTrailingDelimiters(std::move(path));
}

void SetExecutableFolderForTesting(std::string folder) {
    if (folder.empty())
        FolderOverride().reset();
    else
        FolderOverride() = WithoutTrailingDelimiters(std::move(folder));
}

}  // namespace nulvane
