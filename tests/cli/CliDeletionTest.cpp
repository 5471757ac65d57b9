// nulvane-cli --delete where the deletion meets what it cannot see coming: a lock taken after it
// started, a /proc/locks that is hidden or blind to other pid namespaces, a read-only file system,
// too few descriptors for the trash, and being killed at any step of moving a file aside.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TrashTools.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// The exit status of a child that was not allowed to set up what the case needs.
constexpr int NotAllowed = 77;

// A mount namespace of the child's own, whose mounts nobody else sees.
bool PrivateMounts() {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

int HideProcLocks() {
    return PrivateMounts() && ::mount("/dev/null", "/proc/locks", nullptr, MS_BIND, nullptr) == 0 ? 0 : NotAllowed;
}

// The program runs as the first process of a pid namespace of its own, with its own /proc, as in a
// container or a desktop sandbox; the child waits for it and ends as it ended.
int OtherPidNamespace() {
    if (::unshare(CLONE_NEWPID) != 0 || !PrivateMounts()) return NotAllowed;
    const pid_t pid = ::fork();
    if (pid < 0) return NotAllowed;
    if (pid > 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    return ::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) == 0 ? 0 : NotAllowed;
}

// A lock this test process takes and holds on a file, as another program would.
class TLock {
public:
    enum class TKind { Flock, Posix, Ofd };
    TLock() = default;
    TLock(const std::string& path, TKind kind) : Fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        struct flock lock{};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        Held_ = kind == TKind::Flock  ? ::flock(Fd_, LOCK_EX) == 0
                : kind == TKind::Posix ? ::fcntl(Fd_, F_SETLK, &lock) == 0
                                       : ::fcntl(Fd_, F_OFD_SETLK, &lock) == 0;
    }
    TLock(TLock&& other) noexcept : Fd_(std::exchange(other.Fd_, -1)), Held_(other.Held_) {}
    TLock& operator=(TLock&& other) noexcept {
        std::swap(Fd_, other.Fd_);
        Held_ = other.Held_;
        return *this;
    }
    ~TLock() {
        if (Fd_ >= 0) ::close(Fd_);
    }
    bool Held() const { return Held_; }

private:
    int Fd_ = -1;
    bool Held_ = false;
};

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.insert(entry.path().filename().string());
    return names;
}

std::size_t PrivateNamesIn(const std::string& folder) {
    const std::set<std::string> names = NamesIn(folder);
    return static_cast<std::size_t>(
        std::count_if(names.begin(), names.end(), [](const std::string& name) { return name.starts_with(".nulvane-"); }));
}

}  // namespace

// A file another program locks is kept "in use" however the lock escapes /proc/locks: taken after
// the deletion read it, with /proc/locks hidden, or held from outside the pid namespace the
// program runs in (where /proc/locks leaves out the locks of processes it cannot see). The files
// nobody locks go.
TEST(CliDeletion, LockedFilesAreKeptInUseWhatever_ProcLocksSays) {
    struct TCase {
        const char* Name;
        std::function<int()> BeforeExec;
        TLock::TKind Kind;
        bool LockOnceStarted;  // else before the program starts
    };
    const TCase cases[] = {
        {"a lock taken once the deletion started", {}, TLock::TKind::Posix, true},
        {"/proc/locks hidden, a lock taken once the deletion started", HideProcLocks, TLock::TKind::Flock, true},
        {"/proc/locks hidden", HideProcLocks, TLock::TKind::Ofd, false},
        {"a lock held from outside the program's pid namespace", OtherPidNamespace, TLock::TKind::Flock, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const test::TTempDir dir;
        const std::string held = dir.Write("held"), free = dir.Write("free");
        TLock lock;
        if (!c.LockOnceStarted) lock = TLock(held, c.Kind);
        // Taken once the deletion has read the lock table and made its journal, before it moves
        // the first file aside.
        const test::TRun run = test::RunCli({"--delete", "--yes", dir.Str()},
                                            {.Fault = c.LockOnceStarted ? "stop-after:flock:1:.journal" : "",
                                             .WhenStopped = [&](pid_t) { lock = TLock(held, c.Kind); },
                                             .BeforeExec = c.BeforeExec});
        if (run.Status == NotAllowed) {
            std::cout << "[ SKIPPED  ] " << c.Name << ": namespaces cannot be made here\n";
            continue;
        }
        EXPECT_TRUE(lock.Held());
        EXPECT_EQ(run.Status, 1) << run.Err;
        EXPECT_NE(run.Err.find("nulvane-cli: kept " + held + ": in use\n"), std::string::npos) << run.Err;
        EXPECT_TRUE(fs::exists(held));
        EXPECT_FALSE(fs::exists(free));
        EXPECT_EQ(PrivateNamesIn(dir.Str()), 0u);
    }
}

// A kept file says why in plain words: on a read-only file system, that; with descriptors too few
// for the trash, that, and not that there is no trash (with a few more, every file goes there).
TEST(CliDeletion, KeptFilesSayTheRealReason) {
    const test::TTempDir dir;
    const std::string file = dir.Write("ro/a");
    const std::string ro = dir.Str() + "/ro";
    const test::TRun readOnly = test::RunCli({"--delete", "--yes", ro}, {.BeforeExec = [&] {
        return PrivateMounts() && ::mount(ro.c_str(), ro.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
                       ::mount(nullptr, ro.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0
                   ? 0
                   : NotAllowed;
    }});
    if (readOnly.Status == NotAllowed) {
        std::cout << "[ SKIPPED  ] read-only: a mount namespace cannot be made here\n";
    } else {
        EXPECT_EQ(readOnly.Status, 1);
        EXPECT_NE(readOnly.Err.find("nulvane-cli: kept " + file + ": read-only file system\n"), std::string::npos)
            << readOnly.Err;
        EXPECT_TRUE(fs::exists(file));
    }

    const std::string home = dir.MakeDir("home");
    const test::TEnvironmentGuard homeGuard("HOME", home), dataGuard("XDG_DATA_HOME", home + "/.local/share");
    for (const int room : {3, 6}) {
        SCOPED_TRACE(room);
        const std::string tree = dir.MakeDir(std::to_string(room));
        for (int folder = 0; folder < 40; ++folder)
            for (const char* name : {"a", "b", "c"}) dir.Write(std::to_string(room) + "/" + std::to_string(folder) + "/" + name);
        const test::TRun run = test::RunCli({"--delete", "--yes", "--trash", tree}, {.Room = room});
        EXPECT_EQ(run.Err.find("no trash"), std::string::npos) << run.Err;
        if (room == 3) {
            EXPECT_EQ(run.Status, 1);
            EXPECT_NE(run.Err.find(": " + std::string(std::strerror(EMFILE)) + "\n"), std::string::npos) << run.Err;
        } else {
            EXPECT_EQ(run.Status, 0);
            EXPECT_EQ(run.Err, "nulvane-cli: moved 120 files to the trash\n");
        }
    }
}

// A deletion killed at each step of moving a file aside, plain and to the trash: the next run puts
// back what it left under a private name before it lists anything (and says so), no info file of
// the trash is left without its file nor a file there without one, no name is lost, and a deletion
// run to its end afterwards leaves nothing behind, its journal included; what went for good before
// the kill comes back with --undo. An entry the user trashed before, of the same name, is never
// touched.
TEST(CliDeletion, AKilledDeletionIsPutBackByTheNextRun) {
    struct TCase {
        bool Trash;
        const char* Fault;
    };
    // The files go last first: f3.zz, f2.zz, f1.zz.
    const TCase cases[] = {
        {false, "kill-after:flock:1"},             // the journal made, nothing moved yet
        {false, "kill-after:renameat2:1:.zz"},     // the first file under its private name
        {false, "kill-after:fcntl:1"},             // ... asked there whether it is in use
        {false, "kill-after:renameat:1:.zz"},      // the second moved onto the first's private name
        {false, "kill-before:unlinkat:1"},         // the last about to go
        {true, "kill-after:renameat2:1:.zz"},      // the first file under its private name
        {true, "kill-after:openat:1:.writing"},    // its info file made under a private name, empty
        {true, "kill-after:write:1:.writing"},     // ... and written
        {true, "kill-after:renameat2:1:.trashinfo"},  // ... and under its entry's name
        {true, "kill-before:renameat2:2:.zz"},     // about to go into the trash
        {true, "kill-after:renameat2:2:.zz"},      // gone into the trash
        {true, "kill-after:renameat2:3:.zz"},      // the second under its private name
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Trash ? "trash, " : "") + c.Fault);
        const test::TTempDir dir;
        const std::string tree = dir.MakeDir("t"), home = dir.MakeDir("home"), trash = home + "/.local/share/Trash";
        const test::TEnvironmentGuard homeGuard("HOME", home), dataGuard("XDG_DATA_HOME", home + "/.local/share"),
            stateGuard("XDG_STATE_HOME", dir.Str() + "/state");
        const std::set<std::string> all{"f1.zz", "f2.zz", "f3.zz"};
        for (const std::string& name : all) dir.Write("t/" + name);
        test::TArgs deletion{"--delete", "--yes", tree};
        const std::string userInfo = "[Trash Info]\nPath=/docs/f3.zz\nDeletionDate=2026-01-01T10:00:00\n";
        if (c.Trash) {
            deletion.insert(deletion.begin(), "--trash");
            dir.Write("home/.local/share/Trash/files/f3.zz", "a week of work");
            dir.Write("home/.local/share/Trash/info/f3.zz.trashinfo", userInfo);
        }

        const test::TRun killed = test::RunCli(deletion, {.Fault = c.Fault});
        ASSERT_EQ(killed.Signal, SIGKILL) << "the fault point was never reached: " << killed;
        const std::size_t aside = PrivateNamesIn(tree);
        EXPECT_LE(aside, 1u);

        const test::TRun next = test::RunCli({tree});
        EXPECT_EQ(next.Status, 0);
        EXPECT_EQ(next.Err, aside ? "nulvane-cli: put back 1 file an interrupted deletion had moved aside\n" : "");
        EXPECT_EQ(PrivateNamesIn(tree), 0u);
        const std::set<std::string> here = NamesIn(tree), trashed = NamesIn(trash + "/files");
        std::set<std::string> listed;
        for (std::size_t at = 0, end; (end = next.Out.find('\n', at)) != std::string::npos; at = end + 1)
            listed.insert(next.Out.substr(at + tree.size() + 1, end - at - tree.size() - 1));
        EXPECT_EQ(listed, here);
        std::set<std::string> infos;
        for (const std::string& info : NamesIn(trash + "/info")) infos.insert(info.substr(0, info.size() - 10));
        EXPECT_EQ(infos, trashed);
        if (c.Trash) {
            EXPECT_EQ(here.size() + trashed.size(), all.size() + 1);
            EXPECT_EQ(ReadFileContent(trash + "/files/f3.zz"), "a week of work");
            EXPECT_EQ(ReadFileContent(trash + "/info/f3.zz.trashinfo"), userInfo);
        } else {
            // What went for good before the kill comes back with the undo of that deletion.
            test::RunCli({"--undo"});
            EXPECT_EQ(NamesIn(tree), all);
        }

        const test::TRun finished = test::RunCli(deletion);
        EXPECT_EQ(finished.Status, 0) << finished.Err;
        EXPECT_TRUE(NamesIn(tree).empty());
        // No journal is left; what went for good stays undoable in the undo record's parts.
        for (const std::string& name : NamesIn(dir.Str() + "/state/nulvane")) EXPECT_TRUE(name.starts_with("undo-")) << name;
        if (c.Trash && test::TrashCliInstalled()) {
            std::vector<std::string> trashList = test::TrashListed(home);
            std::sort(trashList.begin(), trashList.end());
            EXPECT_EQ(trashList, (std::vector<std::string>{"/docs/f3.zz", tree + "/f1.zz", tree + "/f2.zz", tree + "/f3.zz"}));
        }
    }
}

// No journal, no deletion: a state folder that cannot hold one, or that others may write (whose
// journals a recovery would not trust), stops the deletion before its first file, in one line.
TEST(CliDeletion, WithoutItsJournalNothingIsDeleted) {
    const test::TTempDir dir;
    const std::string tree = dir.MakeDir("t"), open = dir.MakeDir("open/nulvane");
    dir.Write("t/a");
    dir.Write("not-a-folder");
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    for (const std::string& state : {dir.Str() + "/not-a-folder", dir.Str() + "/open"}) {
        SCOPED_TRACE(state);
        const test::TEnvironmentGuard stateGuard("XDG_STATE_HOME", state);
        const test::TRun run = test::RunCli({"--delete", "--yes", tree});
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("nulvane-cli: cannot keep the deletion's journal: " + state + "/nulvane"), std::string::npos)
            << run.Err;
        EXPECT_TRUE(run.Err.ends_with("; nothing deleted\n")) << run.Err;
        EXPECT_TRUE(fs::exists(tree + "/a"));
    }
}

// A folder given to scan is never deleted, however the folders given overlap or are spelled, nor a
// folder that holds one; the other empty folders go, those under the working folder too.
TEST(CliDeletion, NoScannedFolderIsEverDeleted) {
    const test::TTempDir dir;
    for (const auto& [workDir, args] : {std::pair<std::string, test::TArgs>{"/", {dir.Str() + "/x", dir.Str() + "/x/a"}},
                                        {dir.Str() + "/x/a", {".", ".."}},
                                        {"/", {dir.Str() + "/x", dir.Str() + "/x/a/s"}}}) {
        SCOPED_TRACE(args.back());
        fs::create_directories(dir.Str() + "/x/a/s");
        fs::create_directories(dir.Str() + "/x/b/c");
        test::TArgs deletion{"-t", "d", "--delete", "--yes"};
        deletion.insert(deletion.end(), args.begin(), args.end());
        const test::TRun run = test::RunCli(deletion, {.WorkDir = workDir});
        EXPECT_TRUE(fs::is_directory(dir.Str() + "/x/a")) << run;
        EXPECT_FALSE(fs::exists(dir.Str() + "/x/b")) << run;
        // Scanned as ".", the working folder holds it: "./s" goes all the same.
        EXPECT_EQ(fs::exists(dir.Str() + "/x/a/s"), args.back().ends_with("/s")) << run;
        EXPECT_NE(run.Err.find("a scanned folder\n"), std::string::npos) << run;
    }
}
