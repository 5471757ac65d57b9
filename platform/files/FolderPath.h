#pragma once
// The path a folder the user named is scanned and shown under (the window's folders given on the
// command line, dropped or picked; nulvane-cli's FOLDERs with --absolute-path): absolute, without
// "." components and without repeated or trailing separators, and with each ".." resolved as the
// kernel resolves it, to the real parent of the folder before it (which a link there makes another
// folder than the text suggests). Links elsewhere in the path stay as the user gave them, so the
// list shows the folder under the name the user knows it by.
#include <string>

namespace nulvane {

// `path` cleaned as above; relative paths are taken from the working folder. The empty text stays
// empty.
std::string CleanFolderPath(const std::string& path);

}  // namespace nulvane
