#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#include "platform/Errors.h"
#include "platform/FileContent.h"

namespace nulvane {

namespace {

// The folder part of `path` with its separator ("" for a bare name).
std::string FolderPrefix(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void ReplaceFileContent(const std::string& path, std::string_view content) {
    // A short name of our own, so that a target name near the length limit still leaves room.
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string folder = FolderPrefix(path);
    std::string temporary;
    for (int attempt = 0;; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".nulvane-%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        temporary = folder + name;
        try {
            CreateFileWithContent(temporary, content);
            break;
        } catch (const EOSError& e) {
            // Only a name that is taken is worth another try.
            if (attempt < 16 && FileExists(temporary)) continue;
            throw EOSError("cannot write \"" + path + "\": " + e.what());
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        RemoveFile(temporary);
        throw EOSError("cannot write \"" + path + "\": " + std::system_category().message(error));
    }
}

}  // namespace nulvane
