// Flash page reads and writes across the channels: the commands and
// controller offsets the drive receives, and where the data lands.
#include <gtest/gtest.h>

#include <numeric>

#include "qxlib/vendor_access/va_flash_pages.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 8 * 512;   // the simulated drives' page of one channel

class FlashPagesTest : public VendorFixture {
protected:
    FlashPagesTest() { logUse_ = LogUse::Requests; }

    // A page whose bytes tell channel, block and page apart.
    static Bytes Pattern(std::uint8_t channel, std::uint16_t block, std::uint16_t page, std::size_t size = kPage) {
        Bytes p(size);
        for (std::size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<std::uint8_t>(i * 7 + channel * 31 + block * 3 + page);
        return p;
    }
    void Seed(int slot, std::uint8_t ce, std::uint16_t block, std::uint16_t page) {
        auto hold = DriveOf(slot).Lock();
        for (std::uint8_t c = 0; c < 4; ++c) DriveOf(slot).Model().nand.Program({c, ce, block, page}, Pattern(c, block, page));
    }
    std::vector<sim::PageCommand> PageCommands(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().pageCommands;
    }
    Bytes NandPage(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                   std::size_t size = kPage) {
        auto hold = DriveOf(slot).Lock();
        Bytes out(size);
        DriveOf(slot).Model().nand.Read({channel, ce, block, page}, out);
        return out;
    }
    // What of a block operand past byte 11 reaches the drive: all of it
    // through the tunnel, nothing in the USB path's 12-byte CDB.
    static std::uint32_t Carried(int slot, std::uint32_t v) { return slot == kSataSlot ? v : 0; }
    static Bytes Slice(const Bytes& b, std::size_t at, std::size_t size = kPage) {
        return {b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + size)};
    }
};

struct ReadCase {
    int slot;
    std::uint16_t block;
    bool alternative;
};

// Four channels of 8 sectors: buffer offsets 0, 4096, 8192, 12288; the
// controller offsets 32,768 further for an odd block.
TEST_F(FlashPagesTest, AllChannelReadPlacesEachChannelInItsSlice) {
    const ReadCase cases[] = {
        {kSataSlot, 6, false}, {kSataSlot, 7, false}, {kUsbSlot, 6, false},
        {kUsbSlot, 7, false},  {kSataSlot, 7, true},  {kUsbSlot, 6, true},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slot " << c.slot << " block " << c.block << " alt " << c.alternative);
        ClearLog();
        RunProgram(c.slot);
        { auto hold = DriveOf(c.slot).Lock(); DriveOf(c.slot).Model().pageCommands.clear(); }
        Seed(c.slot, 1, c.block, 5);
        Bytes buffer(4 * kPage + 100, 0xEE);
        ASSERT_TRUE(VA_ReadFlashPages(c.slot, config_, 4, 1, c.block, 5, 0x07, 0x11, buffer, 0x09, c.alternative));

        const auto cmds = PageCommands(c.slot);
        ASSERT_EQ(cmds.size(), 4u);
        const std::uint32_t base = c.block % 2 ? 32768 : 0;
        for (std::uint8_t ch = 0; ch < 4; ++ch) {
            EXPECT_EQ(cmds[ch].sub, c.alternative ? 0x0D : 0x89);
            EXPECT_EQ(cmds[ch].channel, ch);
            EXPECT_EQ(cmds[ch].ce, 1);
            EXPECT_EQ(cmds[ch].block, c.block);
            EXPECT_EQ(cmds[ch].page, 5);
            EXPECT_EQ(cmds[ch].eccMode, 0x07);
            EXPECT_EQ(cmds[ch].option, 0x11);
            EXPECT_EQ(cmds[ch].sectorsPerPageByte, 0x09);
            EXPECT_EQ(cmds[ch].offset, Carried(c.slot, base + ch * 4096u));
            EXPECT_EQ(cmds[ch].sectors, 8u);
            EXPECT_EQ(Slice(buffer, ch * kPage), Pattern(ch, c.block, 5));
        }
        EXPECT_EQ(Slice(buffer, 4 * kPage, 100), Bytes(100, 0xEE));
        // The 16-byte block: whole in the command sector, its first 12 bytes as the USB CDB.
        const auto blocks = VendorBlocks(c.slot, 16);
        ASSERT_EQ(blocks.size(), 4u);
        EXPECT_EQ(blocks[0].size(), c.slot == kSataSlot ? 16u : 12u);
    }
}

TEST_F(FlashPagesTest, OneChannelReadUsesThatChannelsSliceOnly) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RunProgram(slot);
        Seed(slot, 0, 12, 3);
        Bytes buffer(3 * kPage, 0xEE);
        ASSERT_TRUE(VA_ReadFlashPages(slot, config_, 2, 0, 12, 3, 3, 1, buffer, 8, false));
        EXPECT_EQ(PageCommands(slot).size(), 1u);
        EXPECT_EQ(PageCommands(slot)[0].offset, Carried(slot, 2 * 4096u));
        EXPECT_EQ(Slice(buffer, 0, 2 * kPage), Bytes(2 * kPage, 0xEE));
        EXPECT_EQ(Slice(buffer, 2 * kPage), Pattern(2, 12, 3));
    }
}

TEST_F(FlashPagesTest, FailedChannelEndsTheReadAndKeepsWhatCameBefore) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RunProgram(slot);
        Seed(slot, 0, 4, 0);
        sim::FaultRule f;
        f.vendorSub = 0x89;
        f.skip = slot == kSataSlot ? 2 : 1;   // the SATA path's first command has two requests
        f.count = 1;
        DriveOf(slot).AddFault(f);
        Bytes buffer(4 * kPage, 0xEE);
        EXPECT_FALSE(VA_ReadFlashPages(slot, config_, 4, 0, 4, 0, 3, 1, buffer, 8, false));
        EXPECT_EQ(Slice(buffer, 0), Pattern(0, 4, 0));
        EXPECT_EQ(Slice(buffer, 2 * kPage, 2 * kPage), Bytes(2 * kPage, 0xEE));
        EXPECT_EQ(VendorBlocks(slot).size(), 2u);
    }
}

TEST_F(FlashPagesTest, ReadThatWouldNotFitTheBufferIsRefused) {
    RunProgram(kUsbSlot);
    Bytes buffer(4 * kPage - 1);
    EXPECT_FALSE(VA_ReadFlashPages(kUsbSlot, config_, 4, 0, 0, 0, 3, 1, buffer, 8, false));
    EXPECT_FALSE(VA_ReadFlashPages(kUsbSlot, config_, 3, 0, 0, 0, 3, 1, buffer, 8, false));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
}

TEST_F(FlashPagesTest, ProgramReadTakesOneChannelToTheBufferStart) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RunProgram(slot);
        Seed(slot, 0, 9, 2);
        Bytes buffer(kPage + 16, 0xEE);
        ASSERT_TRUE(VA_GDP_ReadPages(slot, 3, 0, 9, 2, 3, 1, buffer.data(), 8, 8));
        const auto cmds = PageCommands(slot);
        ASSERT_EQ(cmds.size(), 1u);
        EXPECT_EQ(cmds[0].sub, 0x09);
        EXPECT_EQ(cmds[0].channel, 3);
        EXPECT_EQ(cmds[0].offset, Carried(slot, 3 * 32768u));
        EXPECT_EQ(Slice(buffer, 0), Pattern(3, 9, 2));
        EXPECT_EQ(Slice(buffer, kPage, 16), Bytes(16, 0xEE));
    }
}

TEST_F(FlashPagesTest, WriteOfOnePageSetIsOneChunkWithEveryUnit) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RunProgram(slot);
        Bytes data(4 * kPage);
        std::iota(data.begin(), data.end(), std::uint8_t{1});
        ASSERT_TRUE(VA_WriteFlashPages(slot, config_, 4, 0, 21, 6, 3, 1, data, 32, 8));
        const auto cmds = PageCommands(slot);
        ASSERT_EQ(cmds.size(), 1u);
        EXPECT_EQ(cmds[0].sub, 0x8A);
        EXPECT_EQ(cmds[0].unitBitmap, Carried(slot, 0x0F));
        EXPECT_EQ(cmds[0].offset, Carried(slot, 32768u));   // odd block
        EXPECT_EQ(cmds[0].sectors, 32u);
        for (std::uint8_t ch = 0; ch < 4; ++ch) EXPECT_EQ(NandPage(slot, ch, 0, 21, 6), Slice(data, ch * kPage));
    }
}

// Four channels of 64 sectors a page: two chunks of 128 sectors, bitmaps
// 0x03 and 0x0C, data and controller offsets 0 and 65,536.
TEST_F(FlashPagesTest, WriteLargerThanOneChunkGoesOutInChunksOfUnits) {
    sim::DriveConfig big = DriveOf(kSataSlot).Config();
    big.sectorsPerPage = 64;
    const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_big#0003#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    sim::SimDrive& drive = rack_.AddDrive(path, big);
    constexpr int kBig = 2;
    Point(kBig, path, 0);
    {
        auto hold = drive.Lock();
        drive.Model().ChangeState(sim::ControllerState::ProgramRunning);
        drive.Model().program = sim::ProgramKind::Diagnostic;
        drive.Model().vendorMode = true;
    }
    config_.FlashGeometry.SectorsPerPage = 64;
    Bytes data(256 * 512);
    std::iota(data.begin(), data.end(), std::uint8_t{0});
    const bool ok = VA_WriteFlashPages(kBig, config_, 4, 0, 8, 0, 3, 1, data, 256, 64);
    DeviceSlots[kBig].InterfacePath.clear();
    ASSERT_TRUE(ok);
    auto hold = drive.Lock();
    const auto& cmds = drive.Model().pageCommands;
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].unitBitmap, 0x03);
    EXPECT_EQ(cmds[1].unitBitmap, 0x0C);
    EXPECT_EQ(cmds[0].offset, 0u);
    EXPECT_EQ(cmds[1].offset, 65536u);
    EXPECT_EQ(cmds[0].sectors, 128u);
    EXPECT_EQ(cmds[1].sectors, 128u);
    for (std::uint8_t ch = 0; ch < 4; ++ch) {
        Bytes page(64 * 512);
        drive.Model().nand.Read({ch, 0, 8, 0}, page);
        EXPECT_EQ(page, Slice(data, ch * page.size(), page.size()));
    }
}

TEST_F(FlashPagesTest, WriteBeyondEightUnitsOrTheBufferIsRefused) {
    RunProgram(kSataSlot);
    Bytes data(9 * kPage);
    EXPECT_FALSE(VA_WriteFlashPages(kSataSlot, config_, 4, 0, 2, 0, 3, 1, data, 72, 8));   // nine units
    EXPECT_FALSE(VA_WriteFlashPages(kSataSlot, config_, 4, 0, 2, 0, 3, 1, data, 73, 8));   // past the buffer
    EXPECT_TRUE(Requests(kSataSlot).empty());
    // Eight units: the whole bitmap, though the simulated drive has four channels.
    VA_WriteFlashPages(kSataSlot, config_, 4, 0, 2, 0, 3, 1, data, 64, 8);
    const auto blocks = VendorBlocks(kSataSlot, 20);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0][16], 0xFF);
}

TEST_F(FlashPagesTest, FailedWriteChunkEndsTheWrite) {
    RunProgram(kSataSlot);
    sim::FaultRule f;
    f.vendorSub = 0x8A;
    DriveOf(kSataSlot).AddFault(f);
    Bytes data(4 * kPage);
    EXPECT_FALSE(VA_WriteFlashPages(kSataSlot, config_, 4, 0, 2, 0, 3, 1, data, 32, 8));
    EXPECT_EQ(Sent(kSataSlot), (Texts{"V8A"}));
}

// Firmware-mode reads: all channels (0xFF) in chunks of at most 128 sectors,
// the plane block choosing the buffer half.
TEST_F(FlashPagesTest, FirmwareReadGoesInChunksAndPlacesEveryChannel) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        SetState(slot, sim::ControllerState::Firmware);
        VendorModeOn(slot);
        // The firmware reads plane pairs: pair 20, plane block 41 (the second
        // plane, told by the offset the USB path's CDB cannot carry).
        const std::uint16_t seen = slot == kSataSlot ? 41 : 40;
        Seed(slot, 0, seen, 1);
        Bytes buffer(4 * kPage, 0xEE);
        ASSERT_TRUE(VA_FW_ReadFlashPages(slot, config_, 0, 20, 41, 1, 3, 1, buffer, 32));
        for (std::uint8_t ch = 0; ch < 4; ++ch) EXPECT_EQ(Slice(buffer, ch * kPage), Pattern(ch, seen, 1));
        const auto cmds = PageCommands(slot);
        ASSERT_EQ(cmds.size(), 1u);
        EXPECT_EQ(cmds[0].sub, 0x04);
        EXPECT_EQ(cmds[0].channel, 0xFF);
        EXPECT_EQ(cmds[0].block, 20);
        EXPECT_EQ(cmds[0].offset, Carried(slot, 32768u));   // odd plane block
        EXPECT_EQ(cmds[0].sectors, 32u);
        EXPECT_TRUE(traces_.empty());
    }
}

TEST_F(FlashPagesTest, FirmwareReadChunkOffsetsAdvanceByWholeUnits) {
    SetState(kSataSlot, sim::ControllerState::Firmware);
    VendorModeOn(kSataSlot);
    Bytes buffer(300 * 512);
    ASSERT_TRUE(VA_FW_ReadFlashPages(kSataSlot, config_, 0, 2, 2, 0, 3, 1, buffer, 300));
    const auto cmds = PageCommands(kSataSlot);
    ASSERT_EQ(cmds.size(), 3u);
    const std::uint32_t offsets[] = {0, 65536, 131072};
    const std::uint32_t sectors[] = {128, 128, 44};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(cmds[i].offset, offsets[i]);
        EXPECT_EQ(cmds[i].sectors, sectors[i]);
    }
}

// The read clears only what of its 128 KB fits the caller's buffer, and
// refuses a read larger than the buffer instead of writing past it.
TEST_F(FlashPagesTest, FirmwareReadClearsWhatFitsAndRefusesWhatDoesNot) {
    SetState(kUsbSlot, sim::ControllerState::Firmware);
    {
        Bytes large(256 * 1024, 0xEE);
        ASSERT_TRUE(VA_FW_ReadFlashPages(kUsbSlot, config_, 0, 2, 2, 0, 3, 1, large, 8));
        EXPECT_EQ(Slice(large, 4096, 128 * 1024 - 4096), Bytes(128 * 1024 - 4096, 0));
        EXPECT_EQ(Slice(large, 128 * 1024, 128 * 1024), Bytes(128 * 1024, 0xEE));
    }
    {
        Bytes small(20 * 1024, 0xEE);
        ASSERT_TRUE(VA_FW_ReadFlashPages(kUsbSlot, config_, 0, 2, 2, 0, 3, 1, small, 8));
        EXPECT_EQ(Slice(small, 4096, small.size() - 4096), Bytes(small.size() - 4096, 0));
    }
    ClearLog();
    Bytes tooSmall(16 * 1024, 0xEE);
    EXPECT_FALSE(VA_FW_ReadFlashPages(kUsbSlot, config_, 0, 2, 2, 0, 3, 1, tooSmall, 33));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
    EXPECT_EQ(tooSmall, Bytes(16 * 1024, 0xEE));
    EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_FW_ReadFlashPages)\r\n"}));
}

// Command failures are the callers' to judge from the data: the read still
// answers true, with the cleared buffer.
TEST_F(FlashPagesTest, FirmwareReadIgnoresCommandFailures) {
    SetState(kUsbSlot, sim::ControllerState::Firmware);
    sim::FaultRule f;
    f.vendorSub = 0x04;
    DriveOf(kUsbSlot).AddFault(f);
    Bytes buffer(4 * kPage, 0xEE);
    EXPECT_TRUE(VA_FW_ReadFlashPages(kUsbSlot, config_, 0, 2, 2, 0, 3, 1, buffer, 32));
    EXPECT_EQ(buffer, Bytes(4 * kPage, 0));
}

}  // namespace
}  // namespace qx::test
