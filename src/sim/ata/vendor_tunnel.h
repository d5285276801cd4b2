// The vendor tunnel of the SATA path: while vendor mode is on, transfers of
// the tunnel commands at the pseudo-LBAs 0x1234xx carry vendor commands:
// the command sector is written at 0x1234FF, the data phase moves at
// 0x1234 plus the sub-opcode, and 0x1234FF reads back the reply sector.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/ata/ata_request.h"

namespace qx::sim {

class DriveModel;

inline constexpr std::uint32_t kTunnelLbaBase = 0x123400;
inline constexpr std::uint8_t kTunnelCommandLow = 0xFF;

// READ/WRITE MULTIPLE (0xC4/0xC5), the vendor PIO pair (0x8A/0x8F) and the
// vendor UDMA pair (0x86/0x88).
bool IsTunnelCommand(std::uint8_t command);
bool IsTunnelRead(std::uint8_t command);

// The request goes to the tunnel rather than to user sectors.
bool IsTunnelTransfer(const DriveModel& m, const AtaRequest& r);

// The vendor command a tunnel transfer belongs to: the sub-opcode in a
// command sector, or the LBA low byte of a data phase. The reply-sector read
// belongs to none.
std::optional<std::uint8_t> TunnelSub(const DriveModel& m, const AtaRequest& r);

AtaOutcome RunTunnel(DriveModel& m, AtaRequest& r);

}  // namespace qx::sim
