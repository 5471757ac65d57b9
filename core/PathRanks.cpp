#include "core/PathRanks.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/Comparisons.h"
#include "platform/files/PathNames.h"

namespace nulvane {
namespace {

constexpr std::uint32_t Top = 0;  // the place of the empty path, above every folder
constexpr std::uint32_t FolderBit = 0x80000000u;

unsigned char Fold(char c) noexcept {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

// CompareText of two names, a subfolder's with "/" after it. A name holds no "/", so the
// separator decides wherever a subfolder's name ends first.
int CompareNames(std::string_view a, bool aFolder, std::string_view b, bool bFolder) noexcept {
    const std::size_t n = std::min(a.size(), b.size());
    const int common = CompareText(a.substr(0, n), b.substr(0, n));
    if (common != 0) return common;
    if (a.size() == b.size()) return static_cast<int>(aFolder) - static_cast<int>(bFolder);
    if (a.size() < b.size()) return aFolder ? '/' - static_cast<int>(Fold(b[n])) : -1;
    return bFolder ? static_cast<int>(Fold(a[n])) - '/' : 1;
}

// The first eight bytes of a name as CompareNames reads them (folded, a subfolder's "/" after its
// name, zeros after the end), as one number: two names whose numbers differ compare as the
// numbers do, since no name holds a zero byte before its end.
std::uint64_t PrefixOf(std::string_view name, bool folder) noexcept {
    std::uint64_t prefix = 0;
    std::size_t i = 0;
    for (; i < 8 && i < name.size(); ++i) prefix = prefix << 8 | Fold(name[i]);
    if (i < 8 && folder) {
        prefix = prefix << 8 | '/';
        ++i;
    }
    return i == 0 ? 0 : prefix << (8 * (8 - i));
}

// One name among the names of a place: a subfolder's (Id is its place, with FolderBit) or an
// entry's (Id is its index).
struct TKey {
    std::uint64_t Prefix;
    std::uint32_t Place;
    std::uint32_t Id;
};

// The places of the tree: each folder path once, whatever the case of its letters a to z.
class TPlaces {
public:
    explicit TPlaces(std::size_t expected) {
        Places_.reserve(expected + 16);
        Places_.push_back({Top, {}});
    }

    std::uint32_t Count() const noexcept { return static_cast<std::uint32_t>(Places_.size()); }
    std::uint32_t ParentOf(std::uint32_t place) const noexcept { return Places_[place].Parent; }
    std::string_view NameOf(std::uint32_t place) const noexcept { return Places_[place].Name; }

    // The place of the folder `name` in `parent`. The name must stay valid while the places are
    // used: it is the spelling the place is ordered by among its siblings.
    std::uint32_t Child(std::uint32_t parent, std::string_view name) {
        Key_.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
        for (const char c : name) Key_ += static_cast<char>(Fold(c));
        const auto [it, added] = Index_.try_emplace(Key_, Count());
        if (added) Places_.push_back({parent, name});
        return it->second;
    }

    // The place of a folder part of a path (up to its last "/"), component by component from `place`.
    std::uint32_t OfFolderPart(std::uint32_t place, std::string_view folderPart) {
        for (std::size_t at = 0; at < folderPart.size();) {
            const std::size_t slash = folderPart.find('/', at);
            place = Child(place, folderPart.substr(at, slash - at));
            at = slash + 1;
        }
        return place;
    }

private:
    struct TPlace {
        std::uint32_t Parent;
        std::string_view Name;
    };
    std::vector<TPlace> Places_;
    std::unordered_map<std::string, std::uint32_t> Index_;
    std::string Key_;
};

// The name after the last "/" of a path, and the part before it with that "/".
std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) noexcept {
    const std::string_view folder = FolderPartOf(path);
    return {folder, path.substr(folder.size())};
}

std::string_view EntryName(const TResultList& list, const TListEntry& entry) noexcept {
    return SplitPath(list.PathParts(entry).Rest).second;
}

}  // namespace

std::vector<std::uint32_t> RankFullPaths(const TResultList& list) {
    const std::size_t n = list.Count();
    TPlaces places(list.FolderCount());
    std::vector<std::uint32_t> folderPlaces(list.FolderCount());
    for (TFolderIndex f = 0; f < folderPlaces.size(); ++f) {
        const TListFolder& folder = list.Folder(f);
        folderPlaces[f] = places.Child(folder.Parent == NoFolder ? Top : folderPlaces[folder.Parent], folder.Name);
    }

    // Every name with its place: the subfolders' found so far, then the entries' (a whole path's
    // folder part is looked up once for a run of entries in the same folder), then the subfolders'
    // those added. The subfolders go first while they can: a scan's entries come in place order,
    // and a short run of small places at the end would lead the sort's choice of pivots astray.
    std::vector<TKey> keys;
    keys.reserve(n + places.Count());
    const std::uint32_t tableFolders = places.Count();
    for (std::uint32_t p = 1; p < tableFolders; ++p)
        keys.push_back({PrefixOf(places.NameOf(p), true), places.ParentOf(p), p | FolderBit});
    std::string_view lastFolderPart;
    std::uint32_t lastBase = Top, lastPlace = Top;
    bool haveLast = false;
    for (std::size_t i = 0; i < n; ++i) {
        const TResultList::TPathParts parts = list.PathParts(list[i]);
        const std::uint32_t base = parts.Folder == NoFolder ? Top : folderPlaces.at(parts.Folder);
        const auto [folderPart, name] = SplitPath(parts.Rest);
        std::uint32_t place = base;
        if (!folderPart.empty()) {
            if (!haveLast || base != lastBase || folderPart != lastFolderPart) {
                lastPlace = places.OfFolderPart(base, folderPart);
                lastBase = base;
                lastFolderPart = folderPart;
                haveLast = true;
            }
            place = lastPlace;
        }
        keys.push_back({PrefixOf(name, false), place, static_cast<std::uint32_t>(i)});
    }
    const std::uint32_t placeCount = places.Count();
    for (std::uint32_t p = tableFolders; p < placeCount; ++p)
        keys.push_back({PrefixOf(places.NameOf(p), true), places.ParentOf(p), p | FolderBit});

    // Each place's names together and in order; most pairs differ in their first eight bytes.
    const auto nameOf = [&](std::uint32_t id) {
        return (id & FolderBit) ? places.NameOf(id & ~FolderBit) : EntryName(list, list[id]);
    };
    const auto compare = [&](const TKey& a, const TKey& b) {
        if (a.Place != b.Place) return a.Place < b.Place ? -1 : 1;
        if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix ? -1 : 1;
        return CompareNames(nameOf(a.Id), (a.Id & FolderBit) != 0, nameOf(b.Id), (b.Id & FolderBit) != 0);
    };
    std::sort(keys.begin(), keys.end(), [&](const TKey& a, const TKey& b) { return compare(a, b) < 0; });
    std::vector<std::size_t> starts(placeCount + 1, keys.size());
    for (std::size_t k = keys.size(); k-- > 0;) starts[keys[k].Place] = k;
    for (std::uint32_t p = placeCount; p-- > 0;) starts[p] = std::min(starts[p], starts[p + 1]);

    // Depth first through the places: the entries come out in path order. Names that compare
    // equal stand next to each other in their place and share a rank.
    std::vector<std::uint32_t> ranks(n);
    std::uint32_t rank = 0;
    bool ranked = false;
    std::vector<std::pair<std::uint32_t, std::size_t>> stack;
    stack.reserve(64);
    stack.emplace_back(Top, starts[Top]);
    while (!stack.empty()) {
        auto& [place, next] = stack.back();
        if (next == starts[place + 1]) {
            stack.pop_back();
            continue;
        }
        const TKey& key = keys[next++];
        if (key.Id & FolderBit) {
            const std::uint32_t sub = key.Id & ~FolderBit;
            stack.emplace_back(sub, starts[sub]);  // `place` and `next` are not used past this point
            continue;
        }
        const bool tie = next - 1 > starts[place] && !(keys[next - 2].Id & FolderBit) && compare(keys[next - 2], key) == 0;
        if (ranked && !tie) ++rank;
        ranked = true;
        ranks[key.Id] = rank;
    }
    return ranks;
}

}  // namespace nulvane

namespace nulvane {
namespace {

std::uint64_t FoldedHash(std::uint32_t parent, std::string_view name) noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ parent;
    for (const char c : name) h = (h ^ Fold(c)) * 0x100000001B3ull;
    return h ^ (h >> 29);
}

constexpr std::string_view FolderType = "folder";

struct TNameKey {
    std::uint64_t Prefix;
    std::uint32_t Id;
};

// The comparison orders "folder" against any other type, but two other types differing answer
// "the second first" both ways: only one of them makes an order. False when the entries make none
// this way, or one holds no plain name in its folder; else which of the two kinds there are.
bool TypesMakeAnOrder(const TResultList& list, bool& haveFolder, bool& haveOther) {
    std::string_view otherType;
    haveFolder = haveOther = false;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TListEntry& entry = list[i];
        const std::string_view tail = list.PathAfterFolder(entry);
        if (tail.empty() || tail.find('/') != std::string_view::npos) return false;
        const std::string_view type = TrimText(entry.Record.Get(fiFileType));
        if (type == FolderType) {
            haveFolder = true;
        } else if (!haveOther) {
            otherType = type;
            haveOther = true;
        } else if (type != otherType) {
            return false;
        }
    }
    return true;
}

// The list's folders as places and the entries in them, each place's subfolders and entries in
// name order.
struct TPlaceTree {
    struct TPlace {
        std::uint32_t Parent;
        std::string_view Name;  // views into the list's folder table
    };
    std::vector<TPlace> Places;
    // Place p's entries are ByPlace[EntryStart[p]] to ByPlace[EntryStart[p + 1] - 1], its subfolders
    // Children[ChildStart[p]] to Children[ChildStart[p + 1] - 1].
    std::vector<std::uint32_t> EntryStart, ByPlace, ChildStart, Children;
    std::vector<bool> SameAsBefore;  // by position in ByPlace: the entry's name equals the one before
};

// Places: the folder table's folders, those equal but for the case of a to z made one, found
// through an open-addressing table keyed by parent place and folded name (place 0, the top, is
// never looked up, so 0 marks a free slot). `placeOf` gets each folder's place.
void MergeFolders(const TResultList& list, std::vector<TPlaceTree::TPlace>& places, std::vector<std::uint32_t>& placeOf) {
    const std::size_t folderCount = list.FolderCount();
    places.reserve(folderCount + 1);
    places.push_back({Top, {}});
    placeOf.assign(folderCount, 0);
    std::size_t slotCount = 16;
    while (slotCount < 2 * folderCount + 2) slotCount <<= 1;
    std::vector<std::uint32_t> slots(slotCount, 0);
    for (TFolderIndex f = 0; f < folderCount; ++f) {
        const TListFolder& folder = list.Folder(f);
        const std::uint32_t parent = folder.Parent == NoFolder ? Top : placeOf[folder.Parent];
        for (std::size_t at = FoldedHash(parent, folder.Name) & (slotCount - 1);; at = (at + 1) & (slotCount - 1)) {
            const std::uint32_t p = slots[at];
            if (p == 0) {
                slots[at] = placeOf[f] = static_cast<std::uint32_t>(places.size());
                places.push_back({parent, folder.Name});
                break;
            }
            if (places[p].Parent == parent && places[p].Name.size() == folder.Name.size() &&
                CompareText(places[p].Name, folder.Name) == 0) {
                placeOf[f] = p;
                break;
            }
        }
    }
}

// The members `first` to `count - 1` grouped by `groupOf` (a counting sort), each group's in their
// own order: group g holds members[start[g]] to members[start[g + 1] - 1].
template <class TGroupOf>
void GroupBy(std::size_t first, std::size_t count, std::size_t groupCount, TGroupOf groupOf,
             std::vector<std::uint32_t>& start, std::vector<std::uint32_t>& members) {
    start.assign(groupCount + 1, 0);
    for (std::size_t i = first; i < count; ++i) ++start[groupOf(i) + 1];
    for (std::size_t g = 0; g < groupCount; ++g) start[g + 1] += start[g];
    members.assign(count, 0);
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = first; i < count; ++i) members[next[groupOf(i)]++] = static_cast<std::uint32_t>(i);
}

// Each place's subfolders in order (no two compare equal: places merge such folders) and its
// entries in order, equal names in list order, each marked when it equals the one before.
void SortEachPlace(const TResultList& list, TPlaceTree& tree) {
    const auto& places = tree.Places;
    const auto entryName = [&](std::uint32_t i) { return list.PathAfterFolder(list[i]); };
    std::vector<TNameKey> keys;
    tree.SameAsBefore.assign(list.Count(), false);
    for (std::size_t p = 0; p < places.size(); ++p) {
        const std::uint32_t cb = tree.ChildStart[p], ce = tree.ChildStart[p + 1];
        if (ce - cb > 1) {
            keys.clear();
            for (std::uint32_t c = cb; c < ce; ++c)
                keys.push_back({PrefixOf(places[tree.Children[c]].Name, true), tree.Children[c]});
            std::sort(keys.begin(), keys.end(), [&](const TNameKey& a, const TNameKey& b) {
                if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
                return CompareNames(places[a.Id].Name, true, places[b.Id].Name, true) < 0;
            });
            for (std::uint32_t c = cb; c < ce; ++c) tree.Children[c] = keys[c - cb].Id;
        }
        const std::uint32_t eb = tree.EntryStart[p], ee = tree.EntryStart[p + 1];
        if (ee - eb > 1) {
            keys.clear();
            for (std::uint32_t e = eb; e < ee; ++e) keys.push_back({PrefixOf(entryName(tree.ByPlace[e]), false), tree.ByPlace[e]});
            std::sort(keys.begin(), keys.end(), [&](const TNameKey& a, const TNameKey& b) {
                if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
                const int c = CompareNames(entryName(a.Id), false, entryName(b.Id), false);
                return c != 0 ? c < 0 : a.Id < b.Id;
            });
            for (std::uint32_t e = eb; e < ee; ++e) {
                tree.ByPlace[e] = keys[e - eb].Id;
                // Equal names share their prefix: only then are the names read again.
                if (e > eb && keys[e - eb].Prefix == keys[e - eb - 1].Prefix &&
                    CompareNames(entryName(keys[e - eb - 1].Id), false, entryName(keys[e - eb].Id), false) == 0)
                    tree.SameAsBefore[e] = true;
            }
        }
    }
}

// The list's places, grouped and sorted.
TPlaceTree PlaceTreeOf(const TResultList& list) {
    TPlaceTree tree;
    {
        std::vector<std::uint32_t> placeOf;
        MergeFolders(list, tree.Places, placeOf);
        const auto placeOfEntry = [&](std::size_t i) {
            const TListEntry& entry = list[i];
            return entry.Folder == NoFolder ? Top : placeOf.at(entry.Folder);
        };
        GroupBy(0, list.Count(), tree.Places.size(), placeOfEntry, tree.EntryStart, tree.ByPlace);
    }
    GroupBy(1, tree.Places.size(), tree.Places.size(), [&](std::size_t p) { return tree.Places[p].Parent; },
            tree.ChildStart, tree.Children);
    SortEachPlace(list, tree);
    return tree;
}

// Depth first: each place's entries merged with its subfolders, into `order`. An entry never
// equals a subfolder's name with its "/", so equal entries stand next to each other; `tie[k]` says
// that order[k] equals order[k-1].
void WalkInPathOrder(const TResultList& list, const TPlaceTree& tree, std::uint32_t* order, std::vector<bool>& tie) {
    const auto entryName = [&](std::uint32_t i) { return list.PathAfterFolder(list[i]); };
    tie.assign(list.Count(), false);
    std::size_t k = 0;
    struct TFrame {
        std::uint32_t Place, NextEntry, NextChild;
    };
    std::vector<TFrame> stack;
    stack.push_back({Top, tree.EntryStart[Top], tree.ChildStart[Top]});
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        const std::uint32_t p = frame.Place;
        const bool moreEntries = frame.NextEntry < tree.EntryStart[p + 1];
        const bool moreChildren = frame.NextChild < tree.ChildStart[p + 1];
        if (!moreEntries && !moreChildren) {
            stack.pop_back();
            continue;
        }
        bool takeEntry = moreEntries;
        if (moreEntries && moreChildren)
            takeEntry = CompareNames(entryName(tree.ByPlace[frame.NextEntry]), false,
                                     tree.Places[tree.Children[frame.NextChild]].Name, true) < 0;
        if (takeEntry) {
            const std::uint32_t e = frame.NextEntry++;
            tie[k] = tree.SameAsBefore[e];
            order[k++] = tree.ByPlace[e];
        } else {
            const std::uint32_t c = tree.Children[frame.NextChild++];
            stack.push_back({c, tree.EntryStart[c], tree.ChildStart[c]});  // `frame` is not used past this point
        }
    }
}

// Equal paths keep their list order in both directions: reversed, each run of them is put back.
// Before the reversal tie[k] tied order[k] to order[k-1]; after it, position j ties with j-1 when
// tie[n-j] was set.
void ReverseKeepingTies(std::uint32_t* order, std::size_t n, const std::vector<bool>& tie) {
    std::reverse(order, order + n);
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && tie[n - j]) ++j;
        if (j - i > 1) std::reverse(order + i, order + j);
        i = j;
    }
}

}  // namespace

bool OrderByFullPath(const TResultList& list, TSortDirection direction, TSortDirection headerDirection,
                     std::uint32_t* order) {
    bool haveFolder = false, haveOther = false;
    if (!TypesMakeAnOrder(list, haveFolder, haveOther)) return false;
    std::vector<bool> tie;
    WalkInPathOrder(list, PlaceTreeOf(list), order, tie);
    if (direction == TSortDirection::Descending) ReverseKeepingTies(order, list.Count(), tie);
    if (haveFolder && haveOther) {
        const bool foldersFirst = direction == headerDirection;
        std::stable_partition(order, order + list.Count(), [&](std::uint32_t i) {
            return (TrimText(list[i].Record.Get(fiFileType)) == FolderType) == foldersFirst;
        });
    }
    return true;
}

}  // namespace nulvane
