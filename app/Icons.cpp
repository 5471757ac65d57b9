#include "app/Icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace nulvane {

namespace {

struct TImageLook {
    std::string_view Label;
    QColor Band;
};

// A sheet of paper with a folded corner and a coloured band carrying the format's name.
QPixmap Sheet(const TImageLook& look, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    QPainterPath page;
    page.moveTo(6 * s, 1.5 * s);
    page.lineTo(20 * s, 1.5 * s);
    page.lineTo(27 * s, 8.5 * s);
    page.lineTo(27 * s, 30.5 * s);
    page.lineTo(6 * s, 30.5 * s);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x60, 0x66, 0x70), 1.0 * s));
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(20 * s, 1.5 * s);
    fold.lineTo(20 * s, 8.5 * s);
    fold.lineTo(27 * s, 8.5 * s);
    p.setBrush(QColor(0xDD, 0xE2, 0xE8));
    p.drawPath(fold);
    p.setPen(QPen(QColor(0xB8, 0xC0, 0xCA), 1.0 * s));
    for (int y = 12; y <= 16; y += 4) p.drawLine(QPointF(9 * s, y * s), QPointF(24 * s, y * s));
    const QRectF band(2 * s, 18 * s, 24 * s, 10 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(look.Band);
    p.drawRoundedRect(band, 1.5 * s, 1.5 * s);
    QFont font;
    font.setBold(true);
    font.setPixelSize(static_cast<int>(8 * s));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(band, Qt::AlignCenter, QString::fromLatin1(look.Label.data(), static_cast<qsizetype>(look.Label.size())));
    return pixmap;
}

}  // namespace

QIcon ExportIcon(const TExportFormatInfo& format) {
    return QIcon(Sheet({format.IconLabel, QColor::fromRgb(format.IconColour)}, 32));
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size / 64.0;
        // A folder with an empty page that is being swept away.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE8, 0xA8, 0x38));
        p.drawRoundedRect(QRectF(4 * s, 12 * s, 24 * s, 10 * s), 3 * s, 3 * s);
        p.setBrush(QColor(0xF6, 0xC3, 0x4F));
        p.drawRoundedRect(QRectF(4 * s, 18 * s, 56 * s, 40 * s), 5 * s, 5 * s);
        p.setBrush(Qt::white);
        p.setPen(QPen(QColor(0x70, 0x76, 0x80), 2 * s));
        p.drawRoundedRect(QRectF(20 * s, 8 * s, 26 * s, 34 * s), 2 * s, 2 * s);
        QFont font;
        font.setBold(true);
        font.setPixelSize(static_cast<int>(20 * s));
        p.setFont(font);
        p.setPen(QColor(0x3A, 0x6E, 0xC8));
        p.drawText(QRectF(20 * s, 8 * s, 26 * s, 34 * s), Qt::AlignCenter, QStringLiteral("0"));
        p.setPen(QPen(QColor(0xC8, 0x3A, 0x3A), 5 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(42 * s, 40 * s), QPointF(56 * s, 54 * s));
        p.drawLine(QPointF(56 * s, 40 * s), QPointF(42 * s, 54 * s));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace nulvane
