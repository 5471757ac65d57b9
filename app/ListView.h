#pragma once
// The result list on screen: a table view over TResultListModel that forwards what the user does
// to the list (header left clicks, column drags and widths, double clicks, the current row as the
// list's focused entry, check box toggles through the model) and follows the list's columns
// (display order, widths, visibility) and its header's sort glyph.
//
// Rows are selected as in a file manager (click, Shift and Ctrl clicks, Shift with the arrows), so
// that many entries can be checked or unchecked at once: Space toggles the check boxes of the
// selected rows, from whichever column has the focus. Tab and Shift+Tab leave the list; while it
// has the keyboard's focus, a focus mark runs round it, empty or not.
#include <QTableView>

#include <functional>
#include <vector>

#include "app/ListModel.h"

namespace nulvane {

class TListView : public QTableView {
    Q_OBJECT
public:
    TListView(TResultList& list, QWidget* parent = nullptr);
    ~TListView() override;

    TResultList& List() const noexcept { return Model_.List(); }
    TResultListModel& Model() noexcept { return Model_; }

    // While long work changes the list: nothing is read from it and nothing repaints the rows.
    void Freeze();
    void Thaw();

    // How a header click's sort runs: in place unless the owner gives a way that runs it as long
    // work (the view frozen meanwhile).
    std::function<void(const std::function<void()>&)> RunSort;

    // The entries of the selected rows, in list order.
    std::vector<std::size_t> SelectedEntries() const;
    // Sets the check boxes of the selected rows.
    void CheckSelected(bool checked);
    // Space: the selected rows all take the opposite of the current row's check state (of the
    // first selected row's when the current row is not selected).
    void ToggleSelected();

    // Takes the list's column order, widths, visibility and sort glyph.
    void SyncColumns();
    void SyncSortGlyph();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void HeaderClicked(int column);
    void SectionMoved(int column, int oldPosition, int newPosition);
    void SectionResized(int column, int oldWidth, int newWidth);
    void CurrentChanged(const QModelIndex& current);
    void FollowFocus();

    TResultListModel Model_;
    bool Syncing_ = false;
    int Frozen_ = 0;
};

}  // namespace nulvane
