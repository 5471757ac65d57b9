#include "platform/files/Volumes.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "platform/text/WideText.h"
#else
#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/files/MountTable.h"
#endif

namespace nulvane {

namespace {
std::string LabelFolderOverride;
}

void SetVolumeLabelFolderForTesting(std::string folder) { LabelFolderOverride = std::move(folder); }

#ifdef _WIN32

TDriveType QueryDriveType(const std::string& path) { return static_cast<TDriveType>(GetDriveTypeW(Wide(path).c_str())); }

std::string QueryVolumeName(const std::string& root) {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(Wide(root).c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string label(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, -1, label.data(), size, nullptr, nullptr);
    return label;
}

#else

namespace {

// The file system type of the mount at `mountPoint` (an absolute path without "." or ".."
// parts), from the last matching mount of the table; empty when none matches.
std::string FileSystemType(const std::string& mountPoint) {
    std::vector<TMount> mounts;
    ReadMountTable(mounts);
    std::string type;
    for (TMount& mount : mounts)
        if (mount.Point == mountPoint) type = std::move(mount.Type);
    return type;
}

}  // namespace

TDriveType QueryDriveType(const std::string& path) {
    struct stat self{}, parent{};
    if (path.empty() || ::stat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return dtNoRootDir;
    if (::stat((path + "/..").c_str(), &parent) != 0) return dtNoRootDir;
    // A mount point lies on another device than its parent; "/" is its own parent.
    const bool root = self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
    if (!root) return dtNoRootDir;
    char resolved[PATH_MAX];
    const std::string type = ::realpath(path.c_str(), resolved) ? FileSystemType(resolved) : std::string();
    const auto starts = [&type](std::string_view prefix) { return type.compare(0, prefix.size(), prefix) == 0; };
    if (starts("nfs") || starts("cifs") || starts("smb") || starts("9p") || type == "fuse.sshfs") return dtRemote;
    if (type == "iso9660" || type == "udf") return dtCDROM;
    if (type == "tmpfs" || type == "ramfs") return dtRAMDisk;
    return dtFixed;
}

std::string QueryVolumeName(const std::string& root) {
    struct stat volume{};
    if (::stat(root.c_str(), &volume) != 0) return {};
    const std::string folder = LabelFolderOverride.empty() ? "/dev/disk/by-label" : LabelFolderOverride;
    DIR* labels = ::opendir(folder.c_str());
    if (!labels) return {};
    std::string label;
    while (const dirent* entry = ::readdir(labels)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat device{};
        if (::stat((folder + "/" + entry->d_name).c_str(), &device) == 0 && S_ISBLK(device.st_mode) &&
            device.st_rdev == volume.st_dev) {
            label = UnescapeMountField(name, true);  // udev writes unsafe bytes of a label as "\xHH"
            break;
        }
    }
    ::closedir(labels);
    return label;
}

#endif

}  // namespace nulvane
