#pragma once
// The main window's options, remembered between runs in the user's configuration folder
// ($XDG_CONFIG_HOME/nulvane/nulvane.conf, through QSettings): how a scan treats links to folders
// and other file systems, whether it lists empty folders too, which names it lists, and whether
// deletion moves files to the trash. A value missing or unreadable in the file takes its default.
//
// Beside them, the window's layout as the user left it: its size and place, and the widths of the
// columns the user dragged, by column name, which go over the widths of the column configuration
// (that file itself is never written for them).
#include <QByteArray>
#include <QString>

#include <map>
#include <string>

#include "platform/files/DirWalk.h"

namespace nulvane {

struct TWindowOptions {
    bool FollowFolderLinks = true;
    bool OneFileSystem = false;
    bool MoveToTrash = false;  // off: deletion is final
    bool IncludeEmptyFolders = false;  // a scan lists empty folders beside empty files
    // The globs a scan lists names by, blank-separated as TNameFilter::ParseGlobs reads them
    // ("*.log *.tmp"); empty: every name.
    std::string Names;

    // The options as the user left them.
    static TWindowOptions Load();
    void Save() const;
    // The file they are kept in.
    static QString FileName();

    // The walk a scan of the window does with these options.
    TWalkOptions WalkOptions() const;
};

struct TWindowLayout {
    QByteArray Geometry;                       // as QWidget::saveGeometry gives it; empty: none yet
    std::map<std::string, int> ColumnWidths;  // by the column's name in the configuration

    static TWindowLayout Load();
    void Save() const;
};

}  // namespace nulvane
