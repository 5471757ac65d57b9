<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
<context>
    <name>StatusTexts</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>; </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (and %2 more)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(and %1 more)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 read, %2 found</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n empty files</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Scan stopped: %1 listed, the list is incomplete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan finished: %1 listed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 held back by keep rules</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be read</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In the trash, not scanned: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The scan ran short of memory: the list is incomplete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a folder: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo stopped: put back %1 from the trash, %2 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo stopped: put back %1, %2 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back %1 from the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 stays in the trash, its name is taken: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 stay in the trash, their names are taken: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not put back, its name is taken: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not put back, their names are taken: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 no longer in the trash: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 no longer in the undo record: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be put back: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 without their owner or attributes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name taken, still in the trash: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name taken, not put back: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No longer in the trash: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No longer in the undo record: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not be put back: %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion stopped: moved %1 to the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moved %1 to the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion stopped: deleted %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (undo: Ctrl+Z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1 already gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1 kept: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1 kept</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no journal (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Put back %n files an interrupted deletion had moved aside</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1 could not be put back</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n entries an interrupted undo had half made taken away (nulvane-cli --undo makes them again)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n deletion journals not used</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n damaged deletion journals set aside</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing deleted: cannot keep the deletion&apos;s journal (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back beside its name, which was taken: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not put back, in %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not put back: %1, left as %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion journal not used: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Damaged deletion journal %1 not used: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Damaged deletion journal set aside as %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No files in the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 in the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not restored: birth and change times, inode numbers; names of one file come back as separate files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1 ignored: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> (%n more lines ignored)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>core</name>
    <message>
        <source>EXCEL File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The row count is out of excel range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excel is not installed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The column count is out of excel range: a sheet holds 256 columns, &quot;SerialNO&quot; and at most 255 export columns.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Catalog with the same name already exists,overwrite?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export to file..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gathering info..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTML File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>XML File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>larger than 1 MiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept by rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reached through a folder link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an XDG user folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>repository</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an extension holds no &quot;/&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unclosed [</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reversed range in [...]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ends in a lone \</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>longer than 4096 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>holds a NUL byte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>starts with ! (write \! for a name that does)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>holds .. (a parent folder)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>names nothing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finds and removes empty files. By Karvo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: changed since the scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: permission denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: path no longer leads to it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: no trash on this file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: could not be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: read-only file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: cannot tell whether it is in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: no longer empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: a scanned folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: holds a scanned folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>still in the trash: its name is taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not put back: no longer in the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>still in the trash: its folder is gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>still in the trash: permission denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>still in the trash: read-only file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>still in the trash: could not be put back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept: too many attributes to undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not put back: its name is taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not put back: no longer in the undo record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not put back: its folder is gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not put back: could not be made again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Double click to open it in explorer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Putting files back..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>put back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a deletion journal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no longer empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not the file the deletion moved aside</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its name was taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a part of the undo record its name gives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a record of a deletion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its folder is no longer there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its folder&apos;s path leads elsewhere now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>another folder has its folder&apos;s path now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>changed since the scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>path no longer leads to it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no trash on this file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot tell whether it is in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>holds a scanned folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a scanned folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>too many attributes to undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>could not be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>nothing undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no deletion to undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a part of a damaged undo record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an undo record out of form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>nulvane::TFMAbout</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>nulvane::TFMMain</name>
    <message>
        <source>&amp;Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export To HTML</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export To Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export To Excel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export To SCV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export To XML</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Follow Folder Links</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan the folders that links lead to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stay On One File System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do not scan folders on other disks or mounted file systems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include Empty Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List the folders that hold nothing but empty folders too, each empty tree at its top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete and Delete All move the files to the trash, where they can be restored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Rules...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name the empty files that Delete All passes by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Names:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>every name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List only the files and folders whose names match one of these globs, separated by blanks: *.log *.tmp (a glob with / matches the path below the scanned folder)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take the files just moved to the trash back (Ctrl+Z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep rules not read: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep rules: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Names not changed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Make the files just deleted again (Ctrl+Z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading info..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting files..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export stopped: no file written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not open </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the file from disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the files from disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the folder from disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the folders from disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete the files and folders from disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put it back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put them back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>nulvane::TKeepRulesForm</name>
    <message>
        <source>Keep Rules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty files these rules name are listed unchecked, and &quot;Delete All&quot; passes them by until they are checked. Changes apply to the next scan.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rules that ship:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your rules, one a line: a name (*.lock), a folder&apos;s name ending in / (.venv/), or a path with / (migrations/__init__.py; from the root when it starts with /). # starts a comment.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No configuration folder is known (HOME is not set): there is nowhere to save.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rules file cannot be read (%1); it is left as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rules file holds bytes that are not UTF-8 text; edit it with a text editor so that they stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>nulvane::TWaitForm</name>
    <message>
        <source>Please wait</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This will take a few minutes.Please be patient...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop (Esc): keeps what was done so far</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
