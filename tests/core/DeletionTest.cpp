#include "core/Deletion.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "core/Scan.h"
#include "core/TallyscopeCtrl.h"
#include "platform/files/FileContent.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

// Deletes the checked entries on a job of the call's own, that nobody stops.
TDeleteSummary DeleteChecked(TResultList& list, const TDeleteOptions& options = {}) {
    TLongWork work;
    return DeleteCheckedEntries(list, work, options);
}

std::vector<std::string> Names(const TResultList& list) {
    std::vector<std::string> names;
    for (const TListEntry& entry : list) names.emplace_back(entry.Record.Get(fiFileName));
    return names;
}

// Scans a folder of the empty files a to f.
struct TScanned {
    test::TTempDir Dir;
    TResultList List;
    TScanned() {
        for (const char* name : {"a", "b", "c", "d", "e", "f"}) Dir.Write(name);
        ScanFolder(List, Dir.Str());
        std::sort(List.begin(), List.end(), [](const TListEntry& x, const TListEntry& y) {
            return x.Record.Get(fiFileName) < y.Record.Get(fiFileName);
        });
    }
    bool Exists(const char* name) const { return std::filesystem::exists(Dir.Path() / name); }
};

}  // namespace

// Unchecked entries stay; a file that got content stays with its entry, still checked; a file
// already gone leaves the list; every other checked file goes.
TEST(Deletion, DeleteCheckedEntriesKeepsUncheckedAndChangedFiles) {
    TScanned s;
    ASSERT_EQ(Names(s.List), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
    s.List.SetCheckState(1, TCheckState::Unchecked);  // b
    s.Dir.Write("c", "now with content");
    std::filesystem::remove(s.Dir.Path() / "e");
    s.List.SetFocusedEntry(3);  // d

    const TDeleteSummary summary = DeleteChecked(s.List);
    EXPECT_EQ(summary.Deleted, 3u);
    EXPECT_EQ(summary.Missing, 1u);
    ASSERT_EQ(summary.Kept.size(), 1u);
    EXPECT_EQ(summary.Kept[0].Path, s.Dir.Str() + "/c");
    EXPECT_EQ(summary.Kept[0].Result.ReasonText(), "changed since the scan");

    EXPECT_EQ(Names(s.List), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(s.List.CheckState(1), TCheckState::Checked);
    EXPECT_EQ(s.List[0].Note, TEntryNote::None);
    EXPECT_EQ(s.List[1].Note, TEntryNote::KeptChanged);
    EXPECT_EQ(s.List.FocusedEntry(), NoEntry);
    EXPECT_FALSE(s.List.IsUpdating());
    for (const char* name : {"a", "d", "f"}) EXPECT_FALSE(s.Exists(name)) << name;
    EXPECT_TRUE(s.Exists("b"));
    EXPECT_TRUE(s.Exists("c"));

    s.List.SetAllCheckStates(TCheckState::Unchecked);
    EXPECT_EQ(DeleteChecked(s.List).Deleted, 0u);
    EXPECT_EQ(s.List.Count(), 2u);
}

// "&Delete" acts whatever the check state, keeps the entry of a file it could not delete, and
// refuses an index outside the list.
TEST(Deletion, DeleteEntryRemovesTheEntryUnlessTheFileWasKept) {
    TScanned s;
    s.List.SetCheckState(0, TCheckState::Unchecked);
    EXPECT_EQ(DeleteEntry(s.List, 0).Outcome, TRemoveOutcome::Deleted);
    EXPECT_FALSE(s.Exists("a"));
    s.Dir.Write("b", "x");
    EXPECT_EQ(DeleteEntry(s.List, 0).Reason, TKeepReason::Changed);
    EXPECT_EQ(Names(s.List).front(), "b");
    EXPECT_EQ(s.List[0].Note, TEntryNote::KeptChanged);
    EXPECT_THROW(DeleteEntry(s.List, s.List.Count()), EListError);
    EXPECT_EQ(s.List.Count(), 5u);
    EXPECT_FALSE(s.List.IsUpdating());
}

// A long list goes through two threads folder by folder: the list keeps exactly the unchecked and
// the kept entries in their order, the summary names the kept ones in list order, and the counts
// of the long work end at the number of checked entries.
TEST(Deletion, LongListEndsAsOneThreadWouldHaveLeftIt) {
    const test::TTempDir dir;
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 60; ++file) {
            char relative[32];
            std::snprintf(relative, sizeof relative, "f%d/%d", folder, file);
            dir.Write(relative);
        }
    TResultList list;
    ScanFolder(list, dir.Str());
    std::sort(list.begin(), list.end(), [&](const TListEntry& x, const TListEntry& y) {
        return std::pair(x.Record.Get(fiFileName), list.FullPath(x)) < std::pair(y.Record.Get(fiFileName), list.FullPath(y));
    });
    ASSERT_EQ(list.Count(), 2400u);
    std::vector<std::string> expectedList, expectedKept;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const std::string path = list.FullPath(list[i]);
        if (i % 7 == 0) {
            list.SetCheckState(i, TCheckState::Unchecked);
            expectedList.push_back(path);
        } else if (i % 11 == 0) {
            dir.Write(path.substr(dir.Str().size() + 1), "grew");
            expectedList.push_back(path);
            expectedKept.push_back(path);
        }
    }

    TLongWork work;
    const TDeleteSummary summary = DeleteCheckedEntries(list, work);
    std::vector<std::string> listed, kept;
    for (const TListEntry& entry : list) listed.push_back(list.FullPath(entry));
    for (const TKeptFile& file : summary.Kept) kept.push_back(file.Path);
    EXPECT_EQ(listed, expectedList);
    EXPECT_EQ(kept, expectedKept);
    EXPECT_EQ(summary.Deleted + expectedKept.size(), 2400u - 343u);
    EXPECT_FALSE(summary.Stopped);
    EXPECT_EQ(work.Total.load(), 2400u - 343u);
    EXPECT_EQ(work.Done.load(), work.Total.load());

    // Names of one file all over: asked one after another, never by both threads at once, so none
    // is kept for the other's question.
    const test::TTempDir linked;
    const std::string first = linked.Write("f0/first");
    for (int folder = 0; folder < 40; ++folder) {
        const std::string path = linked.Str() + "/f" + std::to_string(folder);
        std::filesystem::create_directories(path);
        for (int name = 0; name < 50; ++name)
            ASSERT_EQ(::link(first.c_str(), (path + "/" + std::to_string(name)).c_str()), 0);
    }
    TResultList names;
    ScanFolder(names, linked.Str());
    ASSERT_EQ(names.Count(), 2001u);
    const TDeleteSummary all = DeleteCheckedEntries(names, work);
    EXPECT_EQ(all.Deleted + all.Missing, 2001u);
    EXPECT_TRUE(all.Kept.empty()) << all.Kept.front().Path << ": " << all.Kept.front().Result.ReasonText();
}

// A stop asked for before the deletion reaches a file deletes nothing: every entry stays, checked,
// and the summary says it was stopped.
TEST(Deletion, StoppedDeletionLeavesTheEntriesNotReachedChecked) {
    TScanned s;
    TLongWork work;
    work.RequestStop();
    const TDeleteSummary summary = DeleteCheckedEntries(s.List, work);
    EXPECT_TRUE(summary.Stopped);
    EXPECT_EQ(summary.NotReached, 6u);
    EXPECT_EQ(summary.Deleted, 0u);
    EXPECT_EQ(s.List.Count(), 6u);
    for (std::size_t i = 0; i < s.List.Count(); ++i) EXPECT_EQ(s.List.CheckState(i), TCheckState::Checked);
    EXPECT_TRUE(s.Exists("a"));
    EXPECT_EQ(work.Total.load(), 6u);
    EXPECT_EQ(work.Done.load(), 0u);
}

namespace {

std::string EntryPathEndingIn(const TResultList& list, std::string_view end) {
    for (const TListEntry& entry : list)
        if (std::string path = list.FullPath(entry); path.ends_with(end)) return path;
    return {};
}

}  // namespace

// After the scan, folders on the path are swapped for links to a folder where a hard link of the
// listed file lives under the same name. The remover follows links only where the scan did (the
// folder as given, and the link it followed out of it, while that still leads to the folder it
// led to): nothing outside is unlinked, and the entries are kept because their paths no longer
// lead to their files.
TEST(Deletion, FollowsOnlyTheLinksTheScanFollowed) {
    namespace fs = std::filesystem;
    const test::TTempDir dir;
    const std::string base = dir.Str();
    dir.Write("t/d/f");
    dir.Write("t/d/g");
    dir.Write("away/e");
    dir.Write("elsewhere/keep-me");
    fs::create_directory_symlink(base + "/away", base + "/t/l");
    fs::create_directory_symlink(base + "/t", base + "/given");

    // Scanned through a link in the folder's own path: that link is the user's to follow.
    TResultList list;
    ScanFolder(list, base + "/given");
    ASSERT_EQ(list.Count(), 3u);
    ASSERT_EQ(list.Anchors().size(), 2u);
    const std::string f = EntryPathEndingIn(list, "/d/f"), e = EntryPathEndingIn(list, "/l/e");
    ASSERT_EQ(f, base + "/given/d/f");

    // "d" moves away and a link to "out" takes its place; "out/f" is another name of the file.
    fs::create_directory(base + "/out");
    fs::create_hard_link(base + "/t/d/f", base + "/out/f");
    fs::rename(base + "/t/d", base + "/moved-d");
    fs::create_directory_symlink(base + "/out", base + "/t/d");
    // The followed link now leads to another folder, which holds another name of "e".
    fs::create_hard_link(base + "/away/e", base + "/elsewhere/e");
    fs::remove(base + "/t/l");
    fs::create_directory_symlink(base + "/elsewhere", base + "/t/l");

    const TDeleteSummary summary = DeleteChecked(list);
    EXPECT_EQ(summary.Deleted, 0u);
    ASSERT_EQ(summary.Kept.size(), 3u);
    for (const TKeptFile& kept : summary.Kept) EXPECT_EQ(kept.Result.Reason, TKeepReason::PathGone) << kept.Path;
    for (const TListEntry& entry : list) EXPECT_EQ(entry.Note, TEntryNote::KeptPathGone);
    for (const char* name : {"out/f", "moved-d/f", "moved-d/g", "elsewhere/e", "away/e"})
        EXPECT_TRUE(fs::exists(base + "/" + name)) << name;
    EXPECT_EQ(DeleteEntry(list, 0).Reason, TKeepReason::PathGone);

    // Put back as at the scan: the link the scan followed out of the folder, and the folder's own
    // link, lead the deletion again.
    fs::remove(base + "/t/d");
    fs::rename(base + "/moved-d", base + "/t/d");
    fs::remove(base + "/t/l");
    fs::create_directory_symlink(base + "/away", base + "/t/l");
    const TDeleteSummary again = DeleteChecked(list);
    EXPECT_EQ(again.Deleted, 3u);
    EXPECT_TRUE(list.Empty());
    for (const char* name : {"t/d/f", "t/d/g", "away/e"}) EXPECT_FALSE(fs::exists(base + "/" + name)) << name;
    EXPECT_TRUE(fs::exists(base + "/out/f"));
    EXPECT_TRUE(fs::exists(base + "/elsewhere/e"));
    EXPECT_FALSE(e.empty());
}

// With the trash option every file that passes the checks goes to the trash, as it would have been
// deleted; a file that changed stays. Where the trash cannot be used nothing moves: each file is
// kept, and says so.
TEST(Deletion, TrashOptionMovesTheVerifiedFilesOrKeepsThemAll) {
    TScanned s;
    const std::string data = s.Dir.Str() + "/data";
    const test::TEnvironmentGuard dataHome("XDG_DATA_HOME", data);
    s.Dir.Write("c", "now with content");
    s.Dir.Write("data/Trash", "a file where the trash folder belongs");

    const TDeleteSummary refused = DeleteChecked(s.List, {.ToTrash = true});
    EXPECT_EQ(refused.Deleted, 0u);
    ASSERT_EQ(refused.Kept.size(), 6u);
    EXPECT_EQ(refused.Kept[0].Result.ReasonText(), "no trash on this file system");
    for (std::size_t i = 0; i < s.List.Count(); ++i)
        EXPECT_EQ(s.List[i].Note, i == 2 ? TEntryNote::KeptChanged : TEntryNote::KeptNoTrash) << i;
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) EXPECT_TRUE(s.Exists(name)) << name;
    EXPECT_EQ(DeleteEntry(s.List, 0, {.ToTrash = true}).Reason, TKeepReason::NoTrash);

    std::filesystem::remove(data + "/Trash");
    EXPECT_EQ(DeleteEntry(s.List, 0, {.ToTrash = true}).Outcome, TRemoveOutcome::Deleted);
    const TDeleteSummary moved = DeleteChecked(s.List, {.ToTrash = true});
    EXPECT_EQ(moved.Deleted, 4u);
    EXPECT_EQ(Names(s.List), (std::vector<std::string>{"c"}));
    EXPECT_EQ(s.List[0].Note, TEntryNote::KeptChanged);
    for (const char* name : {"a", "b", "d", "e", "f"}) {
        EXPECT_FALSE(s.Exists(name)) << name;
        EXPECT_TRUE(std::filesystem::exists(data + "/Trash/files/" + name)) << name;
        EXPECT_TRUE(std::filesystem::exists(data + "/Trash/info/" + name + ".trashinfo")) << name;
    }
}

// A long list goes to the trash from two threads: files of the same names in many folders each
// get an entry of their own, and nothing is left under a private name.
TEST(Deletion, TrashFromTwoThreadsGivesEveryFileItsOwnEntry) {
    const test::TTempDir dir;
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 55; ++file) dir.Write("t/f" + std::to_string(folder) + "/" + std::to_string(file));
    TResultList list;
    ScanFolder(list, dir.Str() + "/t");
    ASSERT_EQ(list.Count(), 2200u);
    const test::TEnvironmentGuard dataHome("XDG_DATA_HOME", dir.Str() + "/data");
    const TDeleteSummary summary = DeleteChecked(list, {.ToTrash = true});
    EXPECT_EQ(summary.Deleted, 2200u);
    EXPECT_TRUE(list.Empty());
    std::size_t files = 0, infos = 0, left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Str() + "/data/Trash/files"))
        files += entry.is_regular_file();
    for (const auto& entry : std::filesystem::directory_iterator(dir.Str() + "/data/Trash/info"))
        infos += entry.path().extension() == ".trashinfo";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Str() + "/t"))
        left += !entry.is_directory();
    EXPECT_EQ(files, 2200u);
    EXPECT_EQ(infos, 2200u);
    EXPECT_EQ(left, 0u);
}

namespace {

// Makes the listed file at `path` (or the folder there) an empty folder (holding the folders `inside`) and its entry a
// folder's entry, as a scan that lists empty folders makes it.
void MakeFolderEntry(TResultList& list, const std::string& path, std::initializer_list<const char*> inside = {}) {
    namespace fs = std::filesystem;
    if (!fs::is_directory(path)) {
        fs::remove(path);
        fs::create_directory(path);
    }
    for (const char* folder : inside) fs::create_directories(path + "/" + folder);
    for (TListEntry& entry : list)
        if (list.FullPath(entry) == path) {
            struct stat st{};
            ASSERT_EQ(::lstat(path.c_str(), &st), 0);
            entry.Kind = TEntryKind::Folder;
            entry.Identity = {st.st_dev, st.st_ino};
        }
}

}  // namespace

// "Delete All" takes the files first, then the folders, deepest first. A folder that gained a file
// since the scan stays with its entry, checked, and says why; the file in it is untouched. A folder
// that was scanned itself never goes, whichever scan listed it. The counts tell folders apart.
TEST(Deletion, CheckedFoldersGoAfterTheFilesDeepestFirst) {
    namespace fs = std::filesystem;
    const test::TTempDir dir, other;
    const std::string base = dir.Str();
    TResultList list;
    // "n/m" from a scan of "n"; "n" itself, with "f" and "g", from a scan of the folder above.
    dir.Write("n/m");
    ScanFolder(list, base + "/n");
    fs::rename(base + "/n", other.Str() + "/n");
    for (const char* name : {"n", "f", "g"}) dir.Write(name);
    ScanFolder(list, base);
    ASSERT_EQ(list.Count(), 4u);
    fs::remove(base + "/n");
    fs::rename(other.Str() + "/n", base + "/n");
    MakeFolderEntry(list, base + "/n/m", {"deep/er"});
    MakeFolderEntry(list, base + "/n");
    MakeFolderEntry(list, base + "/g", {"sub"});
    dir.Write("g/sub/new", "somebody's");

    const TDeleteSummary summary = DeleteChecked(list);
    EXPECT_EQ(summary.Deleted, 2u);
    EXPECT_EQ(summary.DeletedFolders, 1u);
    EXPECT_EQ(summary.Missing, 0u);
    EXPECT_EQ(summary.Folders, 3u);
    ASSERT_EQ(summary.Kept.size(), 2u);
    EXPECT_TRUE(summary.Kept[0].Folder && summary.Kept[1].Folder);
    ASSERT_EQ(list.Count(), 2u);
    const std::size_t g = list.FullPath(list[0]) == base + "/g" ? 0 : 1;
    for (const auto& [i, path, hint] : {std::tuple{g, "/g", "kept: no longer empty"}, {1 - g, "/n", "kept: a scanned folder"}}) {
        EXPECT_EQ(list.FullPath(list[i]), base + path);
        EXPECT_EQ(list[i].CheckState, TCheckState::Checked);
        EXPECT_EQ(EntryNoteHint(list[i]), hint);
    }
    EXPECT_EQ(ReadFileContent(base + "/g/sub/new"), "somebody's");
    EXPECT_FALSE(fs::exists(base + "/f"));
    EXPECT_FALSE(fs::exists(base + "/n/m"));
    EXPECT_TRUE(fs::is_directory(base + "/n"));

    // "&Delete" of a folder goes the same way once it is empty again.
    fs::remove(base + "/g/sub/new");
    EXPECT_EQ(DeleteEntry(list, g).Outcome, TRemoveOutcome::Deleted);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_FALSE(fs::exists(base + "/g"));
}
