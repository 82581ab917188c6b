#include "platform/drives.h"
#include "platform/memory_status.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltrix::platform {
namespace {

using test::DataRoot;
using test::TTempTree;

TEST(MemoryStatus, FromMeminfo) {
    MEMORYSTATUS m{};
    ASSERT_TRUE(GlobalMemoryStatus(m, DataRoot("laptop")));
    EXPECT_EQ(m.dwLength, sizeof(MEMORYSTATUS));
    EXPECT_EQ(m.dwTotalPhys, 8'000'000ull * 1024);
    EXPECT_EQ(m.dwAvailPhys, 3'000'000ull * 1024);
    EXPECT_EQ(m.dwTotalPageFile, 10'000'000ull * 1024); // MemTotal + SwapTotal
    EXPECT_EQ(m.dwAvailPageFile, 3'500'000ull * 1024);  // minus Committed_AS
    EXPECT_EQ(m.dwMemoryLoad, 62u);
    EXPECT_EQ(m.dwTotalVirtual, 0u);
    EXPECT_EQ(m.dwAvailVirtual, 0u);

    ASSERT_TRUE(GlobalMemoryStatus(m, DataRoot("vm")));
    EXPECT_EQ(m.dwTotalPhys, 24'683'748ull * 1024);
    EXPECT_EQ(m.dwAvailPhys, 24'226'032ull * 1024);
    EXPECT_EQ(m.dwTotalPageFile, m.dwTotalPhys); // no swap
    EXPECT_EQ(m.dwAvailPageFile, (24'683'748ull - 172'688) * 1024);
}

TEST(MemoryStatus, CommitBeyondTheLimitLeavesNothingNotLess) {
    TTempTree tree;
    tree.Write("proc/meminfo", "MemTotal: 1000 kB\nMemAvailable: 10 kB\nSwapTotal: 0 kB\n"
                               "Committed_AS: 5000 kB\n");
    MEMORYSTATUS m{};
    ASSERT_TRUE(GlobalMemoryStatus(m, tree.Root()));
    EXPECT_EQ(m.dwAvailPageFile, 0u);
    EXPECT_EQ(m.dwMemoryLoad, 99u);
}

TEST(MemoryStatus, BrokenMeminfoFailsWithAReason) {
    const struct {
        const char* Text;
        std::uint32_t Code;
        const char* Says;
    } cases[] = {
        {nullptr, ERROR_FILE_NOT_FOUND, "proc/meminfo"},
        {"MemTotal: 1000 kB\nSwapTotal: 0 kB\nCommitted_AS: 1 kB\n", ERROR_INVALID_DATA,
         "no MemAvailable line"},
        {"MemTotal: lots kB\nMemAvailable: 1 kB\nSwapTotal: 0 kB\nCommitted_AS: 1 kB\n",
         ERROR_INVALID_DATA, "bad value for MemTotal"},
        {"MemTotal: 10 MB\nMemAvailable: 1 kB\nSwapTotal: 0 kB\nCommitted_AS: 1 kB\n",
         ERROR_INVALID_DATA, "bad value for MemTotal"},
        {"MemTotal: 10 kB\nMemAvailable: 11 kB\nSwapTotal: 0 kB\nCommitted_AS: 1 kB\n",
         ERROR_INVALID_DATA, "larger than MemTotal"},
        {"MemTotal: 0 kB\nMemAvailable: 0 kB\nSwapTotal: 0 kB\nCommitted_AS: 1 kB\n",
         ERROR_INVALID_DATA, "MemTotal is 0"},
        {"MemTotal: 99999999999999999 kB\nMemAvailable: 1 kB\nSwapTotal: 0 kB\n"
         "Committed_AS: 1 kB\n",
         ERROR_INVALID_DATA, "implausibly large"},
    };
    for (const auto& c : cases) {
        TTempTree tree;
        if (c.Text) tree.Write("proc/meminfo", c.Text);
        MEMORYSTATUS m{};
        const TResult result = GlobalMemoryStatus(m, tree.Root());
        EXPECT_EQ(result.Code, c.Code) << c.Says;
        EXPECT_NE(result.Reason.find(c.Says), std::string::npos) << result.Reason;
        EXPECT_EQ(m.dwTotalPhys, 0u);
        EXPECT_EQ(m.dwLength, sizeof(MEMORYSTATUS));
    }
}

std::string Letters(const TDriveMap& map) {
    std::string out;
    for (const TDrive& d : map.Drives()) out += std::string(1, d.Letter) + "=" + d.MountPoint + ";";
    return out;
}

TEST(DriveMap, BlockDeviceFilesystemsInMountPointOrder) {
    TDriveMap map(DataRoot("laptop"));
    ASSERT_TRUE(map.Refresh());
    // tmpfs, proc, the squashfs snap, the /etc/hosts file and the second /home are no drives.
    EXPECT_EQ(Letters(map), "C=/;D=/boot/efi;E=/home;F=/media/user/USB STICK;G=/mnt/data;"
                            "H=/mnt/windows;");
    EXPECT_EQ(map.MountPoint('e'), "/home");
    EXPECT_EQ(map.MountPoint('C'), "/");
    EXPECT_FALSE(map.MountPoint('Z'));

    TDriveMap vm(DataRoot("vm"));
    ASSERT_TRUE(vm.Refresh());
    EXPECT_EQ(Letters(vm), "C=/;");
}

TEST(DriveMap, OverridesWinAndTheRestMoveOn) {
    TDriveMap map(DataRoot("laptop"));
    const TResult result = map.Refresh("E=/mnt/data; d=/srv ;bogus;Q=relative;;");
    EXPECT_EQ(result.Code, ERROR_INVALID_DATA);
    EXPECT_NE(result.Reason.find("\"bogus\""), std::string::npos) << result.Reason;
    EXPECT_NE(result.Reason.find("\"Q=relative\""), std::string::npos) << result.Reason;
    EXPECT_EQ(Letters(map), "C=/;D=/srv;E=/mnt/data;F=/boot/efi;G=/home;"
                            "H=/media/user/USB STICK;I=/mnt/windows;");

    ASSERT_TRUE(map.Refresh("C=/home"));
    EXPECT_EQ(map.MountPoint('C'), "/home");
    EXPECT_EQ(map.MountPoint('D'), "/boot/efi");
    EXPECT_EQ(map.MountPoint('E'), "/media/user/USB STICK") << "/home already has a letter";
}

TEST(DriveMap, LettersEndAtZ) {
    TTempTree tree;
    std::string mounts = "/dev/sda1 / ext4 rw 0 0\n";
    for (int i = 0; i < 30; ++i)
        mounts += "/dev/sdb" + std::to_string(i) + " /m/" + std::string(1, char('a' + i % 26)) +
                  std::to_string(i / 26) + " ext4 rw 0 0\n";
    tree.Write("proc/self/mounts", mounts);
    TDriveMap map(tree.Root());
    ASSERT_TRUE(map.Refresh());
    ASSERT_EQ(map.Drives().size(), 24u);
    EXPECT_EQ(map.Drives().back().Letter, 'Z');
    EXPECT_EQ(map.Drives().back().MountPoint, "/m/s0"); // a0 a1 b0 b1 c0 c1 d0 d1 e0 .. s0
}

TEST(DriveMap, WithoutAMountTableCAndTheOverridesStand) {
    TTempTree tree;
    TDriveMap map(tree.Root());
    const TResult result = map.Refresh("D=/data");
    EXPECT_EQ(result.Code, ERROR_FILE_NOT_FOUND);
    EXPECT_NE(result.Reason.find("proc/self/mounts"), std::string::npos) << result.Reason;
    EXPECT_EQ(Letters(map), "C=/;D=/data;");
}

TEST(DriveMap, DiskSpaceOfAMappedLetter) {
    TTempTree tree;
    tree.Write("proc/self/mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/sda2 /gone ext4 rw 0 0\n");
    TDriveMap map(tree.Root());
    ASSERT_TRUE(map.Refresh());
    TDiskSpace space;
    ASSERT_TRUE(map.GetDiskFreeSpaceEx('c', space));
    EXPECT_GT(space.TotalNumberOfBytes, 0u);
    EXPECT_LE(space.TotalNumberOfFreeBytes, space.TotalNumberOfBytes);
    EXPECT_LE(space.FreeBytesAvailableToCaller, space.TotalNumberOfFreeBytes);

    TResult result = map.GetDiskFreeSpaceEx('D', space);
    EXPECT_EQ(result.Code, ERROR_NOT_READY) << "mapped, but the folder is not there";
    EXPECT_NE(result.Reason.find("D:"), std::string::npos) << result.Reason;
    EXPECT_EQ(space.TotalNumberOfBytes, 0u);

    result = map.GetDiskFreeSpaceEx('Q', space);
    EXPECT_EQ(result.Code, ERROR_INVALID_DRIVE);
    EXPECT_NE(result.Reason.find("Q:"), std::string::npos) << result.Reason;
}

TEST(DriveMap, ParseDriveMapSetting) {
    std::vector<TDrive> drives;
    std::string why;
    EXPECT_TRUE(ParseDriveMap("", drives, why));
    EXPECT_TRUE(drives.empty());
    EXPECT_TRUE(ParseDriveMap("D=/home;E=/mnt/data;D=/srv", drives, why));
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].Letter, 'D');
    EXPECT_EQ(drives[0].MountPoint, "/srv") << "a repeated letter takes the later path";
    EXPECT_EQ(drives[1].MountPoint, "/mnt/data");
    for (const char* bad : {"D", "D=", "D:/home", "1=/x", "DE=/x", "D=home"}) {
        EXPECT_FALSE(ParseDriveMap(bad, drives, why)) << bad;
        EXPECT_TRUE(drives.empty()) << bad;
        EXPECT_NE(why.find(bad), std::string::npos) << why;
    }
}

} // namespace
} // namespace keltrix::platform
