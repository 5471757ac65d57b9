#include "app/ListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <utility>

#include "app/ErrorHandler.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

namespace {

// Sets a flag for a scope, and gives it back its value at the end: changes the view makes itself
// are not fed back to the list.
auto FlagScope(bool& flag) {
    return TScopeGuard([&flag, old = std::exchange(flag, true)] { flag = old; });
}

}  // namespace

TListView::TListView(TResultList& list, QWidget* parent) : QTableView(parent), Model_(list) {
    setModel(&Model_);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setMouseTracking(true);  // hot tracking and hints
    setAcceptDrops(false);   // drops go to the window
    viewport()->setAcceptDrops(false);
    setHorizontalScrollMode(ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);

    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setContextMenuPolicy(Qt::PreventContextMenu);  // a right click on the header does nothing

    connect(header, &QHeaderView::sectionClicked, this, &TListView::HeaderClicked);
    connect(header, &QHeaderView::sectionMoved, this, &TListView::SectionMoved);
    connect(header, &QHeaderView::sectionResized, this, &TListView::SectionResized);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentChanged(current); });
    connect(&Model_, &TResultListModel::ColumnsRebuilt, this, &TListView::SyncColumns);
    connect(&Model_, &TResultListModel::EntriesMoved, this, &TListView::FollowFocus);
    SyncColumns();
}

TListView::~TListView() {
    // The header outlives this part of the object and would signal into it while dying.
    horizontalHeader()->disconnect(this);
    if (selectionModel()) selectionModel()->disconnect(this);
    Model_.disconnect(this);
    setModel(nullptr);
}

void TListView::Freeze() {
    if (Frozen_++ > 0) return;
    Model_.Freeze();
    viewport()->setUpdatesEnabled(false);
    horizontalHeader()->setUpdatesEnabled(false);
}

void TListView::Thaw() {
    if (Frozen_ == 0 || --Frozen_ > 0) return;
    Model_.Thaw();
    viewport()->setUpdatesEnabled(true);
    horizontalHeader()->setUpdatesEnabled(true);
    viewport()->update();
}

void TListView::SyncColumns() {
    if (Model_.Frozen()) return;
    const auto syncing = FlagScope(Syncing_);
    const TListColumns& columns = List().Header().Columns();
    QHeaderView* header = horizontalHeader();
    const int count = std::min(columns.Count(), header->count());
    for (int i = 0; i < count; ++i) {
        header->resizeSection(i, columns[i].Width);
        header->setSectionHidden(i, !columns[i].Visible);
    }
    for (int position = 0; position < count; ++position) {
        const int column = columns.ColumnAt(position);
        const int from = header->visualIndex(column);
        if (from != position) header->moveSection(from, position);
    }
    SyncSortGlyph();
}

void TListView::SyncSortGlyph() {
    const TListHeader& header = List().Header();
    horizontalHeader()->setSortIndicator(header.SortColumn(), header.SortDirection() == TSortDirection::Descending
                                                                  ? Qt::DescendingOrder
                                                                  : Qt::AscendingOrder);
}

void TListView::HeaderClicked(int column) {
    RunCommand([&] {
        // The header toggled its own glyph already; the list's header state is what shows.
        const TScopeGuard glyph([this] { SyncSortGlyph(); });
        if (column >= List().Header().Columns().Count()) return;
        const auto click = [&] { List().Header().Click(column, TMouseButton::Left); };
        if (RunSort)
            RunSort(click);
        else
            click();
    });
}

void TListView::SectionMoved(int column, int /*oldPosition*/, int newPosition) {
    if (Syncing_) return;
    RunCommand([&] {
        TListColumns& columns = List().Header().Columns();
        if (column >= columns.Count()) return;
        const auto syncing = FlagScope(Syncing_);
        Model_.MoveColumn(column, newPosition);
    });
}

void TListView::SectionResized(int column, int /*oldWidth*/, int newWidth) {
    if (Syncing_) return;
    TListColumns& columns = List().Header().Columns();
    if (column < columns.Count() && !horizontalHeader()->isSectionHidden(column)) columns[column].Width = newWidth;
}

void TListView::CurrentChanged(const QModelIndex& current) {
    if (Syncing_ || Model_.Frozen()) return;
    RunCommand([&] {
        const std::size_t entry = current.isValid() ? static_cast<std::size_t>(current.row()) : NoEntry;
        if (entry == NoEntry || entry < List().Count()) List().SetFocusedEntry(entry);
    });
}

void TListView::FollowFocus() {
    if (Model_.Frozen()) return;
    const auto syncing = FlagScope(Syncing_);
    const std::size_t focused = List().FocusedEntry();
    if (focused == NoEntry || focused >= static_cast<std::size_t>(Model_.rowCount())) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = Model_.index(static_cast<int>(focused), std::max(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<std::size_t> TListView::SelectedEntries() const {
    std::vector<std::size_t> entries;
    if (Model_.Frozen() || !selectionModel()) return entries;
    for (const QModelIndex& row : selectionModel()->selectedRows())
        if (row.row() >= 0 && static_cast<std::size_t>(row.row()) < List().Count())
            entries.push_back(static_cast<std::size_t>(row.row()));
    std::sort(entries.begin(), entries.end());
    return entries;
}

void TListView::CheckSelected(bool checked) { Model_.SetCheckStates(SelectedEntries(), checked); }

void TListView::ToggleSelected() {
    const std::vector<std::size_t> selected = SelectedEntries();
    if (selected.empty()) return;
    std::size_t reference = selected.front();
    const QModelIndex current = currentIndex();
    if (current.isValid() && std::binary_search(selected.begin(), selected.end(), static_cast<std::size_t>(current.row())))
        reference = static_cast<std::size_t>(current.row());
    CheckSelected(List()[reference].CheckState != TCheckState::Checked);
}

void TListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        RunCommand([this] { ToggleSelected(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // The current cell's mark alone is not enough: an empty list has none.
    if (!hasFocus()) return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || Model_.Frozen()) return;
    RunCommand([&] { List().DblClick(); });
}

}  // namespace nulvane
