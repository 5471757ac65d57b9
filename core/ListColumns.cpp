#include "core/ListColumns.h"

#include <algorithm>
#include <string>

#include "core/ResultList.h"
#include "platform/system/Errors.h"

namespace nulvane {

// ---- columns --------------------------------------------------------------------------------

TListColumn& TListColumns::operator[](int index) {
    if (index < 0 || index >= Count()) throw EListError("column index out of range: " + std::to_string(index));
    return Columns_[static_cast<std::size_t>(index)];
}

const TListColumn& TListColumns::operator[](int index) const {
    if (index < 0 || index >= Count()) throw EListError("column index out of range: " + std::to_string(index));
    return Columns_[static_cast<std::size_t>(index)];
}

TListColumn& TListColumns::Add() {
    DisplayOrder_.reserve(Columns_.size() + 1);
    TListColumn& column = Columns_.emplace_back();
    DisplayOrder_.push_back(Count() - 1);
    Changed();
    return column;
}

void TListColumns::Clear() noexcept {
    Columns_.clear();
    DisplayOrder_.clear();
    Header_.SortColumn_ = NoColumn;
    Changed();
}

void TListColumns::Changed() noexcept {
    if (IsUpdating())
        Changed_ = true;
    else
        Header_.Owner().NotifyChange(TListChange::ColumnsRebuilt);
}

void TListColumns::UpdateEnded() noexcept {
    if (!Changed_) return;
    Changed_ = false;
    Header_.Owner().NotifyChange(TListChange::ColumnsRebuilt);
}

int TListColumns::Position(int index) const {
    (void)operator[](index);
    const auto it = std::find(DisplayOrder_.begin(), DisplayOrder_.end(), index);
    return static_cast<int>(it - DisplayOrder_.begin());
}

int TListColumns::ColumnAt(int position) const {
    if (position < 0 || position >= Count())
        throw EListError("column position out of range: " + std::to_string(position));
    return DisplayOrder_[static_cast<std::size_t>(position)];
}

void TListColumns::SetPosition(int index, int position) {
    const int from = Position(index);
    const int to = (position < 0 || position >= Count()) ? Count() - 1 : position;
    auto at = [this](int p) { return DisplayOrder_.begin() + p; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else if (to < from)
        std::rotate(at(to), at(from), at(from + 1));
    if (from != to) Changed();
}

// ---- header ---------------------------------------------------------------------------------

void TListHeader::SetSortColumn(int column) {
    if (column != NoColumn && (column < 0 || column >= Columns_.Count()))
        throw EListError("sort column out of range: " + std::to_string(column));
    SortColumn_ = column;
}

void TListHeader::Click(int column, TMouseButton button) {
    if (Owner_.OnHeaderClick) Owner_.OnHeaderClick(*this, column, button);
}

}  // namespace nulvane
