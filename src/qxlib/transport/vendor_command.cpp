#include "qxlib/transport/vendor_command.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/base/switches.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;

struct TunnelCodes {
    std::uint8_t protocolIn, protocolOut, commandIn, commandOut;
};

// SAT protocol byte and ATA command of each transfer mode.
TunnelCodes CodesFor(std::uint8_t mode) {
    switch (mode) {
        case 1: return {0x08, 0x0A, 0x8A, 0x8F};   // the controller's vendor PIO commands
        case 2: return {0x14, 0x16, 0x86, 0x88};   // the controller's vendor UDMA commands
        default: return {0x08, 0x0A, 0xC4, 0xC5};  // READ / WRITE MULTIPLE
    }
}

int TunnelTransfer(int slot, bool read, std::uint8_t* buffer, int count, bool flag48, std::uint8_t lbaLow) {
    const TunnelCodes c = CodesFor(TransferMode.load());
    //  byte:  0     1         2          3     4      5       6     7     8     9        10 11
    //        A1  protocol  direction  feat  count  LBA lo  LBA mid hi  device command   0  0
    const std::uint8_t block[12] = {
        0xA1, read ? c.protocolIn : c.protocolOut, static_cast<std::uint8_t>(read ? 0x0B : 0x03), 0x00,
        static_cast<std::uint8_t>(count), lbaLow, kTunnelLbaMid, kTunnelLbaHigh, 0xE0,
        read ? c.commandIn : c.commandOut, 0x00, 0x00,
    };
    const int r = ExecSlotPassThrough(slot, read, block, 12, buffer, count * static_cast<int>(kSector), flag48);
    if (r != 1) {
        DebugPrint(read ? "FAILED(VC_SATA_ReadCmd)\r\n" : "FAILED(VC_SATA_WriteCmd)\r\n");
        return 2;
    }
    return 1;
}

bool OnUsbPath(int slot) { return IsSlot(slot) && DeviceSlots[static_cast<std::size_t>(slot)].UsbPath != 0; }

}  // namespace

VendorCmdBlock MakeVendorBlock(int slot, std::uint8_t subOpcode, std::size_t size) {
    VendorCmdBlock b;
    b.size = size;
    b[0] = kVendorOpcode;
    b[1] = OnUsbPath(slot) ? kVendorPathUsb : kVendorPathSata;
    b[2] = subOpcode;
    return b;
}

bool ExecVendorCmd(int slot, bool read, const VendorCmdBlock& block, std::uint8_t* buffer, int sectorCount,
                   bool flag48) {
    const int length = sectorCount * static_cast<int>(kSector);
    if (OnUsbPath(slot)) {
        // Only the first 12 bytes reach the device on this path.
        return ExecSlotPassThrough(slot, read, block.data(), 12, buffer, length, flag48) == 1;
    }
    std::array<std::uint8_t, kSector> commandSector{};
    std::copy_n(block.bytes.begin(), block.size, commandSector.begin());

    // The command sector and its data phase are two requests: nobody else may
    // slip a command of the same slot in between.
    std::lock_guard<std::recursive_mutex> hold(SlotTunnelLock(slot));
    int r = VC_SATA_WriteCmd(slot, commandSector.data(), 1, flag48, kTunnelCmdSector);
    if (r == 1 && sectorCount != 0) {
        r = read ? VC_SATA_ReadCmd(slot, buffer, sectorCount, flag48, block[2])
                 : VC_SATA_WriteCmd(slot, buffer, sectorCount, flag48, block[2]);
    }
    return r == 1;
}

int VC_SATA_WriteCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return TunnelTransfer(slot, false, buffer, sectorCount, flag48, lbaLow);
}

int VC_SATA_ReadCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return TunnelTransfer(slot, true, buffer, sectorCount, flag48, lbaLow);
}

void SwapBytePairs(std::uint8_t* buffer, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(buffer[i], buffer[i + 1]);
}

bool SendBridgeCmd32(int slot, std::uint8_t value) {
    const std::uint8_t block[12] = {kVendorOpcode, kVendorPathUsb, 0x32, value};
    return ExecSlotPassThrough(slot, false, block, 12, nullptr, 0, false) == 1;
}

}  // namespace qx
