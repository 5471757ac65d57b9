#pragma once
// Drives and their labels. On Windows a drive root is "C:\" and the system answers both
// questions itself. On POSIX there are no drive letters: a "drive root" is a mount point (a
// folder on another device than its parent, or "/"), its kind comes from the file system type the
// mount table gives, and its label from the system's by-label links (/dev/disk/by-label), where
// udev keeps one per labelled block device; a file system without such a link has no label.
#include <string>

namespace nulvane {

// The answers of the platform's drive-type query, by their traditional numbers.
enum TDriveType : unsigned {
    dtUnknown = 0,
    dtNoRootDir = 1,  // the path is no drive root
    dtRemovable = 2,
    dtFixed = 3,
    dtRemote = 4,
    dtCDROM = 5,
    dtRAMDisk = 6,
};

// The kind of drive whose root `path` is; dtNoRootDir for anything that is no drive root.
TDriveType QueryDriveType(const std::string& path);

// The label of the volume whose root is `root`; empty when it has none or the query fails.
std::string QueryVolumeName(const std::string& root);

// Makes QueryVolumeName look for label links in `folder` until called again; "" goes back to the
// system's folder. Lets tests give a volume a label.
void SetVolumeLabelFolderForTesting(std::string folder);

}  // namespace nulvane
