#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "format/fat_tools.h"
#include "format/image_disk.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

constexpr const char* kPath =
    "\\\\?\\usbstor#disk&ven_qx&prod_ssd&rev_1.00#f0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kCylinder = 255 * 63;

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}

class FormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTraceSink([this](std::string_view t) { trace_ += t; });
        platform::SetClock(&clock_);
        FormatOpenRetries = 5;
    }
    void TearDown() override {
        platform::SetDevices(nullptr);
        platform::SetDeviceTree(nullptr);
        platform::SetClock(nullptr);
        platform::SetTraceSink({});
    }
    // A drive of diskSectors with its single partition written: an image
    // file the test can break, or a simulated drive of the rack.
    void NewDisk(std::uint64_t diskSectors, bool onRack = false) {
        platform::SetDevices(nullptr);
        rack_.reset();
        disk_.reset();
        if (onRack) {
            rack_ = std::make_unique<sim::SimRack>();
            sim::DriveConfig config;
            config.capacitySectors = diskSectors;
            rack_->AddDrive(kPath, config);
        } else {
            disk_ = std::make_unique<test::ImageDisk>(kPath, image(), diskSectors * 512);
        }
        tree_ = std::make_unique<sim::SimDeviceTree>();
        tree_->AddDisk(kPath);
        platform::DiskGeometry g;
        g.cylinders = diskSectors / kCylinder;
        tree_->SetGeometry(kPath, g);
        platform::SetDevices(onRack ? static_cast<platform::DeviceIo*>(rack_.get()) : disk_.get());
        platform::SetDeviceTree(tree_.get());
        EXPECT_TRUE(CreateSinglePartition(kPath, static_cast<std::uint32_t>(diskSectors)));
    }
    int Format(std::uint64_t diskBytes, const char* label = "QXSSD01", std::uint32_t clusterSize = 0) {
        FormatParams options;
        options.SectorsPerCluster = clusterSize;
        return FormatDiskVolume(kPath, options, label, kPartitionStart, diskBytes);
    }
    std::string image() const { return dir_.file("disk.img"); }
    std::array<std::uint8_t, 512> Sector(std::uint64_t lba) const { return test::ReadImageSector(image(), lba); }

    test::TempDir dir_;
    platform::VirtualClock clock_;
    std::unique_ptr<sim::SimRack> rack_;
    std::unique_ptr<test::ImageDisk> disk_;
    std::unique_ptr<sim::SimDeviceTree> tree_;
    std::string trace_;
};

struct CapacityCase {
    const char* name;
    std::uint64_t diskSectors;
    int sectorsPerCluster;
};

const CapacityCase kCapacities[] = {
    {"256 MiB", 256 * 2048, 1},
    {"just above 512 MiB", 513 * 2048, 8},
    {"just above 8 GiB", 8193 * 2048, 16},
    {"1,089 cylinders, where the FAT estimate falls one entry short", 1089 * kCylinder, 16},
    {"just above 16 GiB", 16385 * 2048, 32},
    {"just above 32 GiB", 32769 * 2048, 64},
};

TEST_F(FormatTest, OutsideToolsAcceptTheSimulatedDrivesVolumeAtEveryClusterSize) {
    const std::string file = dir_.file("data.bin"), back = dir_.file("back.bin"), volume = dir_.file("volume.img");
    std::vector<char> data(300 * 1024);
    std::mt19937 random(7);
    for (char& c : data) c = static_cast<char>(random());
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));

    for (const auto& c : kCapacities) {
        SCOPED_TRACE(c.name);
        NewDisk(c.diskSectors, true);
        ASSERT_EQ(Format(c.diskSectors * 512), 1) << trace_;
        ASSERT_TRUE(rack_->ExportImage(kPath, image()));
        const auto boot = Sector(kPartitionStart);
        EXPECT_EQ(boot[13], c.sectorsPerCluster);
        const std::uint32_t total = Le32(&boot[32]);
        EXPECT_EQ(total, c.diskSectors / kCylinder * kCylinder - kPartitionStart);

        const auto layout = test::RunTool("sfdisk -d '" + image() + "'");
        EXPECT_EQ(layout.exitCode, 0) << layout.output;
        const std::regex entry(": start= *63, size= *" + std::to_string(total) + ", type=b\n");
        EXPECT_TRUE(std::regex_search(layout.output, entry)) << layout.output;
        EXPECT_EQ(std::count(layout.output.begin(), layout.output.end(), '='), 3) << layout.output;

        ASSERT_TRUE(test::CopyVolume(image(), kPartitionStart * 512, std::uint64_t{total} * 512, volume));
        const auto fsck = test::RunTool("fsck.fat -n '" + volume + "'");
        EXPECT_EQ(fsck.exitCode, 0) << fsck.output;

        const auto id = test::RunTool("blkid -p -O 32256 -o export '" + image() + "'");
        EXPECT_NE(id.output.find("TYPE=vfat"), std::string::npos) << id.output;
        EXPECT_NE(id.output.find("VERSION=FAT32"), std::string::npos) << id.output;
        EXPECT_NE(id.output.find("LABEL=QXSSD01\n"), std::string::npos) << id.output;

        const std::string drive = "MTOOLS_SKIP_CHECK=1 mcopy -i '" + image() + "@@32256' ";
        const auto in = test::RunTool(drive + "'" + file + "' ::/DATA.BIN");
        ASSERT_EQ(in.exitCode, 0) << in.output;
        const auto out = test::RunTool(drive + "-n ::/DATA.BIN '" + back + "'");
        ASSERT_EQ(out.exitCode, 0) << out.output;
        std::ifstream copied(back, std::ios::binary);
        const std::vector<char> got{std::istreambuf_iterator<char>(copied), {}};
        EXPECT_TRUE(got == data);
    }
}

TEST_F(FormatTest, RefusesBeforeWritingAnything) {
    struct Case {
        const char* name;
        std::uint64_t diskSectors;
        std::function<void(sim::SimDeviceTree&)> fault;
        std::uint64_t capacityBytes;   // what the slot reports
        const char* traced;
    };
    const std::uint64_t disk = 256 * 2048;
    const Case cases[] = {
        {"capacity 0", disk, [](sim::SimDeviceTree&) {}, 0, "no capacity"},
        {"4096-byte sectors", disk,
         [](sim::SimDeviceTree& t) {
             platform::DiskGeometry g;
             g.bytesPerSector = 4096;
             t.SetGeometry(kPath, g);
         },
         disk * 512, "512 bytes per sector"},
        {"too few clusters for FAT32", 4 * kCylinder, [](sim::SimDeviceTree&) {}, 4 * kCylinder * 512, "too small"},
        {"a mounted partition", disk,
         [](sim::SimDeviceTree& t) { t.SetVolumes(kPath, {{kPath, 0, false, false}, {"/dev/sim1", 1, true, false}}); },
         disk * 512, "in use"},
        {"the running system", disk,
         [](sim::SimDeviceTree& t) { t.SetVolumes(kPath, {{kPath, 0, false, true}}); }, disk * 512, "in use"},
        {"disk queries fail", disk, [](sim::SimDeviceTree& t) { t.FailQueries(kPath, true); }, disk * 512,
         "geometry"},
        {"a partition past the end of the disk", disk, [](sim::SimDeviceTree&) {}, (disk - kCylinder) * 512, "past the end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewDisk(c.diskSectors);
        c.fault(*tree_);
        trace_.clear();
        const std::uint64_t before = disk_->bytesWritten;
        EXPECT_EQ(Format(c.capacityBytes), 0);
        EXPECT_EQ(disk_->bytesWritten, before);
        EXPECT_NE(trace_.find(c.traced), std::string::npos) << trace_;
    }
}

TEST_F(FormatTest, OpenRetries) {
    NewDisk(256 * 2048);
    const int opens = disk_->opens;
    FormatOpenRetries = 0;
    EXPECT_EQ(Format(256 * kMiB), 0);
    EXPECT_EQ(disk_->opens, opens);

    // No fixed sleep between attempts: a lock held on the disk is waited
    // for by the open itself, as long as it is held.
    FormatOpenRetries = 3;
    const auto start = clock_.NowMs();
    EXPECT_EQ(FormatDiskVolume("\\\\?\\usbstor#gone", FormatParams{}, "X", 63, 256 * kMiB), 0);
    EXPECT_EQ(disk_->opens, opens + 3);
    EXPECT_EQ(clock_.NowMs() - start, 0u);
    // Each open may wait for a lock held on the disk, within one 10 s budget.
    EXPECT_EQ(disk_->lastLockWaitMs, 10'000);
}

TEST_F(FormatTest, LabelIsTheSameInTheBootSectorAndTheRootDirectory) {
    const struct {
        const char* label;
        const char* boot;
        const char* entry;   // nullptr: no label entry
    } cases[] = {
        {"", "NO NAME    ", nullptr},
        {"QX", "QX         ", "QX         "},
        {"ABCDEFGHIJKLMN", "ABCDEFGHIJK", "ABCDEFGHIJK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        NewDisk(256 * 2048);
        ASSERT_EQ(Format(256 * kMiB, c.label), 1);
        const auto boot = Sector(kPartitionStart);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&boot[71]), 11), c.boot);
        EXPECT_EQ(Sector(kPartitionStart + 6), boot);
        const auto root = Sector(kPartitionStart + 32 + 2 * Le32(&boot[36]));
        if (c.entry) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(root.data()), 11), c.entry);
            EXPECT_EQ(root[11], 0x08);
        } else {
            EXPECT_TRUE(std::all_of(root.begin(), root.end(), [](std::uint8_t b) { return b == 0; }));
        }
    }
}

TEST_F(FormatTest, FailedClearingOrWritingFailsTheFormat) {
    NewDisk(256 * 2048);
    disk_->readsReturnNoise = true;
    EXPECT_EQ(Format(256 * kMiB), 0);
    disk_->readsReturnNoise = false;
    EXPECT_EQ(Sector(kPartitionStart)[510], 0) << "boot sector written after a failed clearing";

    disk_->writesBeforeFailure = 3;
    EXPECT_EQ(Format(256 * kMiB), 0);
    EXPECT_NE(trace_.find("Failed to write"), std::string::npos);
}

TEST_F(FormatTest, WritesOnlyTheStructures) {
    const std::uint64_t sectors = 32769 * 2048;
    NewDisk(sectors);
    const std::uint64_t before = disk_->bytesWritten;
    ASSERT_EQ(Format(sectors * 512), 1);
    const auto boot = Sector(kPartitionStart);
    const std::uint64_t structures = (32 + 2ull * Le32(&boot[36]) + boot[13]) * 512;
    // The clearing, then two boot sectors, two FSInfo, two FAT heads and the label.
    EXPECT_EQ(disk_->bytesWritten - before, structures + 7 * 512);
}

TEST(FatSizeTest, EveryClusterHasAnEntry) {
    const struct {
        std::uint64_t total;
        std::uint32_t sectorsPerCluster;
    } cases[] = {{70101, 1}, {560220, 8}, {4482086, 64}, {17494722, 16}, {524225, 1}, {134217728, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        const std::uint32_t fat = get_fat_size_sectors(c.total, 32, c.sectorsPerCluster, 2, 512);
        const std::uint64_t clusters = (c.total - 32 - 2ull * fat) / c.sectorsPerCluster;
        EXPECT_GE(fat * 128ull, clusters + 2);
        EXPECT_LE(fat, 4 * (c.total - 32) / (c.sectorsPerCluster * 512 + 8) + 2);
    }
    EXPECT_EQ(get_fat_size_sectors(1000, 32, 0, 0, 0), 1u);
}

TEST(ClusterSizeTest, ChosenByDiskSize) {
    const struct {
        std::uint64_t mib;
        int sectors;
    } cases[] = {{256, 1}, {512, 1}, {513, 8}, {600, 8}, {8192, 8}, {8193, 16}, {16384, 16}, {16385, 32},
                 {32768, 32}, {32769, 64}, {40000, 64}};
    for (const auto& c : cases) EXPECT_EQ(GetSectorsPerCluster(c.mib * kMiB, 512), c.sectors) << c.mib;
    EXPECT_EQ(get_spc(4, 0), 0);
}

}  // namespace
}  // namespace qx
