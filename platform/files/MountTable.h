#pragma once
// The mount table of this process's mount namespace, as /proc/self/mountinfo lists it: each
// mount's point and file system type, in the table's order (of two mounts on one point, the later
// covers the earlier). The trash looks up the mount a folder lies on; the drive type asks what
// file system a root holds.
#include <string>
#include <string_view>
#include <vector>

namespace nulvane {

struct TMount {
    std::string Point;  // absolute, unescaped
    std::string Type;   // "ext4", "fuse.sshfs", ...
};

// Reads the table into `mounts`: 0, or the error number when descriptors or memory ran short
// (EMFILE, ENFILE, ENOMEM), which a caller may try again once it has let some go. A table that
// cannot be read for any other reason reads as empty.
int ReadMountTable(std::vector<TMount>& mounts);

// A field as the mount table writes it: space, tab, newline and backslash as three-digit octal
// escapes ("\040"), undone; with `hex`, udev's "\xHH" too (as volume labels hold both).
std::string UnescapeMountField(std::string_view text, bool hex = false);

}  // namespace nulvane
