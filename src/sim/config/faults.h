// Fault injection per drive and per command.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qx::sim {

enum class FaultKind : std::uint8_t {
    OpenFails,        // opening the path fails with errorCode
    SyscallFails,     // the pass-through call fails with errorCode
    CheckCondition,   // SCSI: status 2 with the given sense (call succeeds);
                      // on the ATA route the host reads that sense as its
                      // SAT layer's answer
    AtaError,         // ATA: status with ERR and the given error byte; a SAT
                      // block gets the bridge's CHECK CONDITION with it
    Latency,          // the request takes latencyMs on the clock, then runs
                      // (a cancelled wait fails it with EINTR)
    Hang,             // the request never answers: the call fails with
                      // errorCode after its time-out (or at once when the
                      // thread is cancelled)
};

// Matching: opcode hits a SCSI request by cdb[0] and an ATA command by its
// command byte, on the direct ATA route or inside a SAT block. vendorSub hits
// every request of that vendor command: the CDB on the USB path; the command
// sector and the data phase in the SATA tunnel (the reply-sector read belongs
// to no command). OpenFails ignores both filters. Latency rules add up and
// let the request run; of the other rules the first that fires decides.
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

    // Builders, e.g. FaultRule::Of(FaultKind::Hang).OnOpcode(0x12).Times(1).
    static FaultRule Of(FaultKind k) {
        FaultRule r;
        r.kind = k;
        return r;
    }
    FaultRule& OnOpcode(std::uint8_t op) { opcode = op; return *this; }
    FaultRule& OnVendorSub(std::uint8_t sub) { vendorSub = sub; return *this; }
    FaultRule& Skip(int n) { skip = n; return *this; }
    FaultRule& Times(int n) { count = n; return *this; }
    FaultRule& Errno(int e) { errorCode = e; return *this; }
    FaultRule& Sense(std::vector<std::uint8_t> s) { sense = std::move(s); return *this; }
    FaultRule& AtaErrorByte(std::uint8_t e) { ataError = e; return *this; }
    FaultRule& Ms(std::uint64_t ms) { latencyMs = ms; return *this; }
};

}  // namespace qx::sim
