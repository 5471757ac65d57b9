#include "core/ResultList.h"

#include <utility>

namespace nulvane {

TListEntry& TResultList::Append() { return Entries_.emplace_back(); }

TListEntry& TResultList::Append(TListEntry&& entry) { return Entries_.emplace_back(std::move(entry)); }

void TResultList::Clear() noexcept { TEntries().swap(Entries_); }

}  // namespace nulvane
