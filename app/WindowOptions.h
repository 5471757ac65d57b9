#pragma once
// The main window's options, remembered between runs in the user's configuration folder
// ($XDG_CONFIG_HOME/nulvane/nulvane.conf, through QSettings): how a scan treats links to folders
// and other file systems, whether it lists empty folders too, and whether deletion moves files to
// the trash. A value missing or
// unreadable in the file takes its default.
#include <QString>

#include "platform/files/DirWalk.h"

namespace nulvane {

struct TWindowOptions {
    bool FollowFolderLinks = true;
    bool OneFileSystem = false;
    bool MoveToTrash = false;  // off: deletion is final
    bool IncludeEmptyFolders = false;  // a scan lists empty folders beside empty files

    // The options as the user left them.
    static TWindowOptions Load();
    void Save() const;
    // The file they are kept in.
    static QString FileName();

    // The walk a scan of the window does with these options.
    TWalkOptions WalkOptions() const;
};

}  // namespace nulvane
