#include "platform/files/FolderPath.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/files/PathNames.h"

namespace nulvane {

std::string CleanFolderPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
#ifdef _WIN32
    return std::filesystem::absolute(path, error).lexically_normal().string();
#else
    std::string joined = path;
    if (path.front() != '/') {
        const std::filesystem::path working = std::filesystem::current_path(error);
        if (error) return path;
        joined = working.string() + "/" + path;
    }
    std::string clean;  // absolute, "" standing for "/"
    for (std::size_t at = 0; at < joined.size();) {
        std::size_t end = joined.find('/', at);
        if (end == std::string::npos) end = joined.size();
        const std::string_view part(joined.data() + at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part != "..") {
            (clean += '/') += part;
            continue;
        }
        // "a/.." is where the kernel goes: the parent of the folder "a" really is, links resolved.
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(clean.empty() ? "/" : clean.c_str(), nullptr),
                                                               &std::free);
        clean = ParentFolderOf(real ? std::string_view(real.get()) : clean.empty() ? std::string_view("/") : clean);
        if (clean == "/") clean.clear();
    }
    return clean.empty() ? std::string("/") : clean;
#endif
}

}  // namespace nulvane
