#include "app/Texts.h"

#include <QByteArray>
#include <QFile>

namespace nulvane {

QString DisplayText(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string PathBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace nulvane
