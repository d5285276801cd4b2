// Identity and capacity: IDENTIFY DEVICE on the SATA path, READ CAPACITY(10)
// on the USB path, and the counts that do not fit 32 bits.
#include <gtest/gtest.h>

#include <cstring>

#include "qxlib/vendor_access/identify_capacity.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class IdentifyCapacityTest : public VendorFixture {
protected:
    IdentifyCapacityTest() { logUse_ = LogUse::Requests; }

    void Capacity(int slot, std::uint64_t sectors) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().maxLba = sectors - 1;
    }
};

struct CapacityCase {
    int slot;
    std::uint64_t driveSectors;
    std::uint32_t sectors;   // what the library reports
    std::uint32_t mb;
};

TEST_F(IdentifyCapacityTest, CapacityOfEachPath) {
    const CapacityCase cases[] = {
        // SATA: words 60-61 while they hold the count, else words 100-101.
        {kSataSlot, 1'048'576, 1'048'576, 512},
        {kSataSlot, 0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF >> 11},
        {kSataSlot, 500'118'192, 500'118'192, 244'198},
        {kSataSlot, 0xFFFFFFFF, 0, 0},            // the 48-bit count's low half saturated
        {kSataSlot, (1ull << 32) + 5, 0, 0},      // not its low half (5): none
        // USB: the last LBA, one less than the sector count.
        {kUsbSlot, 1'048'576, 1'048'575, 511},
        {kUsbSlot, 500'118'192, 500'118'191, 244'198},
        {kUsbSlot, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFE >> 11},
        {kUsbSlot, 1ull << 32, 0, 0},              // last LBA 0xFFFFFFFF: does not fit
        {kUsbSlot, (1ull << 32) + 5, 0, 0},
    };
    for (const CapacityCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slot " << c.slot << " sectors " << c.driveSectors);
        Capacity(c.slot, c.driveSectors);
        rack_.Log().Clear();
        EXPECT_EQ(GetDriveCapacity(c.slot), c.sectors);
        EXPECT_EQ(Sent(c.slot), (c.slot == kSataSlot ? Texts{"ID"} : Texts{"RC"}));
        EXPECT_EQ(GetCapacitySectors(c.slot), c.sectors);
        EXPECT_EQ(GetCapacityBytes(c.slot), std::uint64_t{c.sectors} * 512);
        EXPECT_EQ(GetCapacityMB(c.slot), c.mb);
    }
}

TEST_F(IdentifyCapacityTest, UsbPathCapacityOfAMiBDrive) {
    Capacity(kUsbSlot, 1'048'576);
    EXPECT_EQ(GetCapacityBytes(kUsbSlot), 536'870'400u);
}

TEST_F(IdentifyCapacityTest, EachReadHasOnlyItsOwnPath) {
    EXPECT_EQ(GetCapacityFromReadCapacity(kSataSlot), 0u);
    EXPECT_EQ(GetCapacityFromIdentify(kUsbSlot), 0u);
    std::vector<std::uint8_t> id(512, 0xEE);
    EXPECT_FALSE(IdentifyDevice(kUsbSlot, id.data(), 1));
    EXPECT_EQ(id, std::vector<std::uint8_t>(512, 0xEE));
    EXPECT_TRUE(Requests(kSataSlot).empty());
    EXPECT_TRUE(Requests(kUsbSlot).empty());
}

TEST_F(IdentifyCapacityTest, FailedReadGivesNoCapacity) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        sim::FaultRule f;
        f.opcode = slot == kSataSlot ? std::uint8_t{0xEC} : std::uint8_t{0x25};
        DriveOf(slot).AddFault(f);
        EXPECT_EQ(GetDriveCapacity(slot), 0u);
        EXPECT_EQ(GetCapacityBytes(slot), 0u);
    }
}

TEST_F(IdentifyCapacityTest, IdentifyPutsTheDriveDataIntoTheCallersBuffer) {
    SetState(kSataSlot, sim::ControllerState::Firmware);
    std::vector<std::uint8_t> id(1024, 0xEE);
    ASSERT_TRUE(IdentifyDevice(kSataSlot, id.data(), 1));
    const auto& log = Requests(kSataSlot);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].cdb, (std::vector<std::uint8_t>{0xA1, 0x08, 0x0B, 0x00, 0x01, 0, 0, 0, 0xE0, 0xEC, 0, 0}));
    EXPECT_EQ(id[510], 0xA5);                 // the drive's signature word
    char model[40];
    for (std::size_t i = 0; i < 40; i += 2) {
        model[i] = static_cast<char>(id[54 + i + 1]);
        model[i + 1] = static_cast<char>(id[54 + i]);
    }
    EXPECT_EQ(std::string(model, 12), DriveOf(kSataSlot).Config().model);
    EXPECT_EQ(id[512], 0xEE);                 // one sector asked, one sector placed
}

}  // namespace
}  // namespace qx::test
