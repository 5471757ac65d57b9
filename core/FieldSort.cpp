#include "core/FieldSort.h"

#include "core/FileRecord.h"
#include "core/TallyscopeCtrl.h"
#include "platform/system/Errors.h"

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
    TTallyscopeCtrl controller(list);
    controller.SortByField(static_cast<std::uint8_t>(*field),
                           descending ? TSortDirection::Descending : TSortDirection::Ascending);
}

}  // namespace nulvane
