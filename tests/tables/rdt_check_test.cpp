// The RDT/LTS result check on simulated drives whose flash holds the result
// blocks the test firmware leaves near the top of the flash.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diagnostics/diag_fixture.h"
#include "qxlib/tables/rdt_check.h"

namespace qx::test {
namespace {

class RdtCheckTest : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        config_.FlashGeometry.BlocksPerCe = 2048;
        config_.FlashGeometry.PagesPerBlock = 256;
    }

    void PutPage(int slot, std::uint16_t block, std::uint16_t page, const std::vector<std::uint8_t>& data) {
        Drive(slot, [&](sim::DriveModel& m) { m.nand.Program({0, 0, block, page}, data); });
    }
    static std::vector<std::uint8_t> Page(const char* sig) {
        std::vector<std::uint8_t> p(4096, 0);
        std::memcpy(p.data(), sig, 4);
        return p;
    }
    // A finished RDT block: page 0 with its failure bits and the serial page
    // number, the serial page, and the closing last page.
    void PutRdtBlock(int slot, std::uint16_t block, std::uint8_t failBits, const char* serial, bool finished = true) {
        std::vector<std::uint8_t> first = Page("RDTM");
        first[6] = failBits;
        first[808] = 5;   // serial on page 5
        PutPage(slot, block, 0, first);
        std::vector<std::uint8_t> serialPage(4096, 0);
        std::memcpy(&serialPage[24], serial, std::strlen(serial) + 1);
        PutPage(slot, block, 5, serialPage);
        if (finished) PutPage(slot, block, 255, Page("RDTM"));
    }
    void PutLtsBlock(int slot, std::uint16_t block, std::uint8_t passBits) {
        std::vector<std::uint8_t> p = Page("LTSM");
        p[4] = passBits;
        PutPage(slot, block, 2, p);
    }
    int Check(int slot, const char* serial, std::uint8_t lts, std::string& found) {
        return CheckRdtResult(slot, Ctx(), serial, lts, found);
    }
    // Blocks whose result page (page 0 or 2) the check read, in order.
    std::vector<int> ResultBlocksRead(int slot, std::uint16_t page) {
        std::vector<int> blocks;
        auto hold = DriveOf(slot).Lock();
        for (const sim::PageCommand& p : DriveOf(slot).Model().pageCommands)
            if (p.sub == 0x0D && p.page == page) blocks.push_back(p.block);
        return blocks;
    }
    bool Ok(int slot) const { return DeviceSlots[static_cast<std::size_t>(slot)].RdtResultOk != 0; }
};

TEST_F(RdtCheckTest, RdtFailureBitsInTheirOrder) {
    struct Case {
        std::uint8_t bits;
        int result;
    };
    const Case cases[] = {{0x00, 1}, {0x03, 75}, {0x01, 75}, {0x02, 73}, {0x06, 73},
                          {0x04, 74}, {0x20, 81}, {0x24, 74}, {0x18, 1}};
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "bits " << int{c.bits} << ", slot " << slot);
            PutRdtBlock(slot, 2000, c.bits, "SN1234");
            DeviceSlots[static_cast<std::size_t>(slot)].RdtResultOk = 1;
            std::string found;
            EXPECT_EQ(Check(slot, "SN1234", 0, found), c.result);
            EXPECT_EQ(Ok(slot), c.result == 1);
            Drive(slot, [](sim::DriveModel& m) { m.nand.Erase(0, 0, 2000); });
        }
}

TEST_F(RdtCheckTest, LtsPassBits) {
    struct Case {
        std::uint8_t bits;
        int result;
    };
    const Case cases[] = {{0x07, 1}, {0x05, 84}, {0x03, 85}, {0x06, 84}, {0xFF, 1}};
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "bits " << int{c.bits} << ", slot " << slot);
            PutLtsBlock(slot, 2040, c.bits);
            std::string found;
            EXPECT_EQ(Check(slot, "SN", 1, found), c.result);
            EXPECT_EQ(Ok(slot), c.result == 1);
            Drive(slot, [](sim::DriveModel& m) { m.nand.Erase(0, 0, 2040); });
        }
}

TEST_F(RdtCheckTest, SerialComparedOverTheTextsLength) {
    struct Case {
        const char* onFlash;
        const char* drive;
        std::uint8_t noCheck;
        int result;
    };
    const Case cases[] = {
        {"AB12", "AB12XYZ9", 0, 1},   // only as many characters as the text has
        {"", "ANYTHING", 0, 1},       // an empty text always passes
        {"AB13", "AB12XYZ9", 0, 77},
        {"AB12XYZ9", "AB12", 0, 77},  // a shorter drive serial differs
        {"AB13", "AB12XYZ9", 1, 1},   // not compared at all
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.onFlash << " vs " << c.drive << ", slot " << slot);
            settings_.EnNoCheckRDTSn = c.noCheck;
            PutRdtBlock(slot, 1900, 0, c.onFlash);
            std::string found = "old";
            traces_.clear();
            EXPECT_EQ(Check(slot, c.drive, 0, found), c.result);
            EXPECT_EQ(found, c.onFlash);
            EXPECT_TRUE(Traced(std::string("RDT Serial Number = ") + c.onFlash + "\r\n"));
            // A wrong serial is no pass, so pre-format must not hear of one.
            EXPECT_EQ(Ok(slot), c.result == 1);
            Drive(slot, [](sim::DriveModel& m) { m.nand.Erase(0, 0, 1900); });
        }
}

TEST_F(RdtCheckTest, SearchCoversTheTopTenthOfTheBlocksOnly) {
    // 4,096 blocks: 4,095 down to 3,687 (0.9 x 4,096 = 3,686.4).
    config_.FlashGeometry.BlocksPerCe = 4096;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.blocksPerCe = 4096; });
        PutRdtBlock(slot, 3686, 0, "SN");
        std::string found;
        EXPECT_EQ(Check(slot, "SN", 0, found), 71);
        EXPECT_EQ(Check(slot, "SN", 1, found), 83);
        const std::vector<int> read = ResultBlocksRead(slot, 0);
        ASSERT_EQ(read.size(), 4095u - 3687u + 1u);
        EXPECT_EQ(read.front(), 4095);
        EXPECT_EQ(read.back(), 3687);
        EXPECT_FALSE(Ok(slot));
    }
}

TEST_F(RdtCheckTest, TheHighestResultBlockCounts) {
    PutRdtBlock(kSataSlot, 1990, 0, "SN");
    PutRdtBlock(kSataSlot, 2000, 0x01, "SN");
    std::string found;
    EXPECT_EQ(Check(kSataSlot, "SN", 0, found), 75);   // the highest result block counts
    EXPECT_EQ(ResultBlocksRead(kSataSlot, 0).front(), 2047);
}

TEST_F(RdtCheckTest, AnUnfinishedTestProvesNothing) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        // The highest block never got its closing page; the search goes on.
        PutRdtBlock(slot, 2010, 0, "SN", false);
        std::string found;
        EXPECT_EQ(Check(slot, "SN", 0, found), 71);
        EXPECT_FALSE(Ok(slot));
        PutRdtBlock(slot, 1950, 0, "SN");
        EXPECT_EQ(Check(slot, "SN", 0, found), 1);
        EXPECT_TRUE(Ok(slot));
    }
}

TEST_F(RdtCheckTest, FailedBootOrReadsGiveTheStartingItem) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PutRdtBlock(slot, 2000, 0, "SN");
        DeviceSlots[static_cast<std::size_t>(slot)].RdtResultOk = 1;
        std::string found;
        // The serial page (5) cannot be read: the pass is not proven.
        const int readsBefore = 2047 - 2000 + 2;   // page 0 of each block down to 2000, its last page
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails)
                                   .OnVendorSub(0x0D)
                                   .Skip(slot == kSataSlot ? 2 * readsBefore : readsBefore)
                                   .Times(1));
        EXPECT_EQ(Check(slot, "SN", 0, found), 71);
        EXPECT_FALSE(Ok(slot));
        DriveOf(slot).ClearFaults();
        // The probe read of page 8 fails.
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x89));
        EXPECT_EQ(Check(slot, "SN", 1, found), 83);
        DriveOf(slot).ClearFaults();
        // No program image: nothing boots, and the kept pass stays as it was.
        DeviceSlots[static_cast<std::size_t>(slot)].RdtResultOk = 1;
        SetGdpImagePath(dir_->file("missing.bin"));
        EXPECT_EQ(Check(slot, "SN", 0, found), 71);
        EXPECT_TRUE(Ok(slot));
        SetGdpImagePath(dir_->file("GDP.bin"));
    }
}

}  // namespace
}  // namespace qx::test
