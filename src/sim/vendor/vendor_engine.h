// The controller's vendor command engine: one table of handlers by
// sub-opcode, each valid in some controller states. Both front ends (the
// controller's own USB interface and the SATA tunnel) hand it the same call.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/device_io.h"

namespace qx::sim {

class DriveModel;
enum class ControllerState : std::uint8_t;
enum class ProgramKind : std::uint8_t;

struct VendorCall {
    std::uint8_t sub = 0;
    std::array<std::uint8_t, 20> block{};   // USB path: 12 bytes, rest zero
    bool sataPath = false;
    std::span<std::uint8_t> data;           // the data phase (in or out)

    std::uint8_t U8(std::size_t i) const { return block[i]; }
    std::uint16_t Be16(std::size_t i) const;
    std::uint32_t Be32(std::size_t i) const;
};

// Controller states as a bit mask, for the table.
enum StateBits : std::uint8_t {
    kInLoader = 1, kInDownloadReady = 2, kInProgram = 4, kInFirmware = 8,
    kBeforeFirmware = kInLoader | kInDownloadReady | kInProgram,
    kAnyState = kBeforeFirmware | kInFirmware,
};
std::uint8_t StateBit(ControllerState s);

using VendorHandler = bool (*)(DriveModel&, VendorCall&);

struct VendorEntry {
    std::uint8_t sub;
    platform::Direction dir;   // the data phase the command has
    std::uint8_t states;       // StateBits where this meaning holds
    ProgramKind program;       // in a program: the program that has it (None: any)
    VendorHandler run;         // false: the controller refuses the command
};

// The entry of sub in the drive's present state, or nullptr. A few
// sub-opcodes mean something else through the SATA tunnel: those entries
// come first there.
const VendorEntry* FindVendorEntry(const DriveModel& m, std::uint8_t sub, bool sataPath = false);

// Runs a call whose data phase is present; false when refused. The engine
// remembers the last sub-opcode and whether it succeeded.
bool RunVendor(DriveModel& m, const VendorEntry& entry, VendorCall& call);

// One-sector replies: on the USB path the value is byte 0; through the SATA
// tunnel byte 0 is 0xE5 and the value byte 1.
void PutReplyValue(VendorCall& call, std::uint8_t value);

// Fills the data phase from bytes, zero past them.
void PutReply(VendorCall& call, std::span<const std::uint8_t> bytes);

// The handler tables, one per topic file.
std::span<const VendorEntry> StatusVendorEntries();
std::span<const VendorEntry> ModeVendorEntries();
std::span<const VendorEntry> MemoryVendorEntries();
std::span<const VendorEntry> RegisterVendorEntries();
std::span<const VendorEntry> FlashInfoVendorEntries();
std::span<const VendorEntry> FlashPageVendorEntries();
std::span<const VendorEntry> FlashDiagVendorEntries();
std::span<const VendorEntry> KeptDataVendorEntries();
std::span<const VendorEntry> FirmwareVendorEntries();
// Through the SATA tunnel only.
std::span<const VendorEntry> SataOnlyVendorEntries();

}  // namespace qx::sim
