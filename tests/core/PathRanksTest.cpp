#include "core/PathRanks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/Comparisons.h"

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

}  // namespace
