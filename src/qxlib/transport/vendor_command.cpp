#include "qxlib/transport/vendor_command.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/opcodes.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/transport/vendor_opcodes.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;

// The one sector a tunnelled command is written as: the block, then zeros.
using CommandSector = std::array<std::uint8_t, kSector>;
static_assert(sizeof(CommandSector) == kSector);
using TunnelBlock = std::array<std::uint8_t, 12>;
static_assert(sizeof(TunnelBlock) == 12, "the tunnel rides on ATA PASS-THROUGH(12)");

struct TunnelCodes {
    std::uint8_t protocolIn, protocolOut, commandIn, commandOut;
};

// SAT protocol byte and ATA command of each transfer mode.
TunnelCodes CodesFor(std::uint8_t mode) {
    switch (mode) {
        case 1: return {kSatPioIn, kSatPioOut, kAtaVendorPioRead, kAtaVendorPioWrite};
        case 2: return {kSatUdmaIn, kSatUdmaOut, kAtaVendorUdmaRead, kAtaVendorUdmaWrite};
        default: return {kSatPioIn, kSatPioOut, kAtaReadMultiple, kAtaWriteMultiple};
    }
}

int TunnelTransfer(const SlotRoute& route, bool read, std::uint8_t* buffer, int count, bool flag48,
                   std::uint8_t lbaLow) {
    const TunnelCodes c = CodesFor(route.TransferMode);
    //  byte:  0     1         2          3     4      5       6     7     8     9        10 11
    //        A1  protocol  direction  feat  count  LBA lo  LBA mid hi  device command   0  0
    TunnelBlock b{};
    b[ 0] = kSat12;
    b[ 1] = read ? c.protocolIn : c.protocolOut;
    b[ 2] = read ? kSatSectorsIn : kSatSectorsOut;
    b[ 3] = 0x00;
    b[ 4] = static_cast<std::uint8_t>(count);
    b[ 5] = lbaLow;
    b[ 6] = kTunnelLbaMid;
    b[ 7] = kTunnelLbaHigh;
    b[ 8] = kAtaDeviceLba;
    b[ 9] = read ? c.commandIn : c.commandOut;
    const int r = ExecSlotPassThrough(route, read, b.data(), static_cast<int>(b.size()), buffer,
                                      count * static_cast<int>(kSector), flag48);
    if (r != 1) {
        DebugPrint(read ? "FAILED(VC_SATA_ReadCmd)\r\n" : "FAILED(VC_SATA_WriteCmd)\r\n");
        return 2;
    }
    return 1;
}

}  // namespace

VendorCmdBlock MakeVendorBlock(const SlotRoute& route, std::uint8_t subOpcode, std::size_t size) {
    VendorCmdBlock b;
    b.size = size;
    b[0] = kVendorOpcode;
    b[1] = route.UsbPath ? kVendorPathUsb : kVendorPathSata;
    b[2] = subOpcode;
    return b;
}

VendorCmdBlock MakeVendorBlock(int slot, std::uint8_t subOpcode, std::size_t size) {
    return MakeVendorBlock(RouteOf(slot), subOpcode, size);
}

bool ExecVendorCmd(const SlotRoute& route, bool read, const VendorCmdBlock& block, std::uint8_t* buffer,
                   int sectorCount, bool flag48) {
    const int length = sectorCount * static_cast<int>(kSector);
    if (route.UsbPath) {
        // Only the first 12 bytes reach the device on this path.
        return ExecSlotPassThrough(route, read, block.data(), static_cast<int>(kVendorBlockShort), buffer, length,
                                   flag48) == 1;
    }
    CommandSector commandSector{};
    std::copy_n(block.bytes.begin(), std::min(block.size, block.bytes.size()), commandSector.begin());

    // The command sector and its data phase are two requests: nobody else may
    // slip a command of the same slot in between.
    const auto hold = HoldSlotTunnel(route.Slot);
    int r = VC_SATA_WriteCmd(route, commandSector.data(), 1, flag48, kTunnelCmdSector);
    if (r == 1 && sectorCount != 0) {
        r = read ? VC_SATA_ReadCmd(route, buffer, sectorCount, flag48, block[2])
                 : VC_SATA_WriteCmd(route, buffer, sectorCount, flag48, block[2]);
    }
    return r == 1;
}

bool ExecVendorCmd(int slot, bool read, const VendorCmdBlock& block, std::uint8_t* buffer, int sectorCount,
                   bool flag48) {
    return ExecVendorCmd(RouteOf(slot), read, block, buffer, sectorCount, flag48);
}

int VC_SATA_WriteCmd(const SlotRoute& route, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return TunnelTransfer(route, false, buffer, sectorCount, flag48, lbaLow);
}

int VC_SATA_ReadCmd(const SlotRoute& route, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return TunnelTransfer(route, true, buffer, sectorCount, flag48, lbaLow);
}

int VC_SATA_WriteCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return VC_SATA_WriteCmd(RouteOf(slot), buffer, sectorCount, flag48, lbaLow);
}

int VC_SATA_ReadCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow) {
    return VC_SATA_ReadCmd(RouteOf(slot), buffer, sectorCount, flag48, lbaLow);
}

void SwapBytePairs(std::uint8_t* buffer, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(buffer[i], buffer[i + 1]);
}

bool SendBridgeCmd32(int slot, std::uint8_t value) {
    VendorCmdBlock b;
    b[0] = kVendorOpcode;
    b[1] = kVendorPathUsb;
    b[2] = kBridgeCmd32;
    b[3] = value;
    return ExecSlotPassThrough(slot, false, b.data(), static_cast<int>(kVendorBlockShort), nullptr, 0, false) == 1;
}

}  // namespace qx
