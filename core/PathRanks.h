#pragma once
// The order of a list's "Full Path" texts, worked out once per sort without composing a single
// path: every entry gets a rank, and two entries' ranks compare as CompareText compares their
// paths (equal ranks for paths equal but for the case of a to z).
//
// A path is its folder's path and a name, and CompareText reads bytes from the left, so paths
// order as their folders' places in a tree of folder names, with each folder's names and
// subfolder names ("name/") in order among themselves. Folders whose paths differ only in case
// are one place in that tree, since CompareText cannot tell them apart either. The ranks are then
// the order of a depth-first walk of the tree: sorting each folder's few names replaces comparing
// long paths, and an entry's path is taken in the two parts the list gives (TResultList::PathParts):
// a folder of the list's folder table, placed once for all its entries, and the rest, placed by
// its components (a scanned entry's rest is its name alone).
#include <cstdint>
#include <vector>

#include "core/ResultList.h"

namespace nulvane {

// One rank per entry, in list order.
std::vector<std::uint32_t> RankFullPaths(const TResultList& list);

// The whole order a sort by "Full Path" gives, straight from the folder table, in order[0..n):
// the order the list's merge gives with the "Full Path" comparison (equal paths keep their list
// order in both directions; "folder" entries first when the header's direction is the sort's,
// last otherwise). It needs a few bytes an entry where ranks and merging need some fifty. False
// (order left as it may be) when the comparison is no consistent order on the list, that is when
// it holds more than one type besides "folder", or when an entry holds its path whole.
bool OrderByFullPath(const TResultList& list, TSortDirection direction, TSortDirection headerDirection,
                     std::uint32_t* order);

}  // namespace nulvane
