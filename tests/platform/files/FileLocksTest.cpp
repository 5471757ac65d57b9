#include "platform/files/FileLocks.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

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
