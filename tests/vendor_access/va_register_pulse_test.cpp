// The GPIO strap read: clear the bit, pulse it on the strobe register, read
// the data register back; against the simulated chip's straps.
#include <gtest/gtest.h>

#include "qxlib/base/byte_order.h"
#include "qxlib/vendor_access/v_access.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class RegisterPulseTest : public VendorFixture {
protected:
    RegisterPulseTest() { logUse_ = LogUse::Requests; }

    void Straps(int slot, sim::GpioStraps straps) {
        VendorModeOn(slot);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().registers = sim::ControllerRegisters(straps);
    }
    // (sub-opcode, register, value written) of every register command.
    struct RegCmd {
        std::uint8_t sub;
        std::uint32_t address;
        std::uint8_t value;
        bool operator==(const RegCmd&) const = default;
    };
    std::vector<RegCmd> RegisterCommands(int slot) const {
        std::vector<RegCmd> out;
        for (const auto& b : VendorBlocks(slot))
            out.push_back({b[2], get_be32(&b[3]), static_cast<std::uint8_t>(b[2] == 0x85 ? b[7] : 0)});
        return out;
    }
};

struct StrapCase {
    sim::GpioStraps straps;
    unsigned bit;
    bool set;
};

TEST_F(RegisterPulseTest, ReadsTheChipStrapOfTheBit) {
    const StrapCase cases[] = {
        {sim::GpioStraps::FullBank, 15, false},  {sim::GpioStraps::FullBank, 16, true},
        {sim::GpioStraps::SingleBank, 15, true}, {sim::GpioStraps::SingleBank, 16, true},
        {sim::GpioStraps::Broken, 15, false},    {sim::GpioStraps::Broken, 16, false},
    };
    for (int slot : kBothSlots) {
        for (const StrapCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " bit " << c.bit);
            Straps(slot, c.straps);
            const auto m = static_cast<std::uint8_t>(1u << (c.bit % 8));
            EXPECT_EQ((VA_PulseRegisterBit(slot, c.bit) & m) != 0, c.set);
        }
    }
}

// Bit 15 works on 0xB8000005 and 0xB8000009 with mask 0x80.
TEST_F(RegisterPulseTest, ClearsPulsesAndReadsBackInThatOrder) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Straps(slot, sim::GpioStraps::SingleBank);
        {
            auto hold = DriveOf(slot).Lock();
            DriveOf(slot).Model().registers.Write(0xB8000005, 0xFF);
            DriveOf(slot).Model().registers.Write(0xB8000009, 0x13);
        }
        const std::uint8_t got = VA_PulseRegisterBit(slot, 15);
        EXPECT_EQ(got, 0xFF);
        const std::vector<RegCmd> expected = {
            {0x84, 0xB8000005, 0},    {0x85, 0xB8000005, 0x7F}, {0x84, 0xB8000009, 0},
            {0x85, 0xB8000009, 0x93}, {0x85, 0xB8000009, 0x13}, {0x84, 0xB8000005, 0},
        };
        EXPECT_EQ(RegisterCommands(slot), expected);
        if (slot == kSataSlot) {
            // Each read has its reply sector as data phase.
            EXPECT_EQ(Sent(slot), (std::vector<std::string>{"V84", "<84", "V85", "V84", "<84", "V85", "V85", "V84", "<84"}));
        }
    }
}

// Reads that fail decide nothing: each read value starts at 0, so the
// writes and the answer are 0-based instead of left-over memory.
TEST_F(RegisterPulseTest, FailedReadsCountAsZero) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Straps(slot, sim::GpioStraps::SingleBank);
        sim::FaultRule f;
        f.vendorSub = 0x84;
        DriveOf(slot).AddFault(f);
        EXPECT_EQ(VA_PulseRegisterBit(slot, 16), 0);
        const std::vector<RegCmd> expected = {
            {0x84, 0xB8000006, 0}, {0x85, 0xB8000006, 0x00}, {0x84, 0xB800000A, 0},
            {0x85, 0xB800000A, 0x01}, {0x85, 0xB800000A, 0x00}, {0x84, 0xB8000006, 0},
        };
        EXPECT_EQ(RegisterCommands(slot), expected);
    }
}

}  // namespace
}  // namespace qx::test
