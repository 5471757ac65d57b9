#pragma once
// Conversions between the system's byte texts and Qt's strings. Paths stay the file system's
// exact bytes on the way in; on the way out to the screen they are decoded as the file system
// encodes names (bytes that do not decode show as replacement characters).
#include <QString>

#include <string>
#include <string_view>

namespace nulvane {

QString DisplayText(std::string_view bytes);
// A path the desktop gave as a string, as the file system's bytes.
std::string PathBytes(const QString& path);

}  // namespace nulvane
