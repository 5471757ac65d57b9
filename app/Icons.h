#pragma once
// The program's own pictures, drawn in code so that no image file has to travel with it: the
// window icon and the 32 by 32 images of the list's export menu.
#include <QIcon>

namespace nulvane {

enum class TExportImage { Html, Text, Excel, Csv, Xml };

QIcon ExportIcon(TExportImage image);
QIcon ProgramIcon();

}  // namespace nulvane
