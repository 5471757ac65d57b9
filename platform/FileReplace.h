#pragma once
// Replacing a file as a whole: the new content is written to a temporary file next to the target
// and renamed over it only when it is complete and on disk, so that a failure at any point leaves
// the earlier file (or no file) rather than a partial one.
#include <string>
#include <string_view>

namespace nulvane {

// Writes `content` to `path`, replacing what is there. The new file gets the usual permissions
// of a new file (0666 less the umask). EOSError naming the path and the reason on failure; the
// temporary file is then removed again.
void ReplaceFileContent(const std::string& path, std::string_view content);

}  // namespace nulvane
