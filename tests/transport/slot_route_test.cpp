// The one way to a slot: a number outside the table reads as a slot without
// a drive in every layer, and a request's route carries the slot's own
// tunnel mode.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "qxlib/base/switches.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/transport/slot_route.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/transport/vendor_command.h"
#include "support/rack_fixture.h"

namespace qx {
namespace {

class SlotRouteTest : public test::RackFixture {
protected:
    SlotRouteTest() { logUse_ = LogUse::Requests; }   // the tests read what reached the drives
};

struct EmptyPathCase {
    const char* name;
    std::function<int(int slot, std::uint8_t* buffer)> call;
    int result;   // what the call gives for a slot without a drive
};

std::vector<EmptyPathCase> EmptyPathCases() {
    return {
        {"GetStatus (reply decoder)", [](int s, std::uint8_t* b) { return VC_GetStatus(s, b); }, 2},
        {"ReadRegister (reply decoder)", [](int s, std::uint8_t* b) { return VC_ReadRegister(s, 0xB8000004, b); }, 2},
        {"EnableVendorCmd", [](int s, std::uint8_t*) { return VC_EnableVendorCmd(s, 10); }, 2},
        {"ReadFlashPage", [](int s, std::uint8_t* b) { return VC_ReadFlashPage(s, FlashPageAddress{}, b, 1); }, 2},
        {"SYS_USB_GetSMARTInfo", [](int s, std::uint8_t* b) { return VC_SYS_USB_GetSMARTInfo(s, b, 1); }, 2},
        {"SATA_WriteCmd", [](int s, std::uint8_t* b) { return VC_SATA_WriteCmd(s, b, 1, false, 0xFF); }, 2},
        {"IdentifyDevice", [](int s, std::uint8_t* b) { return ATA_IdentifyDevice(s, b, 1); }, 2},
        {"FlushCache", [](int s, std::uint8_t*) { return ATA_FlushCache(s); }, 2},
        {"Read10", [](int s, std::uint8_t* b) { return SCSI_Read10(s, b, 1, 0x20); }, 2},
        {"ReadCapacity10 (USB path only)", [](int s, std::uint8_t* b) { return SCSI_ReadCapacity10(s, b, 1); }, 2},
        {"Inquiry (sends nothing on the SATA path)", [](int s, std::uint8_t* b) { return SCSI_Inquiry(s, b); }, 1},
        {"ExecSlotPassThrough", [](int s, std::uint8_t* b) { return ExecSlotPassThrough(s, true, b, 10, b, 512, false); }, -1},
        {"ExecSlotSCSIPassThrough", [](int s, std::uint8_t* b) { return ExecSlotSCSIPassThrough(s, true, b, 10, b, 512); }, -1},
        {"SendBridgeCmd32", [](int s, std::uint8_t*) { return SendBridgeCmd32(s, 1) ? 1 : 0; }, 0},
    };
}

TEST_F(SlotRouteTest, SlotOutsideTheTableIsASlotWithoutADriveEverywhere) {
    constexpr int kNoDrive = 7;   // in the table, no path
    for (const int slot : {-1, kSlotCount, kSlotCount + 200, kNoDrive}) {
        EXPECT_FALSE(OnUsbPath(slot));
        EXPECT_STREQ(SlotPath(slot), "");
        EXPECT_EQ(SlotOf(slot).CodeBlockCount, 0);
        for (const EmptyPathCase& c : EmptyPathCases()) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            std::vector<std::uint8_t> buffer(512, 0x5A);
            EXPECT_EQ(c.call(slot, buffer.data()), c.result);
        }
    }
    EXPECT_TRUE(Log().empty()) << "no request reached any drive";
    EXPECT_EQ(WritableSlot(-1), nullptr);
    EXPECT_EQ(WritableSlot(kSlotCount), nullptr);
    EXPECT_EQ(WritableSlot(kNoDrive), &DeviceSlots[kNoDrive]);
}

TEST_F(SlotRouteTest, ReadFailureLeavesItsRecordWhateverTheSlot) {
    for (const int slot : {-1, kSlotCount}) {
        std::vector<std::uint8_t> buffer(512, 0x5A);
        ASSERT_EQ(SCSI_Read10(slot, buffer.data(), 1, 0x20), 2);
        EXPECT_EQ(buffer[0], 2);
        EXPECT_EQ(buffer[4], 0x20);
    }
}

TEST_F(SlotRouteTest, RouteCarriesTheSlotsOwnTunnelModeOnceSeeded) {
    TransferMode = 1;
    EXPECT_EQ(RouteOf(test::kSataSlot).TransferMode, 1) << "an unseeded slot follows the settings";
    SeedSlotTransfer(test::kSataSlot);
    SeedSlotTransfer(test::kUsbSlot);
    TransferMode = 0;   // a later settings load does not reach a seeded slot
    SetSlotTransferMode(test::kUsbSlot, 2);

    const SlotRoute sata = RouteOf(test::kSataSlot);
    EXPECT_STREQ(sata.Path, sataPath_.c_str());
    EXPECT_FALSE(sata.UsbPath);
    EXPECT_FALSE(sata.DirectAta);
    EXPECT_EQ(sata.TransferMode, 1);
    const SlotRoute usb = RouteOf(test::kUsbSlot);
    EXPECT_TRUE(usb.UsbPath);
    EXPECT_EQ(usb.TransferMode, 2);
    EXPECT_EQ(RouteOf(kSlotCount).TransferMode, 0);
    EXPECT_STREQ(RouteOf(kSlotCount).Path, "");

    // The tunnel blocks go out in the slot's mode, not the settings' one.
    std::uint8_t status = 0;
    VC_GetStatus(test::kSataSlot, &status);
    const auto log = Log();
    ASSERT_EQ(log.size(), 2u);
    ASSERT_GE(log[0].cdb.size(), 10u);
    ASSERT_GE(log[1].cdb.size(), 10u);
    EXPECT_EQ(log[0].cdb[1], 0x0A);   // the command sector: vendor PIO out
    EXPECT_EQ(log[0].cdb[9], 0x8F);
    EXPECT_EQ(log[1].cdb[1], 0x08);   // the reply: vendor PIO in
    EXPECT_EQ(log[1].cdb[9], 0x8A);
}

}  // namespace
}  // namespace qx
