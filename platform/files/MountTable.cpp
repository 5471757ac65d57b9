#include "platform/files/MountTable.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"

namespace nulvane {

std::string UnescapeMountField(std::string_view text, bool hex) {
    std::string out;
    const auto hexDigit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto octal = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '7'; };
        if (hex && text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hexDigit(text[i + 2]) >= 0 &&
            hexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else if (text[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

int ReadMountTable(std::vector<TMount>& mounts) {
    mounts.clear();
    const TFd fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    if (!fd) return IsResourceError(errno) ? errno : 0;
    std::string table;
    char buffer[16384];
    for (ssize_t got; (got = ::read(fd.Get(), buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            table.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    }
    // "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw": the fifth field is
    // the mount point; the type follows the optional fields' closing " - ".
    for (std::size_t at = 0; at < table.size();) {
        std::size_t end = table.find('\n', at);
        if (end == std::string::npos) end = table.size();
        const std::string_view line(table.data() + at, end - at);
        at = end + 1;
        std::size_t start = 0;
        for (int n = 0; n < 4 && start != std::string_view::npos; ++n) {
            start = line.find(' ', start);
            if (start != std::string_view::npos) ++start;
        }
        if (start == std::string_view::npos) continue;
        const std::size_t pointEnd = line.find(' ', start);
        TMount mount{UnescapeMountField(line.substr(start, pointEnd - start)), {}};
        if (const std::size_t dash = line.find(" - ", pointEnd); dash != std::string_view::npos) {
            const std::string_view rest = line.substr(dash + 3);
            mount.Type = UnescapeMountField(rest.substr(0, rest.find(' ')));
        }
        mounts.push_back(std::move(mount));
    }
    return 0;
}

}  // namespace nulvane
