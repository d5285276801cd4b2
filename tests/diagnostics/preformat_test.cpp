// What the flash-preparing steps send: pre-format's flag byte and the kept
// erase counts and SMART page, the rebuild's program and code blocks, and the
// DRAM test's register check.
#include <gtest/gtest.h>

#include <cstring>

#include "diagnostics/diag_fixture.h"

namespace qx::test {
namespace {

class PreFormatTest : public DiagFixture {
protected:
    PreFormatTest() { logUse_ = LogUse::Requests; }

    std::map<std::uint16_t, std::vector<std::uint8_t>> KeptCounts(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().keptEraseCounts;
    }
    std::vector<std::uint8_t> KeptSmart(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().keptSmartPage;
    }
};

TEST_F(PreFormatTest, FlagByteFromTheOptionsTheBootAndTheRdtCheck) {
    struct Case {
        bool erase, later, repairUsed, rdtOk, halfPages;
        std::vector<std::pair<int, int>> actions;   // action, flags
    };
    const Case cases[] = {
        {false, false, false, false, false, {{3, 0x08}}},
        {false, false, false, true, false, {{3, 0x28}}},
        {true, false, false, false, false, {{1, 0x01}, {3, 0x09}}},
        {false, true, true, false, false, {{3, 0x1C}}},
        {true, true, true, true, true, {{1, 0x03}, {3, 0x3F}}},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "erase " << c.erase << " later " << c.later << " repair "
                                              << c.repairUsed << " rdt " << c.rdtOk << " half " << c.halfPages
                                              << ", slot " << slot);
            Drive(slot, [](sim::DriveModel& m) { m.actions.clear(); });
            DeviceSlots[static_cast<std::size_t>(slot)].RdtResultOk = c.rdtOk;
            config_.HalfPages = c.halfPages;
            EXPECT_TRUE(PreFormat(slot, Ctx(), c.erase, c.later, c.repairUsed));
            std::vector<std::pair<int, int>> sent;
            for (const sim::ProgramRun& r : Actions(slot)) sent.emplace_back(r.action, r.flags);
            EXPECT_EQ(sent, c.actions);
        }
}

TEST_F(PreFormatTest, KeptEraseCountsAndSmartPageGoBackOnlyWhenKept) {
    settings_.EnKeepEraseCount = 1;
    settings_.EnKeepSmartInfo = 1;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
        ASSERT_TRUE(s.KeptEraseCounts.Allocate(kKeptEraseCountsSize));
        ASSERT_TRUE(s.KeptSmartPage.Allocate(kKeptSmartPageSize));
        // Table of channel j, bank-die i at (j x 16 + i) x 128 KB.
        for (std::size_t j = 0; j < 4; ++j)
            for (std::size_t i = 0; i < 2; ++i) s.KeptEraseCounts.data()[(j * 16 + i) * kScratchSize] = static_cast<std::uint8_t>(j << 4 | i);
        std::memset(s.KeptSmartPage.data(), 0x5A, kKeptSmartPageSize);

        // Nothing kept yet: nothing sent, the drive keeps its own counts.
        ASSERT_TRUE(PreFormat(slot, Ctx(), false, false, false));
        EXPECT_TRUE(KeptCounts(slot).empty());
        EXPECT_TRUE(KeptSmart(slot).empty());
        EXPECT_EQ(Actions(slot).back().flags, 0x08);

        s.EraseCountsKept = 1;
        s.SmartPageKept = 1;
        ASSERT_TRUE(PreFormat(slot, Ctx(), false, false, false));
        const auto counts = KeptCounts(slot);
        ASSERT_EQ(counts.size(), 8u);
        for (const auto& [key, table] : counts) {
            ASSERT_EQ(table.size(), kScratchSize);
            EXPECT_EQ(table[0], (key >> 8) << 4 | (key & 0xFF)) << "channel " << (key >> 8) << " bank " << (key & 0xFF);
        }
        EXPECT_EQ(KeptSmart(slot), std::vector<std::uint8_t>(512, 0x5A));
        EXPECT_EQ(Actions(slot).back().flags, 0x48);
        EXPECT_EQ(s.EraseCountsKept, 0);
        EXPECT_EQ(s.SmartPageKept, 0);
    }
}

TEST_F(PreFormatTest, RebuildBootsTheChosenProgramAfterLearningTheCodeBlocks) {
    for (bool useOld : {false, true})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "old " << useOld << ", slot " << slot);
            Drive(slot, [](sim::DriveModel& m) {
                m.cfg.codeBlocks = {4, 9, 6, 7};
                m.actions.clear();
            });
            ASSERT_TRUE(RebuildBadBlock(slot, Ctx(), useOld));
            const DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            EXPECT_EQ(s.CodeBlockCount, 4);
            auto hold = DriveOf(slot).Lock();
            const sim::DriveModel& m = DriveOf(slot).Model();
            EXPECT_EQ(m.codeRam[0], useOld ? kOldGdpMarker : kGdpMarker);
            ASSERT_EQ(m.actions.size(), 1u);
            EXPECT_EQ(m.actions[0].action, 4);
        }
}

TEST_F(PreFormatTest, RebuildFailsWithoutFourCodeBlocksUnlessUploadIsOn) {
    for (bool upload : {false, true})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "upload " << upload << ", slot " << slot);
            settings_.TestItemEnable[kItemUpload] = upload;
            Drive(slot, [](sim::DriveModel& m) {
                m.cfg.codeBlocks = {5, 7};
                m.actions.clear();
            });
            EXPECT_EQ(RebuildBadBlock(slot, Ctx(), false), upload);
            EXPECT_EQ(Actions(slot).size(), upload ? 1u : 0u);
            if (upload) {
                EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks,
                          (std::array<std::uint16_t, 4>{0, 1, 2, 3}));
            }
        }
}

TEST_F(PreFormatTest, DramTestStopsAtABadScratchRegisterWithReasonZero) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        // The write of register 5 is lost: it reads back 0.
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x85).Skip(5).Times(1));
        ClearLog();
        std::uint8_t reason = 0xEE;
        EXPECT_FALSE(DramTest(slot, Ctx(), &reason));
        EXPECT_EQ(reason, 0);
        for (const auto& b : VendorBlocks(slot)) EXPECT_NE(b[2], 0x25) << "the DRAM diagnostic must not run";
        DriveOf(slot).ClearFaults();

        EXPECT_TRUE(DramTest(slot, Ctx(), &reason));
        EXPECT_EQ(reason, 0x15);
    }
}

}  // namespace
}  // namespace qx::test
