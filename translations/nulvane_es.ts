<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>StatusTexts</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n archivo</numerusform>
            <numerusform>%n archivos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders</source>
        <translation>
            <numerusform>%n carpeta</numerusform>
            <numerusform>%n carpetas</numerusform>
        </translation>
    </message>
    <message>
        <source>; </source>
        <translation>; </translation>
    </message>
    <message>
        <source>%1 (and %2 more)</source>
        <translation>%1 (y %2 más)</translation>
    </message>
    <message>
        <source>(and %1 more)</source>
        <translation>(y %1 más)</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 y %2</translation>
    </message>
    <message>
        <source>%1 of %2 %3</source>
        <translation>%1 de %2 %3</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message numerus="yes">
        <source>Scan stopped: %1 listed, the list is incomplete</source>
        <translation>
            <numerusform>Análisis detenido: %1 en la lista, la lista está incompleta</numerusform>
            <numerusform>Análisis detenido: %1 en la lista, la lista está incompleta</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scan finished: %1 listed</source>
        <translation>
            <numerusform>Análisis terminado: %1 en la lista</numerusform>
            <numerusform>Análisis terminado: %1 en la lista</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 held back by keep rules</source>
        <translation>
            <numerusform>%1 retenido por las reglas de conservación</numerusform>
            <numerusform>%1 retenidos por las reglas de conservación</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be read</source>
        <translation>
            <numerusform>No se pudo leer %n carpeta</numerusform>
            <numerusform>No se pudieron leer %n carpetas</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>In the trash, not scanned: %1</source>
        <translation>En la papelera, no se analizó: %1</translation>
    </message>
    <message>
        <source>The scan ran short of memory: the list is incomplete</source>
        <translation>El análisis se quedó sin memoria: la lista está incompleta</translation>
    </message>
    <message>
        <source>Not a folder: %1</source>
        <translation>No es una carpeta: %1</translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation>No se pudo leer: %1</translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1 from the trash, %2 left</source>
        <translation>
            <numerusform>Deshacer detenido: %1 de vuelta de la papelera, queda %2</numerusform>
            <numerusform>Deshacer detenido: %1 de vuelta de la papelera, quedan %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Undo stopped: put back %1, %2 left</source>
        <translation>
            <numerusform>Deshacer detenido: %1 de vuelta, queda %2</numerusform>
            <numerusform>Deshacer detenido: %1 de vuelta, quedan %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1 from the trash</source>
        <translation>
            <numerusform>%1 de vuelta de la papelera</numerusform>
            <numerusform>%1 de vuelta de la papelera</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %1</source>
        <translation>
            <numerusform>%1 de vuelta</numerusform>
            <numerusform>%1 de vuelta</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 stays in the trash, its name is taken: %2</source>
        <translation>%1 sigue en la papelera, su nombre está ocupado: %2</translation>
    </message>
    <message>
        <source>%1 stay in the trash, their names are taken: %2</source>
        <translation>%1 siguen en la papelera, sus nombres están ocupados: %2</translation>
    </message>
    <message>
        <source>%1 not put back, its name is taken: %2</source>
        <translation>%1 sin restaurar, su nombre está ocupado: %2</translation>
    </message>
    <message>
        <source>%1 not put back, their names are taken: %2</source>
        <translation>%1 sin restaurar, sus nombres están ocupados: %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the trash: %2</source>
        <translation>
            <numerusform>%1 ya no está en la papelera: %2</numerusform>
            <numerusform>%1 ya no están en la papelera: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 no longer in the undo record: %2</source>
        <translation>
            <numerusform>%1 ya no está en el registro para deshacer: %2</numerusform>
            <numerusform>%1 ya no están en el registro para deshacer: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back: %2</source>
        <translation>
            <numerusform>No se pudo restaurar %1: %2</numerusform>
            <numerusform>No se pudieron restaurar %1: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 without their owner or attributes</source>
        <translation>
            <numerusform>%1 sin su propietario ni sus atributos</numerusform>
            <numerusform>%1 sin su propietario ni sus atributos</numerusform>
        </translation>
    </message>
    <message>
        <source>Name taken, still in the trash: %1</source>
        <translation>Nombre ocupado, sigue en la papelera: %1</translation>
    </message>
    <message>
        <source>Name taken, not put back: %1</source>
        <translation>Nombre ocupado, sin restaurar: %1</translation>
    </message>
    <message>
        <source>No longer in the trash: %1</source>
        <translation>Ya no está en la papelera: %1</translation>
    </message>
    <message>
        <source>No longer in the undo record: %1</source>
        <translation>Ya no está en el registro para deshacer: %1</translation>
    </message>
    <message>
        <source>Could not be put back: %1: %2</source>
        <translation>No se pudo restaurar: %1: %2</translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: moved %1 to the trash</source>
        <translation>
            <numerusform>Eliminación detenida: se movió %1 a la papelera</numerusform>
            <numerusform>Eliminación detenida: se movieron %1 a la papelera</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %1 to the trash</source>
        <translation>
            <numerusform>Se movió %1 a la papelera</numerusform>
            <numerusform>Se movieron %1 a la papelera</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deletion stopped: deleted %1</source>
        <translation>
            <numerusform>Eliminación detenida: se eliminó %1</numerusform>
            <numerusform>Eliminación detenida: se eliminaron %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deleted %1</source>
        <translation>
            <numerusform>Se eliminó %1</numerusform>
            <numerusform>Se eliminaron %1</numerusform>
        </translation>
    </message>
    <message>
        <source> (undo: Ctrl+Z)</source>
        <translation> (deshacer: Ctrl+Z)</translation>
    </message>
    <message numerus="yes">
        <source>, %1 already gone</source>
        <translation>
            <numerusform>, %1 ya no estaba</numerusform>
            <numerusform>, %1 ya no estaban</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept: %2</source>
        <translation>
            <numerusform>, se conservó %1: %2</numerusform>
            <numerusform>, se conservaron %1: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %1 kept</source>
        <translation>
            <numerusform>, se conservó %1</numerusform>
            <numerusform>, se conservaron %1</numerusform>
        </translation>
    </message>
    <message>
        <source>no journal (%1)</source>
        <translation>sin registro (%1)</translation>
    </message>
    <message numerus="yes">
        <source>Put back %n files an interrupted deletion had moved aside</source>
        <translation>
            <numerusform>Se restauró %n archivo que una eliminación interrumpida había apartado</numerusform>
            <numerusform>Se restauraron %n archivos que una eliminación interrumpida había apartado</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 could not be put back</source>
        <translation>
            <numerusform>No se pudo restaurar %1</numerusform>
            <numerusform>No se pudieron restaurar %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries an interrupted undo had half made taken away (nulvane-cli --undo makes them again)</source>
        <translation>
            <numerusform>Se retiró %n entrada a medio restaurar por un deshacer interrumpido (nulvane-cli --undo la vuelve a crear)</numerusform>
            <numerusform>Se retiraron %n entradas a medio restaurar por un deshacer interrumpido (nulvane-cli --undo las vuelve a crear)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n deletion journals not used</source>
        <translation>
            <numerusform>%n registro de eliminación sin usar</numerusform>
            <numerusform>%n registros de eliminación sin usar</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n damaged deletion journals set aside</source>
        <translation>
            <numerusform>%n registro de eliminación dañado apartado</numerusform>
            <numerusform>%n registros de eliminación dañados apartados</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing deleted: cannot keep the deletion&apos;s journal (%1)</source>
        <translation>No se eliminó nada: no se puede llevar el registro de la eliminación (%1)</translation>
    </message>
    <message>
        <source>Put back beside its name, which was taken: %1</source>
        <translation>Restaurado junto a su nombre, que estaba ocupado: %1</translation>
    </message>
    <message>
        <source>Not put back, in %1: %2</source>
        <translation>Sin restaurar, en %1: %2</translation>
    </message>
    <message>
        <source>Not put back: %1, left as %2: %3</source>
        <translation>Sin restaurar: %1, se dejó como %2: %3</translation>
    </message>
    <message>
        <source>Deletion journal not used: %1</source>
        <translation>Registro de eliminación sin usar: %1</translation>
    </message>
    <message>
        <source>Damaged deletion journal %1 not used: %2</source>
        <translation>Registro de eliminación dañado %1 sin usar: %2</translation>
    </message>
    <message>
        <source>Damaged deletion journal set aside as %1: %2</source>
        <translation>Registro de eliminación dañado apartado como %1: %2</translation>
    </message>
    <message>
        <source>No files in the list</source>
        <translation>No hay archivos en la lista</translation>
    </message>
    <message numerus="yes">
        <source>%1 in the list</source>
        <translation>
            <numerusform>%1 en la lista</numerusform>
            <numerusform>%1 en la lista</numerusform>
        </translation>
    </message>
    <message>
        <source>Not restored: birth and change times, inode numbers; names of one file come back as separate files</source>
        <translation>No se restauran: las horas de creación y de cambio, los números de inodo; los nombres de un mismo archivo vuelven como archivos separados</translation>
    </message>
    <message>
        <source>line %1 ignored: %2</source>
        <translation>línea %1 ignorada: %2</translation>
    </message>
    <message numerus="yes">
        <source> (%n more lines ignored)</source>
        <translation>
            <numerusform> (%n línea más ignorada)</numerusform>
            <numerusform> (%n líneas más ignoradas)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n folders read</source>
        <translation>
            <numerusform>%n carpeta leída</numerusform>
            <numerusform>%n carpetas leídas</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n empty files found</source>
        <translation>
            <numerusform>%n archivo vacío encontrado</numerusform>
            <numerusform>%n archivos vacíos encontrados</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>core</name>
    <message>
        <source>EXCEL File</source>
        <translation>Archivo de EXCEL</translation>
    </message>
    <message>
        <source>The row count is out of excel range.</source>
        <translation>El número de filas supera lo que admite Excel.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Excel is not installed.</source>
        <translation>Excel no está instalado.</translation>
    </message>
    <message>
        <source>The column count is out of excel range: a sheet holds 256 columns, &quot;SerialNO&quot; and at most 255 export columns.</source>
        <translation>El número de columnas supera lo que admite Excel: una hoja tiene 256 columnas, «SerialNO» y como mucho 255 columnas exportadas.</translation>
    </message>
    <message>
        <source>Catalog with the same name already exists,overwrite?</source>
        <translation>Ya existe un archivo con ese nombre. ¿Sobrescribirlo?</translation>
    </message>
    <message>
        <source>Export Finished</source>
        <translation>Exportación terminada</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>Export to file..</source>
        <translation>Exportando al archivo…</translation>
    </message>
    <message>
        <source>Gathering info..</source>
        <translation>Reuniendo información…</translation>
    </message>
    <message>
        <source>HTML File</source>
        <translation>Archivo HTML</translation>
    </message>
    <message>
        <source>XML File</source>
        <translation>Archivo XML</translation>
    </message>
    <message>
        <source>larger than 1 MiB</source>
        <translation>mayor que 1 MiB</translation>
    </message>
    <message>
        <source>kept by rule</source>
        <translation>conservado por una regla</translation>
    </message>
    <message>
        <source>reached through a folder link</source>
        <translation>alcanzado a través de un enlace de carpeta</translation>
    </message>
    <message>
        <source>an XDG user folder</source>
        <translation>una carpeta de usuario XDG</translation>
    </message>
    <message>
        <source>repository</source>
        <translation>repositorio</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>vacío</translation>
    </message>
    <message>
        <source>an extension holds no &quot;/&quot;</source>
        <translation>una extensión no contiene «/»</translation>
    </message>
    <message>
        <source>unclosed [</source>
        <translation>[ sin cerrar</translation>
    </message>
    <message>
        <source>reversed range in [...]</source>
        <translation>rango invertido en [...]</translation>
    </message>
    <message>
        <source>ends in a lone \</source>
        <translation>termina en una \ suelta</translation>
    </message>
    <message>
        <source>longer than 4096 bytes</source>
        <translation>más largo que 4096 bytes</translation>
    </message>
    <message>
        <source>holds a NUL byte</source>
        <translation>contiene un byte NUL</translation>
    </message>
    <message>
        <source>starts with ! (write \! for a name that does)</source>
        <translation>empieza por ! (escriba \! para un nombre que empiece así)</translation>
    </message>
    <message>
        <source>holds .. (a parent folder)</source>
        <translation>contiene .. (una carpeta superior)</translation>
    </message>
    <message>
        <source>names nothing</source>
        <translation>no nombra nada</translation>
    </message>
    <message>
        <source>Finds and removes empty files. By Karvo.</source>
        <translation>Encuentra y elimina archivos vacíos. Por Karvo.</translation>
    </message>
    <message>
        <source>kept: changed since the scan</source>
        <translation>conservado: cambió desde el análisis</translation>
    </message>
    <message>
        <source>kept: in use</source>
        <translation>conservado: en uso</translation>
    </message>
    <message>
        <source>kept: permission denied</source>
        <translation>conservado: permiso denegado</translation>
    </message>
    <message>
        <source>kept: path no longer leads to it</source>
        <translation>conservado: la ruta ya no lleva a él</translation>
    </message>
    <message>
        <source>kept: no trash on this file system</source>
        <translation>conservado: no hay papelera en este sistema de archivos</translation>
    </message>
    <message>
        <source>kept: could not be removed</source>
        <translation>conservado: no se pudo eliminar</translation>
    </message>
    <message>
        <source>kept: read-only file system</source>
        <translation>conservado: sistema de archivos de solo lectura</translation>
    </message>
    <message>
        <source>kept: cannot tell whether it is in use</source>
        <translation>conservado: no se puede saber si está en uso</translation>
    </message>
    <message>
        <source>kept: no longer empty</source>
        <translation>conservado: ya no está vacío</translation>
    </message>
    <message>
        <source>kept: a scanned folder</source>
        <translation>conservado: una carpeta analizada</translation>
    </message>
    <message>
        <source>kept: holds a scanned folder</source>
        <translation>conservado: contiene una carpeta analizada</translation>
    </message>
    <message>
        <source>still in the trash: its name is taken</source>
        <translation>sigue en la papelera: su nombre está ocupado</translation>
    </message>
    <message>
        <source>not put back: no longer in the trash</source>
        <translation>sin restaurar: ya no está en la papelera</translation>
    </message>
    <message>
        <source>still in the trash: its folder is gone</source>
        <translation>sigue en la papelera: su carpeta ya no existe</translation>
    </message>
    <message>
        <source>still in the trash: permission denied</source>
        <translation>sigue en la papelera: permiso denegado</translation>
    </message>
    <message>
        <source>still in the trash: read-only file system</source>
        <translation>sigue en la papelera: sistema de archivos de solo lectura</translation>
    </message>
    <message>
        <source>still in the trash: could not be put back</source>
        <translation>sigue en la papelera: no se pudo restaurar</translation>
    </message>
    <message>
        <source>kept: too many attributes to undo</source>
        <translation>conservado: demasiados atributos para deshacer</translation>
    </message>
    <message>
        <source>not put back: its name is taken</source>
        <translation>sin restaurar: su nombre está ocupado</translation>
    </message>
    <message>
        <source>not put back: no longer in the undo record</source>
        <translation>sin restaurar: ya no está en el registro para deshacer</translation>
    </message>
    <message>
        <source>not put back: its folder is gone</source>
        <translation>sin restaurar: su carpeta ya no existe</translation>
    </message>
    <message>
        <source>not put back: could not be made again</source>
        <translation>sin restaurar: no se pudo volver a crear</translation>
    </message>
    <message>
        <source>Double click to open it in explorer.</source>
        <translation>Doble clic para abrirlo en el explorador de archivos.</translation>
    </message>
    <message>
        <source>Putting files back..</source>
        <translation>Restaurando archivos…</translation>
    </message>
    <message>
        <source>put back</source>
        <translation>restaurados</translation>
    </message>
    <message>
        <source>not a deletion journal</source>
        <translation>no es un registro de eliminación</translation>
    </message>
    <message>
        <source>no longer empty</source>
        <translation>ya no está vacío</translation>
    </message>
    <message>
        <source>not the file the deletion moved aside</source>
        <translation>no es el archivo que la eliminación apartó</translation>
    </message>
    <message>
        <source>its name was taken</source>
        <translation>su nombre estaba ocupado</translation>
    </message>
    <message>
        <source>not a part of the undo record its name gives</source>
        <translation>no forma parte del registro para deshacer que indica su nombre</translation>
    </message>
    <message>
        <source>not a record of a deletion</source>
        <translation>no es un registro de una eliminación</translation>
    </message>
    <message>
        <source>its folder is no longer there</source>
        <translation>su carpeta ya no está</translation>
    </message>
    <message>
        <source>its folder&apos;s path leads elsewhere now</source>
        <translation>la ruta de su carpeta lleva ahora a otro sitio</translation>
    </message>
    <message>
        <source>another folder has its folder&apos;s path now</source>
        <translation>otra carpeta tiene ahora la ruta de su carpeta</translation>
    </message>
    <message>
        <source>changed since the scan</source>
        <translation>cambió desde el análisis</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permiso denegado</translation>
    </message>
    <message>
        <source>in use</source>
        <translation>en uso</translation>
    </message>
    <message>
        <source>path no longer leads to it</source>
        <translation>la ruta ya no lleva a él</translation>
    </message>
    <message>
        <source>no trash on this file system</source>
        <translation>no hay papelera en este sistema de archivos</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>sistema de archivos de solo lectura</translation>
    </message>
    <message>
        <source>cannot tell whether it is in use</source>
        <translation>no se puede saber si está en uso</translation>
    </message>
    <message>
        <source>holds a scanned folder</source>
        <translation>contiene una carpeta analizada</translation>
    </message>
    <message>
        <source>a scanned folder</source>
        <translation>una carpeta analizada</translation>
    </message>
    <message>
        <source>too many attributes to undo</source>
        <translation>demasiados atributos para deshacer</translation>
    </message>
    <message>
        <source>could not be removed</source>
        <translation>no se pudo eliminar</translation>
    </message>
    <message>
        <source>nothing undone</source>
        <translation>no se deshizo nada</translation>
    </message>
    <message>
        <source>no deletion to undo</source>
        <translation>no hay ninguna eliminación que deshacer</translation>
    </message>
    <message>
        <source>a part of a damaged undo record</source>
        <translation>parte de un registro para deshacer dañado</translation>
    </message>
    <message>
        <source>an undo record out of form</source>
        <translation>un registro para deshacer mal formado</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>no existe</translation>
    </message>
    <message>
        <source>nothing on this desktop opens it</source>
        <translation>nada en este escritorio lo abre</translation>
    </message>
    <message>
        <source>the program that opens it failed</source>
        <translation>el programa que lo abre falló</translation>
    </message>
    <message>
        <source>CSV File</source>
        <translation>Archivo CSV</translation>
    </message>
    <message>
        <source>Text File</source>
        <translation>Archivo de texto</translation>
    </message>
    <message>
        <source>Export To SCV</source>
        <translation>Exportar a CSV</translation>
    </message>
    <message>
        <source>Export To Text</source>
        <translation>Exportar a texto</translation>
    </message>
    <message>
        <source>Export To HTML</source>
        <translation>Exportar a HTML</translation>
    </message>
    <message>
        <source>Export To XML</source>
        <translation>Exportar a XML</translation>
    </message>
    <message>
        <source>Export To Excel</source>
        <translation>Exportar a Excel</translation>
    </message>
</context>
<context>
    <name>nulvane::TFMAbout</name>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Web: </source>
        <translation>Web: </translation>
    </message>
    <message>
        <source>Email: </source>
        <translation>Correo: </translation>
    </message>
</context>
<context>
    <name>nulvane::TFMMain</name>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Abrir carpeta</translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation>&amp;Vaciar lista</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Eliminar</translation>
    </message>
    <message>
        <source>Delete &amp;All</source>
        <translation>Eliminar &amp;todo</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Elementos</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Marcar todo</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>memoria insuficiente</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Marcar selección</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Desmarcar selección</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Follow Folder Links</source>
        <translation>Seguir enlaces de carpetas</translation>
    </message>
    <message>
        <source>Scan the folders that links lead to</source>
        <translation>Analizar las carpetas a las que llevan los enlaces</translation>
    </message>
    <message>
        <source>Stay On One File System</source>
        <translation>Permanecer en un sistema de archivos</translation>
    </message>
    <message>
        <source>Do not scan folders on other disks or mounted file systems</source>
        <translation>No analizar carpetas de otros discos ni de sistemas de archivos montados</translation>
    </message>
    <message>
        <source>Include Empty Folders</source>
        <translation>Incluir carpetas vacías</translation>
    </message>
    <message>
        <source>List the folders that hold nothing but empty folders too, each empty tree at its top</source>
        <translation>Listar también las carpetas que solo contienen carpetas vacías, cada árbol vacío por su carpeta superior</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>Mover a la papelera</translation>
    </message>
    <message>
        <source>Delete and Delete All move the files to the trash, where they can be restored</source>
        <translation>«Eliminar» y «Eliminar todo» mueven los archivos a la papelera, desde donde se pueden restaurar</translation>
    </message>
    <message>
        <source>Keep Rules...</source>
        <translation>Reglas de conservación…</translation>
    </message>
    <message>
        <source>Name the empty files that Delete All passes by</source>
        <translation>Nombrar los archivos vacíos que «Eliminar todo» deja de lado</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Nombres</translation>
    </message>
    <message>
        <source>&amp;Names:</source>
        <translation>&amp;Nombres:</translation>
    </message>
    <message>
        <source>every name</source>
        <translation>todos los nombres</translation>
    </message>
    <message>
        <source>List only the files and folders whose names match one of these globs, separated by blanks: *.log *.tmp (a glob with / matches the path below the scanned folder)</source>
        <translation>Listar solo los archivos y carpetas cuyo nombre coincida con uno de estos patrones, separados por espacios: *.log *.tmp (un patrón con / se aplica a la ruta bajo la carpeta analizada)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Take the files just moved to the trash back (Ctrl+Z)</source>
        <translation>Recuperar los archivos que se acaban de mover a la papelera (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Keep rules not read: %1 (%2)</source>
        <translation>Reglas de conservación sin leer: %1 (%2)</translation>
    </message>
    <message>
        <source>Keep rules: %1</source>
        <translation>Reglas de conservación: %1</translation>
    </message>
    <message>
        <source>Names not changed: %1</source>
        <translation>Nombres sin cambiar: %1</translation>
    </message>
    <message>
        <source>Make the files just deleted again (Ctrl+Z)</source>
        <translation>Volver a crear los archivos que se acaban de eliminar (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Loading info..</source>
        <translation>Cargando información…</translation>
    </message>
    <message>
        <source>Deleting files..</source>
        <translation>Eliminando archivos…</translation>
    </message>
    <message>
        <source>Export stopped: no file written</source>
        <translation>Exportación detenida: no se escribió ningún archivo</translation>
    </message>
    <message>
        <source>Export failed: </source>
        <translation>La exportación falló: </translation>
    </message>
    <message>
        <source>Could not open </source>
        <translation>No se pudo abrir </translation>
    </message>
    <message>
        <source>Are you sure to delete the file from disk?</source>
        <translation>¿Seguro que quiere eliminar el archivo del disco?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files from disk?</source>
        <translation>¿Seguro que quiere eliminar los archivos del disco?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folder from disk?</source>
        <translation>¿Seguro que quiere eliminar la carpeta del disco?</translation>
    </message>
    <message>
        <source>Are you sure to delete the folders from disk?</source>
        <translation>¿Seguro que quiere eliminar las carpetas del disco?</translation>
    </message>
    <message>
        <source>Are you sure to delete the files and folders from disk?</source>
        <translation>¿Seguro que quiere eliminar los archivos y carpetas del disco?</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put it back.</source>
        <translation>«Deshacer» (Ctrl+Z) puede revertir la eliminación.</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z) can put them back.</source>
        <translation>«Deshacer» (Ctrl+Z) puede revertir la eliminación.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
</context>
<context>
    <name>nulvane::TKeepRulesForm</name>
    <message>
        <source>Keep Rules</source>
        <translation>Reglas de conservación</translation>
    </message>
    <message>
        <source>Empty files these rules name are listed unchecked, and &quot;Delete All&quot; passes them by until they are checked. Changes apply to the next scan.</source>
        <translation>Los archivos vacíos que nombran estas reglas aparecen sin marcar, y «Eliminar todo» los deja de lado hasta que se marquen. Los cambios se aplican al próximo análisis.</translation>
    </message>
    <message>
        <source>Rules that ship:</source>
        <translation>Reglas incluidas:</translation>
    </message>
    <message>
        <source>Your rules, one a line: a name (*.lock), a folder&apos;s name ending in / (.venv/), or a path with / (migrations/__init__.py; from the root when it starts with /). # starts a comment.</source>
        <translation>Sus reglas, una por línea: un nombre (*.lock), un nombre de carpeta terminado en / (.venv/) o una ruta con / (migrations/__init__.py; desde la raíz si empieza por /). # inicia un comentario.</translation>
    </message>
    <message>
        <source>Kept in %1</source>
        <translation>Guardadas en %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>No se guardó: %1</translation>
    </message>
    <message>
        <source>No configuration folder is known (HOME is not set): there is nowhere to save.</source>
        <translation>No se conoce ninguna carpeta de configuración (HOME no está definida): no hay dónde guardar.</translation>
    </message>
    <message>
        <source>The rules file cannot be read (%1); it is left as it is.</source>
        <translation>No se puede leer el archivo de reglas (%1); se deja como está.</translation>
    </message>
    <message>
        <source>The rules file holds bytes that are not UTF-8 text; edit it with a text editor so that they stay as they are.</source>
        <translation>El archivo de reglas contiene bytes que no son texto UTF-8; edítelo con un editor de texto para que se conserven.</translation>
    </message>
</context>
<context>
    <name>nulvane::TWaitForm</name>
    <message>
        <source>Please wait</source>
        <translation>Espere, por favor</translation>
    </message>
    <message>
        <source>This will take a few minutes.Please be patient...</source>
        <translation>Esto puede tardar unos minutos. Tenga paciencia…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Stop (Esc): keeps what was done so far</source>
        <translation>Detener (Esc): conserva lo hecho hasta ahora</translation>
    </message>
</context>
</TS>
