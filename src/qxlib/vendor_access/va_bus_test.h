// The bus interface test: a counting pattern written into a controller
// memory buffer and read back, ten rounds with different bases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

inline constexpr std::size_t kBusTestBufferSize = 32 * 1024;
inline constexpr std::uint32_t kBusTestAddress = 0xB0084000;

// Fills the first 32 KB of the buffer with 16-bit little-endian words
// base + i and writes them to the controller. A buffer under 32 KB is refused.
bool VC_TST_WriteBuffer(int slot, std::span<std::uint8_t> buffer, std::uint8_t space, std::uint16_t base);
// Reads the 32 KB back into the cleared buffer; true when every word is base + i.
bool VC_TST_CheckBuffer(int slot, std::span<std::uint8_t> buffer, std::uint8_t space, std::uint16_t base);
// Rounds 0..9 with base 0x1000 + 11 x round; the first failing step ends it.
bool VA_BusInterfaceTest(int slot, std::span<std::uint8_t> buffer, std::uint8_t space);

}  // namespace qx
