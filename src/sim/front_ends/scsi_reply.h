// SCSI results as a device ends a command: good, CHECK CONDITION with fixed
// sense, or with the descriptor sense a SAT bridge returns for ATA commands.
#pragma once

#include <cstdint>

#include "platform/device_io.h"
#include "sim/ata/ata_request.h"
#include "sim/config/drive_config.h"

namespace qx::sim {

inline constexpr std::uint8_t kScsiCheckCondition = 0x02;

// Sense keys and codes the front ends use.
inline constexpr std::uint8_t kKeyRecovered = 0x01, kKeyNotReady = 0x02, kKeyMedium = 0x03,
                              kKeyIllegalRequest = 0x05, kKeyAborted = 0x0B;
inline constexpr std::uint8_t kAscInvalidOpcode = 0x20, kAscLbaOutOfRange = 0x21, kAscInvalidField = 0x24;

platform::ScsiResult ScsiGood(std::uint32_t transferred);
platform::ScsiResult ScsiCheck(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0);
// CHECK CONDITION holding the registers an ATA command ended with, in the
// given sense format. A command that went well is RECOVERED ERROR, ATA
// PASS-THROUGH INFORMATION AVAILABLE (00/1D); a failed one gets the key a SAT
// layer maps its error to: ID not found ILLEGAL REQUEST (21/00), an
// uncorrectable read MEDIUM ERROR (11/04), anything else ABORTED COMMAND.
platform::ScsiResult ScsiAtaReturn(const AtaOutcome& ata, bool ext48, SenseFormat format);
platform::ScsiResult ScsiSyscallFailed(int error);

}  // namespace qx::sim
