#include "platform/files/DeletionJournal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
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

}  // namespace

// Each case is what a killed deletion left, and what happened since; the recovery puts each file
// back where it belongs, never over a name somebody took, and names what it cannot put back.
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
        // Another file exchanged with the listed one just before it was moved: it goes back to the
        // name it came from all the same.
        {"a file swapped in",
         [](TScene& s, TDeletionJournal& j) {
             s.Dir.Write("d/f");
             s.RecordMove(j, "f", P);
             s.Dir.Write("d/other", "content");
             ::renameat(s.Fd, "other", s.Fd, "f");
             ::renameat(s.Fd, "f", s.Fd, P);
         },
         {"f"}, 1, 0, 0},
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
        EXPECT_EQ(scene.Journals(), 0u);
        if (c.Beside > 0) {
            EXPECT_EQ(scene.Content("f"), "newcomer");
            EXPECT_EQ(recovery.KeptBeside[0].Now, scene.Folder + "/f.nulvane-kept");
        }
        if (std::string(c.Name) == "a file swapped in") {
            EXPECT_EQ(scene.Content("f"), "content");
        }
        if (c.Left > 0) {
            EXPECT_EQ(recovery.Left[0].Path, scene.Folder);
            EXPECT_TRUE(fs::exists(scene.Dir.Str() + "/moved/" + P));  // named, and left where it is
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
