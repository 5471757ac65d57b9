#include "platform/files/removal/FileRemoval.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/files/FileDescriptor.h"
#include "platform/files/NoReplace.h"
#include "platform/files/trash/Trash.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;

namespace {

struct TIdentity {
    std::uint64_t Device = 0, Inode = 0;
};

TIdentity IdentityOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return {st.st_dev, st.st_ino};
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

TRemoveResult Remove(const std::string& path, TIdentity identity) {
    TFileRemover remover;
    return remover.Remove(path, identity.Device, identity.Inode);
}

}  // namespace

// Each case records the file's identity, then changes the tree as a user or another program might
// before the removal runs. Only an unchanged empty regular file may go.
TEST(FileRemoval, RemovesOnlyTheEmptyFileThatWasFound) {
    namespace fs = std::filesystem;
    struct TCase {
        const char* Name;
        std::function<void(const test::TTempDir&, const std::string& file)> Change;
        TRemoveOutcome Outcome;
        TKeepReason Reason;
        bool FileStays;  // something is still at the path
    };
    const TCase cases[] = {
        {"unchanged", [](auto&, auto&) {}, TRemoveOutcome::Deleted, TKeepReason::None, false},
        {"grew", [](auto& d, auto&) { d.Write("dir/f", "data"); }, TRemoveOutcome::Kept, TKeepReason::Changed, true},
        {"replaced by another empty file",
         [](auto& d, auto& f) { fs::rename(f, d.Str() + "/dir/was-f"); d.Write("dir/f"); }, TRemoveOutcome::Kept,
         TKeepReason::Changed, true},
        {"replaced by a link to an empty file",
         [](auto& d, auto& f) { fs::rename(f, d.Str() + "/target"); fs::create_symlink(d.Str() + "/target", f); },
         TRemoveOutcome::Kept, TKeepReason::Changed, true},
        {"replaced by a FIFO", [](auto&, auto& f) { fs::remove(f); ::mkfifo(f.c_str(), 0600); }, TRemoveOutcome::Kept,
         TKeepReason::Changed, true},
        {"gone", [](auto&, auto& f) { fs::remove(f); }, TRemoveOutcome::Missing, TKeepReason::None, false},
        {"folder became a file",
         [](auto& d, auto&) { fs::rename(d.Str() + "/dir", d.Str() + "/moved"); d.Write("dir"); },
         TRemoveOutcome::Kept, TKeepReason::PathGone, false},
        {"folder moved away", [](auto& d, auto&) { fs::rename(d.Str() + "/dir", d.Str() + "/moved"); },
         TRemoveOutcome::Kept, TKeepReason::PathGone, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const test::TTempDir dir;
        const std::string file = dir.Write("dir/f");
        const TIdentity identity = IdentityOf(file);
        c.Change(dir, file);
        const TRemoveResult result = Remove(file, identity);
        EXPECT_EQ(result.Outcome, c.Outcome);
        EXPECT_EQ(result.Reason, c.Reason);
        EXPECT_EQ(Exists(file), c.FileStays);
        EXPECT_EQ(result.ReasonText().empty(), c.Reason == TKeepReason::None);
    }
}

TEST(FileRemoval, FolderWithoutWritePermissionKeepsTheFile) {
    const test::TTempDir dir;
    const std::string file = dir.Write("locked/f");
    const TIdentity identity = IdentityOf(file);
    ::chmod(dir.Str().c_str(), 0711);
    ::chmod((dir.Str() + "/locked").c_str(), 0755);
    const std::string state = dir.MakeDir("state");  // for nobody's journal
    ASSERT_EQ(::chown(state.c_str(), 65534, 65534), 0);
    // Run by somebody who may not write the folder (the superuser may write any).
    const int status = test::RunInChild({.AsNobody = true}, [&] {
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        const TRemoveResult result = Remove(file, identity);
        return result.Reason == TKeepReason::PermissionDenied && result.ReasonText() == "permission denied" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Exists(file));
}

// A path longer than PATH_MAX, and paths through a folder link and with "." and "//" in them, all
// reach their file; one remover serves files of different folders one after another.
TEST(FileRemoval, ReachesLongPathsAndFollowsFolderLinks) {
    const test::TTempDir dir;
    std::string longPath = dir.Str();
    int fd = ::open(longPath.c_str(), O_PATH | O_DIRECTORY);
    const std::string component(200, 'd');
    while (longPath.size() < PATH_MAX + 100) {
        ASSERT_EQ(::mkdirat(fd, component.c_str(), 0700), 0);
        const int next = ::openat(fd, component.c_str(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
        longPath += "/" + component;
    }
    const int file = ::openat(fd, "f", O_CREAT | O_WRONLY, 0600);
    struct stat st;
    ASSERT_EQ(::fstat(file, &st), 0);
    ::close(file);
    ::close(fd);

    const std::string shortFile = dir.Write("real/g");
    const TIdentity shortIdentity = IdentityOf(shortFile);
    std::filesystem::create_directory_symlink(dir.Str() + "/real", dir.Str() + "/link");

    TFileRemover remover;
    EXPECT_EQ(remover.Remove(longPath + "/f", st.st_dev, st.st_ino).Outcome, TRemoveOutcome::Deleted);
    EXPECT_EQ(remover.Remove(dir.Str() + "//./link/g", shortIdentity.Device, shortIdentity.Inode).Outcome,
              TRemoveOutcome::Deleted);
    EXPECT_FALSE(Exists(shortFile));
    EXPECT_EQ(remover.Remove(longPath + "/f", st.st_dev, st.st_ino).Outcome, TRemoveOutcome::Missing);
    EXPECT_EQ(remover.Remove(std::string("a\0b", 3), 1, 1).Outcome, TRemoveOutcome::Missing);
}

namespace {

namespace fs = std::filesystem;

TRemoveRequest RequestFor(const std::string& path) {
    const TIdentity identity = IdentityOf(path);
    return {path, identity.Device, identity.Inode};
}

// Runs RemoveAll over the requests: each request's result, or nothing for those not reached.
std::vector<std::optional<TRemoveResult>> RemoveAll(TFileRemover& remover, const std::vector<TRemoveRequest>& requests,
                                                    std::size_t stopAfter = SIZE_MAX) {
    std::vector<std::optional<TRemoveResult>> results(requests.size());
    std::size_t asked = 0;
    remover.RemoveAll(
        requests.size(), [&](std::size_t i) { return requests[i]; }, [&] { return asked++ >= stopAfter; },
        [&](std::size_t i, TRemoveResult&& result) {
            EXPECT_FALSE(results[i]) << "told twice: " << requests[i].Path;
            results[i] = std::move(result);
        });
    return results;
}

// The names in a folder, and whether a private name of the remover is left among them.
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool HoldsPrivateName(const std::string& folder) {
    for (const std::string& name : NamesIn(folder))
        if (name.starts_with(".nulvane-")) return true;
    return false;
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// Every request gets one result; two names of one file both go; a changed file between two
// removable ones of the same folder stays; a stop ends the work with nothing left half done.
TEST(FileRemoval, RemoveAllTellsEveryFileOnceAndLeavesNoPrivateName) {
    const test::TTempDir dir;
    const std::string a = dir.Write("one/a"), b = dir.Str() + "/one/b", c = dir.Write("one/c"),
                      d = dir.Write("two/d"), e = dir.Write("two/e");
    fs::create_hard_link(a, b);
    std::vector<TRemoveRequest> requests{RequestFor(a), RequestFor(b), RequestFor(c), RequestFor(d), RequestFor(e)};
    dir.Write("one/c", "grew");

    TFileRemover remover;
    const auto results = RemoveAll(remover, requests);
    const TRemoveOutcome expected[] = {TRemoveOutcome::Deleted, TRemoveOutcome::Deleted, TRemoveOutcome::Kept,
                                       TRemoveOutcome::Deleted, TRemoveOutcome::Deleted};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        ASSERT_TRUE(results[i]) << requests[i].Path;
        EXPECT_EQ(results[i]->Outcome, expected[i]) << requests[i].Path;
    }
    EXPECT_EQ(NamesIn(dir.Str() + "/one"), std::vector<std::string>{"c"});
    EXPECT_EQ(Content(c), "grew");
    EXPECT_TRUE(NamesIn(dir.Str() + "/two").empty());

    const std::string f = dir.Write("three/f"), g = dir.Write("three/g");
    const auto stopped = RemoveAll(remover, {RequestFor(f), RequestFor(g)}, 1);
    ASSERT_TRUE(stopped[0]);
    EXPECT_EQ(stopped[0]->Outcome, TRemoveOutcome::Deleted);
    EXPECT_FALSE(stopped[1]);
    EXPECT_EQ(NamesIn(dir.Str() + "/three"), std::vector<std::string>{"g"});
}

// Another program exchanges the listed empty file with a file of content, over and over, while
// the removal runs (renameat2 with RENAME_EXCHANGE): whatever the timing, the file of content
// survives, under one of the two names, and no private name is left behind. Alternate rounds go
// through RemoveAll, where the file is moved onto the private name of the one before.
TEST(FileRemoval, NameSwappedDuringTheRemovalNeverCostsTheOtherFile) {
    const test::TTempDir dir;
    const std::string folder = dir.MakeDir("race");
    const std::string a = folder + "/a", b = folder + "/b", before = folder + "/before";
    dir.Write("race/a");
    dir.Write("race/b");
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) != 0)
        GTEST_SKIP() << "renameat2 with RENAME_EXCHANGE is not available here: " << std::strerror(errno);

    // RACE_ROUNDS=N in the environment runs a longer race by hand.
    const int Rounds = std::getenv("RACE_ROUNDS") ? std::atoi(std::getenv("RACE_ROUNDS")) : 400;
    int interfered = 0;
    for (int round = 0; round < Rounds; ++round) {
        for (const std::string& name : NamesIn(folder)) fs::remove(folder + "/" + name);
        dir.Write("race/a");
        dir.Write("race/b", "content");
        dir.Write("race/before");
        const TRemoveRequest request = RequestFor(a), first = RequestFor(before);

        std::atomic<bool> stop{false};
        std::atomic<int> swaps{0};
        std::thread swapper([&] {
            while (!stop.load(std::memory_order_relaxed))
                if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) ++swaps;
        });
        while (swaps.load() == 0) std::this_thread::yield();
        TFileRemover remover;
        TRemoveResult result;
        if (round % 2 == 0) {
            result = remover.Remove(request.Path, request.Device, request.Inode);
        } else {
            auto results = RemoveAll(remover, {first, request});
            result = std::move(*results[1]);
        }
        stop = true;
        swapper.join();

        int withContent = 0;
        for (const std::string& name : NamesIn(folder)) withContent += Content(folder + "/" + name) == "content";
        ASSERT_EQ(withContent, 1) << "round " << round << ": " << result.ReasonText();
        ASSERT_FALSE(HoldsPrivateName(folder)) << "round " << round;
        interfered += result.Outcome != TRemoveOutcome::Deleted;
    }
    RecordProperty("RoundsTheExchangeGotInTheWay", interfered);
}

// When the file moved aside cannot stay there and its name was taken meanwhile, the newcomer is
// left alone and the file is kept beside it under a name that says so.
TEST(FileRemoval, PutBackNeverReplacesANameTakenMeanwhile) {
    const test::TTempDir dir;
    for (const bool takeName : {false, true}) {
        SCOPED_TRACE(takeName ? "name taken" : "name free");
        const std::string file = dir.Write("f");
        const TIdentity identity = IdentityOf(file);
        TFileRemover remover;
        const auto disposal = [&](int, const char*, const TRemoveRequest&, TDeletionJournal&) {
            if (takeName) dir.Write("f", "newcomer");
            return EIO;
        };
        const TRemoveResult result = remover.Dispose(file, identity.Device, identity.Inode, disposal);
        EXPECT_EQ(result.Outcome, TRemoveOutcome::Kept);
        EXPECT_EQ(result.ReasonText(), std::system_category().message(EIO));
        if (takeName) {
            EXPECT_EQ(result.KeptAs, file + ".nulvane-kept");
            EXPECT_EQ(Content(file), "newcomer");
            EXPECT_EQ(IdentityOf(result.KeptAs).Inode, identity.Inode);
            fs::remove(result.KeptAs);
        } else {
            EXPECT_EQ(result.KeptAs, "");
            EXPECT_EQ(IdentityOf(file).Inode, identity.Inode);
        }
        EXPECT_FALSE(HoldsPrivateName(dir.Str()));
        fs::remove(file);
    }
}

namespace {

// A child process that takes a lock on a file and holds it until the holder goes out of scope.
class TLockHolder {
public:
    enum class TKind { Flock, Posix };
    TLockHolder(const std::string& path, TKind kind) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        Pid_ = ::fork();
        if (Pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            struct flock lock{};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            const bool locked = kind == TKind::Flock ? ::flock(fd, LOCK_EX) == 0 : ::fcntl(fd, F_SETLK, &lock) == 0;
            char answer = locked ? 'y' : 'n';
            if (::write(ready[1], &answer, 1) != 1) ::_exit(1);
            ::close(release[1]);
            while (::read(release[0], &answer, 1) > 0) {}  // until the parent closes its end
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        Release_ = release[1];
        char answer = 'n';
        Locked_ = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~TLockHolder() {
        ::close(Release_);
        if (Pid_ > 0) ::waitpid(Pid_, nullptr, 0);
    }
    bool Locked() const { return Locked_; }

private:
    pid_t Pid_ = -1;
    int Release_ = -1;
    bool Locked_ = false;
};

// Three files of `dir` locked the three ways a program may lock one: "flock" and "posix" by child
// processes, "ofd" by an open-file-description lock of this process's own until ReleaseOfd.
class TLockedFiles {
public:
    explicit TLockedFiles(const test::TTempDir& dir)
        : Flocked(dir.Write("flock")), Posix(dir.Write("posix")), Ofd(dir.Write("ofd")),
          FlockHolder_(Flocked, TLockHolder::TKind::Flock), PosixHolder_(Posix, TLockHolder::TKind::Posix),
          OfdFd_(::open(Ofd.c_str(), O_RDWR)) {
        struct flock lock{};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        OfdLocked_ = ::fcntl(OfdFd_, F_OFD_SETLK, &lock) == 0;
    }
    ~TLockedFiles() { ReleaseOfd(); }
    TLockedFiles(const TLockedFiles&) = delete;
    TLockedFiles& operator=(const TLockedFiles&) = delete;

    bool Locked() const { return FlockHolder_.Locked() && PosixHolder_.Locked() && OfdLocked_; }
    void ReleaseOfd() {
        if (OfdFd_ >= 0) ::close(OfdFd_);
        OfdFd_ = -1;
    }

    const std::string Flocked, Posix, Ofd;

private:
    const TLockHolder FlockHolder_, PosixHolder_;
    int OfdFd_;
    bool OfdLocked_ = false;
};

}  // namespace

// Files other programs hold a lock on (flock, POSIX, open-file-description) stay, "in use"; a
// lock on the file's inode that names another device (as from a btrfs subvolume or an overlay)
// makes the remover ask the file itself.
TEST(FileRemoval, FilesOtherProgramsHoldLocksOnAreKeptInUse) {
    if (::access("/proc/locks", R_OK) != 0) GTEST_SKIP() << "/proc/locks cannot be read here";
    const test::TTempDir dir;
    TLockedFiles locks(dir);
    ASSERT_TRUE(locks.Locked());
    const std::string &flocked = locks.Flocked, &posix = locks.Posix, &ofd = locks.Ofd;
    const std::string free = dir.Write("free"), alsoFree = dir.Write("also-free");

    TFileRemover remover;
    for (const std::string& path : {flocked, posix, ofd}) {
        const TRemoveResult result = Remove(path, IdentityOf(path));
        EXPECT_EQ(result.Reason, TKeepReason::InUse) << path;
        EXPECT_EQ(result.ReasonText(), "in use") << path;
        EXPECT_TRUE(Exists(path));
    }
    EXPECT_EQ(Remove(free, IdentityOf(free)).Outcome, TRemoveOutcome::Deleted);
    locks.ReleaseOfd();

    const auto inodeOnOtherDevice = [](const std::string& path) {
        return "1: FLOCK  ADVISORY  WRITE 1 ff:ff:" + std::to_string(IdentityOf(path).Inode) + " 0 EOF\n";
    };
    const std::string table = inodeOnOtherDevice(flocked) + inodeOnOtherDevice(alsoFree);
    TFileRemover asking(std::make_shared<const TLockTable>(TLockTable::Parse(table)));
    const TIdentity flockedId = IdentityOf(flocked), alsoFreeId = IdentityOf(alsoFree);
    EXPECT_EQ(asking.Remove(flocked, flockedId.Device, flockedId.Inode).Reason, TKeepReason::InUse);
    EXPECT_EQ(asking.Remove(alsoFree, alsoFreeId.Device, alsoFreeId.Inode).Outcome, TRemoveOutcome::Deleted);
}

// Each file is asked for locks itself just before it goes: a remover whose lock table is empty, as
// when /proc/locks is hidden (or, inside another pid namespace, leaves out the locks of processes
// outside) or was read before the locks were taken, keeps every locked file all the same. A file
// that cannot be opened to ask is answered by the system's table read at that moment (a lock
// taken since the start counts), or by the table given; with no table to answer, it is kept, and
// says why. Asked by lease first (as the programs do), a file merely open elsewhere is
// not taken for locked.
TEST(FileRemoval, EachFileIsAskedForLocksJustBeforeItGoes) {
    ASSERT_TRUE(AllowLeaseQueries());
    const test::TTempDir dir;
    TFileRemover blind(std::make_shared<const TLockTable>());
    TLockedFiles locks(dir);
    ASSERT_TRUE(locks.Locked());
    const std::string &flocked = locks.Flocked, &posix = locks.Posix, &ofd = locks.Ofd;
    const std::string free = dir.Write("free"), opened = dir.Write("opened");
    const TFd openElsewhere(::open(opened.c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<TRemoveRequest> requests{RequestFor(flocked), RequestFor(posix), RequestFor(ofd), RequestFor(free),
                                         RequestFor(opened)};
    for (const TRemoveRequest& request : requests) {
        const TRemoveResult result = blind.Remove(request.Path, request.Device, request.Inode);
        const bool locked = request.Path != free && request.Path != opened;
        EXPECT_EQ(result.Reason, locked ? TKeepReason::InUse : TKeepReason::None) << request.Path;
    }
    requests.pop_back();
    requests.pop_back();
    for (const auto& result : RemoveAll(blind, requests)) EXPECT_EQ(result->Reason, TKeepReason::InUse);
    EXPECT_TRUE(Exists(flocked) && Exists(posix) && Exists(ofd));
    EXPECT_FALSE(Exists(free) || Exists(opened));
    EXPECT_FALSE(HoldsPrivateName(dir.Str()));
    locks.ReleaseOfd();

    // A file its remover may not read, in a folder it may write; one of them locked once the
    // remover's table was read.
    const std::string unreadable = dir.Write("open/unreadable"), alsoUnreadable = dir.Write("open/also");
    const std::string lockedLate = dir.Write("open/late");
    ASSERT_EQ(::chmod((dir.Str() + "/open").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.Str().c_str(), 0755), 0);
    const auto before = std::make_shared<const TLockTable>(TLockTable::ReadSystem());
    const TLockHolder late(lockedLate, TLockHolder::TKind::Flock);
    for (const std::string& path : {unreadable, alsoUnreadable, lockedLate}) ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const TRemoveRequest first = RequestFor(unreadable), second = RequestFor(alsoUnreadable), third = RequestFor(lockedLate);
    const std::string state = dir.MakeDir("state");  // the remover's own, for its journal
    ASSERT_EQ(::geteuid() != 0 || ::chown(state.c_str(), 65534, 65534) == 0, true);
    const int status = test::RunInChild({.AsNobody = ::geteuid() == 0}, [&] {
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        TFileRemover unanswered(std::make_shared<const TLockTable>());
        const TRemoveResult kept = unanswered.Remove(first.Path, first.Device, first.Inode);
        if (kept.Reason != TKeepReason::LockUnknown || kept.ReasonText() != "cannot tell whether it is in use") return 1;
        TFileRemover answered(std::make_shared<const TLockTable>(TLockTable::Parse("")));
        if (answered.Remove(second.Path, second.Device, second.Inode).Outcome != TRemoveOutcome::Deleted) return 2;
        TFileRemover started(before);
        return started.Remove(third.Path, third.Device, third.Inode).Reason == TKeepReason::InUse ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Exists(unreadable) && Exists(lockedLate));
    EXPECT_FALSE(Exists(alsoUnreadable));
}

namespace {

// Removes the files folder by folder, then a few far apart, with the descriptor limit `room`
// above those in use (as the shell's `ulimit -n 12` leaves nine); the exit status is the number of
// files kept (at most 100).
int RemoveWithRoom(const std::vector<TRemoveRequest>& requests, int room) {
    const int firstFree = ::dup(0);
    ::close(firstFree);
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 101;
    limit.rlim_cur = static_cast<rlim_t>(firstFree + room);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 101;
    TFileRemover remover;
    int kept = 0;
    const std::size_t half = requests.size() / 2;
    for (const std::size_t i : {half + 1, std::size_t{3}, requests.size() - 1, std::size_t{1}, half + 2}) {
        const TRemoveRequest& far = requests[i];
        kept += remover.Remove(far.Path, far.Device, far.Inode).Outcome != TRemoveOutcome::Deleted;
    }
    remover.RemoveAll(
        requests.size(), [&](std::size_t i) { return requests[i]; }, [] { return false; },
        [&](std::size_t, TRemoveResult&& result) { kept += result.Outcome == TRemoveOutcome::Kept; });
    return std::min(kept, 100);
}

// Whether the chain below `root` ("d/d/.../d", a file "f" in each) still holds any file, looked
// at one folder from the last, so that the cost does not grow with the square of the depth.
bool ChainHoldsAFile(const std::string& root) {
    int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY);
    bool found = false;
    while (fd >= 0 && !found) {
        struct stat st;
        found = ::fstatat(fd, "f", &st, AT_SYMLINK_NOFOLLOW) == 0;
        const int next = ::openat(fd, "d", O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    if (fd >= 0) ::close(fd);
    return found;
}

// Removes the chain below `root` by lifting each level up in turn: short paths only.
void RemoveChain(const std::string& root) {
    const std::string top = root + "/d", below = root + "/d/d", lifted = root + "/lifted";
    while (::rename(below.c_str(), lifted.c_str()) == 0) {
        std::filesystem::remove_all(top);
        ::rename(lifted.c_str(), top.c_str());
    }
    std::filesystem::remove_all(top);
}

}  // namespace

// A chain of 1,500 folders with an empty file in each, removed with room for nine descriptors:
// the remover lets go of the folders it keeps and goes on, and keeps nothing for want of them.
TEST(FileRemoval, LowDescriptorLimitReleasesFoldersAndKeepsNothing) {
    const test::TTempDir dir;
    std::vector<TRemoveRequest> requests;
    std::vector<std::string> paths;
    paths.reserve(1500);
    std::string path = dir.Str();
    int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY);
    for (int level = 0; level < 1500; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0700), 0);
        const int next = ::openat(fd, "d", O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += "/d";
        const int file = ::openat(fd, "f", O_CREAT | O_WRONLY, 0600);
        struct stat st;
        ASSERT_EQ(::fstat(file, &st), 0);
        ::close(file);
        paths.push_back(path + "/f");
        requests.push_back({paths.back(), st.st_dev, st.st_ino});
    }
    ::close(fd);
    EXPECT_EXIT(::_exit(RemoveWithRoom(requests, 9)), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(ChainHoldsAFile(dir.Str()));
    RemoveChain(dir.Str());
}

namespace {

#if defined(__x86_64__)
// Makes the system call `number` fail with `error` where its argument `argument` (the low 32 bits)
// is `value`, or, with `whereEqual` false, where it is not; false where a filter cannot be installed.
bool RefuseCall(unsigned number, unsigned argument, unsigned value, bool whereEqual, unsigned error) {
    const auto argumentAt = static_cast<unsigned>(offsetof(struct seccomp_data, args) + argument * sizeof(std::uint64_t));
    // How far the comparison jumps when the argument is `value` and when not: 0 lands on the
    // refusal, 1 past it.
    const std::uint8_t onEqual = whereEqual ? 0 : 1, onOther = whereEqual ? 1 : 0;
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, number, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argumentAt),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, onEqual, onOther),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | error),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}
#endif

// Makes renameat2 refuse every flag with EINVAL, as file systems without it do (some network
// and FUSE file systems); false where a filter cannot be installed.
bool RefuseRenameFlags() {
#if defined(__x86_64__)
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && RefuseCall(__NR_renameat2, 4, 0, false, EINVAL);
#else
    return false;
#endif
}

// As RefuseRenameFlags, and unlinkat in the folder `folderFd` fails with EPERM, as on a folder
// that lets names in but not out (an append-only folder, a file system that refuses removals).
bool RefuseRenameFlagsAndRemovalsIn(int folderFd) {
#if defined(__x86_64__)
    return RefuseRenameFlags() && RefuseCall(__NR_unlinkat, 0, static_cast<unsigned>(folderFd), true, EPERM);
#else
    (void)folderFd;
    return false;
#endif
}

}  // namespace

// A move by hard link whose old name cannot be removed has not moved: it fails with the removal's
// error and takes the new name away again, so that the file keeps one name, its old one.
TEST(FileRemoval, AMoveWhoseOldNameStaysIsAFailure) {
    const test::TTempDir dir;
    dir.Write("from/f");
    dir.Write("to/keep");
    const int status = test::RunInChild({}, [&] {
        const int from = ::open((dir.Str() + "/from").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int to = ::open((dir.Str() + "/to").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (from < 0 || to < 0) return 2;
        if (!RefuseRenameFlagsAndRemovalsIn(from)) return 77;
        if (MoveNoReplace(from, "f", to, "f") != EPERM) return 3;
        if (MoveNoReplace(from, "f", to, "keep") != EEXIST) return 4;
        return 0;
    });
    if (status == 77) GTEST_SKIP() << "no system call filter can be installed here";
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Exists(dir.Str() + "/from/f"));
    EXPECT_FALSE(Exists(dir.Str() + "/to/f"));
}

// Without a rename that refuses to replace, files go aside by a plain rename to a name checked
// to be free and come back by a hard link, which refuses to replace: the results are the same.
TEST(FileRemoval, WithoutRenameNoReplaceNothingIsReplacedEither) {
    const test::TTempDir dir;
    const std::string single = dir.Write("single"), kept = dir.Write("kept"), a = dir.Write("many/a"),
                      b = dir.Write("many/b");
    const std::vector<TRemoveRequest> many{RequestFor(a), RequestFor(b)};
    const TIdentity singleId = IdentityOf(single), keptId = IdentityOf(kept);
    const int status = test::RunInChild({}, [&] {
        if (!RefuseRenameFlags()) return 77;
        if (::renameat2(AT_FDCWD, "x", AT_FDCWD, "y", RENAME_NOREPLACE) == 0 || errno != EINVAL) return 2;
        TFileRemover remover;
        if (remover.Remove(single, singleId.Device, singleId.Inode).Outcome != TRemoveOutcome::Deleted) return 3;
        const auto disposal = [&](int, const char*, const TRemoveRequest&, TDeletionJournal&) {
            dir.Write("kept", "newcomer");
            return EIO;
        };
        const TRemoveResult result = remover.Dispose(kept, keptId.Device, keptId.Inode, disposal);
        if (result.KeptAs != kept + ".nulvane-kept" || Content(kept) != "newcomer") return 4;
        for (const auto& each : RemoveAll(remover, many))
            if (!each || each->Outcome != TRemoveOutcome::Deleted) return 5;
        return 0;
    });
    if (status == 77) GTEST_SKIP() << "no system call filter can be installed here";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(single));
    EXPECT_EQ(IdentityOf(kept + ".nulvane-kept").Inode, keptId.Inode);
    EXPECT_TRUE(NamesIn(dir.Str() + "/many").empty());
    EXPECT_FALSE(HoldsPrivateName(dir.Str()));
}

namespace {

TRemoveRequest FolderRequest(const std::string& path, TIdentity identity, std::span<const TPathAnchor> anchors = {}) {
    TRemoveRequest request{path, identity.Device, identity.Inode, anchors};
    request.Folder = true;
    return request;
}

}  // namespace

// Each case records the identity of "s/a" (holding b/c and d, folders only), then changes the
// tree before the removal runs. Only a folder still found and still empty all the way down goes,
// deepest first; nothing a link leads to is touched; a folder that is kept is whole again under
// its name, and nothing is left under a private name.
TEST(FileRemoval, FoldersGoOnlyWhileStillEmptyAllTheWayDown) {
    namespace fs = std::filesystem;
    struct TCase {
        const char* Name;
        std::function<void(const test::TTempDir&)> Change;
        TRemoveOutcome Outcome;
        TKeepReason Reason;
        std::vector<const char*> Stays;  // relative to the test's folder, afterwards
    };
    const TCase cases[] = {
        {"unchanged", [](auto&) {}, TRemoveOutcome::Deleted, TKeepReason::None, {"s"}},
        {"a file put deep inside", [](auto& d) { d.Write("s/a/b/c/new", "data"); }, TRemoveOutcome::Kept,
         TKeepReason::NotEmpty, {"s/a/b/c/new", "s/a/d"}},
        {"a hidden empty file", [](auto& d) { d.Write("s/a/d/.hidden"); }, TRemoveOutcome::Kept,
         TKeepReason::NotEmpty, {"s/a/d/.hidden", "s/a/b/c"}},
        {"a FIFO", [](auto& d) { ::mkfifo((d.Str() + "/s/a/d/p").c_str(), 0600); }, TRemoveOutcome::Kept,
         TKeepReason::NotEmpty, {"s/a/d/p"}},
        {"a subfolder became a link to an empty folder",
         [](auto& d) {
             fs::remove_all(d.Str() + "/s/a/b");
             fs::create_directory_symlink(d.MakeDir("t/empty"), d.Str() + "/s/a/b");
         },
         TRemoveOutcome::Kept, TKeepReason::NotEmpty, {"s/a/b", "t/empty"}},
        {"the folder became a link to an empty folder",
         [](auto& d) {
             fs::rename(d.Str() + "/s/a", d.MakeDir("t") + "/a");
             fs::create_directory_symlink(d.Str() + "/t/a", d.Str() + "/s/a");
         },
         TRemoveOutcome::Kept, TKeepReason::Changed, {"s/a", "t/a/b/c", "t/a/d"}},
        {"swapped for another empty folder",
         [](auto& d) {
             fs::rename(d.Str() + "/s/a", d.MakeDir("t") + "/old");
             d.MakeDir("s/a");
         },
         TRemoveOutcome::Kept, TKeepReason::Changed, {"s/a", "t/old/b/c"}},
        {"gone", [](auto& d) { fs::remove_all(d.Str() + "/s/a"); }, TRemoveOutcome::Missing, TKeepReason::None, {"s"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const test::TTempDir dir;
        dir.MakeDir("s/a/b/c");
        dir.MakeDir("s/a/d");
        const std::string folder = dir.Str() + "/s/a", scanned = dir.Str() + "/s/";
        const TIdentity identity = IdentityOf(folder);
        const TPathAnchor anchor{scanned, IdentityOf(scanned).Device, IdentityOf(scanned).Inode};
        c.Change(dir);
        TFileRemover remover;
        const TRemoveResult result = remover.Remove(FolderRequest(folder, identity, {&anchor, 1}));
        EXPECT_EQ(result.Outcome, c.Outcome);
        EXPECT_EQ(result.Reason, c.Reason) << result.ReasonText();
        EXPECT_EQ(Exists(folder), c.Outcome == TRemoveOutcome::Kept);
        for (const char* stays : c.Stays) EXPECT_TRUE(Exists(dir.Str() + "/" + stays)) << stays;
        EXPECT_TRUE(result.KeptAs.empty());
        EXPECT_FALSE(HoldsPrivateName(dir.Str() + "/s"));
        if (c.Reason == TKeepReason::NotEmpty) {
            EXPECT_EQ(result.ReasonText(), "no longer empty");
        }
        if (Exists(dir.Str() + "/s/a/b/c/new")) {
            EXPECT_EQ(Content(dir.Str() + "/s/a/b/c/new"), "data");
        }
    }
}

// The scanned folder itself and the trash (its folders and what lies in them) never go, however
// empty: the home trash, and any trash known by what it is (see TrashFolders.h), nor a folder
// holding one; nor does a folder named by a request for a file.
TEST(FileRemoval, ScannedFoldersAndTrashFoldersNeverGo) {
    const test::TTempDir dir;
    const std::string scanned = dir.MakeDir("s"), trash = dir.MakeDir("data/Trash/files/x");
    for (const char* other : {"old/Trash/", "m/.Trash-5/", "shared/.Trash/9/", "holder/Trash/"})
        dir.MakeDir(std::string(other) + "info"), dir.MakeDir(std::string(other) + "files/x");
    const TPathAnchor anchor{scanned + "/", IdentityOf(scanned).Device, IdentityOf(scanned).Inode};
    const test::TEnvironmentGuard dataHome("XDG_DATA_HOME", dir.Str() + "/data");
    TFileRemover remover;
    EXPECT_FALSE(remover.Remove(FolderRequest(scanned, IdentityOf(scanned), {&anchor, 1})).Removed());
    for (const char* folder : {"data/Trash", "data/Trash/files", "data/Trash/files/x", "old/Trash/files/x",
                               "m/.Trash-5", "shared/.Trash/9/files/x", "holder"}) {
        const std::string path = dir.Str() + "/" + folder;
        EXPECT_FALSE(remover.Remove(FolderRequest(path, IdentityOf(path))).Removed()) << folder;
    }
    EXPECT_EQ(remover.Remove(dir.Str() + "/data/Trash/files/x", IdentityOf(trash).Device, IdentityOf(trash).Inode).Reason,
              TKeepReason::Changed);
    for (const std::string& path : {scanned, trash}) EXPECT_TRUE(Exists(path)) << path;
}

// A mount point is never removed: one mounted where the scan met an empty folder, one the scan
// met as it is (another file system, or a bind mount of the same one), nor a folder with a mount
// inside. Mounted in a private mount namespace of a child process.
TEST(FileRemoval, MountPointsNeverGo) {
    const test::TTempDir dir;
    const std::string base = dir.Str();
    for (const char* folder : {"s/covered", "s/tmpfs", "s/bound", "s/holds/m", "x"}) dir.MakeDir(folder);
    // The child's exit status is the number of the first check that failed, 0 when none did.
    const int status = test::RunInChild({}, [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 99;
        const TIdentity covered = IdentityOf(base + "/s/covered");
        if (::mount("tmpfs", (base + "/s/covered").c_str(), "tmpfs", 0, "mode=0755") != 0 ||
            ::mount("tmpfs", (base + "/s/tmpfs").c_str(), "tmpfs", 0, "mode=0755") != 0 ||
            ::mount((base + "/x").c_str(), (base + "/s/bound").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount((base + "/x").c_str(), (base + "/s/holds/m").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return 99;
        TFileRemover remover;
        int check = 0;
        const auto kept = [&](const std::string& folder, TIdentity identity) {
            ++check;
            return !remover.Remove(FolderRequest(base + "/s/" + folder, identity)).Removed() &&
                   Exists(base + "/s/" + folder) && !HoldsPrivateName(base + "/s");
        };
        if (!kept("covered", covered)) return check;
        if (!kept("tmpfs", IdentityOf(base + "/s/tmpfs"))) return check;
        if (!kept("bound", IdentityOf(base + "/s/bound"))) return check;
        if (!kept("holds", IdentityOf(base + "/s/holds"))) return check;
        return 0;
    });
    if (status == 99) GTEST_SKIP() << "mounting in a private mount namespace is not allowed here";
    EXPECT_EQ(status, 0) << "the check that failed, counted from 1";
    for (const char* folder : {"s/covered", "s/tmpfs", "s/bound", "s/holds/m", "x"})
        EXPECT_TRUE(Exists(base + "/" + folder)) << folder;
}

// A deletion killed while a folder was on its way to the trash leaves it under a private name,
// with the trash's info file written: the next run puts it back whole and removes the info file.
TEST(FileRemoval, AFolderAKilledTrashMoveLeftIsPutBack) {
    const test::TTempDir dir;
    dir.MakeDir("s/a/b");
    const std::string info = dir.MakeDir("trash/info"), folder = dir.Str() + "/s/a";
    dir.MakeDir("trash/files");
    const TIdentity identity = IdentityOf(folder);
    const int status = test::RunInChild({}, [&] {
        TFileRemover remover;
        remover.Dispose(FolderRequest(folder, identity),
                        [&](int folderFd, const char* aside, const TRemoveRequest&, TDeletionJournal& journal) {
                            const int trashFd = ::open((dir.Str() + "/trash").c_str(), O_PATH | O_DIRECTORY);
                            const char* temp = ".nulvane-00000000000000aa.writing";
                            journal.RecordTrash(folderFd, aside, trashFd, temp, folder, "2026-01-01T00:00:00");
                            dir.Write(std::string("trash/info/") + temp, TTrash::InfoText(folder, "2026-01-01T00:00:00"));
                            journal.RecordTrashEntry(folderFd, aside, trashFd, "a", IdentityOf(info + "/" + temp).Inode);
                            std::filesystem::rename(info + "/" + temp, info + "/a.trashinfo");
                            ::raise(SIGKILL);
                            return 0;
                        });
        return 2;
    });
    ASSERT_EQ(status, -1) << "the child was to be killed in the move";
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(HoldsPrivateName(dir.Str() + "/s"));
    const TRecovery recovery = RecoverInterruptedDeletions();
    EXPECT_EQ(recovery.PutBack, 1u);
    EXPECT_TRUE(recovery.Left.empty());
    EXPECT_EQ(IdentityOf(folder).Inode, identity.Inode);
    EXPECT_TRUE(Exists(folder + "/b"));
    EXPECT_FALSE(HoldsPrivateName(dir.Str() + "/s"));
    EXPECT_TRUE(NamesIn(info).empty());
}
