#include "app/WaitForm.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtMath>

#include <algorithm>

#include "app/StatusTexts.h"
#include "app/Texts.h"
#include "platform/system/LongWork.h"

namespace nulvane {

namespace {
constexpr int FrameMs = 40;
constexpr int FramesPerTurn = 36;
constexpr int FormWidth = 376, FormHeight = 116;
constexpr int CountsLeft = 96;
// The window widens in steps of this much, so that a count that grows does not move it each time.
constexpr int WidthStep = 48;
}  // namespace

TFindAnimation::TFindAnimation(QWidget* parent) : QWidget(parent) {
    Timer_.setInterval(FrameMs);
    connect(&Timer_, &QTimer::timeout, this, [this] {
        Frame_.store(Frame() + 1, std::memory_order_relaxed);
        update();
    });
}

void TFindAnimation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer_.start();
}

void TFindAnimation::hideEvent(QHideEvent* event) {
    Timer_.stop();
    QWidget::hideEvent(event);
}

void TFindAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width(), h = height();
    // The folder.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xA8, 0x38));
    p.drawRoundedRect(QRectF(w * 0.10, h * 0.22, w * 0.30, h * 0.16), 3, 3);
    p.setBrush(QColor(0xF6, 0xC3, 0x4F));
    p.drawRoundedRect(QRectF(w * 0.10, h * 0.32, w * 0.80, h * 0.58), 4, 4);
    // The magnifier circles over it.
    const qreal angle = 2 * M_PI * static_cast<qreal>(Frame() % FramesPerTurn) / FramesPerTurn;
    const QPointF centre(w * 0.5 + std::cos(angle) * w * 0.18, h * 0.58 + std::sin(angle) * h * 0.16);
    const qreal r = std::min(w, h) * 0.20;
    p.setPen(QPen(QColor(0x40, 0x48, 0x55), r * 0.45, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(r * 0.7, r * 0.7), centre + QPointF(r * 1.5, r * 1.5));
    p.setPen(QPen(QColor(0x40, 0x48, 0x55), r * 0.25));
    p.setBrush(QColor(0xDD, 0xEE, 0xFF, 0xC0));
    p.drawEllipse(centre, r, r);
}

void TWaitForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Borderless, the window needs an edge of its own to stand out from what lies beneath.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TWaitForm::TWaitForm(QWidget* owner)
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), Owner_(owner) {
    setWindowTitle(tr("Please wait"));
    setFixedSize(FormWidth, FormHeight);
    setAutoFillBackground(true);
    Animate1 = new TFindAnimation(this);
    Animate1->setGeometry(8, 8, 80, 50);
    Label1 = new QLabel(tr("This will take a few minutes.Please be patient..."), this);
    Label1->setGeometry(103, 8, 376 - 103 - 6, 18);
    // The line was laid out for a narrow 8-point face; a wider one is made smaller until it fits.
    for (QFont font = Label1->font();
         QFontMetrics(font).horizontalAdvance(Label1->text()) > Label1->width() && font.pointSizeF() > 6;) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        Label1->setFont(font);
    }
    Label2 = new QLabel(QStringLiteral("..."), this);
    Label2->setGeometry(105, 30, FormWidth - 105 - 50, 18);
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    btnCancel = new QToolButton(this);
    btnCancel->setText(tr("Cancel"));
    btnCancel->setAutoRaise(true);
    btnCancel->setGeometry(142, 54, 97, 25);
    btnCancel->hide();

    // Below the window's first layout, which stays as it was: the counts line under the message
    // column, Stop under the animation.
    Label3 = new QLabel(this);
    Label3->setGeometry(CountsLeft, 86, FormWidth - CountsLeft - 8, 18);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label3->setTextFormat(Qt::PlainText);
    btnStop = new QPushButton(tr("Stop"), this);
    btnStop->setGeometry(8, 82, 80, 26);
    btnStop->setEnabled(false);
    btnStop->setToolTip(tr("Stop (Esc): keeps what was done so far"));
    connect(btnStop, &QPushButton::clicked, this, &TWaitForm::StopClick);
    CountsTimer_.setInterval(CountsIntervalMs);
    connect(&CountsTimer_, &QTimer::timeout, this, &TWaitForm::UpdateCounts);
}

void TWaitForm::SetWork(const TLongWork* work) {
    Work_ = work;
    btnStop->setEnabled(work != nullptr);
    Label3->clear();
    if (work) {
        UpdateCounts();
        CountsTimer_.start();
    } else {
        CountsTimer_.stop();
    }
}

void TWaitForm::UpdateCounts() {
    if (!Work_) return;
    Label3->setText(DisplayText(ProgressCountsText(*Work_)));
    FitText();
}

void TWaitForm::FitText() {
    // Right of the counts line and of the message stays what the first layout left there.
    const int needed = std::max({FormWidth, CountsLeft + Label3->fontMetrics().horizontalAdvance(Label3->text()) + 8,
                                 Label2->x() + Label2->fontMetrics().horizontalAdvance(Label2->text()) + 50});
    if (needed <= width()) return;
    SetWidth(FormWidth + (needed - FormWidth + WidthStep - 1) / WidthStep * WidthStep);
}

void TWaitForm::SetWidth(int width) {
    if (width == this->width()) return;
    const int centre = geometry().center().x();
    setFixedSize(width, FormHeight);
    Label2->resize(width - Label2->x() - 50, Label2->height());
    Label3->resize(width - CountsLeft - 8, Label3->height());
    if (isVisible()) move(centre - width / 2, y());
}

void TWaitForm::StopClick() {
    if (!Work_ || !btnStop->isEnabled()) return;
    // Pressed once; the job may take a moment to reach its next check.
    btnStop->setEnabled(false);
    emit StopClicked();
}

void TWaitForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        StopClick();
    else
        QWidget::keyPressEvent(event);
}

void TWaitForm::CentreOverOwner() {
    QRect area;
    if (Owner_ && Owner_->isVisible())
        area = Owner_->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) move(area.center() - rect().center());
}

void TWaitForm::PaintNow() {
    if (!isVisible()) return;
    repaint();
    // A window shown a moment ago is drawn only once the windowing system has mapped it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TWaitForm::ShowWaitForm(bool show, bool showCancel) {
    if (!show) {
        if (isVisible()) hide();
        return;
    }
    btnCancel->setVisible(showCancel);
    if (!isVisible()) {
        // Each time it shows, it starts from its first size and widens as its texts need.
        SetWidth(FormWidth);
        FitText();
        CentreOverOwner();
        QWidget::show();
    }
    raise();
    PaintNow();
}

void TWaitForm::SetWaitMessage(const QString& text) {
    Label2->setText(text);
    FitText();
    PaintNow();
}

}  // namespace nulvane
