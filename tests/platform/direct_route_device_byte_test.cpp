// The direct ATA route takes each 12-byte SAT block apart into a task file
// and a backend packs it again. Every byte of the block must arrive as the
// builder wrote it, the device byte above all: without its LBA bit a drive
// answers READ NATIVE MAX as cylinder, head and sector (0x208220 for
// 0x0FFFFFFF). Each 12-byte command goes out once as a SCSI block (the SAT
// route) and once on the direct route, and the two are compared: on the
// simulated rack at the task file the drive receives, and on the Linux
// backend at the ATA PASS-THROUGH(16) block the kernel receives.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/utility_commands.h"
#include "qxlib/transport/vendor_command.h"
#include "support/fake_kernel.h"
#include "support/rack_fixture.h"

namespace qx {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TwelveByteCommand {
    const char* name;
    std::function<int(int slot, std::uint8_t* buf)> send;
    std::uint8_t device;   // the device byte the builder writes (block byte 8)
};

// Every builder whose command goes out as a 12-byte block.
std::vector<TwelveByteCommand> Commands() {
    return {
        {"IDENTIFY DEVICE", [](int s, std::uint8_t* b) { return ATA_IdentifyDevice(s, b, 1); }, 0xE0},
        {"SET FEATURES", [](int s, std::uint8_t*) { return ATA_SetFeatures(s, 0xDC, 0x51); }, 0xE0},
        {"SMART READ DATA", [](int s, std::uint8_t* b) { return ATA_SmartReadData(s, b, 1); }, 0x00},
        {"SMART READ THRESHOLDS", [](int s, std::uint8_t* b) { return ATA_SmartReadThresholds(s, b, 1); }, 0x00},
        {"SMART ENABLE OPERATIONS", [](int s, std::uint8_t*) { return ATA_SmartEnableOperations(s); }, 0x00},
        {"FLUSH CACHE", [](int s, std::uint8_t*) { return ATA_FlushCache(s); }, 0x00},
        {"STANDBY IMMEDIATE", [](int s, std::uint8_t*) { return ATA_Standby(s); }, 0x00},
        {"READ NATIVE MAX ADDRESS", [](int s, std::uint8_t*) { return ATA_ReadNativeMaxAddress(s); }, 0xE0},
        {"SET MAX ADDRESS, LBA bits 24-27 in the device byte",
         [](int s, std::uint8_t*) { return ATA_SetMaxAddress(s, 0x0A123456); }, 0xEA},
        {"vendor tunnel, command sector",
         [](int s, std::uint8_t* b) { return VC_SATA_WriteCmd(s, b, 1, false, 0xFF); }, 0xE0},
        {"vendor tunnel, data sectors",
         [](int s, std::uint8_t* b) { return VC_SATA_ReadCmd(s, b, 1, false, 0x05); }, 0xE0},
    };
}

// Task file order: features, count, LBA low, mid, high, device, command;
// the 12-byte block holds them at bytes 3-9.
constexpr std::size_t kBlockTaskFile = 3;
constexpr std::size_t kTaskFileBytes = 7;

class DirectRouteOnTheRack : public test::RackFixture {
protected:
    DirectRouteOnTheRack() { logUse_ = LogUse::Requests; }
};

TEST_F(DirectRouteOnTheRack, EveryTwelveByteCommandArrivesAsBuilt) {
    for (const auto& c : Commands()) {
        SCOPED_TRACE(c.name);
        Bytes buf(512);
        DeviceSlots[test::kSataSlot].DirectAta = 0;
        c.send(test::kSataSlot, buf.data());
        const auto sat = Log().back();
        ASSERT_EQ(sat.route, sim::Route::Scsi);
        ASSERT_EQ(sat.cdb.size(), 12u);
        ASSERT_EQ(sat.cdb[0], 0xA1);
        EXPECT_EQ(sat.cdb[8], c.device);

        DeviceSlots[test::kSataSlot].DirectAta = 1;
        c.send(test::kSataSlot, buf.data());
        const auto direct = Log().back();
        ASSERT_EQ(direct.route, sim::Route::Ata);
        EXPECT_FALSE(direct.ext48);
        for (std::size_t i = 0; i < kTaskFileBytes; ++i)
            EXPECT_EQ(direct.current[i], sat.cdb[kBlockTaskFile + i]) << "task-file byte " << i;
        EXPECT_EQ(direct.current[platform::kTfDevice], c.device);
    }
}

class DirectRouteOnLinux : public test::RackFixture {
protected:
    void SetUp() override {
        test::RackFixture::SetUp();
        platform::SetDevices(&io_);
    }
    void TearDown() override {
        platform::SetDevices(nullptr);
        test::RackFixture::TearDown();
    }
    test::FakeKernel k_;
    platform::linux_sg::LinuxDeviceIo io_ = k_.Make();
};

// The 16-byte block of a 28-bit command: the task file at bytes 4, 6, 8, 10,
// 12 (low halves), 13 (device) and 14 (command), the high halves zero.
TEST_F(DirectRouteOnLinux, EveryTwelveByteCommandReachesTheKernelAsBuilt) {
    constexpr std::size_t kAt16[kTaskFileBytes] = {4, 6, 8, 10, 12, 13, 14};
    for (const auto& c : Commands()) {
        SCOPED_TRACE(c.name);
        Bytes buf(512);
        DeviceSlots[test::kSataSlot].DirectAta = 0;
        c.send(test::kSataSlot, buf.data());
        const Bytes sat = k_.Last().cdb;
        ASSERT_EQ(sat.size(), 12u);

        DeviceSlots[test::kSataSlot].DirectAta = 1;
        c.send(test::kSataSlot, buf.data());
        const Bytes direct = k_.Last().cdb;
        ASSERT_EQ(direct.size(), 16u);
        EXPECT_EQ(direct[0], 0x85);
        EXPECT_EQ(direct[1] & 1, 0) << "a 28-bit command goes out without EXTEND";
        for (std::size_t i = 0; i < kTaskFileBytes; ++i)
            EXPECT_EQ(direct[kAt16[i]], sat[kBlockTaskFile + i]) << "task-file byte " << i;
        for (std::size_t at : {3u, 5u, 7u, 9u, 11u}) EXPECT_EQ(direct[at], 0) << "high half at " << at;
    }
}

// The block of the fault as the kernel must see it: the LBA bit set.
TEST_F(DirectRouteOnLinux, ReadNativeMaxAsksForAnLba) {
    DeviceSlots[test::kSataSlot].DirectAta = 1;
    ATA_ReadNativeMaxAddress(test::kSataSlot);
    EXPECT_EQ(k_.Last().cdb, (Bytes{0x85, 0x06, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0xF8, 0}));
}

}  // namespace
}  // namespace qx
