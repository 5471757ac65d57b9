#include "platform/files/Volumes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "support/TempDir.h"

using namespace nulvane;

TEST(VolumesTest, MountPointsAreDriveRootsWithTheirLinkedLabels) {
    const test::TTempDir dir, labels;
    for (const std::string& path : {dir.Str(), dir.Write("file.txt"), dir.Str() + "/missing", std::string()})
        EXPECT_EQ(QueryDriveType(path), dtNoRootDir) << path;
    EXPECT_NE(QueryDriveType("/"), dtNoRootDir);
    EXPECT_EQ(QueryDriveType("/proc"), dtFixed);
    EXPECT_EQ(QueryVolumeName(dir.Str() + "/missing"), "");

    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    // A label link for the device "/" lives on, with a blank written the way udev writes it.
    struct stat root{};
    ASSERT_EQ(::stat("/", &root), 0);
    ASSERT_EQ(::mknod((labels.Str() + "/Other").c_str(), S_IFBLK | 0600, makedev(259, 77)), 0);
    ASSERT_EQ(::mknod((labels.Str() + "/My\\x20Data").c_str(), S_IFBLK | 0600, root.st_dev), 0);
    SetVolumeLabelFolderForTesting(labels.Str());
    EXPECT_EQ(QueryVolumeName("/"), "My Data");
    SetVolumeLabelFolderForTesting("");
}
