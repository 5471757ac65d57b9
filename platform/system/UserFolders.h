#pragma once
// The user's own configuration folder, found and made by the XDG base-directory rules, for the
// files an installed program keeps per user.
#include <string>

namespace nulvane {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, with the home folder from
// the password database when HOME is unset or empty; no trailing separator. "" when no home
// folder is known.
std::string UserConfigFolder();

// Makes `folder` and each missing folder above it, for the user alone (as configuration folders
// are made); folders already there are left as they are. EOSError naming the folder that could
// not be made.
void MakeUserFolder(const std::string& folder);
// The same, saying nothing when a folder cannot be made: the first use of the folder says so.
void MakeUserFolderQuietly(const std::string& folder) noexcept;

}  // namespace nulvane
