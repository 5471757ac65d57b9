#pragma once
// The keep-rules editor of the Options menu ("Keep Rules..."): the rules that ship, read-only,
// above the user's own, which it edits as the lines of the rules file (core/KeepRules.h) and
// saves there safely. What is no rule is said under the lines as they are typed; saving keeps
// such lines as written (the file is the user's), and the scans ignore them.
//
// The editor never loses what the file holds: a file it cannot read, or whose bytes are not
// UTF-8 text (a rule for a name that is not valid UTF-8), is shown as far as it can be, and not
// saved over. The rules apply to the next scan.
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

namespace nulvane {

class TKeepRulesForm : public QDialog {
    Q_OBJECT
public:
    // Reads the rules file at `path` (empty: the user's, KeepRulesFileName()).
    explicit TKeepRulesForm(QWidget* parent = nullptr, std::string path = {});

    QPlainTextEdit& ShippedRules() const noexcept { return *ShippedRules_; }
    QPlainTextEdit& UserRules() const noexcept { return *UserRules_; }
    QPushButton& SaveButton() const noexcept { return *SaveButton_; }
    // What is said under the user's rules: the lines that are no rule, why the file cannot be
    // edited, or why it could not be saved; empty when all is well.
    QString ProblemText() const { return Problems_->text(); }
    const std::string& FileName() const noexcept { return Path_; }

    // Writes the user's rules to the file and closes, or says why it could not and stays open.
    void SaveClick();

private:
    void RulesEdited();

    std::string Path_;
    QPlainTextEdit* ShippedRules_ = nullptr;
    QPlainTextEdit* UserRules_ = nullptr;
    QLabel* Problems_ = nullptr;
    QPushButton* SaveButton_ = nullptr;
};

}  // namespace nulvane
