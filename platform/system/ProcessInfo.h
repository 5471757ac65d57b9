#pragma once
// Facts about the running program that the operating system knows.
#include <string>

namespace nulvane {

// The folder of the running executable, without a trailing separator ("" for the root folder).
// Throws EOSError when the system cannot tell.
std::string ExecutableFolder();

// Makes ExecutableFolder() answer `folder` (trailing separators dropped) until called again;
// "" goes back to the real folder. Lets tests put the program's files in a folder of their own.
void SetExecutableFolderForTesting(std::string folder);

}  // namespace nulvane
