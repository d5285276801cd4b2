// A drive's system information read from a simulated drive running its
// firmware: the memory image and the first code block with an information page.
#include <gtest/gtest.h>

#include <cstring>

#include "programs/program_fixture.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class ReadSystemInfoTest : public VendorFixture {
protected:
    ReadSystemInfoTest() { logUse_ = LogUse::Requests; }

    // Matches the simulated NAND: 8 sectors a page, 256 pages a block,
    // 2048 blocks a CE, one die.
    static FlashConfig DriveConfig(std::uint8_t channels) {
        FlashConfig c = ToggleConfig();
        c.FlashTypeWord = 0x1811;
        DecodeFlashGeometry(c, c.FlashGeometry);
        c.ChannelCount = channels;
        return c;
    }

    // What the firmware shows at memory address 0: its header page.
    Bytes MemoryImage(int slot, const FlashConfig& c, std::array<std::uint16_t, 4> codeBlocks) {
        Bytes image(kSystemImageBytes, 0);
        std::memcpy(&image[0x300], "QXSS", 4);
        std::memcpy(&image[0x306], "102003", 6);
        std::memcpy(&image[0x324], "849", 4);
        image[0x30D] = 'S';
        DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = codeBlocks;
        BinFileList bins{};
        EXPECT_TRUE(BuildSysBinHeader(slot, c, settings_, image));
        EXPECT_TRUE(BuildSysBinGeometry(slot, c, bins, false, image));
        DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {};
        return image;
    }

    // An information page built over the program's parameter area, on every
    // channel of one code block.
    void PutInfoPage(int slot, const FlashConfig& c, std::uint16_t block, BinFileList& bins) {
        Bytes page(InfoPageSetBytes(c), 0);
        ASSERT_TRUE(PatchGdpParamArea(slot, c, settings_, page));
        ASSERT_TRUE(BuildInfoPage(slot, c, bins, page, 5));
        auto hold = DriveOf(slot).Lock();
        sim::DriveModel& m = DriveOf(slot).Model();
        const std::size_t pageBytes = m.nand.PageBytes();
        for (std::uint8_t ch = 0; ch < c.ChannelCount; ++ch)
            m.nand.Program({ch, 0, block, 0}, std::span(page).subspan(ch * pageBytes, pageBytes));
    }

    void InFirmware(int slot, const Bytes& image) {
        SetState(slot, sim::ControllerState::Firmware);
        VendorModeOn(slot);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().systemImage = image;
    }

    int FirmwarePageReads(int slot) const {
        const Texts sent = Sent(slot);
        return static_cast<int>(std::count(sent.begin(), sent.end(), "V04"));
    }

    GlobalParameter settings_{};
};

TEST_F(ReadSystemInfoTest, FillsTheCallersConfigurationFromTheFirstCodeBlockWithAnInformationPage) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        const FlashConfig drive = DriveConfig(slot == kSataSlot ? 4 : 2);
        InFirmware(slot, MemoryImage(slot, drive, {40, 41, 42, 43}));
        BinFileList written{};
        written.Count = 2;
        written.SizesKB = {200, 60};
        FlashConfig onPage = drive;
        CopyFixedText(onPage.PartNumber, "FROM THE PAGE");
        onPage.DrvCurrent = 9;
        PutInfoPage(slot, onPage, 42, written);   // blocks 40 and 41 hold none
        ClearLog();

        FlashConfig config{};   // this caller's own
        BinFileList bins{};
        SystemInfo info{};
        Bytes buffer(kSystemInfoBufferBytes, 0xCD);
        ASSERT_TRUE(ReadSystemInfo(slot, config, bins, info, buffer));
        EXPECT_EQ(FirmwarePageReads(slot), 3);
        EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks,
                  (std::array<std::uint16_t, 4>{40, 41, 42, 43}));
        EXPECT_EQ(config.ChannelCount, drive.ChannelCount);
        EXPECT_EQ(config.FlashTypeWord, 0x1811);
        EXPECT_EQ(config.FlashGeometry.SectorsPerPage, 8);
        EXPECT_EQ(config.FlashGeometry.PagesPerBlock, 256);
        EXPECT_EQ(config.FlashGeometry.BankMap, drive.FlashGeometry.BankMap);
        EXPECT_STREQ(config.PartNumber, "FROM THE PAGE");
        EXPECT_EQ(config.DrvCurrent, 9);
        EXPECT_EQ(config.SizeCode, drive.SizeCode);   // the page's, not the header record's extended one
        EXPECT_EQ(config.ResPercentage, drive.ResPercentage);
        EXPECT_STREQ(info.HeaderModel, "849");
        EXPECT_STREQ(info.HeaderFwVersion, "102003");
        EXPECT_EQ(bins.Count, 2);
        EXPECT_EQ(bins.Placements[1].StartPage, written.Placements[1].StartPage);
        EXPECT_EQ(bins.Placements[1].PageCount, written.Placements[1].PageCount);
        DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {};
    }
}

TEST_F(ReadSystemInfoTest, WithoutAnInformationPageTheMemoryImageAloneCounts) {
    FlashConfig drive = DriveConfig(4);
    InFirmware(kUsbSlot, MemoryImage(kUsbSlot, drive, {50, 51, 52, 53}));
    FlashConfig config{};
    BinFileList bins{};
    bins.Count = 1;
    SystemInfo info{};
    Bytes buffer(kSystemInfoBufferBytes, 0);
    ASSERT_TRUE(ReadSystemInfo(kUsbSlot, config, bins, info, buffer));
    EXPECT_EQ(FirmwarePageReads(kUsbSlot), 4);
    EXPECT_EQ(config.ChannelCount, 4);
    EXPECT_EQ(bins.Count, 1);
    // The header record holds the extended size code; the plain one is worked
    // out from the geometry again.
    EXPECT_EQ(config.SizeCode, PackFlashSizeCode(config));
    EXPECT_NE(config.SizeCode, drive.SizeCodeEx);
    DeviceSlots[kUsbSlot].CodeBlocks = {};
}

TEST_F(ReadSystemInfoTest, FailsOnlyWhenTheMemoryCannotBeRead) {
    InFirmware(kSataSlot, MemoryImage(kSataSlot, DriveConfig(4), {50, 51, 52, 53}));
    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x86));
    FlashConfig config = DriveConfig(4);
    config.ChannelCount = 7;
    BinFileList bins{};
    SystemInfo info{};
    Bytes buffer(kSystemInfoBufferBytes, 0);
    EXPECT_FALSE(ReadSystemInfo(kSataSlot, config, bins, info, buffer));
    EXPECT_EQ(config.ChannelCount, 7);
    EXPECT_EQ(FirmwarePageReads(kSataSlot), 0);
    Bytes small(kSystemInfoBufferBytes - 1, 0);
    EXPECT_FALSE(ReadSystemInfo(kSataSlot, config, bins, info, small));
}

}  // namespace
}  // namespace qx::test
