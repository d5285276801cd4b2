#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "format/fat_tools.h"
#include "format/image_disk.h"
#include "qxlib/format/disk_layout.h"
#include "sim/rack/sim_device_tree.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

constexpr const char* kPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd&rev_1.00#l0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr std::uint64_t kCylinder = 255 * 63;
constexpr std::uint64_t kSectors = 300 * kCylinder + 1000;

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}

class DiskLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.AddDisk(kPath);
        platform::DiskGeometry g;
        g.cylinders = 280;   // what the system's geometry reports, not the capacity
        tree_.SetGeometry(kPath, g);
        platform::SetDevices(&disk_);
        platform::SetDeviceTree(&tree_);
    }
    void TearDown() override {
        platform::SetDevices(nullptr);
        platform::SetDeviceTree(nullptr);
    }
    std::array<std::uint8_t, 512> Mbr() const { return test::ReadImageSector(disk_.image(), 0); }

    test::TempDir dir_;
    test::ImageDisk disk_{kPath, dir_.file("disk.img"), kSectors * 512};
    sim::SimDeviceTree tree_;
};

TEST_F(DiskLayoutTest, OnePartitionOverTheWholeCylindersOfTheCapacity) {
    ASSERT_TRUE(CreateSinglePartition(kPath, static_cast<std::uint32_t>(kSectors)));
    const auto mbr = Mbr();
    EXPECT_EQ(mbr[0], 0xFA);                       // boot code
    EXPECT_EQ(Le32(&mbr[440]), 0u);                // a fresh disk's signature
    EXPECT_EQ(mbr[446], 0);                        // not active
    EXPECT_EQ(mbr[450], kPartitionTypeFat32);
    EXPECT_EQ(Le32(&mbr[454]), 63u);
    EXPECT_EQ(Le32(&mbr[458]), 300 * kCylinder - 63);
    EXPECT_TRUE(std::all_of(mbr.begin() + 462, mbr.begin() + 510, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(mbr[510], 0x55);
    EXPECT_EQ(mbr[511], 0xAA);
    EXPECT_EQ(tree_.Rereads(kPath), 1);
    const auto dump = test::RunTool("sfdisk -d '" + disk_.image() + "'");
    EXPECT_NE(dump.output.find("start=          63, size=     4819437, type=b"), std::string::npos) << dump.output;
}

TEST_F(DiskLayoutTest, OlderLayoutCallUsesTheGeometrysCylindersAndItsOwnSignature) {
    EXPECT_FALSE(IsWindows2000());
    ASSERT_TRUE(WriteMbrAndPartition(kPath));
    const auto mbr = Mbr();
    EXPECT_EQ(Le32(&mbr[440]), kMbrDiskSignature);
    EXPECT_EQ(Le32(&mbr[458]), 280 * kCylinder - 63);
}

TEST_F(DiskLayoutTest, LeavesADiskInUseOrUnknownAlone) {
    const struct {
        const char* name;
        std::vector<platform::Volume> volumes;
        bool queryFails;
    } cases[] = {
        {"mounted partition", {{kPath, 0, false, false}, {"/dev/sim1", 1, true, false}}, false},
        {"system disk", {{kPath, 0, false, true}}, false},
        {"query fails", {{kPath, 0, false, false}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tree_.SetVolumes(kPath, c.volumes);
        tree_.FailQueries(kPath, c.queryFails);
        EXPECT_FALSE(DiskIsFree(kPath));
        EXPECT_FALSE(CreateSinglePartition(kPath, static_cast<std::uint32_t>(kSectors)));
        EXPECT_FALSE(WriteMbrAndPartition(kPath));
    }
    EXPECT_EQ(disk_.bytesWritten, 0u);
    EXPECT_EQ(tree_.Rereads(kPath), 0);
}

TEST_F(DiskLayoutTest, AFailedRereadIsAFailedLayout) {
    tree_.FailReread(kPath, true);
    EXPECT_FALSE(CreateSinglePartition(kPath, static_cast<std::uint32_t>(kSectors)));
    EXPECT_FALSE(CreateSinglePartition(kPath, 1000));   // less than a cylinder: nothing to write
}

TEST_F(DiskLayoutTest, PartitionNodeOfTheDisk) {
    tree_.SetVolumes(kPath, {{kPath, 0, false, false}, {"/dev/sim1", 1, false, true}, {"/dev/sim2", 2, true, false}});
    std::string node;
    EXPECT_TRUE(FindDriveLetterOfDisk(kPath, &node));
    EXPECT_EQ(node, "/dev/sim2");
    platform::StorageNumber disk, part;
    ASSERT_TRUE(GetStorageDeviceNumber(kPath, &disk));
    ASSERT_TRUE(GetStorageDeviceNumber("/dev/sim2", &part));
    EXPECT_EQ(part.deviceNumber, disk.deviceNumber);
    EXPECT_EQ(part.partitionNumber, 2u);

    tree_.SetVolumes(kPath, {{kPath, 0, false, false}});
    EXPECT_FALSE(FindDriveLetterOfDisk(kPath, &node));
    tree_.FailQueries(kPath, true);
    EXPECT_FALSE(FindDriveLetterOfDisk(kPath, &node));
    EXPECT_FALSE(GetStorageDeviceNumber(kPath, &disk));
}

TEST_F(DiskLayoutTest, VolumeLockFailsWhileMounted) {
    tree_.SetVolumes(kPath, {{"/dev/sim1", 1, false, false}, {"/dev/sim2", 2, true, false}});
    auto free = OpenVolumeByLetter("/dev/sim1");
    auto busy = OpenVolumeByLetter("/dev/sim2");
    ASSERT_TRUE(free && busy);
    EXPECT_EQ(LockVolume(free.get()), 1);
    EXPECT_EQ(UnlockVolume(free.get()), 1);
    EXPECT_EQ(LockVolume(busy.get()), 0);
    EXPECT_EQ(CloseVolumeHandle(free), 1);
    EXPECT_EQ(CloseVolumeHandle(free), 0);
    EXPECT_FALSE(OpenVolumeByLetter("/dev/nothing"));
}

TEST(BytesDifferTest, ComparesTheFirstBytesOnly) {
    EXPECT_EQ(BytesDiffer("abc", "abd", 2), 0);
    EXPECT_EQ(BytesDiffer("abc", "abd", 3), 1);
    EXPECT_EQ(BytesDiffer("abc", "xyz", 0), 0);
    EXPECT_EQ(BytesDiffer("abc", "xyz", -1), 0);
}

}  // namespace
}  // namespace qx
