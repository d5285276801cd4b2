// What the firmware answers to the commands the drive information utility
// sends through the SATA tunnel, for tests to compare with.
#pragma once

#include <array>
#include <cstdint>

namespace qx::sim {

// The firmware's SPI flash (its log area): a fixed pattern, so a read at the
// wrong offset or of the wrong length shows.
std::uint8_t SpiFlashByte(std::uint32_t address);

// The DRAM layout reply: little-endian 32-bit words, one not used, then the
// system information, erase counts, error log and UART log, address and size
// of each (the drive's dramLayout; these by default).
inline constexpr std::array<std::uint32_t, 9> kDramLayoutWords = {
    0, 0xD0000, 0x1000, 0xD1000, 0x8000, 0xDC000, 2048, 0xDC800, 8192,
};

// The SMART attribute each counter selector of sub-opcode 0x05 sets.
inline constexpr std::uint8_t kPowerCycleAttribute = 0x0C;
inline constexpr std::uint8_t kPowerLossAttribute = 0xC0;
inline constexpr std::uint8_t kLifetimeAttribute = 0x09;

}  // namespace qx::sim
