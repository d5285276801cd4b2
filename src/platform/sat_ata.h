// ATA task files carried over SCSI: the ATA PASS-THROUGH(16) block a SAT
// layer (the kernel's libata, a USB-to-SATA bridge) takes, the sense data it
// returns the drive's registers in, and what that answer says about the
// command. Shared by the Linux backend and the simulated rack, so both read
// an answer the same way.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/device_io.h"

namespace qx::platform {

inline constexpr std::uint8_t kScsiGood = 0x00;
inline constexpr std::uint8_t kScsiCheckCondition = 0x02;

// ATA status bits the answer is judged by.
inline constexpr std::uint8_t kAtaStatusErr = 0x01;
inline constexpr std::uint8_t kAtaStatusDf = 0x20;
inline constexpr std::uint8_t kAtaStatusBsy = 0x80;

// Sense key of fixed or descriptor sense; 0 when there is none.
std::uint8_t SenseKey(std::span<const std::uint8_t> sense);

// The registers a SAT layer returned in its sense data.
struct AtaSenseReturn {
    TaskFile current{};        // error, count, LBA low/mid/high, device, status
    TaskFile previous{};       // high-order bytes, when ext48
    bool ext48 = false;        // previous holds the returned high-order bytes
    bool upperLost = false;    // a high-order byte is nonzero but the format carries none
};

// Reads the ATA registers from sense data:
//  - descriptor format (72h/73h): the ATA status return descriptor (09h),
//    with the high-order bytes when its EXTEND bit is set;
//  - fixed format (70h/71h) with VALID set: the SAT layout, error, status,
//    device and count in the INFORMATION field (bytes 3-6), the EXTEND and
//    "upper nonzero" flags at byte 8 and the LBA at bytes 9-11;
//  - fixed format with VALID clear: the layout libata used up to Linux 6.9,
//    error, status, device and count at bytes 8-11, the flags at byte 16 and
//    the LBA at bytes 17-19; taken only when the status byte holds a bit, as
//    the sense of a command refused before it reached a drive has none there.
// The fixed format has no room for the high-order bytes: a 48-bit return
// says only whether they are nonzero (upperLost).
std::optional<AtaSenseReturn> DecodeAtaSense(std::span<const std::uint8_t> sense);

// The ATA PASS-THROUGH(16) block for a task file. Only a command without
// data asks for its registers with CK_COND: those are its answer (a native
// max address, the SMART status), while a data command's answer is its data,
// and CK_COND makes some SAT layers report a data-in command that went well
// as ABORTED COMMAND (QEMU's AHCI disk leaves DRQ in the status libata reads
// back after PIO data-in).
std::array<std::uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& cmd);

// What the answer to a BuildAtaPassThrough16 block says. Where valid
// registers came back (BSY clear), their ERR and DF bits decide; a data
// command, sent without CK_COND, also failed whenever the SAT layer ended it
// with CHECK CONDITION and a sense key beyond RECOVERED ERROR. A failure
// always leaves ERR set in the returned status, so callers need look at that
// bit only; with no registers the status reads 50h (done) or 51h (failed).
AtaResult AtaResultFromScsi(const AtaCommand& cmd, const ScsiResult& answer);

}  // namespace qx::platform
