#include "platform/system/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <new>
#include <system_error>
#include <utility>

#include "platform/system/Errors.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nulvane {

std::string HomeFolder() {
    if (const char* value = std::getenv("HOME"); value && value[0] == '/') return value;
#ifndef _WIN32
    if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir) return user->pw_dir;
#endif
    return {};
}

std::string UserConfigFolder() {
    std::string folder;
    // A relative XDG_CONFIG_HOME is invalid by the rules and is ignored, as other programs do.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        folder = config;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) return {};
        folder = home + "/.config";
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

namespace {

// Makes `folder` and each missing folder above it: 0, or the error number with `failed` set to
// the folder that could not be made.
int MakeFolders(const std::string& folder, std::string& failed) {
    for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        std::string part = folder.substr(0, at);
#ifdef _WIN32
        const int made = ::_mkdir(part.c_str());
#else
        const int made = ::mkdir(part.c_str(), 0700);
#endif
        if (made != 0 && errno != EEXIST) {
            const int error = errno;
            failed = std::move(part);
            return error;
        }
        if (at == std::string::npos) return 0;
    }
}

}  // namespace

void MakeUserFolder(const std::string& folder) {
    std::string failed;
    if (const int error = MakeFolders(folder, failed); error != 0)
        throw EOSError("cannot create \"" + failed + "\": " + std::system_category().message(error));
}

void MakeUserFolderQuietly(const std::string& folder) noexcept {
    try {
        std::string failed;
        MakeFolders(folder, failed);
    } catch (const std::bad_alloc&) {
        // Then the first use of the folder says what is wrong.
    }
}

}  // namespace nulvane
