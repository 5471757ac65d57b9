#include "platform/files/NoReplace.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>  // renameat2
#include <unistd.h>

namespace nulvane {

namespace {

// Whether a rename's error says the file system (or kernel) cannot rename without replacing.
bool NoReplaceUnsupported(int error) noexcept { return error == EINVAL || error == ENOSYS; }

// A plain rename to `to`, made only when nothing has that name at the look just before.
int LookAndRename(int fromFd, const char* from, int toFd, const char* to) noexcept {
    struct stat st;
    if (::fstatat(toFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::renameat(fromFd, from, toFd, to) == 0 ? 0 : errno;
}

}  // namespace

int MoveNoReplace(int fromFd, const char* from, int toFd, const char* to, TNewName newName) noexcept {
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0) return 0;
    if (!NoReplaceUnsupported(errno)) return errno;
    if (newName == TNewName::Private) return LookAndRename(fromFd, from, toFd, to);
    if (::linkat(fromFd, from, toFd, to, 0) != 0) {
        const int error = errno;
        if (error == EEXIST || newName != TNewName::SharedOrLook) return error;
        return LookAndRename(fromFd, from, toFd, to);
    }
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
