#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "format/fat_tools.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "sim/media/media_faults.h"
#include "station/images/gen_image.h"
#include "station/images/ghost_image.h"
#include "station/images/image_fixture.h"
#include "ui/scripted_prompter.h"

namespace qx {
namespace {

constexpr std::uint64_t kDiskSectors = 64 * 2048;   // one sector per cluster

class GenImageTest : public test::ImageFixture {
protected:
    void SetUp() override {
        ImageFixture::SetUp();
        FormatOpenRetries = 1;
    }
    // A drive with its partition written and FAT32-formatted, and a file of
    // fileBytes random bytes copied onto it.
    std::string FormattedDisk(int n, std::size_t fileBytes, bool mounted = false, std::uint64_t usedBytes = 0) {
        const std::string disk = AddDisk(n, kDiskSectors);
        platform::DiskGeometry g;
        g.cylinders = kDiskSectors / (255 * 63);
        tree_.SetGeometry(disk, g);
        EXPECT_TRUE(CreateSinglePartition(disk.c_str(), static_cast<std::uint32_t>(kDiskSectors)));
        EXPECT_EQ(FormatDiskVolume(disk.c_str(), FormatParams{}, "QXSSD01", kPartitionStart, kDiskSectors * 512), 1)
            << trace_;
        const std::string image = dir_.file("disk" + std::to_string(n) + ".img");
        EXPECT_TRUE(rack_.ExportImage(disk, image));
        std::vector<std::uint8_t> data(fileBytes);
        std::mt19937 random(11);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        const std::string file = WriteFile("data.bin", data);
        const auto copied = test::RunTool("MTOOLS_SKIP_CHECK=1 mcopy -i '" + image + "@@32256' '" + file + "' ::/DATA.BIN");
        EXPECT_EQ(copied.exitCode, 0) << copied.output;
        // The files go back onto the drive, chunk by chunk where they changed it.
        const auto bytes = ReadFile(image);
        for (std::size_t at = 0; at < bytes.size(); at += 65536) {
            const std::vector<std::uint8_t> chunk(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                  bytes.begin() + static_cast<std::ptrdiff_t>(at + 65536));
            if (std::any_of(chunk.begin(), chunk.end(), [](std::uint8_t b) { return b != 0; }) &&
                chunk != Drive(disk).ReadUserSectors(at / 512, 128))
                Drive(disk).WriteUserSectors(at / 512, chunk);
        }
        const sim::DriveConfig cfg = [&] {
            sim::DriveConfig c;
            c.capacitySectors = kDiskSectors;
            c.volume = true;
            c.volumeMounted = mounted;
            c.volumeUsedBytes = usedBytes;
            return c;
        }();
        sim::ListDriveVolume(tree_, disk, cfg);
        rack_.Log().Clear();
        return disk;
    }
    std::vector<PortRecord> Ports(const std::string& disk) const {
        std::vector<PortRecord> ports(3);
        ports[1].Present = 1;
        std::snprintf(ports[1].DiskPath, sizeof ports[1].DiskPath, "%s", disk.c_str());
        return ports;
    }
    // The capture's own reads: READ(10) of whole chunks from LBA 0 on, after
    // the boot-sector and FAT reads.
    std::vector<std::uint32_t> CaptureLbas(const std::string& disk) const {
        std::vector<std::uint32_t> lbas;
        for (const auto& r : Transfers(disk, 0x28)) {
            if (LbaOf(r) == 0) lbas.clear();
            lbas.push_back(LbaOf(r));
        }
        return lbas;
    }
    static std::vector<std::uint32_t> Chunks(std::uint32_t sizeMB) {
        std::vector<std::uint32_t> lbas;
        for (std::uint32_t lba = 0; lba < sizeMB * 2048; lba += 128) lbas.push_back(lba);
        return lbas;
    }
    std::uint32_t FatSectors(const std::string& disk) {
        const auto boot = Drive(disk).ReadUserSectors(kPartitionStart, 1);
        return get_le32(&boot[36]);
    }
    ui::ScriptedPrompter prompter_;
};

TEST_F(GenImageTest, UnmountedReferenceIsCapturedOverItsFatsAndUsedClustersAndRestoredElsewhere) {
    const std::string source = FormattedDisk(0, 3 * 1048576 + 1000);
    const std::string image = dir_.file("QXSSD.img");
    prompter_.Answer(std::optional<std::string>(image));
    station::GenImage(prompter_, Ports(source), dir_.path().string());

    // 3 MiB and a bit of file plus the root cluster: 4 MiB used, plus 1.
    const std::uint32_t sizeMB = ((FatSectors(source) * 2 + 95) >> 11) + 4;
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].input.caption, "Image Path");
    EXPECT_EQ(records[0].input.prompt, "Please Input Path of Dump Image");
    EXPECT_EQ(records[0].input.initial, (dir_.path() / "QXSSD.img").string());
    EXPECT_EQ(records[1].text, "Dump 4MB image to " + image + " successfully");
    EXPECT_EQ(CaptureLbas(source), Chunks(sizeMB));
    const auto captured = ReadFile(image);
    ASSERT_EQ(captured.size(), std::uint64_t{sizeMB} * 1048576);
    EXPECT_EQ(captured, Drive(source).ReadUserSectors(0, sizeMB * 2048));

    const std::string volume = dir_.file("volume.img");
    const auto boot = Drive(source).ReadUserSectors(kPartitionStart, 1);
    ASSERT_TRUE(test::CopyVolume(image, kPartitionStart * 512, std::uint64_t{get_le32(&boot[32])} * 512, volume));
    const auto fsck = test::RunTool("fsck.fat -n '" + volume + "'");
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;

    for (int n = 1; n <= 2; ++n) {
        const std::string target = AddDisk(n, kDiskSectors);
        ASSERT_TRUE(station::FlushGhostImg(target.c_str(), image.c_str()));
        EXPECT_TRUE(station::CheckImgPattern(target.c_str()));
        EXPECT_EQ(Drive(target).ReadUserSectors(0, sizeMB * 2048), captured);
    }
}

TEST_F(GenImageTest, MountedReferenceTakesItsUsedSpaceFromTheFileSystem) {
    const std::string source = FormattedDisk(0, 1000, true, 9 * 1048576);
    const std::string image = dir_.file("m.img");
    prompter_.Answer(std::optional<std::string>(image));
    station::GenImage(prompter_, Ports(source), dir_.path().string());
    EXPECT_EQ(prompter_.Texts().back(), "Dump 10MB image to " + image + " successfully");
    EXPECT_EQ(CaptureLbas(source), Chunks(((FatSectors(source) * 2 + 95) >> 11) + 10));
}

TEST_F(GenImageTest, AFatAbove65535SectorsIsReadIn32Bits) {
    const std::string disk = AddDisk(0, 80 * 2048, true, true, 0);
    std::vector<std::uint8_t> boot(512, 0);
    boot[0] = 0xEB;
    boot[2] = 0x90;
    put_le32(&boot[36], 70000);   // 0x11170: its low 16 bits alone would say 4,464
    boot[510] = 0x55;
    boot[511] = 0xAA;
    Drive(disk).WriteUserSectors(0, boot);
    const std::string image = dir_.file("big.img");
    prompter_.Answer(std::optional<std::string>(image));
    station::GenImage(prompter_, Ports(disk), dir_.path().string());
    EXPECT_EQ(prompter_.Texts().back(), "Dump 1MB image to " + image + " successfully");
    EXPECT_EQ(CaptureLbas(disk), Chunks(((70000 * 2 + 95) >> 11) + 1));
}

TEST_F(GenImageTest, CancelAndFailuresSayDumpImageFail) {
    const std::string disk = AddDisk(0);
    station::GenImage(prompter_, Ports(disk), "/x");   // the input is cancelled
    EXPECT_EQ(prompter_.Texts().back(), "Dump Image Fail");

    prompter_.Clear();
    prompter_.Answer(std::optional<std::string>(dir_.file("a.img")));
    station::GenImage(prompter_, std::vector<PortRecord>(2), "/x");   // no present port: nothing more
    EXPECT_EQ(prompter_.Records().size(), 1u);

    prompter_.Clear();
    Drive(disk).Model().media.Add({sim::MediaFaultKind::ReadFails, 0, 1});
    prompter_.Answer(std::optional<std::string>(dir_.file("b.img")));
    station::GenImage(prompter_, Ports(disk), "/x");
    EXPECT_EQ(prompter_.Texts().back(), "Dump Image Fail");

    // Boot sector readable, capture fails part way: no success message.
    prompter_.Clear();
    Drive(disk).Model().media.Clear();
    Drive(disk).Model().media.Add({sim::MediaFaultKind::ReadFails, 200, 1});
    prompter_.Answer(std::optional<std::string>(dir_.file("c.img")));
    station::GenImage(prompter_, Ports(disk), "/x");
    EXPECT_EQ(prompter_.Texts().back(), "Dump Image Fail");
}

}  // namespace
}  // namespace qx
