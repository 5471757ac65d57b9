#include "platform/files/trash/TrashRestore.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"
#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/files/trash/TrashLayout.h"

namespace nulvane {

namespace {

// Whether `name` is still the empty file (or the folder) moved to the trash. A file's size counts
// too: a file put in its place after it was removed may get its inode number again.
bool IsFile(int folderFd, const char* name, const TTrashedFile& file) noexcept {
    struct stat st;
    if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || static_cast<std::uint64_t>(st.st_dev) != file.Device ||
        static_cast<std::uint64_t>(st.st_ino) != file.Inode)
        return false;
    return file.Folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode) && st.st_size == 0;
}

TRestoreResult Failed(int error) { return {TRestoreOutcome::Failed, error}; }

}  // namespace

TRestoreResult RestoreFromTrash(const TTrashedFile& file) {
    if (FolderPartOf(file.Path).empty() || NameOf(file.Path).empty() || file.Entry.Name.empty() ||
        file.Entry.Name.find('/') != std::string::npos)
        return Failed(EINVAL);
    const std::string name(NameOf(file.Path));
    const std::string folder(ParentFolderOf(file.Path));

    // The trash folders are the user's own (never links, made 0700): opened once, they stay put.
    const TFd trash(OpenFolderAt(AT_FDCWD, file.Entry.Folder.c_str(), true));
    if (trash.Get() < 0) return {errno == ENOENT ? TRestoreOutcome::Gone : TRestoreOutcome::Failed, errno};
    const TFd files(OpenFolderAt(trash.Get(), TrashFilesFolder, false));
    if (files.Get() < 0) return {errno == ENOENT ? TRestoreOutcome::Gone : TRestoreOutcome::Failed, errno};
    const char* entry = file.Entry.Name.c_str();
    if (!IsFile(files.Get(), entry, file)) return {TRestoreOutcome::Gone, 0};

    const TFd target(OpenFolderAt(AT_FDCWD, folder.c_str(), true));
    if (target.Get() < 0) return Failed(errno);
    if (const int error = MoveNoReplace(files.Get(), entry, target.Get(), name.c_str()); error != 0)
        return error == EEXIST ? TRestoreResult{TRestoreOutcome::NameTaken, EEXIST} : Failed(error);
    // Another program of the user's may have swapped the entry between the look and the move:
    // what arrived must be the file that left, else it goes back where it came from.
    if (!IsFile(target.Get(), name.c_str(), file)) {
        MoveNoReplace(target.Get(), name.c_str(), files.Get(), entry);
        return {TRestoreOutcome::Gone, 0};
    }
    if (const TFd info(OpenFolderAt(trash.Get(), TrashInfoFolder, false)); info.Get() >= 0)
        ::unlinkat(info.Get(), (file.Entry.Name + std::string(TrashInfoSuffix)).c_str(), 0);
    return {TRestoreOutcome::Restored, 0};
}

void TTrashLog::Add(TTrashedFile file) {
    const std::lock_guard lock(Mutex_);
    const std::pair key(file.Device, file.Inode);
    Files_.insert_or_assign(key, std::move(file));
}

bool TTrashLog::Take(std::uint64_t device, std::uint64_t inode, TTrashedFile& file) {
    const std::lock_guard lock(Mutex_);
    const auto it = Files_.find({device, inode});
    if (it == Files_.end()) return false;
    file = std::move(it->second);
    Files_.erase(it);
    return true;
}

bool TTrashLog::Empty() const {
    const std::lock_guard lock(Mutex_);
    return Files_.empty();
}

}  // namespace nulvane
