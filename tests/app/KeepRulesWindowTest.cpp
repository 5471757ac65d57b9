#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/KeepRulesForm.h"
#include "app/MainForm.h"
#include "core/KeepRules.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "platform/files/FileContent.h"
#include "support/ConfigFolder.h"
#include "support/ProjectTree.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

class KeepRulesWindowTest : public ::testing::Test {
protected:
    KeepRulesWindowTest() {
        std::filesystem::remove_all(RulesFile);
        Form.show();
        QApplication::processEvents();
    }
    ~KeepRulesWindowTest() override { std::filesystem::remove_all(RulesFile); }

    std::size_t Row(const std::string& path) const {
        for (std::size_t i = 0; i < Form.Results.Count(); ++i)
            if (Form.Results.FullPath(Form.Results[i]) == path) return i;
        ADD_FAILURE() << "not listed: " << path;
        return 0;
    }
    QString Hint(std::size_t row) const {
        const QAbstractItemModel& model = Form.ListView().Model();
        return model.data(model.index(static_cast<int>(row), 2), Qt::ToolTipRole).toString();
    }
    QAction* KeepRulesAction() {
        for (QAction* action : Form.OptionsMenu().actions())
            if (action->text() == "Keep Rules...") return action;
        return nullptr;
    }
    TKeepRulesForm* OpenEditor() {
        if (QAction* action = KeepRulesAction()) action->trigger();
        return Form.findChild<TKeepRulesForm*>();
    }

    QApplication& App = test::QtApp();
    const std::string RulesFile = test::QtConfigHome().Str() + "/nulvane/keep-rules";
    test::TConfigFolder Dir;
    TScriptedDesktopServices Services;
    TDesktopServicesScope Scope{Services};
    TFMMain Form;
};

// The window's own "Delete All" on a project: the markers, the .git folder's files and what a
// link leads to are listed unchecked with hints that name their rules, and stay; the clutter
// goes. Space on a held row makes it ordinary; unchecked again, it stays all the same.
TEST_F(KeepRulesWindowTest, DeleteAllTakesOnlyTheClutterOfAProject) {
    const test::TProjectTree project;
    const test::TTempDir outside;
    outside.Write("linked/empty");
    std::filesystem::create_directory_symlink(outside.Str() + "/linked", project.Path() / "link");
    const std::string packages = project.Packages();
    Form.DropFolders({project.Str()});
    const std::size_t listed = Form.Results.Count(), held = listed - project.Clutter.size();
    EXPECT_EQ(Form.StatusText().toStdString(), std::to_string(listed) + " files in the list \u00b7 Scan finished: " +
                                                   std::to_string(listed) + " files listed; " + std::to_string(held) +
                                                   " held back by keep rules");
    const std::size_t init = Row(project.Str() + "/src/mypkg/__init__.py");
    EXPECT_EQ(Hint(init), "kept by rule: __init__.py");
    EXPECT_EQ(Hint(Row(project.Str() + "/link/empty")), "kept by rule: reached through a folder link");
    EXPECT_EQ(Hint(Row(project.Str() + "/scratch.tmp")), QString::fromLatin1(EntryHintText.data()));

    TListView& view = Form.ListView();
    view.setFocus();
    view.setCurrentIndex(view.model()->index(static_cast<int>(init), 1));
    view.selectionModel()->select(view.currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(Form.Results[init].CheckState, TCheckState::Checked);
    EXPECT_EQ(Hint(init), QString::fromLatin1(EntryHintText.data()));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(Form.Results[init].CheckState, TCheckState::Unchecked);

    Services.QueueAnswer("Yes");
    Form.btnDelAllClick();
    EXPECT_EQ(Form.StatusText().toStdString(), std::to_string(held) + " files in the list \u00b7 Deleted 5 files (undo: Ctrl+Z)");
    EXPECT_EQ(project.Gone(project.Clutter), project.Clutter);
    EXPECT_EQ(project.Present(project.Markers), project.Markers);
    EXPECT_TRUE(std::filesystem::exists(outside.Str() + "/linked/empty"));
    EXPECT_EQ(project.TrackedDeletions(), "");
    EXPECT_EQ(project.Packages(), packages);
    EXPECT_TRUE(packages.empty() || packages == "['mypkg', 'mypkg.sub']\n") << packages;
}

// "Keep Rules..." shows the shipped rules read-only above the user's, says which lines are no
// rule as they are typed, and saves the user's lines to the file; the next scan holds what they
// name and says once what is wrong with the file.
TEST_F(KeepRulesWindowTest, TheEditorSavesTheUsersRulesForTheNextScan) {
    WriteKeepRulesFile(RulesFile, "*.log\n");
    ASSERT_NE(KeepRulesAction(), nullptr);
    TKeepRulesForm* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->ShippedRules().isReadOnly());
    EXPECT_TRUE(editor->ShippedRules().toPlainText().startsWith("__init__.py\n"));
    EXPECT_EQ(editor->UserRules().toPlainText(), "*.log\n");
    EXPECT_EQ(editor->ProblemText(), "");
    editor->UserRules().setPlainText("*.log\nbad[\nscratch.tmp");
    EXPECT_EQ(editor->ProblemText(), "Line 2 ignored: unclosed [");
    QTest::mouseClick(&editor->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(ReadFileContent(RulesFile), "*.log\nbad[\nscratch.tmp\n");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Form.findChild<TKeepRulesForm*>(), nullptr);

    for (const char* name : {"a.log", "scratch.tmp", "x", "pkg/__init__.py"}) Dir.Write(std::string("f/") + name);
    Form.DropFolders({Dir.Str() + "/f"});
    EXPECT_EQ(Form.StatusText().toStdString(),
              "4 files in the list \u00b7 Scan finished: 4 files listed; 3 held back by keep rules; Keep rules: line 2 "
              "ignored: unclosed [");
    Form.DropFolders({Dir.Str() + "/f"});  // said once
    EXPECT_EQ(Form.StatusText().toStdString(),
              "8 files in the list \u00b7 Scan finished: 4 files listed; 3 held back by keep rules");
}

// A rules file the editor cannot show as it is, or cannot read, is not saved over.
TEST_F(KeepRulesWindowTest, TheEditorLeavesAFileItCannotShowAsItIs) {
    for (const bool folder : {false, true}) {
        std::filesystem::remove_all(RulesFile);
        if (folder)
            std::filesystem::create_directories(RulesFile);
        else
            WriteKeepRulesFile(RulesFile, "caf\xe9.txt\n");
        TKeepRulesForm editor(&Form);
        EXPECT_TRUE(editor.UserRules().isReadOnly());
        EXPECT_FALSE(editor.SaveButton().isEnabled());
        EXPECT_TRUE(editor.ProblemText().contains(folder ? "cannot be read" : "not UTF-8")) << editor.ProblemText().toStdString();
        editor.SaveClick();
        EXPECT_EQ(folder ? std::filesystem::is_directory(RulesFile) : ReadFileContent(RulesFile) == "caf\xe9.txt\n", true);
    }
}

}  // namespace
