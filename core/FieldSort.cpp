#include "core/FieldSort.h"

#include <utility>

#include "core/EntryComparison.h"
#include "core/FileRecord.h"
#include "platform/system/Errors.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

std::optional<int> FindFieldIndex(std::string_view name) noexcept {
    const std::string_view wanted = TrimText(name);
    for (int i = 0; i < FieldCount; ++i)
        if (FieldNames[i] == wanted) return i;
    return std::nullopt;
}

std::string FieldNamesText() {
    std::string text;
    for (std::string_view name : FieldNames) {
        if (!text.empty()) text += ", ";
        text += '"';
        text += name;
        text += '"';
    }
    return text;
}

std::optional<TSortRequest> ParseSortRequest(std::string_view argument) noexcept {
    constexpr std::string_view descendingSuffix = ":desc";
    bool descending = false;
    if (argument.size() >= descendingSuffix.size() &&
        argument.substr(argument.size() - descendingSuffix.size()) == descendingSuffix) {
        argument.remove_suffix(descendingSuffix.size());
        descending = true;
    }
    const std::optional<int> field = FindFieldIndex(argument);
    if (!field) return std::nullopt;
    return TSortRequest{*field, descending};
}

void SortListByField(TResultList& list, std::string_view fieldName, bool descending) {
    const std::optional<int> field = FindFieldIndex(fieldName);
    if (!field) throw EListError("unknown field name: " + std::string(fieldName));
    // The list controller's sort handlers, set here without the controller itself, whose columns
    // come from the column configuration: sorting needs none of it.
    const auto key = static_cast<std::uint8_t>(*field);
    TResultList::TPrepareSortEvent previousPrepare = std::exchange(
        list.OnPrepareSort,
        [key](TResultList& sender, int, TSortDirection) { return PrepareEntryComparison(sender, key); });
    TResultList::TCompareEvent previousCompare = std::exchange(
        list.OnCompareEntries, [key](TResultList& sender, const TListEntry& first, const TListEntry& second, int) {
            return CompareListEntries(sender, first, second, key, sender.Header().SortDirection());
        });
    const TScopeGuard restore([&] {
        list.OnPrepareSort = std::move(previousPrepare);
        list.OnCompareEntries = std::move(previousCompare);
    });
    const TSortDirection direction = descending ? TSortDirection::Descending : TSortDirection::Ascending;
    TListHeader& header = list.Header();
    header.SetSortDirection(direction);
    list.Sort(header.SortColumn(), direction);
}

}  // namespace nulvane
