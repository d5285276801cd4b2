// Erase-count tables and the SMART page kept before production, and the
// pre-format step giving them back to the drive.
#include <gtest/gtest.h>

#include <cstring>

#include "diagnostics/diag_fixture.h"
#include "qxlib/tables/kept_data.h"

namespace qx::test {
namespace {

constexpr std::size_t kTable = 128 * 1024;

class KeptDataTest : public DiagFixture {
protected:
    KeptDataTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        DiagFixture::SetUp();
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            ASSERT_TRUE(s.KeptEraseCounts.Allocate(kKeptEraseCountsSize));
            ASSERT_TRUE(s.KeptSmartPage.Allocate(kKeptSmartPageSize));
            SetState(slot, sim::ControllerState::Firmware);
        }
        VendorModeOn(kSataSlot);
    }
    const std::uint8_t* Kept(int slot, unsigned channel, unsigned row) {
        return DeviceSlots[static_cast<std::size_t>(slot)].KeptEraseCounts.data() + (channel * 16 + row) * kTable;
    }
    // Bytes of the erase-count reads (sub-opcode 0x01) after the header read.
    std::vector<std::uint32_t> EraseReadLengths(int slot) {
        std::vector<std::uint32_t> out;
        for (const sim::LoggedRequest& r : Requests(slot)) {
            const bool usb = !r.cdb.empty() && r.cdb[0] == 0xFF && r.cdb[2] == 0x01;
            const bool sata = Word(r) == "<01";
            if (usb || sata) out.push_back(r.wireLength);
        }
        return out;
    }
};

TEST_F(KeptDataTest, EraseCountsOfEveryChannelAndRowAreKeptAndGoBackAtPreFormat) {
    settings_.EnKeepEraseCount = 1;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) {
            m.eraseCounts[sim::NandAddress{2, 1, 7, 0}.Key()] = 4321;
            m.eraseCounts[sim::NandAddress{0, 0, 0, 0}.Key()] = 5;
        });
        ClearLog();
        EXPECT_EQ(BackupEraseCounts(slot, config_, buffer_, 0), 1);
        // 2,048 entries: (8,192 + 519) / 512 = 17 sectors for each of 4 x 2 tables.
        const std::vector<std::uint32_t> reads = EraseReadLengths(slot);
        ASSERT_EQ(reads.size(), 9u);
        EXPECT_EQ(reads[0], 512u);
        for (std::size_t k = 1; k < reads.size(); ++k) EXPECT_EQ(reads[k], 17u * 512) << k;
        // The firmware's table: u16 entries from byte 8.
        EXPECT_EQ(Kept(slot, 2, 1)[8 + 7 * 2], 4321 & 0xFF);
        EXPECT_EQ(Kept(slot, 2, 1)[8 + 7 * 2 + 1], 4321 >> 8);
        EXPECT_EQ(Kept(slot, 0, 0)[8], 5);
        EXPECT_EQ(Kept(slot, 2, 0)[8 + 7 * 2], 0);

        // The refresh marks them kept; pre-format sends every table back.
        DeviceSlots[static_cast<std::size_t>(slot)].EraseCountsKept = 1;
        EXPECT_TRUE(PreFormat(slot, Ctx(), false, false, false));
        auto hold = DriveOf(slot).Lock();
        const auto& back = DriveOf(slot).Model().keptEraseCounts;
        ASSERT_EQ(back.size(), 8u);
        ASSERT_TRUE(back.contains(2 << 8 | 1));
        EXPECT_TRUE(std::equal(back.at(2 << 8 | 1).begin(), back.at(2 << 8 | 1).end(), Kept(slot, 2, 1)));
        EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].EraseCountsKept, 0);
    }
}

TEST_F(KeptDataTest, TableHeaderSetsTheSectorsOfEveryRead) {
    // 1,000 entries: (4,000 + 519) / 512 = 8 sectors.
    Drive(kUsbSlot, [](sim::DriveModel& m) { m.cfg.blocksPerCe = 1000; });
    config_.ChannelCount = 1;
    config_.BankCount = 1;
    ClearLog();
    EXPECT_EQ(BackupEraseCounts(kUsbSlot, config_, buffer_, 0), 1);
    EXPECT_EQ(EraseReadLengths(kUsbSlot), (std::vector<std::uint32_t>{512, 8 * 512}));
}

TEST_F(KeptDataTest, SmartPageIsKeptFromEitherPathAndGoesBack) {
    settings_.EnKeepSmartInfo = 1;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.smart = {{173, 100, 0, 0x1234}}; });
        ASSERT_TRUE(BackupSmartInfo(slot, config_, buffer_));
        const std::uint8_t* page = DeviceSlots[static_cast<std::size_t>(slot)].KeptSmartPage.data();
        EXPECT_EQ(page[2], 173);
        EXPECT_EQ(page[2 + 5], 0x34);
        EXPECT_EQ(page[2 + 6], 0x12);
        const std::vector<std::uint8_t> kept(page, page + 512);

        DeviceSlots[static_cast<std::size_t>(slot)].SmartPageKept = 1;
        EXPECT_TRUE(PreFormat(slot, Ctx(), false, false, false));
        auto hold = DriveOf(slot).Lock();
        EXPECT_EQ(DriveOf(slot).Model().keptSmartPage, kept);
    }
}

TEST_F(KeptDataTest, FailedSmartReadKeepsNothingAndSaysWhy) {
    struct Case {
        int slot;
        std::uint8_t opcode;   // the SMART command; 0: the vendor read
        const char* line;
    };
    const Case cases[] = {
        {kSataSlot, 0xB0, "Please make sure that BIOS enable the S.M.A.R.T function!\n"},
        {kUsbSlot, 0, "VC_SYS_USB_GetSMARTInfo Fail!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        std::uint8_t* page = DeviceSlots[static_cast<std::size_t>(c.slot)].KeptSmartPage.data();
        std::memset(page, 0x5A, 512);
        if (c.opcode)
            DriveOf(c.slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnOpcode(c.opcode));
        else
            DriveOf(c.slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x05));
        traces_.clear();
        EXPECT_FALSE(BackupSmartInfo(c.slot, config_, buffer_));
        EXPECT_TRUE(Traced(c.line));
        EXPECT_EQ(page[0], 0x5A);
    }
}

}  // namespace
}  // namespace qx::test
