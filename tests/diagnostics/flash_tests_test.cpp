// The flash module test's result list and the flash interface test's modes
// and random blocks, on both paths.
#include <gtest/gtest.h>

#include "diagnostics/diag_fixture.h"
#include <functional>
#include <set>

#include "qxlib/error_items/test_result_decode.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FlashTestsTest : public DiagFixture {
protected:
    FlashTestsTest() { logUse_ = LogUse::Requests; }

    int Sends(int slot, std::uint8_t sub) {
        int n = 0;
        for (const auto& b : VendorBlocks(slot))
            if (b.size() > 2 && b[2] == sub) ++n;
        return n;
    }
};

TEST_F(FlashTestsTest, ModuleTestRecordsAMismatchAndSkipsTheDetectResult) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.flashIdAt[3 << 8 | 1] = {0x98, 0xDE, 0x94, 0x93, 0x77}; });
        ClearLog();
        EXPECT_FALSE(FlashModuleTest(slot, Ctx()));
        EXPECT_EQ(buffer_[0], 2);
        EXPECT_EQ(buffer_[1], 0x82);
        EXPECT_EQ(Bytes(buffer_.begin() + 18, buffer_.begin() + 21), (Bytes{0x83, 3, 1}));
        EXPECT_EQ(Bytes(buffer_.begin() + 28, buffer_.begin() + 33), (Bytes{0x98, 0xDE, 0x94, 0x93, 0x77}));
        EXPECT_EQ(Sends(slot, 0x88), 8);
        EXPECT_EQ(Sends(slot, 0x05), 0) << "the detect result is read only when every ID matched";
    }
}

TEST_F(FlashTestsTest, ModuleTestPassesWithTheCountsAndTheReadableIds) {
    struct Case {
        const char* name;
        std::uint8_t mask;
        std::function<void(sim::DriveModel&)> change;
        std::vector<sim::FaultRule> faults;
        bool passes;
    };
    const Case cases[] = {
        {"mask 0 compares no ID byte", 0, [](sim::DriveModel& m) { m.flashIdAt[1 << 8] = {1, 2, 3, 4, 5}; }, {}, true},
        {"mask 0x1E skips the maker byte", 0x1E,
         [](sim::DriveModel& m) { m.flashIdAt[1 << 8] = {0xEC, 0xDE, 0x94, 0x93, 0x76}; }, {}, true},
        {"mask 0x01 sees a wrong maker byte", 0x01,
         [](sim::DriveModel& m) { m.flashIdAt[1 << 8] = {0xEC, 0xDE, 0x94, 0x93, 0x76}; }, {}, false},
        {"an ID read that fails is left out", 0x1F, [](sim::DriveModel&) {},
         {sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x88).Skip(3).Times(1)}, true},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            settings_.CheckFlashMask = c.mask;
            Drive(slot, [&](sim::DriveModel& m) {
                m.flashIdAt.clear();
                c.change(m);
            });
            DriveOf(slot).ClearFaults();
            for (const auto& f : c.faults) DriveOf(slot).AddFault(f);
            EXPECT_EQ(FlashModuleTest(slot, Ctx()), c.passes);
            if (c.passes) {
                EXPECT_EQ(buffer_[0], 1);
                EXPECT_EQ(buffer_[1], 0x80);
                EXPECT_EQ(buffer_[35], 4);
                EXPECT_EQ(buffer_[36], 2);
            }
            DriveOf(slot).ClearFaults();
        }
}

// With the ID mask 0 only the counts can fail: the detect result shows the
// counts found, printed from the count record.
TEST_F(FlashTestsTest, ModuleTestWithMaskZeroFailsOnTheCountsFound) {
    settings_.CheckFlashMask = 0;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.channels = 3; });
        EXPECT_FALSE(FlashModuleTest(slot, Ctx()));
        EXPECT_EQ(buffer_[0], 2);
        EXPECT_EQ(buffer_[1], 0x80);
        EXPECT_EQ(buffer_[18], 0x81);
        std::string text;
        int item = 1;
        DecodeScanResult(buffer_[0], std::span<const std::uint8_t>(buffer_).subspan(1), config_, text, &item);
        EXPECT_EQ(text, "Flash Setting - Ch:04 , Bank:02\r\nScan Result -  Ch:03 , Bank:02\r\n");
        EXPECT_EQ(item, 1);
    }
}

// Transport failures stand in for blocks that fail the diagnostic: the
// random blocks are drawn by the step, the failures by their order.
TEST_F(FlashTestsTest, FlashInterfaceTestModesAndRandomBlocks) {
    using sim::FaultKind;
    using sim::FaultRule;
    struct Case {
        const char* name;
        int passing;    // diagnostics that pass before the failures
        int failing;    // then this many fail (-1: all)
        bool passes;
        int result;
        int diagnostics;
    };
    const Case cases[] = {
        {"healthy", 0, 0, true, 0, 3},
        {"mode 1 fails", 0, 1, false, 0x40, 1},
        {"mode 2 fails", 1, 1, false, 0x41, 2},
        {"fifth random block passes", 2, 4, true, 0, 7},
        {"all ten random blocks fail", 2, -1, false, 0x42, 12},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            // Through the SATA tunnel a passing diagnostic is two requests
            // (command sector and data phase), a failing one only the first.
            const int perPass = slot == kSataSlot ? 2 : 1;
            if (c.failing != 0)
                DriveOf(slot).AddFault(
                    FaultRule::Of(FaultKind::SyscallFails).OnVendorSub(0x21).Skip(c.passing * perPass).Times(c.failing));
            ClearLog();
            int result = -1;
            std::uint8_t flag = 0;
            EXPECT_EQ(FlashInterfaceTest(slot, Ctx(), &result, &flag), c.passes);
            EXPECT_EQ(result, c.result);
            EXPECT_EQ(Sends(slot, 0x21), c.diagnostics);
            EXPECT_EQ(Sends(slot, 0x22), c.passes ? 0 : 1) << "the result is read only after a failure";
            if (c.passes) {
                EXPECT_EQ(flag, 0xFF);
            }
            DriveOf(slot).ClearFaults();
        }
}

TEST_F(FlashTestsTest, RandomBlocksAreTenDistinctBlocksInTheMiddle) {
    int result = 0;
    std::uint8_t flag = 0;
    // Mode 1 and 2 pass on block 602; every random block fails.
    DriveOf(kUsbSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x21).Skip(2));
    ASSERT_FALSE(FlashInterfaceTest(kUsbSlot, Ctx(), &result, &flag));
    std::set<int> blocks;
    std::vector<std::vector<std::uint8_t>> sent = VendorBlocks(kUsbSlot);
    for (const auto& b : sent)
        if (b[2] == 0x21 && b[3] == 3) blocks.insert(b[4] << 8 | b[5]);
    EXPECT_EQ(blocks.size(), 10u);
    for (int b : blocks) {
        EXPECT_GE(b, 256);
        EXPECT_LE(b, 1791);
    }
    for (const auto& b : sent)
        if (b[2] == 0x21 && b[3] != 3) {
            EXPECT_EQ(b[4] << 8 | b[5], 602);
        }
}

}  // namespace
}  // namespace qx::test
