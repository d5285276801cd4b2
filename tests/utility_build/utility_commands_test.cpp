// The commands only the utility sends: SMART READ THRESHOLDS and the vendor
// sub-opcodes 0x0B, 0x05 and 0x20, which exist through the SATA tunnel only.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "qxlib/transport/utility_commands.h"
#include "sim/model/identify_data.h"
#include "sim/vendor/vendor_utility.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class UtilityCommandTest : public VendorFixture {
protected:
    UtilityCommandTest() { logUse_ = LogUse::RequestsWithData; }

    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives();
    }

    std::uint64_t SmartRaw(std::uint8_t id) {
        auto hold = DriveOf(kSataSlot).Lock();
        for (const sim::SmartAttribute& a : DriveOf(kSataSlot).Model().smart)
            if (a.id == id) return a.raw;
        ADD_FAILURE() << "no attribute " << int{id};
        return 0;
    }

    // The data sent with the tunnel's data phase of sub-opcode sub.
    Bytes DataOut(std::uint8_t sub) const {
        char word[8];
        std::snprintf(word, sizeof word, ">%02X", sub);
        for (const sim::LoggedRequest& r : Requests(kSataSlot))
            if (Word(r) == word) return r.dataOut;
        return {};
    }
};

TEST_F(UtilityCommandTest, SmartThresholdsOnTheSataPathOnly) {
    Bytes buffer(512, 0xEE);
    ASSERT_EQ(ATA_SmartReadThresholds(kSataSlot, buffer.data(), 1), 1);
    Bytes expected;
    {
        auto hold = DriveOf(kSataSlot).Lock();
        const auto page = sim::BuildSmartThresholds(DriveOf(kSataSlot).Model());
        expected.assign(page.begin(), page.end());
    }
    EXPECT_EQ(buffer, expected);
    const auto log = Requests(kSataSlot);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].cdb, (Bytes{0xA1, 0x08, 0x0B, 0xD1, 0x01, 0x00, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00}));

    EXPECT_EQ(ATA_SmartReadThresholds(kUsbSlot, buffer.data(), 1), 2);
    EXPECT_TRUE(Requests(kUsbSlot).empty());
}

TEST_F(UtilityCommandTest, SmartThresholdsFailWhenTheDriveRefusesSmart) {
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().smartEnabled = false;
    }
    Bytes buffer(512);
    EXPECT_EQ(ATA_SmartReadThresholds(kSataSlot, buffer.data(), 1), 2);
}

TEST_F(UtilityCommandTest, SpiDataComesFromTheAskedOffsetAndLength) {
    Bytes buffer(2 * 512, 0xEE);
    ASSERT_EQ(VC_ReadSpiData(kSataSlot, buffer.data(), 0x00012345, 700, 2), 1);
    EXPECT_EQ(VendorBlocks(kSataSlot),
              (std::vector<Bytes>{{0xFF, 0xE5, 0x0B, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x02, 0xBC, 0x00}}));
    for (std::uint32_t i = 0; i < 700; ++i) ASSERT_EQ(buffer[i], sim::SpiFlashByte(0x00012345 + i)) << i;
    EXPECT_TRUE(std::all_of(buffer.begin() + 700, buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(UtilityCommandTest, SmartCountersAreSetBySelector) {
    struct Case {
        std::uint8_t selector;
        std::uint32_t value;
        std::uint8_t attribute;
    };
    const Case cases[] = {
        {kSmartCounterPowerCycles, 77, sim::kPowerCycleAttribute},
        {kSmartCounterPowerLosses, 0, sim::kPowerLossAttribute},
        {kSmartCounterLifetime, 0x01020304, sim::kLifetimeAttribute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.selector});
        ClearLog();
        Bytes buffer(512, 0xEE);
        ASSERT_EQ(VC_ResetSmartCounter(kSataSlot, c.selector, c.value, buffer.data(), 1), 1);
        const Bytes block = {0xFF,
                             0xE5,
                             0x05,
                             c.selector,
                             static_cast<std::uint8_t>(c.value >> 24),
                             static_cast<std::uint8_t>(c.value >> 16),
                             static_cast<std::uint8_t>(c.value >> 8),
                             static_cast<std::uint8_t>(c.value),
                             0, 0, 0, 0};
        EXPECT_EQ(VendorBlocks(kSataSlot), std::vector<Bytes>{block});
        const Bytes sent = DataOut(0x05);
        ASSERT_EQ(sent.size(), 512u);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), sent.begin()));
        EXPECT_EQ(SmartRaw(c.attribute), c.value);
    }
}

TEST_F(UtilityCommandTest, DramLayoutHeadsTheReply) {
    Bytes buffer(128 * 512, 0xEE);
    ASSERT_EQ(VC_GetDramLayoutInfo(kSataSlot, buffer.data(), 128), 1);
    Bytes expectedBlock(16, 0);
    expectedBlock[0] = 0xFF;
    expectedBlock[1] = 0xE5;
    expectedBlock[2] = 0x20;
    EXPECT_EQ(VendorBlocks(kSataSlot, 16), std::vector<Bytes>{expectedBlock});
    for (std::size_t i = 0; i < sim::kDramLayoutWords.size(); ++i) {
        std::uint32_t w = 0;
        std::memcpy(&w, &buffer[4 * i], 4);
        EXPECT_EQ(w, sim::kDramLayoutWords[i]) << i;
    }
}

TEST_F(UtilityCommandTest, VendorCommandsFailWhenTheTunnelFails) {
    for (const int sub : {0x0B, 0x05, 0x20})
        DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(static_cast<std::uint8_t>(sub)));
    Bytes buffer(512);
    EXPECT_EQ(VC_ReadSpiData(kSataSlot, buffer.data(), 0, 16, 1), 2);
    EXPECT_EQ(VC_ResetSmartCounter(kSataSlot, 1, 0, buffer.data(), 1), 2);
    EXPECT_EQ(VC_GetDramLayoutInfo(kSataSlot, buffer.data(), 1), 2);
    EXPECT_EQ(LayerTraces(), Texts{}) << "these commands report through their result only";
}

// The USB path has none of these commands: the blocks go out with a zero
// head, so the controller cannot take them for vendor commands.
TEST_F(UtilityCommandTest, TheUsbPathCarriesNoVendorCommand) {
    Bytes buffer(512, 0xEE);
    VC_ReadSpiData(kUsbSlot, buffer.data(), 0x00012345, 700, 1);
    VC_ResetSmartCounter(kUsbSlot, 2, 5, buffer.data(), 1);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 12, [](std::uint8_t b) { return b == 0; }));
    VC_GetDramLayoutInfo(kUsbSlot, buffer.data(), 1);
    const auto log = Requests(kUsbSlot);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].cdb, (Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x02, 0xBC, 0x00}));
    EXPECT_EQ(log[1].cdb, Bytes(12, 0));
    EXPECT_EQ(log[2].cdb, Bytes(12, 0));
    {
        auto hold = DriveOf(kUsbSlot).Lock();
        for (const sim::SmartAttribute& a : DriveOf(kUsbSlot).Model().smart)
            EXPECT_NE(a.raw, 5u) << int{a.id};
    }
}

}  // namespace
}  // namespace qx::test
