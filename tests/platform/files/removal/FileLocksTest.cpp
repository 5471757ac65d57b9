#include "platform/files/removal/FileLocks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "platform/files/FileDescriptor.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace nulvane;

// Every kind of lock the kernel lists names its file by MAJOR:MINOR:INODE (device numbers in
// hex); lines without one, or with a malformed one, name nothing.
TEST(FileLocks, TableFindsEveryKindOfLockByDeviceAndInode) {
    const TLockTable table = TLockTable::Parse(
        "1: POSIX  ADVISORY  WRITE 1234 fe:00:1835021 0 EOF\n"
        "2: FLOCK  ADVISORY  WRITE 99 00:2b:77 0 EOF\n"
        "2: -> FLOCK  ADVISORY  WRITE 100 00:2b:77 0 EOF\n"
        "3: OFDLCK ADVISORY  READ  -1 08:01:5 100 200\n"
        "4: LEASE  ACTIVE    READ 7 103:02:12 0 EOF\n"
        "5: POSIX  *NOINODE* WRITE 5 <none>:0 0 EOF\n"
        "6: POSIX  ADVISORY  WRITE 1 zz:00:6 0 EOF\n"
        "7: POSIX  ADVISORY  WRITE 1 08:01:7x 0 EOF\n"
        "garbage :: 1:2 ::3\n"
        "8: FLOCK  ADVISORY  WRITE 3 08:01:9");  // cut short: no line end
    struct TCase {
        unsigned Major, Minor;
        std::uint64_t Inode;
        TLockTable::TMatch Match;
    };
    const TCase cases[] = {
        {0xfe, 0, 1835021, TLockTable::TMatch::Identity},  {0, 0x2b, 77, TLockTable::TMatch::Identity},
        {8, 1, 5, TLockTable::TMatch::Identity},           {0x103, 2, 12, TLockTable::TMatch::Identity},
        {8, 1, 9, TLockTable::TMatch::Identity},           {1, 1, 1835021, TLockTable::TMatch::InodeOnly},
        {0, 0, 0, TLockTable::TMatch::None},               {8, 1, 6, TLockTable::TMatch::None},
        {8, 1, 7, TLockTable::TMatch::None},               {8, 1, 2, TLockTable::TMatch::None},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(table.Find(makedev(c.Major, c.Minor), c.Inode), c.Match)
            << c.Major << ":" << c.Minor << ":" << c.Inode;
    EXPECT_TRUE(TLockTable::Parse("").Empty());
}

// A lease held to ask a file is broken by a program that opens the file meanwhile, and the kernel
// tells the holder by SIGIO: once leases are allowed, that no longer ends the process. Without a
// lock, the file answers free by its lease, and closing gives the lease back.
TEST(FileLocks, BrokenLeaseLeavesTheProcessRunning) {
    ASSERT_TRUE(AllowLeaseQueries());
    const test::TTempDir dir;
    const std::string path = dir.Write("f");
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (::fcntl(fd.Get(), F_SETLEASE, F_WRLCK) != 0) GTEST_SKIP() << "no leases on this file system";
    const int status = test::RunInChild({}, [&] {
        return ::open(path.c_str(), O_RDONLY | O_NONBLOCK) < 0 && errno == EWOULDBLOCK ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    fd.Reset();  // an open of our own would wait for the lease too
    fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    int error = 0;
    EXPECT_EQ(AskFileLocks(fd.Get(), error, true), TLockState::Free);
    fd.Reset();
    EXPECT_TRUE(TFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)));
}
