#include "platform/files/NoReplace.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <unistd.h>

namespace nulvane {

int MoveNoReplace(int fromFd, const char* from, int toFd, const char* to) noexcept {
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::linkat(fromFd, from, toFd, to, 0) != 0) return errno;
    if (::unlinkat(fromFd, from, 0) == 0) return 0;
    // Both names would lead to the file: take the new one away again.
    const int error = errno;
    ::unlinkat(toFd, to, 0);
    return error;
}

int PutBackBeside(int folderFd, const char* aside, const std::string& name, std::string& now) {
    now.clear();
    int error = MoveNoReplace(folderFd, aside, folderFd, name.c_str());
    for (int n = 1; error == EEXIST && n <= 9; ++n) {
        now = name + ".nulvane-kept";
        if (n > 1) now.append({'-', static_cast<char>('0' + n)});
        if (now.size() > NAME_MAX) break;
        error = MoveNoReplace(folderFd, aside, folderFd, now.c_str());
    }
    if (error != 0) now.clear();
    return error;
}

}  // namespace nulvane
