// SAT ATA PASS-THROUGH (12) and (16): the bridge's unpacking of a command
// block into the ATA command it sends the drive.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/device_io.h"
#include "sim/ata/ata_request.h"

namespace qx::sim {

inline constexpr std::uint8_t kSat12 = 0xA1;
inline constexpr std::uint8_t kSat16 = 0x85;

struct SatBlock {
    AtaRequest ata;          // data not yet attached
    std::uint8_t protocol = 0;
    bool ckCond = false;     // return the registers even on success
    bool tDirIn = false;
};

// nullopt when the block is not a SAT ATA PASS-THROUGH block.
std::optional<SatBlock> DecodeSat(std::span<const std::uint8_t> cdb);

// Attaches the request's data; false when the block's protocol and transfer
// direction disagree with what the host asked the bridge to move.
bool AttachSatData(SatBlock& sat, const platform::ScsiCommand& cmd);

}  // namespace qx::sim
