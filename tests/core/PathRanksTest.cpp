#include "core/PathRanks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/Comparisons.h"
#include "core/EntryComparison.h"

using namespace nulvane;

namespace {

int Sign(long long value) { return (value > 0) - (value < 0); }

// Random lists of scanned entries (a folder and a name) and entries that hold their whole path,
// in folders and with names built to meet every way two paths can differ: case variants of one
// folder, a name that is the start of a subfolder's name, bytes just below and above "/" ("."
// and "0"), bytes above 0x7F, empty names, roots that are one another's start. Every pair of
// entries must order by rank as CompareText orders their paths.
TEST(PathRanks, RanksOrderAsThePathsCompare) {
    const std::vector<std::string> parts = {"a", "A", "b", ".", "0", "-", "ab", "aB", "a.", "\xff", "\xc3\xa9", ""};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        const auto word = [&] {
            std::string text;
            for (int k = static_cast<int>(random() % 3); k >= 0; --k) text += parts[random() % parts.size()];
            return text;
        };
        TResultList list;
        std::vector<std::string> folderPaths;  // of each folder in the table
        for (int f = 0; f < 40; ++f) {
            const bool top = folderPaths.empty() || random() % 5 == 0;
            const TFolderIndex parent = top ? NoFolder : static_cast<TFolderIndex>(random() % folderPaths.size());
            const std::string name = word();
            list.AddFolder(parent, name);
            folderPaths.push_back((top ? "" : folderPaths[parent]) + name + "/");
        }
        std::vector<std::string> paths;
        for (int i = 0; i < 300; ++i) {
            const TFolderIndex folder = static_cast<TFolderIndex>(random() % folderPaths.size());
            std::string name = word();
            TListEntry& entry = list.Append();
            if (random() % 3 == 0) {  // held whole
                std::string path = (random() % 4 == 0 ? std::string() : folderPaths[folder]) + name;
                entry.Record.Set(fiFullPath, path);
                paths.push_back(path);
            } else {
                if (name.empty()) name.push_back('n');  // a scanned file has a name
                TFileRecord::TTexts texts{};
                entry.Record.Assign(texts, {.PathTail = name});
                entry.Folder = folder;
                paths.push_back(folderPaths[folder] + name);
            }
        }
        const std::vector<std::uint32_t> ranks = RankFullPaths(list);
        ASSERT_EQ(ranks.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            for (std::size_t j = 0; j < paths.size(); ++j)
                ASSERT_EQ(Sign(static_cast<long long>(ranks[i]) - ranks[j]), Sign(CompareText(paths[i], paths[j])))
                    << "seed " << seed << ": \"" << paths[i] << "\" and \"" << paths[j] << '"';
    }
}


// A list sorted by "Full Path" in one step from the folder table must stand exactly as the
// comparison merge leaves it: equal paths (names equal but for case) in list order both ways,
// "folder" entries first or last as the header's direction says, the focus on its entry. Lists
// the order cannot serve (two types besides "folder", a path held whole) fall back to the merge.
TEST(PathRanks, OrderFromTheFolderTableIsTheMergedOrder) {
    const std::vector<std::string> parts = {"a", "A", "b", ".", "0", "ab", "aB", "\xff", ""};
    const struct { std::vector<std::string> Types; bool WholePaths, Fills; } mixes[] = {
        {{"file"}, false, true},
        {{"file", "folder"}, false, true},
        {{" folder", "file", "folder "}, false, true},
        {{"file", "doc"}, false, false},
        {{"file"}, true, false},
    };
    const auto build = [&](TResultList& list, unsigned seed, const auto& mix) {
        std::mt19937 random(seed);
        const auto word = [&] {
            std::string text;
            for (int k = static_cast<int>(random() % 2); k >= 0; --k) text += parts[random() % parts.size()];
            return text;
        };
        for (int f = 0; f < 25; ++f) {
            const bool top = f == 0 || random() % 5 == 0;
            list.AddFolder(top ? NoFolder : static_cast<TFolderIndex>(random() % f), word());
        }
        for (int i = 0; i < 200; ++i) {
            std::string name = word();
            if (name.empty()) name.push_back('n');
            const std::string label = std::to_string(i);
            std::string whole(1, '/');
            whole += name;
            TFileRecord::TTexts texts{};
            texts[fiFileName] = label;
            texts[fiFileType] = mix.Types[random() % mix.Types.size()];
            TListEntry& entry = list.Append();
            if (mix.WholePaths && i == 150) {
                texts[fiFullPath] = whole;
                entry.Record.Assign(texts);
            } else {
                entry.Record.Assign(texts, {.PathTail = name});
                entry.Folder = static_cast<TFolderIndex>(random() % list.FolderCount());
            }
        }
        list.SetFocusedEntry(37);
    };
    const auto labels = [](const TResultList& list) {
        std::vector<std::string> result;
        for (const TListEntry& entry : list) result.emplace_back(entry.Record.Get(fiFileName));
        result.push_back("focus " + std::string(list[list.FocusedEntry()].Record.Get(fiFileName)));
        return result;
    };
    for (unsigned seed = 1; seed <= 6; ++seed)
        for (const auto& mix : mixes)
            for (TSortDirection direction : {TSortDirection::Ascending, TSortDirection::Descending})
                for (TSortDirection header : {TSortDirection::Ascending, TSortDirection::Descending}) {
                    TResultList fast, merged;
                    build(fast, seed, mix);
                    build(merged, seed, mix);
                    bool filled = false;
                    fast.OnPrepareSort = [&](TResultList& list, int, TSortDirection) -> TResultList::TIndexCompare {
                        TResultList::TIndexCompare prepared = PrepareEntryComparison(list, fiFullPath);
                        TResultList::TPreparedOrder* whole = prepared.target<TResultList::TPreparedOrder>();
                        whole->Fill = [fill = whole->Fill, &filled](TSortDirection d, std::uint32_t* order) {
                            return filled = fill(d, order);
                        };
                        return prepared;
                    };
                    merged.OnPrepareSort = [](TResultList& list, int, TSortDirection) -> TResultList::TIndexCompare {
                        return PrepareEntryComparison(list, fiFullPath).target<TResultList::TPreparedOrder>()->Compare;
                    };
                    for (TResultList* list : {&fast, &merged}) {
                        list->Header().SetSortDirection(header);
                        list->Sort(0, direction);
                    }
                    ASSERT_EQ(filled, mix.Fills) << "seed " << seed;
                    ASSERT_EQ(labels(fast), labels(merged))
                        << "seed " << seed << ", types " << mix.Types.size() << ", descending "
                        << (direction == TSortDirection::Descending) << ", header descending "
                        << (header == TSortDirection::Descending);
                }
}

}  // namespace
