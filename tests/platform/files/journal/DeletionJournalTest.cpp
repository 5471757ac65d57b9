#include "platform/files/journal/DeletionJournal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
#include "platform/files/journal/UndoRecords.h"
#include "support/TempDir.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// A folder a deletion worked in, and the state folder its journal went to.
struct TScene {
    test::TTempDir Dir;
    const std::string Folder = Dir.MakeDir("d");
    const std::string State = Dir.Str() + "/state";
    const int Fd = ::open(Folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ~TScene() { ::close(Fd); }

    // Records that `name` is about to be moved to the private name `aside`, as a remover does.
    void RecordMove(TDeletionJournal& journal, const std::string& name, const std::string& aside) const {
        struct stat st{};
        ASSERT_EQ(::fstatat(Fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW), 0) << name;
        ASSERT_EQ(journal.RecordMove(Fd, aside, name, st.st_dev, st.st_ino), 0);
    }
    // Moves `name` to `aside`, recorded first.
    void MoveAside(TDeletionJournal& journal, const std::string& name, const std::string& aside) const {
        RecordMove(journal, name, aside);
        ASSERT_EQ(::renameat(Fd, name.c_str(), Fd, aside.c_str()), 0);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Content(const std::string& name) const { return ReadFileContent(Folder + "/" + name); }
    std::size_t Journals() const {
        std::error_code error;
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(State, error), {}));
    }
};

constexpr const char* P = ".nulvane-0123456789abcdef";

// "DEVICE INODE" of what `path` names, as a journal record writes them.
std::string IdentityField(const std::string& path) {
    struct stat st{};
    ::lstat(path.c_str(), &st);
    return std::to_string(st.st_dev) + " " + std::to_string(st.st_ino);
}

}  // namespace

// Each case is what a killed deletion left, and what happened since; the recovery puts each file
// back where it belongs, never over a name somebody took, and names what it cannot put back, whose
// journal it keeps for a later run. Only an empty file a record names is moved.
TEST(DeletionJournal, RecoveryPutsBackWhatAKilledDeletionLeft) {
    struct TCase {
        const char* Name;
        std::function<void(TScene&, TDeletionJournal&)> Interrupted;
        std::vector<std::string> Names;  // in the folder afterwards
        std::size_t PutBack, Beside, Left;
    };
    const TCase cases[] = {
        {"moved aside", [](TScene& s, TDeletionJournal& j) { s.Dir.Write("d/f"); s.MoveAside(j, "f", P); }, {"f"}, 1, 0, 0},
        {"removed: nothing to do",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/f");
             s.MoveAside(j, "f", P);
             ::unlinkat(s.Fd, P, 0);
         },
         {}, 0, 0, 0},
        {"its name taken meanwhile",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/f");
             s.MoveAside(j, "f", P);
             s.Dir.Write("d/f", "newcomer");
         },
         {"f", "f.nulvane-kept"}, 0, 1, 0},
        // One private name serves the files of a folder in turn, each moved onto the one before.
        {"the next move recorded, not made",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/a");
             s.Dir.Write("d/b");
             s.MoveAside(j, "a", P);
             s.RecordMove(j, "b", P);
         },
         {"a", "b"}, 1, 0, 0},
        {"the next move made",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/a");
             s.Dir.Write("d/b");
             s.MoveAside(j, "a", P);
             s.MoveAside(j, "b", P);
         },
         {"b"}, 1, 0, 0},
        // Another file exchanged with the listed one just before it was moved: not the recorded
        // file, it stays where it is, named.
        {"a file swapped in",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/f");
             s.RecordMove(j, "f", P);
             s.Dir.Write("d/other", "content");
             ::renameat(s.Fd, "other", s.Fd, "f");
             ::renameat(s.Fd, "f", s.Fd, P);
         },
         {P}, 0, 0, 1},
        {"its folder replaced",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/f");
             s.MoveAside(j, "f", P);
             fs::rename(s.Folder, s.Dir.Str() + "/moved");
             fs::create_directory(s.Folder);
         },
         {}, 0, 0, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScene scene;
        {
            TDeletionJournal journal(scene.State);
            c.Interrupted(scene, journal);
            journal.KeepForRecovery();  // as a killed run leaves it: unlocked, not removed
        }
        const TRecovery recovery = RecoverInterruptedDeletions(scene.State);
        EXPECT_EQ(scene.Names(), c.Names);
        EXPECT_EQ(recovery.PutBack, c.PutBack);
        EXPECT_EQ(recovery.KeptBeside.size(), c.Beside);
        EXPECT_EQ(recovery.Left.size(), c.Left);
        EXPECT_EQ(scene.Journals(), c.Left);
        if (c.Beside > 0) {
            EXPECT_EQ(scene.Content("f"), "newcomer");
            EXPECT_EQ(recovery.KeptBeside[0].Now, scene.Folder + "/f.nulvane-kept");
        }
        if (c.Left > 0) {
            EXPECT_EQ(recovery.Left[0].Path, scene.Folder + "/f");
        }
        if (std::string(c.Name) == "a file swapped in") {
            EXPECT_EQ(scene.Content(P), "content");
        }
        if (std::string(c.Name) == "its folder replaced") {
            EXPECT_TRUE(fs::exists(scene.Dir.Str() + "/moved/" + P));  // named, and left where it is
            // Said once; put back once the folder is back.
            EXPECT_TRUE(RecoverInterruptedDeletions(scene.State).Left.empty());
            fs::remove(scene.Folder);
            fs::rename(scene.Dir.Str() + "/moved", scene.Folder);
            EXPECT_EQ(RecoverInterruptedDeletions(scene.State).PutBack, 1u);
            EXPECT_EQ(scene.Journals(), 0u);
        }
    }
}

// The journal of a run that is alive (here, one still open in this process) is never recovered:
// its files stay where the run put them until it is through. A journal is made only when there is
// something to record, and a run that left nothing removes its own.
TEST(DeletionJournal, ALiveRunsJournalIsLeftAlone) {
    TScene scene;
    {
        TDeletionJournal idle(scene.State);
    }
    EXPECT_EQ(scene.Journals(), 0u);
    scene.Dir.Write("d/f");
    {
        TDeletionJournal live(scene.State);
        scene.MoveAside(live, "f", P);
        EXPECT_EQ(scene.Journals(), 1u);
        const TRecovery recovery = RecoverInterruptedDeletions(scene.State);
        EXPECT_EQ(recovery.Count() + recovery.Left.size(), 0u);
        EXPECT_EQ(scene.Names(), std::vector<std::string>{P});
        ::renameat(scene.Fd, P, scene.Fd, "f");  // the run puts it back itself
        EXPECT_EQ(live.Error(), 0);
    }
    EXPECT_EQ(scene.Journals(), 0u);
    EXPECT_EQ(RecoverInterruptedDeletions(scene.State).Count(), 0u);
}

// What the recovery did not write itself is never obeyed. A journal of another user, a link, or any
// journal in a state folder others may write is named and left as it is; one of ours whose records
// name more than one path component, a name that is not a private one, or a folder by a path with
// "..", is set aside and named, and so is one that is no journal or too large; an empty file under
// a private name that grew is named and left where it is. Nothing in the folder moves.
TEST(DeletionJournal, WhatItDidNotWriteIsNeverObeyed) {
    struct TCase {
        const char* Name;
        std::function<void(const TScene&, const std::string& journal, const std::string& records)> Make;
        std::size_t NotUsed, Damaged, Left, Journals;  // journals left in the state folder
    };
    const auto write = [](const std::string& path, const std::string& text) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    };
    const bool root = ::geteuid() == 0;
    const TCase cases[] = {
        {"another user's", [&](auto&, auto& j, auto& r) { write(j, r); ASSERT_EQ(::chown(j.c_str(), 65534, 65534), 0); },
         1, 0, 0, 1},
        {"a link", [&](const TScene& s, auto& j, auto& r) { write(s.Dir.Str() + "/j", r); fs::create_symlink(s.Dir.Str() + "/j", j); },
         1, 0, 0, 1},
        {"in a folder others may write", [&](const TScene& s, auto& j, auto& r) { write(j, r); ::chmod(s.State.c_str(), 0777); },
         1, 0, 0, 1},
        // As a umask of 002 makes folders where each user has a group of their own: still the user's.
        {"a private name's file that grew, in a folder the user's own group may write",
         [&](const TScene& s, auto& j, auto& r) { write(j, r); ::chmod(s.State.c_str(), 0770); }, 0, 0, 1, 1},
        {"paths and names of more than one component",
         [&](const TScene& s, auto& j, auto&) {
             const std::string d = " " + IdentityField(s.Folder);
             write(j, "nulvane deletion journal 2\nD 1" + d + " " + s.Folder + "\nM 1 passwd" + d + " passwd.gone\n"
                      "M 1 .nulvane-0123456789abcdef 1 1 ../../evil\nD 2" + d + " " + s.Folder + "/../d\n");
         },
         0, 1, 0, 1},
        {"no journal", [&](auto&, auto& j, auto&) { write(j, "\x7f" "ELF garbage\n"); }, 0, 1, 0, 1},
        {"too large", [&](auto&, auto& j, auto& r) { write(j, r); ASSERT_EQ(::truncate(j.c_str(), 17 << 20), 0); }, 0, 1, 0, 1},
        {"a private name's file that grew", [&](auto&, auto& j, auto& r) { write(j, r); }, 0, 0, 1, 1},
        {"cut short before its first line", [&](auto&, auto& j, auto&) { write(j, "nulvane del"); }, 0, 0, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (!root && (c.Name[0] == 'a' && c.Name[1] == 'n')) continue;  // chown needs the superuser
        TScene scene;
        scene.Dir.Write("d/passwd", "root:x:0:0");
        scene.Dir.Write(std::string("d/") + P, "somebody's data");
        const std::string records = "nulvane deletion journal 2\nD 1 " + IdentityField(scene.Folder) + " " + scene.Folder +
                                    "\nM 1 " + P + " " + IdentityField(scene.Folder + "/" + P) + " f\n";
        ASSERT_EQ(::mkdir(scene.State.c_str(), 0700), 0);
        const std::string journal = scene.State + "/deletion-1-0000000000000001.journal";
        c.Make(scene, journal, records);
        const TRecovery recovery = RecoverInterruptedDeletions(scene.State);
        EXPECT_EQ(scene.Names(), (std::vector<std::string>{P, "passwd"}));
        EXPECT_EQ(scene.Content(P), "somebody's data");
        EXPECT_EQ(recovery.Count(), 0u);
        EXPECT_EQ(recovery.NotUsed.size(), c.NotUsed);
        EXPECT_EQ(recovery.Damaged.size(), c.Damaged);
        EXPECT_EQ(recovery.Left.size(), c.Left);
        EXPECT_EQ(scene.Journals(), c.Journals);
        if (c.Damaged > 0) {
            EXPECT_EQ(recovery.Damaged[0].Now, journal + ".damaged");
        }
    }
}

// A long deletion goes on in a new journal before its journal grows past its bound, carrying over
// the file still under a private name, which a later recovery puts back.
TEST(DeletionJournal, ALongDeletionsJournalStaysSmall) {
    TScene scene;
    scene.Dir.Write("d/f");
    std::size_t records = 0;
    {
        TDeletionJournal journal(scene.State);
        for (; !journal.Full() && records < 1'000'000; ++records)
            ASSERT_EQ(journal.RecordMove(scene.Fd, P, "gone-" + std::to_string(records), 1, records), 0);
        scene.MoveAside(journal, "f", P);
        struct stat st{};
        ::fstatat(scene.Fd, P, &st, 0);
        ASSERT_EQ(journal.Rotate([&](TDeletionJournal& next) { return next.RecordMove(scene.Fd, P, "f", st.st_dev, st.st_ino); }), 0);
        journal.KeepForRecovery();
    }
    EXPECT_GT(records, 10'000u);
    ASSERT_EQ(scene.Journals(), 1u);
    EXPECT_LT(fs::file_size(fs::directory_iterator(scene.State)->path()), 1u << 20);
    EXPECT_EQ(RecoverInterruptedDeletions(scene.State).PutBack, 1u);
    EXPECT_EQ(scene.Names(), std::vector<std::string>{"f"});
}

// What a long final deletion takes stays undoable across the journals it goes on in: each is kept
// as a part of its undo record. Records are kept for the last 20 deletions within 30 days.
TEST(DeletionJournal, UndoRecordsOutliveTheirDeletionWithinTheirBounds) {
    TScene scene;
    TEntryMetadata gone;
    gone.Mode = 0644;
    const std::string id = NewUndoRecordId();
    std::size_t records = 0;
    {
        TDeletionJournal journal(scene.State);
        journal.KeepUndoRecord(id);
        for (int part = 0; part < 2; ++part) {
            for (; !journal.Full(); ++records) {
                gone.Inode = records + 1;
                ASSERT_EQ(journal.RecordGone(scene.Fd, "gone-" + std::to_string(records), gone), 0);
            }
            ASSERT_EQ(journal.Rotate([](TDeletionJournal&) { return 0; }), 0);
        }
    }
    EXPECT_EQ(scene.Journals(), 2u);
    const TUndoListing listing = ListUndoRecords(scene.State);
    ASSERT_EQ(listing.Records.size(), 1u);
    EXPECT_EQ(listing.Records[0].Id, id);
    EXPECT_EQ(listing.Records[0].Files, records);
    EXPECT_EQ(listing.Records[0].Where, scene.Folder);

    // 22 older deletions, one a day: the newest 20 are kept (this one among them), none older than
    // 30 days.
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch());
    for (int day = 1; day <= 22; ++day) {
        char older[32];
        std::snprintf(older, sizeof older, "%013llx000",
                      static_cast<unsigned long long>(now.count() - day * 86'400'000'000LL));
        const std::string name = scene.State + "/undo-" + older + ".deletion-1-000000000000000" + std::to_string(day % 10) + ".journal";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        const std::string text = "nulvane deletion journal 3\nR " + std::string(older) + "\n";
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }
    PruneUndoRecords(scene.State);
    const TUndoListing pruned = ListUndoRecords(scene.State);
    ASSERT_EQ(pruned.Records.size(), 20u);
    EXPECT_EQ(pruned.Records.front().Id, id);
    EXPECT_LT(now.count() / 1'000'000 - pruned.Records.back().Time, 20 * 86'400);
}
