#include "app/About.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/ErrorHandler.h"
#include "app/Translations.h"
#include "core/Product.h"
#include "platform/desktop/DesktopServices.h"

namespace nulvane {

namespace {

QLabel* LinkLine(const QString& prefix, std::string_view shown, QWidget* parent) {
    const QString text = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())).toHtmlEscaped();
    auto* label = new QLabel(QStringLiteral("%1<a href=\"#\">%2</a>").arg(prefix.toHtmlEscaped(), text), parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

}  // namespace

TFMAbout::TFMAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About"));
    setFixedSize(292, 152);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    lbTitle = new QLabel(this);
    QFont bold = lbTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lbTitle->setFont(bold);
    layout->addWidget(lbTitle);
    layout->addWidget(new QLabel(QString::fromStdString(CoreText(MakerNotice)), this));
    QLabel* web = LinkLine(tr("Web: "), MakerWebAddress, this);
    QLabel* email = LinkLine(tr("Email: "), MakerEmail, this);
    layout->addWidget(web);
    layout->addWidget(email);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(web, &QLabel::linkActivated, this, [this] { RunCommand([this] { WebLinkClick(); }); });
    connect(email, &QLabel::linkActivated, this, [this] { RunCommand([this] { EmailLinkClick(); }); });
}

void TFMAbout::showEvent(QShowEvent* event) {
    lbTitle->setText(QString::fromUtf8(ProductTitle.data(), static_cast<qsizetype>(ProductTitle.size())));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TFMAbout::WebLinkClick() { DesktopServices().OpenUrl(std::string(MakerWebAddress), OpenFailed); }

void TFMAbout::EmailLinkClick() { DesktopServices().OpenUrl("mailto:" + std::string(MakerEmail), OpenFailed); }

}  // namespace nulvane
