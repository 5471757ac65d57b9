#pragma once
// Sorting a result list by a field named on the command line ("--sort FIELD[:desc]"), exactly as
// a header click on a column of that field sorts it.
#include <optional>
#include <string>
#include <string_view>

#include "core/ResultList.h"

namespace nulvane {

// The field a name stands for: both sides trimmed, compared exactly (case matters). Unlike
// FieldIndexOf, a name that matches no field gives nothing rather than "File Name".
std::optional<int> FindFieldIndex(std::string_view name) noexcept;

// Every field name, each in double quotes, separated by ", " (for a usage message).
std::string FieldNamesText();

struct TSortRequest {
    int Field = 0;
    bool Descending = false;
    friend bool operator==(const TSortRequest&, const TSortRequest&) = default;
};

// "FIELD" or "FIELD:desc"; nothing when the field is unknown.
std::optional<TSortRequest> ParseSortRequest(std::string_view argument) noexcept;

// Sorts the list as a click on a column of the field would: the list controller's comparison
// with the field as its sort key, in the given direction, which the header then shows. The
// list's own handlers are back in place afterwards. Throws EListError for an unknown field name.
void SortListByField(TResultList& list, std::string_view fieldName, bool descending);

}  // namespace nulvane
