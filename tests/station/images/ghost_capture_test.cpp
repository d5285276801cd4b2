#include <gtest/gtest.h>

#include "sim/media/media_faults.h"
#include "station/images/ghost_image.h"
#include "station/images/image_fixture.h"
#include "station/images/used_space.h"

namespace qx {
namespace {

using station::CheckImgPattern;
using station::ReadGhostImg;

class GhostCaptureTest : public test::ImageFixture {};

TEST_F(GhostCaptureTest, CaptureReadsWholeChunksFromLbaZeroIntoTheFile) {
    const std::string disk = AddDisk(0);
    std::vector<std::uint8_t> data(2 * 1048576);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i / 512 + i);
    Drive(disk).WriteUserSectors(0, data);
    const std::string file = dir_.file("cap.img");
    ASSERT_TRUE(ReadGhostImg(disk.c_str(), file.c_str(), 2));
    EXPECT_EQ(ReadFile(file), data);
    const auto reads = Transfers(disk, 0x28);
    ASSERT_EQ(reads.size(), 32u);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(LbaOf(reads[i]), i * 128);
        EXPECT_EQ(CountOf(reads[i]), 128u);
    }
}

TEST_F(GhostCaptureTest, NothingToCaptureOrAFailedReadIsAFailure) {
    const std::string disk = AddDisk(0);
    const std::string file = WriteFile("old.img", std::vector<std::uint8_t>(999, 1));
    EXPECT_FALSE(ReadGhostImg(disk.c_str(), file.c_str(), 0));
    EXPECT_TRUE(ReadFile(file).empty());

    Drive(disk).Model().media.Add({sim::MediaFaultKind::ReadFails, 300, 1});
    EXPECT_FALSE(ReadGhostImg(disk.c_str(), file.c_str(), 1));
    EXPECT_EQ(ReadFile(file).size(), 2u * 65536);   // the chunks before the failing one
    EXPECT_FALSE(ReadGhostImg(disk.c_str(), dir_.file("no/such/folder.img").c_str(), 1));
}

// The boot sector is looked for at LBA 0, then at the partition's LBA 63.
TEST_F(GhostCaptureTest, CheckImgPatternReadsTheBootSectorWhereItIs) {
    struct Case {
        const char* name;
        std::uint8_t lba0;        // first byte at LBA 0
        bool failRead63;
        bool result;
        std::vector<std::uint32_t> lbasRead;
    };
    const Case cases[] = {
        {"FAT boot sector at 0", 0xEB, false, true, {0}},
        {"MBR at 0: the partition's boot sector", 0x33, false, true, {0, 63}},
        {"MBR at 0, LBA 63 unreadable", 0x33, true, false, {0, 63}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string disk = AddDisk(static_cast<int>(paths_.size()));
        std::vector<std::uint8_t> s(512, 0);
        s[0] = c.lba0;
        Drive(disk).WriteUserSectors(0, s);
        // An NTFS boot sector at 63: not the FAT pattern, yet readable.
        std::vector<std::uint8_t> ntfs(512, 0);
        ntfs[0] = 0xEB;
        ntfs[3] = 'N';
        Drive(disk).WriteUserSectors(63, ntfs);
        if (c.failRead63) Drive(disk).Model().media.Add({sim::MediaFaultKind::ReadFails, 63, 1});
        EXPECT_EQ(CheckImgPattern(disk.c_str()), c.result);
        std::vector<std::uint32_t> lbas;
        for (const auto& r : Transfers(disk, 0x28)) lbas.push_back(LbaOf(r));
        EXPECT_EQ(lbas, c.lbasRead);
    }
}

TEST_F(GhostCaptureTest, UsedSpaceComesFromTheMountedVolumeOnly) {
    const std::string mounted = AddDisk(0, test::kImageDiskSectors, true, true, 5 * 1048576 + 7);
    const std::string unmounted = AddDisk(1, test::kImageDiskSectors, true, false, 5 * 1048576);
    EXPECT_EQ(station::GetUsedSpaceMB(sim::VolumeNodeOf(mounted)), 6u);
    EXPECT_EQ(station::GetUsedSpaceMB(sim::VolumeNodeOf(unmounted)), 1u);
    EXPECT_EQ(station::GetUsedSpaceMB(""), 1u);
    EXPECT_EQ(station::GetUsedSpaceMB("no such node"), 1u);
}

}  // namespace
}  // namespace qx
