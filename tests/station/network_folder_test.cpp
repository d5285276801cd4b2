// Which file systems count as another machine's, from what statfs and the
// mount table say, with no mount needed.
#include <gtest/gtest.h>

#include "station/entry/network_folder.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

TEST(NetworkFolder, TheFileSystemTypeDecides) {
    struct Case {
        const char* name;
        std::uint32_t magic;
        const char* fuseSubtype;
        bool network;
    };
    constexpr std::uint32_t kFuse = 0x65735546;
    const Case cases[] = {
        {"NFS", 0x6969, "", true},
        {"SMB", 0x517B, "", true},
        {"CIFS", 0xFF534D42, "", true},
        {"SMB2", 0xFE534D42, "", true},
        {"9p", 0x01021997, "", true},
        {"AFS", 0x5346414F, "", true},
        {"Ceph", 0x00C36400, "", true},
        {"sshfs", kFuse, "sshfs", true},
        {"rclone", kFuse, "rclone", true},
        {"ext4", 0xEF53, "", false},
        {"xfs", 0x58465342, "", false},
        {"btrfs", 0x9123683E, "", false},
        {"tmpfs", 0x01021994, "", false},
        {"overlay", 0x794C7630, "", false},
        {"FUSE without subtype (ntfs-3g as fuseblk)", kFuse, "", false},
        {"FUSE of an unknown kind", kFuse, "somefs", false},
        {"a network name on a local magic", 0xEF53, "sshfs", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(station::IsNetworkFileSystem(c.magic, c.fuseSubtype), c.network) << c.name;
}

TEST(NetworkFolder, TheMountTableNamesTheTypeOfADevice) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:45 / /home/op/share rw,nosuid,nodev,relatime shared:20 master:3 - fuse.sshfs op@host:/srv rw\n"
        "41 22 0:46 / /mnt/nfs rw,relatime - nfs4 host:/export rw,vers=4.2\n"
        "42 22 0:45 /sub /mnt/bound rw - fuse.sshfs op@host:/srv rw\n";
    EXPECT_EQ(station::MountTypeOfDevice(mountinfo, 8, 1), "ext4");
    EXPECT_EQ(station::MountTypeOfDevice(mountinfo, 0, 45), "fuse.sshfs");
    EXPECT_EQ(station::MountTypeOfDevice(mountinfo, 0, 46), "nfs4");
    EXPECT_EQ(station::MountTypeOfDevice(mountinfo, 0, 4), "") << "0:4 is not 0:45";
    EXPECT_EQ(station::MountTypeOfDevice("garbage\n\n - \n", 0, 45), "");
}

TEST(NetworkFolder, ALocalFolderAndAMissingOneAreNotRefused) {
    TempDir local;
    EXPECT_FALSE(station::OnNetworkFileSystem(local.path().string()));
    EXPECT_FALSE(station::OnNetworkFileSystem(local.path().string() + "/missing/"));
}

}  // namespace
}  // namespace qx::test
