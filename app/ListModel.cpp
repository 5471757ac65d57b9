#include "app/ListModel.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPalette>

#include <climits>

#include "app/Texts.h"
#include "app/Translations.h"
#include "platform/text/ControlEscapes.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

namespace {

QColor ColorOf(TColor color) {
    if (color == clInfoBk) return QApplication::palette().color(QPalette::ToolTipBase);
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

Qt::Alignment AlignmentOf(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TAlignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case TAlignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// A list without columns still shows one implicit column, so it asks for text as ever.
int ColumnsOf(const TResultList& list) noexcept { return std::max(1, list.Header().Columns().Count()); }

}  // namespace

int TResultListModel::RowsOf(std::size_t count) noexcept {
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

TResultListModel::TResultListModel(TResultList& list, QObject* parent)
    : QAbstractTableModel(parent), List_(list), Rows_(RowsOf(list.Count())), Columns_(ColumnsOf(list)) {
    List_.OnListChange = [this](TResultList&, TListChange change, std::size_t first, std::size_t count) {
        ListChanged(change, first, count);
    };
}

TResultListModel::~TResultListModel() { List_.OnListChange = nullptr; }

int TResultListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Rows_; }

int TResultListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns_; }

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
    if (Frozen_ || !index.isValid() || index.row() >= Rows_ || index.column() >= Columns_) return {};
    std::size_t entry = static_cast<std::size_t>(index.row());
    if (Removing_ >= 0 && index.row() >= Removing_) {
        // The list has already dropped this row's entry; the rows after it read one place up.
        if (index.row() == Removing_) return {};
        --entry;
    }
    if (entry >= List_.Count()) return {};
    const int column = index.column();
    const TListColumns& columns = List_.Header().Columns();
    const bool hasColumn = column < columns.Count();
    switch (role) {
    case Qt::DisplayRole:
        // A line break or a tab in a name would cut the cell short or vanish: it shows as "\n",
        // "\t". The list's own texts keep the name's bytes.
        return DisplayText(EscapeControls(List_.CellText(entry, column)));
    case Qt::ToolTipRole: {
        THintLineBreakStyle style = THintLineBreakStyle::Default;
        const std::string hint = List_.Hint(entry, column, style);
        return hint.empty() ? QVariant() : QVariant(DisplayText(CoreText(hint)));
    }
    case Qt::CheckStateRole:
        if (column != List_.Header().MainColumn() || List_[entry].CheckType != TCheckType::CheckBox) return {};
        return List_[entry].CheckState == TCheckState::Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
        return QBrush(ColorOf(hasColumn && columns[column].Color ? *columns[column].Color : List_.Color()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(hasColumn ? columns[column].Alignment : TAlignment::Left));
    default:
        return {};
    }
}

bool TResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (Frozen_ || role != Qt::CheckStateRole || !index.isValid() || index.column() != List_.Header().MainColumn())
        return false;
    const auto entry = static_cast<std::size_t>(index.row());
    if (entry >= List_.Count() || List_[entry].CheckType != TCheckType::CheckBox) return false;
    const bool checked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
    List_.SetCheckState(entry, checked ? TCheckState::Checked : TCheckState::Unchecked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

void TResultListModel::SetCheckStates(const std::vector<std::size_t>& entries, bool checked) {
    const int column = List_.Header().MainColumn();
    if (Frozen_ || entries.empty() || column < 0) return;
    for (const std::size_t entry : entries)
        if (entry < List_.Count() && List_[entry].CheckType == TCheckType::CheckBox)
            List_.SetCheckState(entry, checked ? TCheckState::Checked : TCheckState::Unchecked);
    emit dataChanged(index(RowsOf(entries.front()), column), index(RowsOf(entries.back()), column),
                     {Qt::CheckStateRole});
}

Qt::ItemFlags TResultListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (!Frozen_ && index.column() == List_.Header().MainColumn()) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || Frozen_ || section < 0 || section >= Columns_) return {};
    const TListColumns& columns = List_.Header().Columns();
    if (section >= columns.Count()) return {};
    if (role == Qt::DisplayRole) return DisplayText(columns[section].Text);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(columns[section].Alignment));
    return {};
}

void TResultListModel::Freeze() { Frozen_ = true; }

void TResultListModel::MoveColumn(int column, int position) {
    OwnMove_ = true;
    const TScopeGuard reset([this] { OwnMove_ = false; });
    List_.Header().Columns().SetPosition(column, position);
}

void TResultListModel::Thaw() {
    if (!Frozen_) return;
    if (!ChangedWhileFrozen_) {
        Frozen_ = false;
        return;
    }
    ChangedWhileFrozen_ = false;
    beginResetModel();
    Frozen_ = false;
    Rows_ = RowsOf(List_.Count());
    Columns_ = ColumnsOf(List_);
    endResetModel();
    emit ColumnsRebuilt();
    emit EntriesMoved();
}

void TResultListModel::ListChanged(TListChange change, std::size_t first, std::size_t count) {
    if (Frozen_) {
        ChangedWhileFrozen_ = true;
        return;
    }
    const int rows = RowsOf(List_.Count());
    switch (change) {
    case TListChange::EntriesAppended:
        if (first == static_cast<std::size_t>(Rows_) && rows > Rows_) {
            beginInsertRows({}, Rows_, rows - 1);
            Rows_ = rows;
            endInsertRows();
            return;
        }
        break;
    case TListChange::EntriesRemoved:
        if (count == 1 && first < static_cast<std::size_t>(Rows_) && rows == Rows_ - 1) {
            const int row = static_cast<int>(first);
            Removing_ = row;
            beginRemoveRows({}, row, row);
            Rows_ = rows;
            Removing_ = -1;
            endRemoveRows();
            emit EntriesMoved();
            return;
        }
        break;
    case TListChange::Sorted:
    case TListChange::CheckStatesChanged:
        if (rows == Rows_) {
            if (Rows_ > 0) emit dataChanged(index(0, 0), index(Rows_ - 1, Columns_ - 1));
            if (change == TListChange::Sorted) emit EntriesMoved();
            return;
        }
        break;
    case TListChange::ColumnsRebuilt: {
        if (OwnMove_) return;
        const int columns = ColumnsOf(List_);
        beginResetModel();
        Columns_ = columns;
        Rows_ = rows;
        endResetModel();
        emit ColumnsRebuilt();
        emit EntriesMoved();
        return;
    }
    case TListChange::EntriesReset:
        break;
    }
    beginResetModel();
    Rows_ = rows;
    Columns_ = ColumnsOf(List_);
    endResetModel();
    emit EntriesMoved();
}

}  // namespace nulvane
