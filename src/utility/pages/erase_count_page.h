// The "Erase Count" page: the firmware's erase-count tables as a grid of
// one line per block and one column per channel and CE row, with average
// and maximum. The controller model picks the table layout.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
struct SystemInfo;
}  // namespace qx

namespace qx::utility {

enum class EraseCountLayout {
    Model810,     // one table per CE row, u16 entries, repeated in every column
    Model818,     // one table, u32 entries, listed once per die
    PerChannel,   // one table per channel and CE row
};

EraseCountLayout EraseCountLayoutOf(const SystemInfo& info);

struct EraseCountGeometry {
    unsigned channels = 0;
    unsigned banks = 0;   // CEs per channel
    unsigned dies = 0;    // dies per CE
};
EraseCountGeometry EraseCountGeometryOf(const FlashConfig& config);

// Where the tables come from: a read of sectors for a channel and CE row
// into the buffer (true when it succeeded), and the raw dump of what was
// read (may be empty).
struct EraseCountSource {
    std::function<bool(std::uint8_t channel, std::uint8_t ceRow, int sectors, std::span<std::uint8_t> into)> read;
    std::function<void(const std::string& name, std::span<const std::uint8_t> bytes)> dump;
};

struct EraseCountPage {
    std::vector<std::string> EraseMemo;
    std::string AeraseEdit;   // empty when a failed read ended the page
    std::string MeraseEdit;
};

// The page from the tables the source gives. buffer: the 128 KB work buffer
// (at least 64 KB). badBlockMap: the bad-block report's map (u16 per block,
// little-endian, channel x 32768 + CE row x 4096 + block), may be empty.
EraseCountPage BuildEraseCountPage(EraseCountLayout layout, const EraseCountGeometry& geometry,
                                   const EraseCountSource& source, std::span<std::uint8_t> buffer,
                                   std::span<const std::uint8_t> badBlockMap);

// The page of a drive: the vendor erase-count reads of the slot, raw dumps
// while they are on, and the slot's BadBlockMap.
EraseCountPage GetEraseCount(int slot, const FlashConfig& config, const SystemInfo& info,
                             std::span<std::uint8_t> buffer);

}  // namespace qx::utility
