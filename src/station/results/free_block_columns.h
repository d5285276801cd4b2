// The free-block figures a production log row may end with: the drive is
// taken into its firmware and its SMART data read; every attribute entry
// with id 0xEB gives one count.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qx {
struct FlashConfig;
}

namespace qx::station {

// Counts from a SMART data table: of the 30 entries of 12 bytes from byte 2,
// those whose id byte is 0xEB, each as byte 7 x 256 + byte 8.
std::vector<int> FreeBlockCounts(std::span<const std::uint8_t> smartData);

// Talks to the drive on `slot`: leaves the loader when it still runs it, then
// reads SMART READ DATA. A drive that does not answer gives no counts.
std::vector<int> ReadFreeBlockCounts(int slot, const FlashConfig& config);

}  // namespace qx::station
