#pragma once
// How the list controller orders two entries when the list sorts, in two forms that give the same
// answers: one that reads both entries' texts on every comparison, and one that converts every
// entry's sort key once at the start of a sort (a sort of a million entries asks for some twenty
// million comparisons; converting a date-time text twenty million times instead of one million is
// what made sorting slow). Both read the entries' texts through the list.
#include <cstdint>

#include "core/ResultList.h"

namespace nulvane {

// Entries whose trimmed "File Type" differs: a "folder" first, whatever the direction (the result
// is +1 or -1 so that the list's merge rule keeps it first). Equal types: field `sortKey` of both
// entries as numbers (File Size, File Name Length, Path Name Length, Size Percentage, File Count),
// as date-times (Create, Access, Write Time, each knowing which reading of a repeated local hour it
// means, so that times order by their instant: see CompareDateTimes), always 1 (File Type), or as
// text otherwise; "Full Path" as text, with only the sign of the result kept (-1, 0 or 1).
int CompareListEntries(const TResultList& list, const TListEntry& first, const TListEntry& second,
                       std::uint8_t sortKey, TSortDirection headerDirection) noexcept;

// The same comparison for one sort of `list`, by entry index, with every entry's type and field
// converted now. It reads the header's direction on every comparison, as CompareListEntries'
// callers do. Valid only while the list's entries do not change, that is for one sort.
TResultList::TIndexCompare PrepareEntryComparison(TResultList& list, std::uint8_t sortKey);

}  // namespace nulvane
