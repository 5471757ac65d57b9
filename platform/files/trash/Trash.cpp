#include "platform/files/trash/Trash.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/journal/DeletionJournal.h"
#include "platform/files/DescriptorPath.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/MountTable.h"
#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/files/PrivateName.h"
#include "platform/files/trash/TrashLayout.h"
#include "platform/system/UserFolders.h"

namespace nulvane {

// One trash: its folder and the files/ and info/ folders in it, opened with O_PATH.
struct TTrash::TPlace {
    TFd Folder, Files, Info;
    std::string Path;  // of Folder, for taking files back out later
};

namespace {


// The folder `name` in `parent`, made (mode 0700) when missing; never a link, and only one that
// belongs to `uid`. -1 when there is none to use, with `error` set.
int UsersFolder(int parent, const char* name, unsigned uid, int& error) noexcept {
    if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
        error = errno;
        return -1;
    }
    TFd fd(OpenFolderAt(parent, name, false));
    if (!fd) {
        error = errno;
        return -1;
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || st.st_uid != uid) {
        error = EPERM;
        return -1;
    }
    return fd.Release();
}

// The device of the file system that holds `path`, or would hold it once made: the nearest one
// of it and the folders above it that exists.
bool DeviceOf(std::string path, std::uint64_t& device) {
    for (;;) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0) {
            device = static_cast<std::uint64_t>(st.st_dev);
            return true;
        }
        if (path == "/" || FolderPartOf(path).empty()) return false;
        path = ParentFolderOf(path);
    }
}

std::string WorkingFolder() {
    std::string text(PATH_MAX, '\0');
    while (!::getcwd(text.data(), text.size())) {
        if (errno != ERANGE) return {};
        text.resize(text.size() * 2);
    }
    text.resize(std::strlen(text.c_str()));
    return text;
}

// The absolute path of the open folder as this process sees it; else (no /proc, a folder out of
// reach) the folder part of `path`, taken from the working folder when relative.
std::string FolderPathOf(int folderFd, std::string_view path) {
    if (std::string kernel = DescriptorPath(folderFd); !kernel.empty()) return kernel;
    std::string folder(ParentFolderOf(path));
    if (!folder.starts_with('/')) {
        const std::string working = WorkingFolder();
        folder = folder.empty() ? working : working + "/" + folder;
    }
    return folder;
}

// Whether `folder` is `mount` or lies below it.
bool Below(std::string_view folder, std::string_view mount) noexcept {
    if (mount == "/") return folder.starts_with('/');
    return folder.starts_with(mount) && (folder.size() == mount.size() || folder[mount.size()] == '/');
}

// `path` under `mount`, relative to it.
std::string RelativeTo(std::string_view path, std::string_view mount) {
    if (mount == "/") return std::string(path.substr(1));
    return std::string(path.substr(std::min(path.size(), mount.size() + 1)));
}

// The local date and time as the info file writes it, "2024-05-01T13:45:09".
std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "1970-01-01T00:00:00";
    if (::localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, std::string_view text) noexcept {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The start of `name` that leaves room for a suffix and ".trashinfo" within a name's limit, cut
// before a UTF-8 continuation byte rather than inside a character.
std::string EntryBase(std::string_view name) {
    constexpr std::size_t room = NAME_MAX - TrashInfoSuffix.size() - 12;
    if (name.size() <= room) return std::string(name);
    std::size_t length = room;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    return std::string(name.substr(0, length > 0 ? length : room));
}

}  // namespace

TTrash::TTrash() : Uid_(static_cast<unsigned>(::geteuid())) {
    // The XDG base directory rules: an unset, empty or relative XDG_DATA_HOME means the default.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/') {
        HomeTrash_ = std::string(dataHome) + "/Trash";
        return;
    }
    HomeTrash_ = HomeFolder().append(UsualHomeTrashParent).append(HomeTrashName);
}

TTrash::TTrash(std::string homeTrash, unsigned uid) : HomeTrash_(std::move(homeTrash)), Uid_(uid) {}

TTrash::~TTrash() = default;

std::string TTrash::EncodePath(std::string_view bytes) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            std::strchr("-._~/", c) != nullptr) {
            text += c;
        } else {
            text += '%';
            text += Hex[byte >> 4];
            text += Hex[byte & 15];
        }
    }
    return text;
}

bool TTrash::OnHomeFileSystem(std::uint64_t device) {
    if (!HomeDeviceKnown_) HomeDeviceKnown_ = DeviceOf(HomeTrash_, HomeDevice_);
    return HomeDeviceKnown_ && device == HomeDevice_;
}

TTrash::TPlace* TTrash::HomePlace(std::uint64_t device, int& error) {
    if (!HomeTried_) {
        auto place = std::make_unique<TPlace>();
        // The home trash is the user's own: links on its path, set up by the user, are followed.
        MakeUserFolderQuietly(HomeTrash_);
        place->Folder.Reset(OpenFolderAt(AT_FDCWD, HomeTrash_.c_str(), true));
        int failure = place->Folder ? 0 : errno;
        struct stat st;
        if (place->Folder && ::fstat(place->Folder.Get(), &st) == 0 && st.st_uid == Uid_ &&
            static_cast<std::uint64_t>(st.st_dev) == device) {
            place->Files.Reset(UsersFolder(place->Folder.Get(), TrashFilesFolder, Uid_, failure));
            if (place->Files) place->Info.Reset(UsersFolder(place->Folder.Get(), TrashInfoFolder, Uid_, failure));
            place->Path = HomeTrash_;
            if (place->Files && place->Info) Home_ = std::move(place);
        }
        // A shortage of the moment is no answer about the trash: it is tried again.
        if (!Home_ && IsResourceError(failure)) {
            error = failure;
            return nullptr;
        }
        HomeTried_ = true;
    }
    error = Home_ ? 0 : EXDEV;
    return Home_.get();
}

TTrash::TPlace* TTrash::TopPlace(const std::string& mount, std::uint64_t device, int& error) {
    const auto emplaced = Tops_.try_emplace(mount);
    const auto it = emplaced.first;
    error = EXDEV;
    if (!emplaced.second) return it->second.get();
    int failure = 0;
    // The trash found, or none: remembered, but for a shortage of the moment.
    auto give = [&](std::unique_ptr<TPlace> place) -> TPlace* {
        if (place) {
            error = 0;
            it->second = std::move(place);
            return it->second.get();
        }
        if (IsResourceError(failure)) {
            error = failure;
            Tops_.erase(it);
        }
        return nullptr;
    };
    TFd top(OpenFolderAt(AT_FDCWD, mount.c_str(), true));
    if (!top) {
        failure = errno;
        return give(nullptr);
    }
    struct stat st;
    // A file system inside the mount (a btrfs subvolume) has no trash of its own at its top.
    if (::fstat(top.Get(), &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != device) return give(nullptr);
    const std::string uid = std::to_string(Uid_);
    auto place = std::make_unique<TPlace>();
    // $topdir/.Trash only when an administrator made it a real, sticky folder.
    if (::fstatat(top.Get(), SharedTrashName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        if (const TFd shared(OpenFolderAt(top.Get(), SharedTrashName, false)); shared) {
            place->Folder.Reset(UsersFolder(shared.Get(), uid.c_str(), Uid_, failure));
            place->Path = (mount == "/" ? "" : mount) + "/" + SharedTrashName + "/" + uid;
        } else {
            failure = errno;
        }
    }
    if (!place->Folder && !IsResourceError(failure)) {
        place->Folder.Reset(UsersFolder(top.Get(), (UserTrashPrefix + uid).c_str(), Uid_, failure));
        place->Path = (mount == "/" ? "" : mount) + "/" + UserTrashPrefix + uid;
    }
    top.Reset();
    if (!place->Folder) return give(nullptr);
    place->Files.Reset(UsersFolder(place->Folder.Get(), TrashFilesFolder, Uid_, failure));
    if (place->Files) place->Info.Reset(UsersFolder(place->Folder.Get(), TrashInfoFolder, Uid_, failure));
    if (!place->Files || !place->Info) return give(nullptr);
    return give(std::move(place));
}

int TTrash::MountOf(const std::string& folder, std::string& mount) {
    if (!MountsRead_) {
        std::vector<TMount> mounts;
        if (const int error = ReadMountTable(mounts); error != 0) return error;
        MountsRead_ = true;
        for (TMount& each : mounts) Mounts_.push_back(std::move(each.Point));
    }
    // The deepest mount point above the folder; of two on one point, the later covers the earlier.
    mount.assign(1, '/');
    for (const std::string& each : Mounts_)
        if (Below(folder, each) && each.size() >= mount.size()) mount = each;
    return 0;
}

int TTrash::PutInto(TPlace& place, int folderFd, const char* name, std::string_view baseName,
                    const std::string& recorded, TDeletionJournal* journal, TTrashEntry* placed) {
    const std::string path = EncodePath(recorded), date = DeletionDate();
    const std::string content = InfoText(path, date);
    // The info file is written under a private name of info/ first (tools read only the names that
    // end in ".trashinfo"), recorded before it is made; then it takes its entry's name, never
    // replacing one, with that name and its inode recorded first. So a kill at any step leaves
    // nothing in info/ that a recovery cannot tell from another program's entry.
    const std::string temp = TAsideName().Text + std::string(WritingSuffix);
    if (journal)
        if (const int error = journal->RecordTrash(folderFd, name, place.Folder.Get(), temp, path, date); error != 0)
            return error;
    std::uint64_t inode = 0;
    {
        const int fd = ::openat(place.Info.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return errno;
        struct stat st;
        const bool written = WriteAll(fd, content) && ::fstat(fd, &st) == 0;
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            const int error = written ? errno : writeError;
            ::unlinkat(place.Info.Get(), temp.c_str(), 0);
            return error;
        }
        inode = static_cast<std::uint64_t>(st.st_ino);
    }
    const std::string base = EntryBase(baseName);
    unsigned& next = NextSuffix_.try_emplace(base, 2u).first->second;
    std::string entry, info;
    // The plain name first, then numbered ones after those taken before; should thousands be
    // taken, random ones.
    for (unsigned attempt = 0; attempt < 1000 + 16; ++attempt) {
        if (attempt == 0) {
            entry = base;
        } else if (attempt < 1000) {
            entry = base + "." + std::to_string(next++);
        } else {
            std::uint64_t random = 0;
            if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random)
                random ^= static_cast<std::uint64_t>(::time(nullptr)) + attempt;
            char suffix[24];
            std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(random));
            entry = base + suffix;
        }
        info = entry + std::string(TrashInfoSuffix);
        if (journal)
            if (const int error = journal->RecordTrashEntry(folderFd, name, place.Folder.Get(), entry, inode); error != 0) {
                ::unlinkat(place.Info.Get(), temp.c_str(), 0);
                return error;
            }
        int error = MoveNoReplace(place.Info.Get(), temp.c_str(), place.Info.Get(), info.c_str());
        if (error == EEXIST) continue;
        if (error != 0) {
            ::unlinkat(place.Info.Get(), temp.c_str(), 0);
            return error;
        }
        error = MoveNoReplace(folderFd, name, place.Files.Get(), entry.c_str());
        if (error == 0) {
            if (placed) *placed = {place.Path, entry};
            return 0;
        }
        // Taken in files/ by a file without an info file: the info file tries the next name.
        if (error != EEXIST || MoveNoReplace(place.Info.Get(), info.c_str(), place.Info.Get(), temp.c_str()) != 0) {
            ::unlinkat(place.Info.Get(), info.c_str(), 0);
            return error;
        }
    }
    ::unlinkat(place.Info.Get(), temp.c_str(), 0);
    return EEXIST;
}

std::string TTrash::InfoText(std::string_view path, std::string_view date) {
    std::string text = "[Trash Info]\nPath=";
    text.append(path).append("\nDeletionDate=").append(date).append("\n");
    return text;
}

int TTrash::Put(int folderFd, const char* name, std::string_view path, std::uint64_t device,
                TDeletionJournal* journal, TTrashEntry* placed) {
    const std::lock_guard lock(Mutex_);
    try {
        const std::string_view baseName = NameOf(path);
        if (baseName.empty()) return EINVAL;
        const std::string folder = FolderPathOf(folderFd, path);
        if (folder.empty()) return EXDEV;
        const std::string full = JoinedPath(folder, baseName);
        // A file on the home trash's file system goes there or nowhere, unless it lies on another
        // mount of that file system (a bind mount), which a rename cannot leave.
        int error = 0;
        if (OnHomeFileSystem(device)) {
            TPlace* home = HomePlace(device, error);
            if (!home) return error;
            error = PutInto(*home, folderFd, name, baseName, full, journal, placed);
            if (error != EXDEV) return error;
        }
        // The trash at the top of the file's mount, where the path is recorded from there.
        std::string mount;
        if (error = MountOf(folder, mount); error != 0) return error;
        if (TPlace* top = TopPlace(mount, device, error))
            return PutInto(*top, folderFd, name, baseName, RelativeTo(full, mount), journal, placed);
        return error;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

}  // namespace nulvane
