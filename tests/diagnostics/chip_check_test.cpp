// Each station build accepts only its own chip: the full build a full-bank
// strap, the single-bank build a single-bank strap; a broken strap neither.
#include <gtest/gtest.h>

#include "diagnostics/diag_fixture.h"

namespace qx::test {
namespace {

class ChipCheckTest : public DiagFixture {};

TEST_F(ChipCheckTest, EachBuildAcceptsOnlyItsChip) {
    struct Case {
        bool singleBankBuild;
        sim::GpioStraps straps;
        bool passes;
    };
    const Case cases[] = {
        {false, sim::GpioStraps::FullBank, true},  {false, sim::GpioStraps::SingleBank, false},
        {false, sim::GpioStraps::Broken, false},   {true, sim::GpioStraps::SingleBank, true},
        {true, sim::GpioStraps::FullBank, false},  {true, sim::GpioStraps::Broken, false},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "single-bank build " << c.singleBankBuild << ", straps "
                                              << static_cast<int>(c.straps) << ", slot " << slot);
            Drive(slot, [&](sim::DriveModel& m) { m.registers = sim::ControllerRegisters(c.straps); });
            EXPECT_EQ(CheckChip(slot, Ctx(), c.singleBankBuild), c.passes);
        }
}

TEST_F(ChipCheckTest, ThisBinaryChecksForItsOwnBuild) {
    const auto straps = kSingleBankBuild ? sim::GpioStraps::SingleBank : sim::GpioStraps::FullBank;
    Drive(kUsbSlot, [&](sim::DriveModel& m) { m.registers = sim::ControllerRegisters(straps); });
    EXPECT_TRUE(CheckChip(kUsbSlot, Ctx()));
}

}  // namespace
}  // namespace qx::test
