#pragma once
// The program's own pictures, drawn in code so that no image file has to travel with it: the
// window icon and the 32 by 32 images of the list's export menu.
#include <QIcon>

#include "export/ExportFormats.h"

namespace nulvane {

// The picture of the format's menu entry: a sheet with a band of its colour carrying its label.
QIcon ExportIcon(const TExportFormatInfo& format);
QIcon ProgramIcon();

}  // namespace nulvane
