#include "app/ListModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPalette>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/ListView.h"
#include "core/TallyscopeCtrl.h"
#include "support/ConfigFolder.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

class ListModelTest : public ::testing::Test {
protected:
    ListModelTest() {
        test::QtApp();
        Dir.WriteConfig(
            "<config><nodes>"
            "<node Name=\"File Name\" Width=\"120\" Index=\"0\" Visible=\"true\" ReadOnly=\"false\" Align=\"left\"/>"
            "<node Name=\"Full Path\" Width=\"200\" Index=\"2\" Visible=\"true\" ReadOnly=\"true\" Align=\"center\"/>"
            "<node Name=\"File Size\" Width=\"60\" Index=\"1\" Visible=\"false\" ReadOnly=\"true\" Align=\"right\"/>"
            "</nodes></config>");
        Ctrl.BuildColumns(List);
    }
    void Add(const std::string& name) {
        TListEntry entry;
        entry.Record.Set(fiFileName, name);
        entry.Record.Set(fiFullPath, "/d/" + name);
        entry.Record.Set(fiFileSize, "0");
        entry.CheckState = TCheckState::Checked;
        entry.CheckType = TCheckType::CheckBox;
        List.Append(std::move(entry));
    }
    QString Text(const QAbstractItemModel& model, int row, int column) const {
        return model.data(model.index(row, column)).toString();
    }

    test::TConfigFolder Dir;
    TResultList List;
    TTallyscopeCtrl Ctrl{List};
};

TEST_F(ListModelTest, FollowsEveryChangeOfTheListWithoutDataOfItsOwn) {
    TResultListModel model(List);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const char* name : {"b", "c", "a", "d\n\t"}) Add(name);
    ASSERT_EQ(model.rowCount(), 4);
    // Control characters show as escapes; the list keeps the bytes.
    EXPECT_EQ(Text(model, 3, 1), "/d/d\\n\\t");
    EXPECT_EQ(List[3].Record.Get(fiFileName), "d\n\t");
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(Text(model, 0, 0), "b");
    EXPECT_EQ(Text(model, 0, 1), "/d/b");
    EXPECT_EQ(Text(model, 0, 2), "0.00 B");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Full Path");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), QString::fromUtf8(EntryHintText));
    // Check boxes stand in the first column only; toggling one sets its entry's state.
    EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole), Qt::Checked);
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
    EXPECT_TRUE(model.setData(model.index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(List[2].CheckState, TCheckState::Unchecked);
    // Colours: a read-only column paints pale blue, any other the palette's tooltip base.
    EXPECT_EQ(model.data(model.index(0, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(239, 243, 255));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::BackgroundRole).value<QBrush>().color(),
              QApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);

    List.Remove(1);
    EXPECT_EQ(Text(model, 1, 0), "a");
    List.Header().Click(0, TMouseButton::Left);
    EXPECT_EQ(Text(model, 0, 0), "a");
    {
        const TResultList::TUpdateScope update(List);
        Add("e");
        Add("f");
    }
    EXPECT_EQ(model.rowCount(), 5);
    List.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    Ctrl.BuildColumns(List);
    EXPECT_EQ(model.columnCount(), 3);
}

TEST_F(ListModelTest, FrozenItReadsNothingAndThawingTakesWhatTheListHoldsThen) {
    TResultListModel model(List);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    Add("a");
    model.Freeze();
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    Add("b");
    List.Remove(0);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
    EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(resets.count(), 0);
    model.Thaw();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(Text(model, 0, 0), "b");
}

TEST_F(ListModelTest, ViewShowsTheListsColumnsAndForwardsClicksDragsAndTheCurrentRow) {
    TListView view(List);
    for (const char* name : {"b", "a", "c"}) Add(name);
    QHeaderView& header = *view.horizontalHeader();
    // Display order and visibility as the configuration gave them.
    EXPECT_EQ(header.visualIndex(0), 0);
    EXPECT_EQ(header.visualIndex(1), 2);
    EXPECT_TRUE(header.isSectionHidden(2));
    EXPECT_EQ(header.sectionSize(1), 200);
    EXPECT_EQ(header.sortIndicatorSection(), -1);

    // A left click sorts by the clicked column's field and the glyph follows the list's header.
    emit header.sectionClicked(0);
    EXPECT_EQ(List[0].Record.Get(fiFileName), "a");
    EXPECT_EQ(header.sortIndicatorSection(), 0);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::AscendingOrder);
    emit header.sectionClicked(0);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(List[0].Record.Get(fiFileName), "c");

    // A dragged column keeps its index; its new place flows back into the list.
    header.moveSection(header.visualIndex(1), 0);
    EXPECT_EQ(List.Header().Columns().ColumnAt(0), 1);
    EXPECT_EQ(Text(view.Model(), 0, 1), "/d/c");

    // The current row is the focused entry, also after the list reorders.
    view.setCurrentIndex(view.Model().index(2, 0));
    EXPECT_EQ(List.FocusedEntry(), 2u);
    const std::string focused(List[2].Record.Get(fiFileName));
    emit header.sectionClicked(0);
    EXPECT_EQ(List[static_cast<std::size_t>(view.currentIndex().row())].Record.Get(fiFileName), focused);

    // Emptying the list keeps the columns as the user left them.
    List.Clear();
    EXPECT_EQ(header.visualIndex(1), 0);
    EXPECT_EQ(header.sectionSize(1), 200);
}

}  // namespace
