#pragma once
// The user's own folders: the home folder, and the configuration folder found and made by the XDG
// base-directory rules, for the files an installed program keeps per user.
#include <string>

namespace nulvane {

// $HOME when it is an absolute path, else the home folder the password database gives the
// effective user (the one whose files a run makes and whose trash it uses: root's under sudo
// unless HOME says otherwise), as it is written; "" when neither is known.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder()/.config; no trailing
// separator. "" when no home folder is known.
std::string UserConfigFolder();

// Makes `folder` and each missing folder above it, for the user alone (as configuration folders
// are made); folders already there are left as they are. EOSError naming the folder that could
// not be made.
void MakeUserFolder(const std::string& folder);
// The same, saying nothing when a folder cannot be made: the first use of the folder says so.
void MakeUserFolderQuietly(const std::string& folder) noexcept;

}  // namespace nulvane
