<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>StatusTexts</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n fichier</numerusform>
            <numerusform>%n fichiers</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders</source>
        <translation>
            <numerusform>%n dossier</numerusform>
            <numerusform>%n dossiers</numerusform>
        </translation>
    </message>
    <message>
        <source>; </source>
        <translation>&#xa0;; </translation>
    </message>
    <message>
        <source>%1 (and %2 more)</source>
        <translation>%1 (et %2 de plus)</translation>
    </message>
    <message>
        <source>(and %1 more)</source>
        <translation>(et %1 de plus)</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 et %2</translation>
    </message>
    <message>
        <source>%1 of %2 %3</source>
        <translation>%1 sur %2 %3</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 sur %2</translation>
    </message>
    <message numerus="yes">
        <source>Scan stopped: %1 listed, the list is incomplete</source>
        <translation>
            <numerusform>Analyse arrêtée&#xa0;: %1 listé, la liste est incomplète</numerusform>
            <numerusform>Analyse arrêtée&#xa0;: %1 listés, la liste est incomplète</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scan finished: %1 listed</source>
        <translation>
            <numerusform>Analyse terminée&#xa0;: %1 listé</numerusform>
            <numerusform>Analyse terminée&#xa0;: %1 listés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 held back by keep rules</source>
        <translation>
            <numerusform>%1 retenu par les règles de conservation</numerusform>
            <numerusform>%1 retenus par les règles de conservation</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be read</source>
        <translation>
            <numerusform>%n dossier n’a pas pu être lu</numerusform>
            <numerusform>%n dossiers n’ont pas pu être lus</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>In the trash, not scanned: %1</source>
        <translation>Dans la corbeille, non analysé&#xa0;: %1</translation>
    </message>
    <message>
        <source>The scan ran short of memory: the list is incomplete</source>
        <translation>L’analyse a manqué de mémoire&#xa0;: la liste est incomplète</translation>
    </message>
    <message>
        <source>Not a folder: %1</source>
        <translation>Pas un dossier&#xa0;: %1</translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation>Lecture impossible&#xa0;: %1</translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1 from the trash, %2 left</source>
        <translation>
            <numerusform>Annulation arrêtée&#xa0;: restauration de %1 depuis la corbeille, %2 restant</numerusform>
            <numerusform>Annulation arrêtée&#xa0;: restauration de %1 depuis la corbeille, %2 restants</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1, %2 left</source>
        <translation>
            <numerusform>Annulation arrêtée&#xa0;: restauration de %1, %2 restant</numerusform>
            <numerusform>Annulation arrêtée&#xa0;: restauration de %1, %2 restants</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1 from the trash</source>
        <translation>
            <numerusform>%1 restauré depuis la corbeille</numerusform>
            <numerusform>%1 restaurés depuis la corbeille</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1</source>
        <translation>
            <numerusform>%1 restauré</numerusform>
            <numerusform>%1 restaurés</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 stays in the trash, its name is taken: %2</source>
        <translation>%1 reste dans la corbeille, son nom est pris&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 stay in the trash, their names are taken: %2</source>
        <translation>%1 restent dans la corbeille, leurs noms sont pris&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 not put back, its name is taken: %2</source>
        <translation>%1 non restauré, son nom est pris&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 not put back, their names are taken: %2</source>
        <translation>%1 non restaurés, leurs noms sont pris&#xa0;: %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the trash: %2</source>
        <translation>
            <numerusform>%1 n’est plus dans la corbeille&#xa0;: %2</numerusform>
            <numerusform>%1 ne sont plus dans la corbeille&#xa0;: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the undo record: %2</source>
        <translation>
            <numerusform>%1 n’est plus dans le journal d’annulation&#xa0;: %2</numerusform>
            <numerusform>%1 ne sont plus dans le journal d’annulation&#xa0;: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back: %2</source>
        <translation>
            <numerusform>%1 n’a pas pu être restauré&#xa0;: %2</numerusform>
            <numerusform>%1 n’ont pas pu être restaurés&#xa0;: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 without their owner or attributes</source>
        <translation>
            <numerusform>%1 sans son propriétaire ni ses attributs</numerusform>
            <numerusform>%1 sans leur propriétaire ni leurs attributs</numerusform>
        </translation>
    </message>
    <message>
        <source>Name taken, still in the trash: %1</source>
        <translation>Nom pris, toujours dans la corbeille&#xa0;: %1</translation>
    </message>
    <message>
        <source>Name taken, not put back: %1</source>
        <translation>Nom pris, non restauré&#xa0;: %1</translation>
    </message>
    <message>
        <source>No longer in the trash: %1</source>
        <translation>N’est plus dans la corbeille&#xa0;: %1</translation>
    </message>
    <message>
        <source>No longer in the undo record: %1</source>
        <translation>N’est plus dans le journal d’annulation&#xa0;: %1</translation>
    </message>
    <message>
        <source>Could not be put back: %1: %2</source>
        <translation>Restauration impossible&#xa0;: %1&#xa0;: %2</translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: moved %1 to the trash</source>
        <translation>
            <numerusform>Suppression arrêtée&#xa0;: %1 mis à la corbeille</numerusform>
            <numerusform>Suppression arrêtée&#xa0;: %1 mis à la corbeille</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %1 to the trash</source>
        <translation>
            <numerusform>%1 mis à la corbeille</numerusform>
            <numerusform>%1 mis à la corbeille</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: deleted %1</source>
        <translation>
            <numerusform>Suppression arrêtée&#xa0;: %1 supprimé</numerusform>
            <numerusform>Suppression arrêtée&#xa0;: %1 supprimés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deleted %1</source>
        <translation>
            <numerusform>%1 supprimé</numerusform>
            <numerusform>%1 supprimés</numerusform>
        </translation>
    </message>
    <message>
        <source> (undo: Ctrl+Z)</source>
        <translation> (annuler&#xa0;: Ctrl+Z)</translation>
    </message>
    <message numerus="yes">
        <source>, %1 already gone</source>
        <translation>
            <numerusform>, %1 déjà disparu</numerusform>
            <numerusform>, %1 déjà disparus</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept: %2</source>
        <translation>
            <numerusform>, %1 conservé&#xa0;: %2</numerusform>
            <numerusform>, %1 conservés&#xa0;: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept</source>
        <translation>
            <numerusform>, %1 conservé</numerusform>
            <numerusform>, %1 conservés</numerusform>
        </translation>
    </message>
    <message>
        <source>no journal (%1)</source>
        <translation>pas de journal (%1)</translation>
    </message>
    <message numerus="yes">
        <source>Put back %n files an interrupted deletion had moved aside</source>
        <translation>
            <numerusform>%n fichier mis de côté par une suppression interrompue a été remis en place</numerusform>
            <numerusform>%n fichiers mis de côté par une suppression interrompue ont été remis en place</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back</source>
        <translation>
            <numerusform>%1 n’a pas pu être remis en place</numerusform>
            <numerusform>%1 n’ont pas pu être remis en place</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries an interrupted undo had half made taken away (nulvane-cli --undo makes them again)</source>
        <translation>
            <numerusform>%n entrée à moitié recréée par une annulation interrompue a été retirée (nulvane-cli --undo la recrée)</numerusform>
            <numerusform>%n entrées à moitié recréées par une annulation interrompue ont été retirées (nulvane-cli --undo les recrée)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n deletion journals not used</source>
        <translation>
            <numerusform>%n journal de suppression non utilisé</numerusform>
            <numerusform>%n journaux de suppression non utilisés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n damaged deletion journals set aside</source>
        <translation>
            <numerusform>%n journal de suppression endommagé mis de côté</numerusform>
            <numerusform>%n journaux de suppression endommagés mis de côté</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing deleted: cannot keep the deletion&apos;s journal (%1)</source>
        <translation>Rien n’a été supprimé&#xa0;: impossible de tenir le journal de la suppression (%1)</translation>
    </message>
    <message>
        <source>Put back beside its name, which was taken: %1</source>
        <translation>Remis à côté de son nom, qui était pris&#xa0;: %1</translation>
    </message>
    <message>
        <source>Not put back, in %1: %2</source>
        <translation>Non remis en place, dans %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Not put back: %1, left as %2: %3</source>
        <translation>Non remis en place&#xa0;: %1, laissé sous le nom %2&#xa0;: %3</translation>
    </message>
    <message>
        <source>Deletion journal not used: %1</source>
        <translation>Journal de suppression non utilisé&#xa0;: %1</translation>
    </message>
    <message>
        <source>Damaged deletion journal %1 not used: %2</source>
        <translation>Journal de suppression endommagé %1 non utilisé&#xa0;: %2</translation>
    </message>
    <message>
        <source>Damaged deletion journal set aside as %1: %2</source>
        <translation>Journal de suppression endommagé mis de côté sous le nom %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>No files in the list</source>
        <translation>Aucun fichier dans la liste</translation>
    </message>
    <message numerus="yes">
        <source>%1 in the list</source>
        <translation>
            <numerusform>%1 dans la liste</numerusform>
            <numerusform>%1 dans la liste</numerusform>
        </translation>
    </message>
    <message>
        <source>Not restored: birth and change times, inode numbers; names of one file come back as separate files</source>
        <translation>Non restaurés&#xa0;: dates de création et de changement, numéros d’inode&#xa0;; les noms d’un même fichier reviennent comme fichiers distincts</translation>
    </message>
    <message>
        <source>line %1 ignored: %2</source>
        <translation>ligne %1 ignorée&#xa0;: %2</translation>
    </message>
    <message numerus="yes">
        <source> (%n more lines ignored)</source>
        <translation>
            <numerusform> (%n autre ligne ignorée)</numerusform>
            <numerusform> (%n autres lignes ignorées)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n folders read</source>
        <translation>
            <numerusform>%n dossier lu</numerusform>
            <numerusform>%n dossiers lus</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n empty files found</source>
        <translation>
            <numerusform>%n fichier vide trouvé</numerusform>
            <numerusform>%n fichiers vides trouvés</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>core</name>
    <message>
        <source>EXCEL File</source>
        <translation>Fichier EXCEL</translation>
    </message>
    <message>
        <source>The row count is out of excel range.</source>
        <translation>Le nombre de lignes dépasse ce qu’Excel peut contenir.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Excel is not installed.</source>
        <translation>Excel n’est pas installé.</translation>
    </message>
    <message>
        <source>The column count is out of excel range: a sheet holds 256 columns, &quot;SerialNO&quot; and at most 255 export columns.</source>
        <translation>Le nombre de colonnes dépasse ce qu’Excel peut contenir&#xa0;: une feuille compte 256 colonnes, «&#xa0;SerialNO&#xa0;» et au plus 255 colonnes exportées.</translation>
    </message>
    <message>
        <source>Catalog with the same name already exists,overwrite?</source>
        <translation>Un fichier portant ce nom existe déjà. L’écraser&#xa0;?</translation>
    </message>
    <message>
        <source>Export Finished</source>
        <translation>Exportation terminée</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Terminé</translation>
    </message>
    <message>
        <source>Export to file..</source>
        <translation>Exportation vers le fichier…</translation>
    </message>
    <message>
        <source>Gathering info..</source>
        <translation>Collecte des informations…</translation>
    </message>
    <message>
        <source>HTML File</source>
        <translation>Fichier HTML</translation>
    </message>
    <message>
        <source>XML File</source>
        <translation>Fichier XML</translation>
    </message>
    <message>
        <source>larger than 1 MiB</source>
        <translation>plus grand que 1&#xa0;Mio</translation>
    </message>
    <message>
        <source>kept by rule</source>
        <translation>conservé par une règle</translation>
    </message>
    <message>
        <source>reached through a folder link</source>
        <translation>atteint par un lien de dossier</translation>
    </message>
    <message>
        <source>an XDG user folder</source>
        <translation>un dossier utilisateur XDG</translation>
    </message>
    <message>
        <source>repository</source>
        <translation>dépôt</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>vide</translation>
    </message>
    <message>
        <source>an extension holds no &quot;/&quot;</source>
        <translation>une extension ne contient pas de «&#xa0;/&#xa0;»</translation>
    </message>
    <message>
        <source>unclosed [</source>
        <translation>[ non fermé</translation>
    </message>
    <message>
        <source>reversed range in [...]</source>
        <translation>plage inversée dans [...]</translation>
    </message>
    <message>
        <source>ends in a lone \</source>
        <translation>se termine par un \ seul</translation>
    </message>
    <message>
        <source>longer than 4096 bytes</source>
        <translation>plus long que 4096&#xa0;octets</translation>
    </message>
    <message>
        <source>holds a NUL byte</source>
        <translation>contient un octet NUL</translation>
    </message>
    <message>
        <source>starts with ! (write \! for a name that does)</source>
        <translation>commence par ! (écrire \! pour un nom qui commence ainsi)</translation>
    </message>
    <message>
        <source>holds .. (a parent folder)</source>
        <translation>contient .. (un dossier parent)</translation>
    </message>
    <message>
        <source>names nothing</source>
        <translation>ne désigne rien</translation>
    </message>
    <message>
        <source>Finds and removes empty files. By Karvo.</source>
        <translation>Trouve et supprime les fichiers vides. Par Karvo.</translation>
    </message>
    <message>
        <source>kept: changed since the scan</source>
        <translation>conservé&#xa0;: modifié depuis l’analyse</translation>
    </message>
    <message>
        <source>kept: in use</source>
        <translation>conservé&#xa0;: en cours d’utilisation</translation>
    </message>
    <message>
        <source>kept: permission denied</source>
        <translation>conservé&#xa0;: permission refusée</translation>
    </message>
    <message>
        <source>kept: path no longer leads to it</source>
        <translation>conservé&#xa0;: le chemin n’y mène plus</translation>
    </message>
    <message>
        <source>kept: no trash on this file system</source>
        <translation>conservé&#xa0;: pas de corbeille sur ce système de fichiers</translation>
    </message>
    <message>
        <source>kept: could not be removed</source>
        <translation>conservé&#xa0;: n’a pas pu être supprimé</translation>
    </message>
    <message>
        <source>kept: read-only file system</source>
        <translation>conservé&#xa0;: système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>kept: cannot tell whether it is in use</source>
        <translation>conservé&#xa0;: impossible de savoir s’il est utilisé</translation>
    </message>
    <message>
        <source>kept: no longer empty</source>
        <translation>conservé&#xa0;: n’est plus vide</translation>
    </message>
    <message>
        <source>kept: a scanned folder</source>
        <translation>conservé&#xa0;: un dossier analysé</translation>
    </message>
    <message>
        <source>kept: holds a scanned folder</source>
        <translation>conservé&#xa0;: contient un dossier analysé</translation>
    </message>
    <message>
        <source>still in the trash: its name is taken</source>
        <translation>toujours dans la corbeille&#xa0;: son nom est pris</translation>
    </message>
    <message>
        <source>not put back: no longer in the trash</source>
        <translation>non restauré&#xa0;: n’est plus dans la corbeille</translation>
    </message>
    <message>
        <source>still in the trash: its folder is gone</source>
        <translation>toujours dans la corbeille&#xa0;: son dossier n’existe plus</translation>
    </message>
    <message>
        <source>still in the trash: permission denied</source>
        <translation>toujours dans la corbeille&#xa0;: permission refusée</translation>
    </message>
    <message>
        <source>still in the trash: read-only file system</source>
        <translation>toujours dans la corbeille&#xa0;: système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>still in the trash: could not be put back</source>
        <translation>toujours dans la corbeille&#xa0;: n’a pas pu être restauré</translation>
    </message>
    <message>
        <source>kept: too many attributes to undo</source>
        <translation>conservé&#xa0;: trop d’attributs pour pouvoir annuler</translation>
    </message>
    <message>
        <source>not put back: its name is taken</source>
        <translation>non restauré&#xa0;: son nom est pris</translation>
    </message>
    <message>
        <source>not put back: no longer in the undo record</source>
        <translation>non restauré&#xa0;: n’est plus dans le journal d’annulation</translation>
    </message>
    <message>
        <source>not put back: its folder is gone</source>
        <translation>non restauré&#xa0;: son dossier n’existe plus</translation>
    </message>
    <message>
        <source>not put back: could not be made again</source>
        <translation>non restauré&#xa0;: n’a pas pu être recréé</translation>
    </message>
    <message>
        <source>Double click to open it in explorer.</source>
        <translation>Double-cliquer pour l’ouvrir dans le gestionnaire de fichiers.</translation>
    </message>
    <message>
        <source>Putting files back..</source>
        <translation>Restauration des fichiers…</translation>
    </message>
    <message>
        <source>put back</source>
        <translation>restaurés</translation>
    </message>
    <message>
        <source>not a deletion journal</source>
        <translation>pas un journal de suppression</translation>
    </message>
    <message>
        <source>no longer empty</source>
        <translation>n’est plus vide</translation>
    </message>
    <message>
        <source>not the file the deletion moved aside</source>
        <translation>pas le fichier que la suppression a mis de côté</translation>
    </message>
    <message>
        <source>its name was taken</source>
        <translation>son nom était pris</translation>
    </message>
    <message>
        <source>not a part of the undo record its name gives</source>
        <translation>ne fait pas partie du journal d’annulation que désigne son nom</translation>
    </message>
    <message>
        <source>not a record of a deletion</source>
        <translation>pas un journal de suppression</translation>
    </message>
    <message>
        <source>its folder is no longer there</source>
        <translation>son dossier n’existe plus</translation>
    </message>
    <message>
        <source>its folder&apos;s path leads elsewhere now</source>
        <translation>le chemin de son dossier mène ailleurs désormais</translation>
    </message>
    <message>
        <source>another folder has its folder&apos;s path now</source>
        <translation>un autre dossier a désormais le chemin de son dossier</translation>
    </message>
    <message>
        <source>changed since the scan</source>
        <translation>modifié depuis l’analyse</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permission refusée</translation>
    </message>
    <message>
        <source>in use</source>
        <translation>en cours d’utilisation</translation>
    </message>
    <message>
        <source>path no longer leads to it</source>
        <translation>le chemin n’y mène plus</translation>
    </message>
    <message>
        <source>no trash on this file system</source>
        <translation>pas de corbeille sur ce système de fichiers</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>cannot tell whether it is in use</source>
        <translation>impossible de savoir s’il est utilisé</translation>
    </message>
    <message>
        <source>holds a scanned folder</source>
        <translation>contient un dossier analysé</translation>
    </message>
    <message>
        <source>a scanned folder</source>
        <translation>un dossier analysé</translation>
    </message>
    <message>
        <source>too many attributes to undo</source>
        <translation>trop d’attributs pour pouvoir annuler</translation>
    </message>
    <message>
        <source>could not be removed</source>
        <translation>n’a pas pu être supprimé</translation>
    </message>
    <message>
        <source>nothing undone</source>
        <translation>rien n’a été annulé</translation>
    </message>
    <message>
        <source>no deletion to undo</source>
        <translation>aucune suppression à annuler</translation>
    </message>
    <message>
        <source>a part of a damaged undo record</source>
        <translation>une partie d’un journal d’annulation endommagé</translation>
    </message>
    <message>
        <source>an undo record out of form</source>
        <translation>un journal d’annulation mal formé</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>il n’existe pas</translation>
    </message>
    <message>
        <source>nothing on this desktop opens it</source>
        <translation>rien sur ce bureau ne l’ouvre</translation>
    </message>
    <message>
        <source>the program that opens it failed</source>
        <translation>le programme qui l’ouvre a échoué</translation>
    </message>
    <message>
        <source>CSV File</source>
        <translation>Fichier CSV</translation>
    </message>
    <message>
        <source>Text File</source>
        <translation>Fichier texte</translation>
    </message>
    <message>
        <source>Export To SCV</source>
        <translation>Exporter en CSV</translation>
    </message>
    <message>
        <source>Export To Text</source>
        <translation>Exporter en texte</translation>
    </message>
    <message>
        <source>Export To HTML</source>
        <translation>Exporter en HTML</translation>
    </message>
    <message>
        <source>Export To XML</source>
        <translation>Exporter en XML</translation>
    </message>
    <message>
        <source>Export To Excel</source>
        <translation>Exporter vers Excel</translation>
    </message>
</context>
<context>
    <name>nulvane::TFMAbout</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Web: </source>
        <translation>Web&#xa0;: </translation>
    </message>
    <message>
        <source>Email: </source>
        <translation>Courriel&#xa0;: </translation>
    </message>
</context>
<context>
    <name>nulvane::TFMMain</name>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Ouvrir un dossier</translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation>&amp;Vider la liste</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Supprimer</translation>
    </message>
    <message>
        <source>Delete &amp;All</source>
        <translation>Supprimer &amp;tout</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ai&amp;de</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Éléments</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Tout cocher</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Cocher la sélection</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Décocher la sélection</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Follow Folder Links</source>
        <translation>Suivre les liens de dossiers</translation>
    </message>
    <message>
        <source>Scan the folders that links lead to</source>
        <translation>Analyser les dossiers vers lesquels pointent les liens</translation>
    </message>
    <message>
        <source>Stay On One File System</source>
        <translation>Rester sur un seul système de fichiers</translation>
    </message>
    <message>
        <source>Do not scan folders on other disks or mounted file systems</source>
        <translation>Ne pas analyser les dossiers d’autres disques ou systèmes de fichiers montés</translation>
    </message>
    <message>
        <source>Include Empty Folders</source>
        <translation>Inclure les dossiers vides</translation>
    </message>
    <message>
        <source>List the folders that hold nothing but empty folders too, each empty tree at its top</source>
        <translation>Lister aussi les dossiers qui ne contiennent que des dossiers vides, chaque arborescence vide par son sommet</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>Mettre à la corbeille</translation>
    </message>
    <message>
        <source>Delete and Delete All move the files to the trash, where they can be restored</source>
        <translation>«&#xa0;Supprimer&#xa0;» et «&#xa0;Supprimer tout&#xa0;» mettent les fichiers à la corbeille, d’où ils peuvent être restaurés</translation>
    </message>
    <message>
        <source>Keep Rules...</source>
        <translation>Règles de conservation…</translation>
    </message>
    <message>
        <source>Name the empty files that Delete All passes by</source>
        <translation>Nommer les fichiers vides que «&#xa0;Supprimer tout&#xa0;» laisse de côté</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Noms</translation>
    </message>
    <message>
        <source>&amp;Names:</source>
        <translation>&amp;Noms&#xa0;:</translation>
    </message>
    <message>
        <source>every name</source>
        <translation>tous les noms</translation>
    </message>
    <message>
        <source>List only the files and folders whose names match one of these globs, separated by blanks: *.log *.tmp (a glob with / matches the path below the scanned folder)</source>
        <translation>Ne lister que les fichiers et dossiers dont le nom correspond à l’un de ces motifs, séparés par des espaces&#xa0;: *.log *.tmp (un motif avec / s’applique au chemin sous le dossier analysé)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Take the files just moved to the trash back (Ctrl+Z)</source>
        <translation>Récupérer les fichiers qui viennent d’être mis à la corbeille (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Keep rules not read: %1 (%2)</source>
        <translation>Règles de conservation non lues&#xa0;: %1 (%2)</translation>
    </message>
    <message>
        <source>Keep rules: %1</source>
        <translation>Règles de conservation&#xa0;: %1</translation>
    </message>
    <message>
        <source>Names not changed: %1</source>
        <translation>Noms non modifiés&#xa0;: %1</translation>
    </message>
    <message>
        <source>Make the files just deleted again (Ctrl+Z)</source>
        <translation>Recréer les fichiers qui viennent d’être supprimés (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Loading info..</source>
        <translation>Chargement des informations…</translation>
    </message>
    <message>
        <source>Deleting files..</source>
        <translation>Suppression des fichiers…</translation>
    </message>
    <message>
        <source>Export stopped: no file written</source>
        <translation>Exportation arrêtée&#xa0;: aucun fichier écrit</translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation>Échec de l’exportation&#xa0;: </translation>
    </message>
    <message>
        <source>Could not open </source>
        <translation>Impossible d’ouvrir </translation>
    </message>
    <message>
        <source>Are you sure to delete the file from disk?</source>
        <translation>Voulez-vous vraiment supprimer le fichier du disque&#xa0;?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files from disk?</source>
        <translation>Voulez-vous vraiment supprimer les fichiers du disque&#xa0;?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folder from disk?</source>
        <translation>Voulez-vous vraiment supprimer le dossier du disque&#xa0;?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folders from disk?</source>
        <translation>Voulez-vous vraiment supprimer les dossiers du disque&#xa0;?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files and folders from disk?</source>
        <translation>Voulez-vous vraiment supprimer les fichiers et dossiers du disque&#xa0;?</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put it back.</source>
        <translation>«&#xa0;Annuler&#xa0;» (Ctrl+Z) permet de le restaurer.</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put them back.</source>
        <translation>«&#xa0;Annuler&#xa0;» (Ctrl+Z) permet de les restaurer.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
</context>
<context>
    <name>nulvane::TKeepRulesForm</name>
    <message>
        <source>Keep Rules</source>
        <translation>Règles de conservation</translation>
    </message>
    <message>
        <source>Empty files these rules name are listed unchecked, and &quot;Delete All&quot; passes them by until they are checked. Changes apply to the next scan.</source>
        <translation>Les fichiers vides que ces règles désignent sont listés décochés, et «&#xa0;Supprimer tout&#xa0;» les laisse de côté tant qu’ils ne sont pas cochés. Les modifications s’appliquent à la prochaine analyse.</translation>
    </message>
    <message>
        <source>Rules that ship:</source>
        <translation>Règles fournies&#xa0;:</translation>
    </message>
    <message>
        <source>Your rules, one a line: a name (*.lock), a folder&apos;s name ending in / (.venv/), or a path with / (migrations/__init__.py; from the root when it starts with /). # starts a comment.</source>
        <translation>Vos règles, une par ligne&#xa0;: un nom (*.lock), un nom de dossier terminé par / (.venv/) ou un chemin avec / (migrations/__init__.py&#xa0;; depuis la racine s’il commence par /). # commence un commentaire.</translation>
    </message>
    <message>
        <source>Kept in %1</source>
        <translation>Enregistrées dans %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Non enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>No configuration folder is known (HOME is not set): there is nowhere to save.</source>
        <translation>Aucun dossier de configuration n’est connu (HOME n’est pas défini)&#xa0;: impossible d’enregistrer.</translation>
    </message>
    <message>
        <source>The rules file cannot be read (%1); it is left as it is.</source>
        <translation>Le fichier de règles ne peut pas être lu (%1)&#xa0;; il reste tel quel.</translation>
    </message>
    <message>
        <source>The rules file holds bytes that are not UTF-8 text; edit it with a text editor so that they stay as they are.</source>
        <translation>Le fichier de règles contient des octets qui ne sont pas du texte UTF-8&#xa0;; modifiez-le avec un éditeur de texte pour qu’ils restent intacts.</translation>
    </message>
</context>
<context>
    <name>nulvane::TWaitForm</name>
    <message>
        <source>Please wait</source>
        <translation>Veuillez patienter</translation>
    </message>
    <message>
        <source>This will take a few minutes.Please be patient...</source>
        <translation>Cela peut prendre quelques minutes. Veuillez patienter…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Stop (Esc): keeps what was done so far</source>
        <translation>Arrêter (Échap)&#xa0;: conserve ce qui a déjà été fait</translation>
    </message>
</context>
</TS>
