<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>StatusTexts</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders</source>
        <translation>
            <numerusform>%n Ordner</numerusform>
            <numerusform>%n Ordner</numerusform>
        </translation>
    </message>
    <message>
        <source>; </source>
        <translation>; </translation>
    </message>
    <message>
        <source>%1 (and %2 more)</source>
        <translation>%1 (und %2 weitere)</translation>
    </message>
    <message>
        <source>(and %1 more)</source>
        <translation>(und %1 weitere)</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>%1 of %2 %3</source>
        <translation>%1 von %2 %3</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message numerus="yes">
        <source>Scan stopped: %1 listed, the list is incomplete</source>
        <translation>
            <numerusform>Suchlauf abgebrochen: %1 aufgelistet, die Liste ist unvollständig</numerusform>
            <numerusform>Suchlauf abgebrochen: %1 aufgelistet, die Liste ist unvollständig</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scan finished: %1 listed</source>
        <translation>
            <numerusform>Suchlauf beendet: %1 aufgelistet</numerusform>
            <numerusform>Suchlauf beendet: %1 aufgelistet</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 held back by keep rules</source>
        <translation>
            <numerusform>%1 durch Ausnahmeregeln zurückgehalten</numerusform>
            <numerusform>%1 durch Ausnahmeregeln zurückgehalten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be read</source>
        <translation>
            <numerusform>%n Ordner konnte nicht gelesen werden</numerusform>
            <numerusform>%n Ordner konnten nicht gelesen werden</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>In the trash, not scanned: %1</source>
        <translation>Im Papierkorb, nicht durchsucht: %1</translation>
    </message>
    <message>
        <source>The scan ran short of memory: the list is incomplete</source>
        <translation>Dem Suchlauf ging der Speicher aus: Die Liste ist unvollständig</translation>
    </message>
    <message>
        <source>Not a folder: %1</source>
        <translation>Kein Ordner: %1</translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation>Konnte nicht gelesen werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1 from the trash, %2 left</source>
        <translation>
            <numerusform>Rückgängig abgebrochen: %1 aus dem Papierkorb zurückgelegt, %2 übrig</numerusform>
            <numerusform>Rückgängig abgebrochen: %1 aus dem Papierkorb zurückgelegt, %2 übrig</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1, %2 left</source>
        <translation>
            <numerusform>Rückgängig abgebrochen: %1 wiederhergestellt, %2 übrig</numerusform>
            <numerusform>Rückgängig abgebrochen: %1 wiederhergestellt, %2 übrig</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1 from the trash</source>
        <translation>
            <numerusform>%1 aus dem Papierkorb zurückgelegt</numerusform>
            <numerusform>%1 aus dem Papierkorb zurückgelegt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1</source>
        <translation>
            <numerusform>%1 wiederhergestellt</numerusform>
            <numerusform>%1 wiederhergestellt</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 stays in the trash, its name is taken: %2</source>
        <translation>%1 bleibt im Papierkorb, sein Name ist vergeben: %2</translation>
    </message>
    <message>
        <source>%1 stay in the trash, their names are taken: %2</source>
        <translation>%1 bleiben im Papierkorb, ihre Namen sind vergeben: %2</translation>
    </message>
    <message>
        <source>%1 not put back, its name is taken: %2</source>
        <translation>%1 nicht wiederhergestellt, sein Name ist vergeben: %2</translation>
    </message>
    <message>
        <source>%1 not put back, their names are taken: %2</source>
        <translation>%1 nicht wiederhergestellt, ihre Namen sind vergeben: %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the trash: %2</source>
        <translation>
            <numerusform>%1 nicht mehr im Papierkorb: %2</numerusform>
            <numerusform>%1 nicht mehr im Papierkorb: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the undo record: %2</source>
        <translation>
            <numerusform>%1 nicht mehr im Wiederherstellungsprotokoll: %2</numerusform>
            <numerusform>%1 nicht mehr im Wiederherstellungsprotokoll: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back: %2</source>
        <translation>
            <numerusform>%1 konnte nicht wiederhergestellt werden: %2</numerusform>
            <numerusform>%1 konnten nicht wiederhergestellt werden: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 without their owner or attributes</source>
        <translation>
            <numerusform>%1 ohne Eigentümer oder Attribute</numerusform>
            <numerusform>%1 ohne Eigentümer oder Attribute</numerusform>
        </translation>
    </message>
    <message>
        <source>Name taken, still in the trash: %1</source>
        <translation>Name vergeben, noch im Papierkorb: %1</translation>
    </message>
    <message>
        <source>Name taken, not put back: %1</source>
        <translation>Name vergeben, nicht wiederhergestellt: %1</translation>
    </message>
    <message>
        <source>No longer in the trash: %1</source>
        <translation>Nicht mehr im Papierkorb: %1</translation>
    </message>
    <message>
        <source>No longer in the undo record: %1</source>
        <translation>Nicht mehr im Wiederherstellungsprotokoll: %1</translation>
    </message>
    <message>
        <source>Could not be put back: %1: %2</source>
        <translation>Konnte nicht wiederhergestellt werden: %1: %2</translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: moved %1 to the trash</source>
        <translation>
            <numerusform>Löschen abgebrochen: %1 in den Papierkorb verschoben</numerusform>
            <numerusform>Löschen abgebrochen: %1 in den Papierkorb verschoben</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %1 to the trash</source>
        <translation>
            <numerusform>%1 in den Papierkorb verschoben</numerusform>
            <numerusform>%1 in den Papierkorb verschoben</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: deleted %1</source>
        <translation>
            <numerusform>Löschen abgebrochen: %1 gelöscht</numerusform>
            <numerusform>Löschen abgebrochen: %1 gelöscht</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deleted %1</source>
        <translation>
            <numerusform>%1 gelöscht</numerusform>
            <numerusform>%1 gelöscht</numerusform>
        </translation>
    </message>
    <message>
        <source> (undo: Ctrl+Z)</source>
        <translation> (rückgängig: Strg+Z)</translation>
    </message>
    <message numerus="yes">
        <source>, %1 already gone</source>
        <translation>
            <numerusform>, %1 bereits entfernt</numerusform>
            <numerusform>, %1 bereits entfernt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept: %2</source>
        <translation>
            <numerusform>, %1 behalten: %2</numerusform>
            <numerusform>, %1 behalten: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept</source>
        <translation>
            <numerusform>, %1 behalten</numerusform>
            <numerusform>, %1 behalten</numerusform>
        </translation>
    </message>
    <message>
        <source>no journal (%1)</source>
        <translation>kein Protokoll (%1)</translation>
    </message>
    <message numerus="yes">
        <source>Put back %n files an interrupted deletion had moved aside</source>
        <translation>
            <numerusform>%n Datei wiederhergestellt, die ein unterbrochener Löschvorgang beiseitegelegt hatte</numerusform>
            <numerusform>%n Dateien wiederhergestellt, die ein unterbrochener Löschvorgang beiseitegelegt hatte</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back</source>
        <translation>
            <numerusform>%1 konnte nicht wiederhergestellt werden</numerusform>
            <numerusform>%1 konnten nicht wiederhergestellt werden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries an interrupted undo had half made taken away (nulvane-cli --undo makes them again)</source>
        <translation>
            <numerusform>%n halb wiederhergestellter Eintrag eines unterbrochenen Rückgängigmachens entfernt (nulvane-cli --undo stellt ihn erneut her)</numerusform>
            <numerusform>%n halb wiederhergestellte Einträge eines unterbrochenen Rückgängigmachens entfernt (nulvane-cli --undo stellt sie erneut her)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n deletion journals not used</source>
        <translation>
            <numerusform>%n Löschprotokoll nicht verwendet</numerusform>
            <numerusform>%n Löschprotokolle nicht verwendet</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n damaged deletion journals set aside</source>
        <translation>
            <numerusform>%n beschädigtes Löschprotokoll beiseitegelegt</numerusform>
            <numerusform>%n beschädigte Löschprotokolle beiseitegelegt</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing deleted: cannot keep the deletion&apos;s journal (%1)</source>
        <translation>Nichts gelöscht: Das Löschprotokoll kann nicht geführt werden (%1)</translation>
    </message>
    <message>
        <source>Put back beside its name, which was taken: %1</source>
        <translation>Neben seinem Namen wiederhergestellt, der vergeben war: %1</translation>
    </message>
    <message>
        <source>Not put back, in %1: %2</source>
        <translation>Nicht wiederhergestellt, in %1: %2</translation>
    </message>
    <message>
        <source>Not put back: %1, left as %2: %3</source>
        <translation>Nicht wiederhergestellt: %1, belassen als %2: %3</translation>
    </message>
    <message>
        <source>Deletion journal not used: %1</source>
        <translation>Löschprotokoll nicht verwendet: %1</translation>
    </message>
    <message>
        <source>Damaged deletion journal %1 not used: %2</source>
        <translation>Beschädigtes Löschprotokoll %1 nicht verwendet: %2</translation>
    </message>
    <message>
        <source>Damaged deletion journal set aside as %1: %2</source>
        <translation>Beschädigtes Löschprotokoll beiseitegelegt als %1: %2</translation>
    </message>
    <message>
        <source>No files in the list</source>
        <translation>Keine Dateien in der Liste</translation>
    </message>
    <message numerus="yes">
        <source>%1 in the list</source>
        <translation>
            <numerusform>%1 in der Liste</numerusform>
            <numerusform>%1 in der Liste</numerusform>
        </translation>
    </message>
    <message>
        <source>Not restored: birth and change times, inode numbers; names of one file come back as separate files</source>
        <translation>Nicht wiederhergestellt: Erstellungs- und Änderungszeiten, Inode-Nummern; mehrere Namen einer Datei kommen als getrennte Dateien zurück</translation>
    </message>
    <message>
        <source>line %1 ignored: %2</source>
        <translation>Zeile %1 ignoriert: %2</translation>
    </message>
    <message numerus="yes">
        <source> (%n more lines ignored)</source>
        <translation>
            <numerusform> (%n weitere Zeile ignoriert)</numerusform>
            <numerusform> (%n weitere Zeilen ignoriert)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n folders read</source>
        <translation>
            <numerusform>%n Ordner gelesen</numerusform>
            <numerusform>%n Ordner gelesen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n empty files found</source>
        <translation>
            <numerusform>%n leere Datei gefunden</numerusform>
            <numerusform>%n leere Dateien gefunden</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>core</name>
    <message>
        <source>EXCEL File</source>
        <translation>EXCEL-Datei</translation>
    </message>
    <message>
        <source>The row count is out of excel range.</source>
        <translation>Die Zeilenzahl übersteigt, was Excel fassen kann.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Excel is not installed.</source>
        <translation>Excel ist nicht installiert.</translation>
    </message>
    <message>
        <source>The column count is out of excel range: a sheet holds 256 columns, &quot;SerialNO&quot; and at most 255 export columns.</source>
        <translation>Die Spaltenzahl übersteigt, was Excel fassen kann: Ein Blatt hat 256 Spalten, „SerialNO“ und höchstens 255 exportierte Spalten.</translation>
    </message>
    <message>
        <source>Catalog with the same name already exists,overwrite?</source>
        <translation>Eine Datei mit diesem Namen ist bereits vorhanden. Überschreiben?</translation>
    </message>
    <message>
        <source>Export Finished</source>
        <translation>Export abgeschlossen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Export to file..</source>
        <translation>Export in Datei …</translation>
    </message>
    <message>
        <source>Gathering info..</source>
        <translation>Informationen werden gesammelt …</translation>
    </message>
    <message>
        <source>HTML File</source>
        <translation>HTML-Datei</translation>
    </message>
    <message>
        <source>XML File</source>
        <translation>XML-Datei</translation>
    </message>
    <message>
        <source>larger than 1 MiB</source>
        <translation>größer als 1 MiB</translation>
    </message>
    <message>
        <source>kept by rule</source>
        <translation>durch Regel behalten</translation>
    </message>
    <message>
        <source>reached through a folder link</source>
        <translation>über eine Ordnerverknüpfung erreicht</translation>
    </message>
    <message>
        <source>an XDG user folder</source>
        <translation>ein XDG-Benutzerordner</translation>
    </message>
    <message>
        <source>repository</source>
        <translation>Repository</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source>an extension holds no &quot;/&quot;</source>
        <translation>eine Endung enthält kein „/“</translation>
    </message>
    <message>
        <source>unclosed [</source>
        <translation>nicht geschlossene [</translation>
    </message>
    <message>
        <source>reversed range in [...]</source>
        <translation>umgekehrter Bereich in [...]</translation>
    </message>
    <message>
        <source>ends in a lone \</source>
        <translation>endet mit einem einzelnen \</translation>
    </message>
    <message>
        <source>longer than 4096 bytes</source>
        <translation>länger als 4096 Bytes</translation>
    </message>
    <message>
        <source>holds a NUL byte</source>
        <translation>enthält ein NUL-Byte</translation>
    </message>
    <message>
        <source>starts with ! (write \! for a name that does)</source>
        <translation>beginnt mit ! (\! schreiben für einen Namen, der so beginnt)</translation>
    </message>
    <message>
        <source>holds .. (a parent folder)</source>
        <translation>enthält .. (einen übergeordneten Ordner)</translation>
    </message>
    <message>
        <source>names nothing</source>
        <translation>benennt nichts</translation>
    </message>
    <message>
        <source>Finds and removes empty files. By Karvo.</source>
        <translation>Findet und entfernt leere Dateien. Von Karvo.</translation>
    </message>
    <message>
        <source>kept: changed since the scan</source>
        <translation>behalten: seit dem Suchlauf verändert</translation>
    </message>
    <message>
        <source>kept: in use</source>
        <translation>behalten: in Benutzung</translation>
    </message>
    <message>
        <source>kept: permission denied</source>
        <translation>behalten: Zugriff verweigert</translation>
    </message>
    <message>
        <source>kept: path no longer leads to it</source>
        <translation>behalten: der Pfad führt nicht mehr dorthin</translation>
    </message>
    <message>
        <source>kept: no trash on this file system</source>
        <translation>behalten: kein Papierkorb auf diesem Dateisystem</translation>
    </message>
    <message>
        <source>kept: could not be removed</source>
        <translation>behalten: konnte nicht entfernt werden</translation>
    </message>
    <message>
        <source>kept: read-only file system</source>
        <translation>behalten: schreibgeschütztes Dateisystem</translation>
    </message>
    <message>
        <source>kept: cannot tell whether it is in use</source>
        <translation>behalten: unklar, ob es in Benutzung ist</translation>
    </message>
    <message>
        <source>kept: no longer empty</source>
        <translation>behalten: nicht mehr leer</translation>
    </message>
    <message>
        <source>kept: a scanned folder</source>
        <translation>behalten: ein durchsuchter Ordner</translation>
    </message>
    <message>
        <source>kept: holds a scanned folder</source>
        <translation>behalten: enthält einen durchsuchten Ordner</translation>
    </message>
    <message>
        <source>still in the trash: its name is taken</source>
        <translation>noch im Papierkorb: sein Name ist vergeben</translation>
    </message>
    <message>
        <source>not put back: no longer in the trash</source>
        <translation>nicht wiederhergestellt: nicht mehr im Papierkorb</translation>
    </message>
    <message>
        <source>still in the trash: its folder is gone</source>
        <translation>noch im Papierkorb: sein Ordner ist nicht mehr da</translation>
    </message>
    <message>
        <source>still in the trash: permission denied</source>
        <translation>noch im Papierkorb: Zugriff verweigert</translation>
    </message>
    <message>
        <source>still in the trash: read-only file system</source>
        <translation>noch im Papierkorb: schreibgeschütztes Dateisystem</translation>
    </message>
    <message>
        <source>still in the trash: could not be put back</source>
        <translation>noch im Papierkorb: konnte nicht zurückgelegt werden</translation>
    </message>
    <message>
        <source>kept: too many attributes to undo</source>
        <translation>behalten: zu viele Attribute zum Rückgängigmachen</translation>
    </message>
    <message>
        <source>not put back: its name is taken</source>
        <translation>nicht wiederhergestellt: sein Name ist vergeben</translation>
    </message>
    <message>
        <source>not put back: no longer in the undo record</source>
        <translation>nicht wiederhergestellt: nicht mehr im Wiederherstellungsprotokoll</translation>
    </message>
    <message>
        <source>not put back: its folder is gone</source>
        <translation>nicht wiederhergestellt: sein Ordner ist nicht mehr da</translation>
    </message>
    <message>
        <source>not put back: could not be made again</source>
        <translation>nicht wiederhergestellt: konnte nicht neu angelegt werden</translation>
    </message>
    <message>
        <source>Double click to open it in explorer.</source>
        <translation>Doppelklick öffnet es im Dateimanager.</translation>
    </message>
    <message>
        <source>Putting files back..</source>
        <translation>Dateien werden wiederhergestellt …</translation>
    </message>
    <message>
        <source>put back</source>
        <translation>wiederhergestellt</translation>
    </message>
    <message>
        <source>not a deletion journal</source>
        <translation>kein Löschprotokoll</translation>
    </message>
    <message>
        <source>no longer empty</source>
        <translation>nicht mehr leer</translation>
    </message>
    <message>
        <source>not the file the deletion moved aside</source>
        <translation>nicht die Datei, die das Löschen beiseitegelegt hat</translation>
    </message>
    <message>
        <source>its name was taken</source>
        <translation>sein Name war vergeben</translation>
    </message>
    <message>
        <source>not a part of the undo record its name gives</source>
        <translation>kein Teil des Wiederherstellungsprotokolls, das sein Name nennt</translation>
    </message>
    <message>
        <source>not a record of a deletion</source>
        <translation>kein Protokoll eines Löschvorgangs</translation>
    </message>
    <message>
        <source>its folder is no longer there</source>
        <translation>sein Ordner ist nicht mehr da</translation>
    </message>
    <message>
        <source>its folder&apos;s path leads elsewhere now</source>
        <translation>der Pfad seines Ordners führt jetzt woandershin</translation>
    </message>
    <message>
        <source>another folder has its folder&apos;s path now</source>
        <translation>ein anderer Ordner hat jetzt den Pfad seines Ordners</translation>
    </message>
    <message>
        <source>changed since the scan</source>
        <translation>seit dem Suchlauf verändert</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>in use</source>
        <translation>in Benutzung</translation>
    </message>
    <message>
        <source>path no longer leads to it</source>
        <translation>der Pfad führt nicht mehr dorthin</translation>
    </message>
    <message>
        <source>no trash on this file system</source>
        <translation>kein Papierkorb auf diesem Dateisystem</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>schreibgeschütztes Dateisystem</translation>
    </message>
    <message>
        <source>cannot tell whether it is in use</source>
        <translation>unklar, ob es in Benutzung ist</translation>
    </message>
    <message>
        <source>holds a scanned folder</source>
        <translation>enthält einen durchsuchten Ordner</translation>
    </message>
    <message>
        <source>a scanned folder</source>
        <translation>ein durchsuchter Ordner</translation>
    </message>
    <message>
        <source>too many attributes to undo</source>
        <translation>zu viele Attribute zum Rückgängigmachen</translation>
    </message>
    <message>
        <source>could not be removed</source>
        <translation>konnte nicht entfernt werden</translation>
    </message>
    <message>
        <source>nothing undone</source>
        <translation>nichts rückgängig gemacht</translation>
    </message>
    <message>
        <source>no deletion to undo</source>
        <translation>kein Löschvorgang zum Rückgängigmachen</translation>
    </message>
    <message>
        <source>a part of a damaged undo record</source>
        <translation>Teil eines beschädigten Wiederherstellungsprotokolls</translation>
    </message>
    <message>
        <source>an undo record out of form</source>
        <translation>ein Wiederherstellungsprotokoll in falscher Form</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>es existiert nicht</translation>
    </message>
    <message>
        <source>nothing on this desktop opens it</source>
        <translation>nichts auf dieser Arbeitsumgebung öffnet es</translation>
    </message>
    <message>
        <source>the program that opens it failed</source>
        <translation>das Programm, das es öffnet, ist gescheitert</translation>
    </message>
    <message>
        <source>CSV File</source>
        <translation>CSV-Datei</translation>
    </message>
    <message>
        <source>Text File</source>
        <translation>Textdatei</translation>
    </message>
    <message>
        <source>Export To SCV</source>
        <translation>Als CSV exportieren</translation>
    </message>
    <message>
        <source>Export To Text</source>
        <translation>Als Text exportieren</translation>
    </message>
    <message>
        <source>Export To HTML</source>
        <translation>Als HTML exportieren</translation>
    </message>
    <message>
        <source>Export To XML</source>
        <translation>Als XML exportieren</translation>
    </message>
    <message>
        <source>Export To Excel</source>
        <translation>Nach Excel exportieren</translation>
    </message>
</context>
<context>
    <name>nulvane::TFMAbout</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Web: </source>
        <translation>Web: </translation>
    </message>
    <message>
        <source>Email: </source>
        <translation>E-Mail: </translation>
    </message>
</context>
<context>
    <name>nulvane::TFMMain</name>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation>Liste l&amp;eeren</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Delete &amp;All</source>
        <translation>&amp;Alle löschen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Alle markieren</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genügend Speicher</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Auswahl markieren</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Markierung der Auswahl aufheben</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Follow Folder Links</source>
        <translation>Ordnerverknüpfungen folgen</translation>
    </message>
    <message>
        <source>Scan the folders that links lead to</source>
        <translation>Auch die Ordner durchsuchen, auf die Verknüpfungen zeigen</translation>
    </message>
    <message>
        <source>Stay On One File System</source>
        <translation>Im selben Dateisystem bleiben</translation>
    </message>
    <message>
        <source>Do not scan folders on other disks or mounted file systems</source>
        <translation>Keine Ordner auf anderen Datenträgern oder eingehängten Dateisystemen durchsuchen</translation>
    </message>
    <message>
        <source>Include Empty Folders</source>
        <translation>Leere Ordner einbeziehen</translation>
    </message>
    <message>
        <source>List the folders that hold nothing but empty folders too, each empty tree at its top</source>
        <translation>Auch Ordner auflisten, die nur leere Ordner enthalten, jeden leeren Baum an seiner Spitze</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb verschieben</translation>
    </message>
    <message>
        <source>Delete and Delete All move the files to the trash, where they can be restored</source>
        <translation>„Löschen“ und „Alle löschen“ verschieben die Dateien in den Papierkorb, aus dem sie wiederhergestellt werden können</translation>
    </message>
    <message>
        <source>Keep Rules...</source>
        <translation>Ausnahmeregeln …</translation>
    </message>
    <message>
        <source>Name the empty files that Delete All passes by</source>
        <translation>Die leeren Dateien nennen, die „Alle löschen“ auslässt</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>&amp;Names:</source>
        <translation>&amp;Namen:</translation>
    </message>
    <message>
        <source>every name</source>
        <translation>jeder Name</translation>
    </message>
    <message>
        <source>List only the files and folders whose names match one of these globs, separated by blanks: *.log *.tmp (a glob with / matches the path below the scanned folder)</source>
        <translation>Nur Dateien und Ordner auflisten, deren Namen zu einem dieser Muster passen, getrennt durch Leerzeichen: *.log *.tmp (ein Muster mit / passt auf den Pfad unterhalb des durchsuchten Ordners)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Take the files just moved to the trash back (Ctrl+Z)</source>
        <translation>Die eben in den Papierkorb verschobenen Dateien zurückholen (Strg+Z)</translation>
    </message>
    <message>
        <source>Keep rules not read: %1 (%2)</source>
        <translation>Ausnahmeregeln nicht gelesen: %1 (%2)</translation>
    </message>
    <message>
        <source>Keep rules: %1</source>
        <translation>Ausnahmeregeln: %1</translation>
    </message>
    <message>
        <source>Names not changed: %1</source>
        <translation>Namen nicht geändert: %1</translation>
    </message>
    <message>
        <source>Make the files just deleted again (Ctrl+Z)</source>
        <translation>Die eben gelöschten Dateien wiederherstellen (Strg+Z)</translation>
    </message>
    <message>
        <source>Loading info..</source>
        <translation>Informationen werden geladen …</translation>
    </message>
    <message>
        <source>Deleting files..</source>
        <translation>Dateien werden gelöscht …</translation>
    </message>
    <message>
        <source>Export stopped: no file written</source>
        <translation>Export abgebrochen: keine Datei geschrieben</translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation>Export fehlgeschlagen: </translation>
    </message>
    <message>
        <source>Could not open </source>
        <translation>Konnte nicht geöffnet werden: </translation>
    </message>
    <message>
        <source>Are you sure to delete the file from disk?</source>
        <translation>Soll die Datei wirklich vom Datenträger gelöscht werden?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files from disk?</source>
        <translation>Sollen die Dateien wirklich vom Datenträger gelöscht werden?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folder from disk?</source>
        <translation>Soll der Ordner wirklich vom Datenträger gelöscht werden?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folders from disk?</source>
        <translation>Sollen die Ordner wirklich vom Datenträger gelöscht werden?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files and folders from disk?</source>
        <translation>Sollen die Dateien und Ordner wirklich vom Datenträger gelöscht werden?</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put it back.</source>
        <translation>„Rückgängig“ (Strg+Z) kann das Löschen zurücknehmen.</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put them back.</source>
        <translation>„Rückgängig“ (Strg+Z) kann das Löschen zurücknehmen.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
</context>
<context>
    <name>nulvane::TKeepRulesForm</name>
    <message>
        <source>Keep Rules</source>
        <translation>Ausnahmeregeln</translation>
    </message>
    <message>
        <source>Empty files these rules name are listed unchecked, and &quot;Delete All&quot; passes them by until they are checked. Changes apply to the next scan.</source>
        <translation>Leere Dateien, die diese Regeln nennen, werden ohne Häkchen aufgelistet, und „Alle löschen“ lässt sie aus, bis sie markiert werden. Änderungen gelten ab dem nächsten Suchlauf.</translation>
    </message>
    <message>
        <source>Rules that ship:</source>
        <translation>Mitgelieferte Regeln:</translation>
    </message>
    <message>
        <source>Your rules, one a line: a name (*.lock), a folder&apos;s name ending in / (.venv/), or a path with / (migrations/__init__.py; from the root when it starts with /). # starts a comment.</source>
        <translation>Ihre Regeln, eine pro Zeile: ein Name (*.lock), ein Ordnername mit / am Ende (.venv/) oder ein Pfad mit / (migrations/__init__.py; ab der Wurzel, wenn er mit / beginnt). # leitet einen Kommentar ein.</translation>
    </message>
    <message>
        <source>Kept in %1</source>
        <translation>Gespeichert in %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>No configuration folder is known (HOME is not set): there is nowhere to save.</source>
        <translation>Kein Konfigurationsordner bekannt (HOME ist nicht gesetzt): Es gibt keinen Ort zum Speichern.</translation>
    </message>
    <message>
        <source>The rules file cannot be read (%1); it is left as it is.</source>
        <translation>Die Regeldatei kann nicht gelesen werden (%1); sie bleibt unverändert.</translation>
    </message>
    <message>
        <source>The rules file holds bytes that are not UTF-8 text; edit it with a text editor so that they stay as they are.</source>
        <translation>Die Regeldatei enthält Bytes, die kein UTF-8-Text sind; bearbeiten Sie sie mit einem Texteditor, damit sie erhalten bleiben.</translation>
    </message>
</context>
<context>
    <name>nulvane::TWaitForm</name>
    <message>
        <source>Please wait</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <source>This will take a few minutes.Please be patient...</source>
        <translation>Das kann einige Minuten dauern. Bitte haben Sie Geduld …</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Stop (Esc): keeps what was done so far</source>
        <translation>Anhalten (Esc): Was bisher getan wurde, bleibt erhalten</translation>
    </message>
</context>
</TS>
