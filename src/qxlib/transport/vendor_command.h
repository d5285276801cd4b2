// The controller's vendor command block and how it reaches the drive: as a
// SCSI command block on the USB path, tunnelled through ATA on the SATA path.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "qxlib/transport/slot_route.h"

namespace qx {

// 0xFF, the path byte, the sub-opcode, then big-endian operands.
struct VendorCmdBlock {
    std::array<std::uint8_t, 20> bytes{};
    std::size_t size = 12;                 // 12, 16 (page commands) or 20 (page write)

    std::uint8_t& operator[](std::size_t i) { return bytes[i]; }
    std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }
};

// The block's three lengths on the wire; the USB path carries the first 12.
inline constexpr std::size_t kVendorBlockShort = 12;
inline constexpr std::size_t kVendorBlockPage = 16;
inline constexpr std::size_t kVendorBlockPageWrite = 20;
static_assert(sizeof(VendorCmdBlock::bytes) == kVendorBlockPageWrite, "the longest block is the page write");

inline constexpr std::uint8_t kVendorOpcode = 0xFF;
inline constexpr std::uint8_t kVendorPathUsb = 0x04;
inline constexpr std::uint8_t kVendorPathSata = 0xE5;
// LBA bits 8..23 of every tunnel transfer; the low byte is 0xFF for the
// command and reply sector, the sub-opcode for the data sectors.
inline constexpr std::uint8_t kTunnelLbaMid = 0x34;
inline constexpr std::uint8_t kTunnelLbaHigh = 0x12;
inline constexpr std::uint8_t kTunnelCmdSector = 0xFF;

// A zeroed block for the route's path with the sub-opcode.
VendorCmdBlock MakeVendorBlock(const SlotRoute& route, std::uint8_t subOpcode, std::size_t size = kVendorBlockShort);
VendorCmdBlock MakeVendorBlock(int slot, std::uint8_t subOpcode, std::size_t size = kVendorBlockShort);

// True when the command and its data phase succeeded.
bool ExecVendorCmd(const SlotRoute& route, bool read, const VendorCmdBlock& block, std::uint8_t* buffer,
                   int sectorCount, bool flag48);
bool ExecVendorCmd(int slot, bool read, const VendorCmdBlock& block, std::uint8_t* buffer, int sectorCount,
                   bool flag48);

// One tunnel transfer at LBA 0x1234xx in the route's TransferMode; 1 ok, 2 failed.
int VC_SATA_WriteCmd(const SlotRoute& route, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow);
int VC_SATA_ReadCmd(const SlotRoute& route, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow);
int VC_SATA_WriteCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow);
int VC_SATA_ReadCmd(int slot, std::uint8_t* buffer, int sectorCount, bool flag48, std::uint8_t lbaLow);

// Swaps the bytes of each 16-bit word (ATA IDENTIFY strings); an odd last
// byte stays.
void SwapBytePairs(std::uint8_t* buffer, std::size_t length);

// The bridge's own command 0x32, sent as a SCSI block on either path.
bool SendBridgeCmd32(int slot, std::uint8_t value);

}  // namespace qx
