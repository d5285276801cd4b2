// Fault injection per drive and per command.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qx::sim {

enum class FaultKind : std::uint8_t {
    OpenFails,        // opening the path fails with errorCode
    SyscallFails,     // the pass-through call fails with errorCode
    CheckCondition,   // SCSI: status 2 with the given sense (call succeeds)
    AtaError,         // ATA: status with ERR and the given error byte
    Latency,          // the request takes latencyMs on the clock, then runs
    Hang,             // the request never answers: the call fails after its
                      // time-out (or at once when the thread is cancelled)
};

struct FaultRule {
    FaultKind kind = FaultKind::SyscallFails;
    // Which requests it hits; unset matches any.
    std::optional<std::uint8_t> opcode;       // SCSI cdb[0], or ATA command byte
    std::optional<std::uint8_t> vendorSub;    // sub-opcode of a vendor command (either path)
    int skip = 0;                             // let this many matches through first
    int count = -1;                           // then hit this many times (-1: always)
    int errorCode = 5;                        // EIO
    std::vector<std::uint8_t> sense;          // CheckCondition
    std::uint8_t ataError = 0x04;             // AtaError (ABRT)
    std::uint64_t latencyMs = 0;              // Latency
};

}  // namespace qx::sim
