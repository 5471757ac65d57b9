// A tree built to trip a scan and a deletion up: names holding every byte but "/" (newlines and
// invalid UTF-8 among them), paths of 4,000 bytes, 200 nested folders, a folder link back up the
// tree, a link to a file, FIFOs and sockets, a folder nobody may read, and files that grow after
// the scan. The scan must list exactly the empty regular files, each once, and the deletion must
// remove nothing but the ones still empty.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "core/Deletion.h"
#include "core/Scan.h"
#include "support/TempDir.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// Deletes the checked entries on a job of the call's own, that nobody stops.
TDeleteSummary DeleteChecked(TResultList& list, const TDeleteOptions& options = {}) {
    TLongWork work;
    return DeleteCheckedEntries(list, work, options);
}

}  // namespace

TEST(HostileTree, ScanListsExactlyTheEmptyFilesAndDeletionRemovesOnlyThem) {
    const test::TTempDir dir;
    const std::string root = dir.Str();
    std::set<std::string> empty, survivors;  // what the scan must list; what must stay on disk
    auto addEmpty = [&](const std::string& relative) { empty.insert(dir.Write(relative)); };
    auto addKept = [&](const std::string& relative) { survivors.insert(dir.Write(relative, "content")); };

    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte == '/') continue;
        const char c = static_cast<char>(byte);
        const std::string name{'n', c, 'e'};
        addEmpty("bytes/" + name);
        addEmpty(std::string{c, 'd', '/'} + name + ".log");
    }
    addKept("bytes/full\n\xff\xfe");
    addEmpty("bytes/\xc3(\xe2\x82 invalid UTF-8\n");

    std::string deep = "deep";
    for (int level = 0; level < 200; ++level) deep += "/d";
    addEmpty(deep + "/bottom");
    std::string longPath = "long";
    while (root.size() + longPath.size() < 3990) longPath += "/" + std::string(190, 'L');
    addEmpty(longPath + "/f");
    addKept(longPath + "/g");

    fs::create_directory_symlink(root, root + "/bytes/loop");
    fs::create_symlink(root + "/bytes/ne", root + "/bytes/link-to-empty");
    survivors.insert(root + "/bytes/loop");
    survivors.insert(root + "/bytes/link-to-empty");
    for (const char* special : {"/special/fifo", "/special/socket"}) {
        dir.MakeDir("special");
        const std::string path = root + special;
        ASSERT_EQ(::mknod(path.c_str(), (special[9] == 'f' ? S_IFIFO : S_IFSOCK) | 0600, 0), 0);
        survivors.insert(path);
    }
    const std::string locked = dir.Write("locked/hidden");
    ASSERT_EQ(::chmod((root + "/locked").c_str(), 0), 0);
    if (::geteuid() == 0)  // the superuser reads and deletes whatever the mode says
        empty.insert(locked);

    TResultList list;
    ScanFolder(list, root);
    std::multiset<std::string> listed;
    for (const TListEntry& entry : list) listed.emplace(list.FullPath(entry));
    EXPECT_EQ(listed, std::multiset<std::string>(empty.begin(), empty.end()));

    // Files that grow after the scan: one in a plain folder, one at the end of the long path.
    for (const std::string& grows : {root + "/bytes/n\ne", root + "/" + longPath + "/f"}) {
        dir.Write(grows.substr(root.size() + 1), "grew");
        empty.erase(grows);
        survivors.insert(grows);
    }
    const TDeleteSummary summary = DeleteChecked(list);
    EXPECT_EQ(summary.Deleted, empty.size());
    EXPECT_EQ(summary.Kept.size(), 2u);
    EXPECT_EQ(list.Count(), 2u);

    ::chmod((root + "/locked").c_str(), 0700);
    std::set<std::string> remaining;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
        if (it->is_symlink() || !it->is_directory()) remaining.insert(it->path().string());
    if (::geteuid() != 0) survivors.insert(locked);
    EXPECT_EQ(remaining, survivors);
}
