#pragma once
// A one-line label that follows the width its layout gives it: a text too long for it ends in
// "…", and its hint then shows the text whole. Details given with the text (one item a line) go
// to the hint only. It asks for no width of its own, so that a long text never widens the window.
#include <QLabel>
#include <QString>

namespace nulvane {

class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    void SetWholeText(const QString& text, const QString& details = {});
    QString WholeText() const { return Whole_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString Whole_;
    QString Details_;
};

}  // namespace nulvane
