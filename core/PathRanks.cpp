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
