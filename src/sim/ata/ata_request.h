// An ATA command as the drive's ATA engine sees it, whichever way it came in
// (task files on the direct ATA route, or unpacked from a SAT block), and the
// registers it ends with.
#pragma once

#include <cstdint>
#include <span>

#include "platform/device_io.h"

namespace qx::sim {

using platform::TaskFile;

struct AtaRequest {
    TaskFile current{};
    TaskFile previous{};
    bool ext48 = false;
    platform::Direction dir = platform::Direction::None;
    bool dma = false;
    std::span<std::uint8_t> data;

    std::uint8_t Command() const { return current[platform::kTfCommand]; }
    std::uint8_t Features() const { return current[platform::kTfFeatures]; }
    std::uint8_t Count8() const { return current[platform::kTfCount]; }
    // Sector count: 0 means 256 (28-bit) or 65,536 (48-bit).
    std::uint32_t SectorCount() const;
    // LBA from the task file: 28-bit with the device byte's low nibble, or
    // 48-bit when ext48.
    std::uint64_t Lba() const;
    bool LbaMode() const { return (current[platform::kTfDevice] & 0x40) != 0; }
};

// ATA status and error bits.
inline constexpr std::uint8_t kStatusGood = 0x50;   // DRDY | DSC
inline constexpr std::uint8_t kStatusErr = 0x51;    // DRDY | ERR
inline constexpr std::uint8_t kErrAbrt = 0x04;
inline constexpr std::uint8_t kErrIdnf = 0x10;
inline constexpr std::uint8_t kErrUnc = 0x40;

struct AtaOutcome {
    TaskFile current{};    // error, count, LBA low/mid/high, device, status
    TaskFile previous{};   // high halves for 48-bit returns
    bool ext48 = false;    // previous holds a 48-bit return
    bool Failed() const { return (current[platform::kTfStatus] & 1) != 0; }
};

AtaOutcome AtaGood();
AtaOutcome AtaError(std::uint8_t error);

}  // namespace qx::sim
