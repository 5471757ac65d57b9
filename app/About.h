#pragma once
// The About box: the product's title, the maker's notice and the maker's web and e-mail links,
// which open through the desktop services. Opened modally and discarded when closed. A link that
// nothing could open is told to OpenFailed (the main window says it in its status bar).
#include <QDialog>
#include <QLabel>

#include "platform/desktop/DesktopServices.h"

namespace nulvane {

class TFMAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFMAbout(QWidget* parent = nullptr);

    QString TitleText() const { return lbTitle->text(); }
    // What a click on each link does.
    void WebLinkClick();
    void EmailLinkClick();

    TOpenFailed OpenFailed;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lbTitle;
};

}  // namespace nulvane
