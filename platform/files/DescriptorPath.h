#pragma once
// The path the kernel knows an open file or folder by, read from its link in /proc/self/fd: the
// one way the trash, the walk's trash check and the state folder's checks ask it, without a limit
// on the path's length.
#include <string>

namespace nulvane {

// The absolute path of the open file or folder `fd` as this process sees it now ("" where /proc
// cannot tell, or tells no absolute path); AT_FDCWD for the working folder. A file removed
// meanwhile has " (deleted)" after its path.
std::string DescriptorPath(int fd);

}  // namespace nulvane
