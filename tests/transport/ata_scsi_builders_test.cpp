// The ATA and SCSI command blocks byte for byte, and what each builder does on
// the path where its command has no route.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "qxlib/transport/ata_scsi_commands.h"
#include "support/rack_fixture.h"

namespace qx {
namespace {

using platform::Direction;
using Bytes = std::vector<std::uint8_t>;

struct BuilderCase {
    const char* name;
    std::function<int(int slot, std::uint8_t* buf)> call;
    Bytes satBlock;              // as sent on the SATA path
    Direction dir;
    std::uint32_t wireLength;
    int usbResult;               // -1: sent on the USB path too (same block)
};

std::vector<BuilderCase> Cases() {
    return {
        {"IdentifyDevice", [](int s, std::uint8_t* b) { return ATA_IdentifyDevice(s, b, 1); },
         {0xA1, 0x08, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00, 0x00}, Direction::In, 512, 2},
        {"SetFeatures", [](int s, std::uint8_t*) { return ATA_SetFeatures(s, 0xDC, 0x51); },
         {0xA1, 0x06, 0x00, 0xDC, 0x51, 0x00, 0x00, 0x00, 0xE0, 0xEF, 0x00, 0x00}, Direction::None, 0, 1},
        {"SmartReadData", [](int s, std::uint8_t* b) { return ATA_SmartReadData(s, b, 1); },
         {0xA1, 0x08, 0x0B, 0xD0, 0x01, 0x00, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00}, Direction::In, 512, 2},
        {"SmartEnableOperations", [](int s, std::uint8_t*) { return ATA_SmartEnableOperations(s); },
         {0xA1, 0x06, 0x00, 0xD8, 0x01, 0x00, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00}, Direction::None, 0, 2},
        {"FlushCache", [](int s, std::uint8_t*) { return ATA_FlushCache(s); },
         {0xA1, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x00, 0xE7, 0x00, 0x00}, Direction::None, 0, 1},
        {"Standby", [](int s, std::uint8_t*) { return ATA_Standby(s); },
         {0xA1, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x00, 0xE2, 0x00, 0x00}, Direction::None, 0, 1},
        {"ReadNativeMaxAddress", [](int s, std::uint8_t*) { return ATA_ReadNativeMaxAddress(s); },
         {0xA1, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xF8, 0x00, 0x00}, Direction::None, 0, 1},
        {"ReadNativeMaxAddressExt", [](int s, std::uint8_t*) { return ATA_ReadNativeMaxAddressExt(s); },
         {0x85, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x27, 0}, Direction::None, 0, 1},
        // The top LBA byte 0x0A gives device byte 0xEA; bits 28-31 are dropped.
        {"SetMaxAddress", [](int s, std::uint8_t*) { return ATA_SetMaxAddress(s, 0xFA123456); },
         {0xA1, 0x06, 0x00, 0x00, 0x01, 0x56, 0x34, 0x12, 0xEA, 0xF9, 0x00, 0x00}, Direction::None, 0, 1},
        {"SetMaxAddressExt", [](int s, std::uint8_t*) { return ATA_SetMaxAddressExt(s, 0x0000665544332211ULL); },
         {0x85, 0x07, 0, 0, 0, 0, 0x01, 0x44, 0x11, 0x55, 0x22, 0x66, 0x33, 0xE0, 0x37, 0}, Direction::None, 0, 1},
        {"ReadLogExt dma", [](int s, std::uint8_t* b) { return ATA_ReadLogExt(s, b, 2, 0xE0, 0x0102, true); },
         {0x85, 0x15, 0x0B, 0, 0, 0x00, 0x02, 0, 0xE0, 0x01, 0x02, 0, 0, 0xE0, 0x47, 0}, Direction::In, 1024, 1},
        {"ReadLogExt pio", [](int s, std::uint8_t* b) { return ATA_ReadLogExt(s, b, 1, 0x80, 0, false); },
         {0x85, 0x09, 0x0B, 0, 0, 0x00, 0x01, 0, 0x80, 0, 0, 0, 0, 0xE0, 0x2F, 0}, Direction::In, 512, 1},
        {"WriteLogExt dma", [](int s, std::uint8_t* b) { return ATA_WriteLogExt(s, b, 1, 0x90, 3, true); },
         {0x85, 0x17, 0x03, 0, 0, 0x00, 0x01, 0, 0x90, 0, 0x03, 0, 0, 0xE0, 0x57, 0}, Direction::Out, 512, 1},
        {"WriteLogExt pio", [](int s, std::uint8_t* b) { return ATA_WriteLogExt(s, b, 1, 0x90, 3, false); },
         {0x85, 0x0B, 0x03, 0, 0, 0x00, 0x01, 0, 0x90, 0, 0x03, 0, 0, 0xE0, 0x3F, 0}, Direction::Out, 512, 1},
        {"Read10", [](int s, std::uint8_t* b) { return SCSI_Read10(s, b, 2, 0x00123456); },
         {0x28, 0x00, 0x00, 0x12, 0x34, 0x56, 0x00, 0x00, 0x02, 0x00}, Direction::In, 1024, -1},
        {"Write10", [](int s, std::uint8_t* b) { return SCSI_Write10(s, b, 1, 0x00000800); },
         {0x2A, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00}, Direction::Out, 512, -1},
    };
}

class AtaScsiBuilders : public test::RackFixture {
protected:
    AtaScsiBuilders() { logUse_ = LogUse::Requests; }
};

TEST_F(AtaScsiBuilders, SataPathBlocksAreExact) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        rack_.Log().Clear();
        std::vector<std::uint8_t> buf(4096);
        c.call(test::kSataSlot, buf.data());
        const auto log = Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].route, sim::Route::Scsi);
        EXPECT_EQ(log[0].cdb, c.satBlock);
        EXPECT_EQ(log[0].dir, c.dir);
        EXPECT_EQ(log[0].wireLength, c.wireLength);
    }
}

TEST_F(AtaScsiBuilders, UsbPathAnswersWithoutSendingWhereAtaHasNoRoute) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        rack_.Log().Clear();
        std::vector<std::uint8_t> buf(4096);
        const int r = c.call(test::kUsbSlot, buf.data());
        if (c.usbResult < 0) {
            ASSERT_EQ(Log().size(), 1u);
            EXPECT_EQ(Log()[0].cdb, c.satBlock);
        } else {
            EXPECT_EQ(r, c.usbResult);
            EXPECT_TRUE(Log().empty());
        }
    }
}

TEST_F(AtaScsiBuilders, InquiryAndCapacityWorkOnlyOnTheUsbPath) {
    std::uint8_t inq[40];
    std::memset(inq, 0xCC, sizeof inq);
    EXPECT_EQ(SCSI_Inquiry(test::kSataSlot, inq), 1);
    EXPECT_EQ(inq[0], 0xCC);
    std::vector<std::uint8_t> cap(512);
    EXPECT_EQ(SCSI_ReadCapacity10(test::kSataSlot, cap.data(), 1), 2);
    EXPECT_TRUE(Log().empty());

    EXPECT_EQ(SCSI_Inquiry(test::kUsbSlot, inq), 1);
    EXPECT_EQ(SCSI_ReadCapacity10(test::kUsbSlot, cap.data(), 1), 1);
    const auto log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].cdb, (Bytes{0x12, 0x00, 0x00, 0x00, 0x28, 0x00}));
    EXPECT_EQ(log[0].wireLength, 40u);
    EXPECT_EQ(log[1].cdb, (Bytes{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(AtaScsiBuilders, AnAtaCommandTheDriveRefusesFails) {
    // The bridge reports the drive's ATA error as CHECK CONDITION with ATA
    // sense; the system call itself succeeds.
    const struct {
        const char* name;
        std::uint8_t ataCommand;
        std::function<int()> call;
    } cases[] = {
        {"SetMaxAddress", 0xF9, [] { return ATA_SetMaxAddress(test::kSataSlot, 0x1000); }},
        {"SetMaxAddressExt", 0x37, [] { return ATA_SetMaxAddressExt(test::kSataSlot, 0x1000); }},
        {"SmartReadData", 0xB0, [] {
             std::vector<std::uint8_t> buf(512);
             return ATA_SmartReadData(test::kSataSlot, buf.data(), 1);
         }},
        {"IdentifyDevice", 0xEC, [] {
             std::vector<std::uint8_t> buf(512);
             return ATA_IdentifyDevice(test::kSataSlot, buf.data(), 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sataDrive_->ClearFaults();
        sataDrive_->AddFault(sim::FaultRule::Of(sim::FaultKind::AtaError).OnOpcode(c.ataCommand));
        EXPECT_EQ(c.call(), 2);
    }
}

// The sense a SAT layer answers an ATA command with, on both routes: the
// drive's status decides where registers came back, whatever the key says;
// the key decides where none did.
TEST_F(AtaScsiBuilders, TheSenseOfAnAtaCommandDecidesOnBothRoutes) {
    auto padded = [](Bytes b) {
        b.resize(32, 0);
        return b;
    };
    const struct {
        const char* name;
        Bytes sense;
        int result;
    } cases[] = {
        {"Linux 6.1 fixed, ABORTED", padded({0x70, 0, 0x0B, 0, 0, 0, 0, 0x0A, 0x04, 0x41, 0x40, 0x00}), 2},
        {"SAT fixed, IDNF", padded({0xF0, 0, 0x05, 0x10, 0x51, 0x40, 0x00, 0x0A, 0, 0, 0, 0, 0x21, 0}), 2},
        {"descriptor, RECOVERED but ERR in the status",
         {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x51}, 2},
        {"descriptor, RECOVERED, status good",
         {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x50}, 1},
        {"refused before it reached a drive", padded({0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0}), 2},
    };
    for (const std::uint8_t direct : {std::uint8_t{0}, std::uint8_t{1}}) {
        DeviceSlots[test::kSataSlot].DirectAta = direct;
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (direct ? " direct" : " sat"));
            sataDrive_->ClearFaults();
            sataDrive_->AddFault(sim::FaultRule::Of(sim::FaultKind::CheckCondition).OnOpcode(0xEF).Sense(c.sense));
            EXPECT_EQ(ATA_SetFeatures(test::kSataSlot, 0xDC, 0x51), c.result);
        }
    }
}

TEST_F(AtaScsiBuilders, FailedSectorTransfersLeaveTheirRecord) {
    sim::FaultRule fail;
    fail.kind = sim::FaultKind::SyscallFails;
    for (int slot : {test::kSataSlot, test::kUsbSlot}) {
        DriveOf(slot).AddFault(fail);
        std::vector<std::uint8_t> buf(512);
        EXPECT_EQ(SCSI_Read10(slot, buf.data(), 1, 0x1234), 2);
        std::uint32_t rec[2];
        std::memcpy(rec, buf.data(), 8);
        EXPECT_EQ(rec[0], 2u);
        EXPECT_EQ(rec[1], 0x1234u);
        EXPECT_EQ(SCSI_Write10(slot, buf.data(), 1, 0x99), 2);
        std::memcpy(rec, buf.data(), 8);
        EXPECT_EQ(rec[0], 1u);
        EXPECT_EQ(rec[1], 0x99u);
    }
}

}  // namespace
}  // namespace qx
