#pragma once
// How the verified remover reaches a file's folder: step by step from "/" (or the working
// folder), never through a symbolic link past the scanned folder's own path unless the scan
// followed that link, and checking at each anchor that the folder reached is the one the scan
// met there. Folders opened this way stay open in the remover's cache, keyed by how they were
// opened, so that the files of one folder open it once. What the remover does with the file
// once its folder is open (move aside, check, remove) is its own business (FileRemoval.cpp).
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files/removal/FileRemoval.h"

namespace nulvane::anchored {

// Anchors a request may carry: each a leading part of the path, ending in "/", each longer than
// the one before, none past the file's folder.
bool AnchorsFit(const TRemoveRequest& request, std::size_t folderLength) noexcept;

// The key under which the folder at the first `length` bytes of the request's path is kept open:
// the path, and once it reaches the end of the scanned folder's path, the anchors up to there (which
// links it was opened through and what they had to lead to). Two requests share an open folder only
// when they would have opened it the same way; within the scanned folder's path, and for paths
// without anchors, the key is the path alone.
void FolderKey(const TRemoveRequest& request, std::size_t length, std::string& key);

}  // namespace nulvane::anchored
