#include "platform/files/DescriptorPath.h"

#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace nulvane {

std::string DescriptorPath(int fd) {
    char link[64] = "/proc/self/cwd";
    if (fd != AT_FDCWD) std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string target(PATH_MAX, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link, target.data(), target.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target.starts_with('/') ? target : std::string();
        }
        target.resize(target.size() * 2);
    }
}

}  // namespace nulvane
