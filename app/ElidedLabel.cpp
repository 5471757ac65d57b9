#include "app/ElidedLabel.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace nulvane {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);  // paths are shown, never taken for markup
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::SetWholeText(const QString& text, const QString& details) {
    Whole_ = text;
    Details_ = details;
    Elide();
}

QSize TElidedLabel::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

QSize TElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width()) Elide();
}

void TElidedLabel::Elide() {
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(Whole_, Qt::ElideRight, std::max(room, 0));
    setText(shown);
    QString hint = shown != Whole_ ? Whole_ : QString();
    if (!Details_.isEmpty()) {
        if (!hint.isEmpty()) hint += QLatin1Char('\n');
        hint += Details_;
    }
    setToolTip(hint);
}

}  // namespace nulvane
