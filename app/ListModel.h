#pragma once
// The result list as a Qt item model: a table with one row per entry and one column per list
// column (by creation index; the header view shows them in the list's display order). It holds no
// data of its own: every cell, check box, colour, alignment and header caption is asked of the
// list when the view needs it, so a list of any length opens at once. A cell shows the control
// characters of its text as escapes ("\n", "\t"); hints show theirs as they are.
//
// While long work changes the list on another thread the model is frozen: it answers from the row
// and column counts it had, reads nothing from the list, and notes the list's notifications.
// Thawing resets the model to what the list holds then, when anything changed.
#include <QAbstractTableModel>

#include <vector>

#include "core/ResultList.h"

namespace nulvane {

class TResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultListModel(TResultList& list, QObject* parent = nullptr);
    ~TResultListModel() override;

    TResultList& List() const noexcept { return List_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Freeze();
    void Thaw();

    // Sets the check boxes of the entries (in list order, each in the list) as toggles by the user
    // would, with one repaint for them all. Nothing while frozen.
    void SetCheckStates(const std::vector<std::size_t>& entries, bool checked);

    // Moves a column as the user dragged it; the view has moved it already and is not told.
    void MoveColumn(int column, int position);
    bool Frozen() const noexcept { return Frozen_; }

    // A list of more rows than a view can address shows its first INT_MAX entries.
    static int RowsOf(std::size_t count) noexcept;

signals:
    // The list's columns were rebuilt or moved: the view takes positions, widths and visibility.
    void ColumnsRebuilt();
    // The list's entries moved (sorted, reset, removed): the view puts its current row back on
    // the list's focused entry.
    void EntriesMoved();

private:
    void ListChanged(TListChange change, std::size_t first, std::size_t count);

    TResultList& List_;
    bool Frozen_ = false;
    bool ChangedWhileFrozen_ = false;
    bool OwnMove_ = false;
    int Removing_ = -1;  // the row being removed, while the view is told
    int Rows_ = 0;
    int Columns_ = 1;
};

}  // namespace nulvane
