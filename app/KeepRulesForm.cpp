#include "app/KeepRulesForm.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <exception>

#include "app/StatusTexts.h"
#include "app/Texts.h"
#include "app/Translations.h"
#include "core/KeepRules.h"

namespace nulvane {

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TKeepRulesForm::TKeepRulesForm(QWidget* parent, std::string path)
    : QDialog(parent), Path_(path.empty() ? KeepRulesFileName() : std::move(path)) {
    setWindowTitle(tr("Keep Rules"));
    resize(520, 480);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WrappedLabel(
        tr("Empty files these rules name are listed unchecked, and \"Delete All\" passes them by until "
           "they are checked. Changes apply to the next scan."),
        this));

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    layout->addWidget(WrappedLabel(tr("Rules that ship:"), this));
    ShippedRules_ = new QPlainTextEdit(Utf8(TKeepRules::ShippedText()), this);
    ShippedRules_->setReadOnly(true);
    ShippedRules_->setFont(fixed);
    ShippedRules_->setMaximumHeight(ShippedRules_->fontMetrics().lineSpacing() * 7);
    layout->addWidget(ShippedRules_);

    layout->addWidget(WrappedLabel(
        tr("Your rules, one a line: a name (*.lock), a folder's name ending in / (.venv/), or a path "
           "with / (migrations/__init__.py; from the root when it starts with /). # starts a comment."),
        this));
    UserRules_ = new QPlainTextEdit(this);
    UserRules_->setFont(fixed);
    UserRules_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(UserRules_, 1);
    Problems_ = WrappedLabel({}, this);
    QPalette warning = Problems_->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    Problems_->setPalette(warning);
    layout->addWidget(Problems_);
    layout->addWidget(WrappedLabel(tr("Kept in %1").arg(DisplayText(Path_)), this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    SaveButton_ = buttons->button(QDialogButtonBox::Save);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        try {
            SaveClick();
        } catch (const std::exception& e) {
            Problems_->setText(tr("Not saved: %1").arg(DisplayText(CoreText(e.what()))));
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // What cannot be shown as it is, or read at all, is not saved over.
    QString cannotEdit;
    if (Path_.empty()) {
        cannotEdit = tr("No configuration folder is known (HOME is not set): there is nowhere to save.");
    } else {
        const TLoadedKeepRules loaded = LoadKeepRules(Path_);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(QByteArray(loaded.Text.data(), static_cast<qsizetype>(loaded.Text.size())));
        UserRules_->setPlainText(text);
        if (!loaded.Error.empty())
            cannotEdit = tr("The rules file cannot be read (%1); it is left as it is.").arg(DisplayText(CoreText(loaded.Error)));
        else if (decoder.hasError())
            cannotEdit = tr("The rules file holds bytes that are not UTF-8 text; edit it with a text editor "
                            "so that they stay as they are.");
    }
    if (!cannotEdit.isEmpty()) {
        UserRules_->setReadOnly(true);
        SaveButton_->setEnabled(false);
        Problems_->setText(cannotEdit);
        return;
    }
    connect(UserRules_, &QPlainTextEdit::textChanged, this, &TKeepRulesForm::RulesEdited);
    RulesEdited();
}

void TKeepRulesForm::RulesEdited() {
    TKeepRules rules;
    const QByteArray text = UserRules_->toPlainText().toUtf8();
    const std::string problems = KeepRuleProblemsText(rules.AddLines({text.constData(), static_cast<std::size_t>(text.size())}));
    QString said = Utf8(problems);
    if (!said.isEmpty()) said[0] = said[0].toUpper();  // "Line 3 ignored: unclosed ["
    Problems_->setText(said);
}

void TKeepRulesForm::SaveClick() {
    if (!SaveButton_->isEnabled()) return;
    QByteArray text = UserRules_->toPlainText().toUtf8();
    if (!text.isEmpty() && !text.endsWith('\n')) text += '\n';
    WriteKeepRulesFile(Path_, {text.constData(), static_cast<std::size_t>(text.size())});
    accept();
}

}  // namespace nulvane
