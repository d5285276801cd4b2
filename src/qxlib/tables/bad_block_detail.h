// The drive information utility's bad-block count: the station's counters
// plus a detail line per bad block, the factory defects ("Physical Bad
// Block"), the remap pairs ("Remap Relation") and the bad-block map the
// erase-count page marks. Works on table bytes the caller hands in, so the
// slot, the drive and the dump switch stay outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "qxlib/tables/bad_block_counters.h"

namespace qx {

// Eight channels of eight cells: what the utility's report can show.
inline constexpr std::size_t kReportChannels = 8;
inline constexpr std::size_t kReportBadBlockCounterCount = kReportChannels * kBadBlockChannelStride;
inline constexpr std::size_t kKindFactoryDefects = 5;

// BadBlockMap: u16 (little-endian) per block at channel x 32768 + bank x
// 4096 + block; 1 = bad. Blocks past 4096, banks and channels past 8 are
// not marked.
inline constexpr std::size_t kBadBlockMapChannelStride = 32768;
inline constexpr std::size_t kBadBlockMapBankStride = 4096;
inline constexpr std::size_t kBadBlockMapLimit = 8;

struct BadBlockDetailSettings {
    unsigned channels = 0;
    unsigned banks = 0;               // CEs per channel
    unsigned dies = 0;                // dies per CE; CE rows = banks x dies
    std::size_t pageBytes = 0;        // one channel's page in the table buffers
    std::uint16_t unitsPerDie = 0;    // blocks per plane
    std::uint16_t dieOffset = 0;      // added to blocks of CE rows past the banks
    bool blockMode = false;           // one-plane flag: NAND blocks, else block units
    bool remapOption = false;         // the firmware remaps bad blocks
    bool rawDumps = false;            // the "<Remap>" listing is made only with dumps on
    bool remapRelation = false;       // [Setting] EnRemapRelation
    bool badUnitLayout = false;       // model 818: one bad-unit table for the drive
    bool longUnitRecords = false;     // 19-byte bad-unit records, else 7
};

// The table pages of the slot (each one page per channel).
struct BadBlockTablePages {
    std::span<const std::uint8_t> defect;
    std::span<const std::uint8_t> early;
    std::span<const std::uint8_t> remap;
    std::span<const std::uint8_t> laterBad;   // CE row r, die d at r x 256 KB + d x 128 KB
};

// Reads the firmware's bad-block (or bad-unit) table of a channel and CE
// row into the buffer; its result is not judged, so it answers nothing.
using BadBlockTableReader = std::function<void(std::uint8_t channel, std::uint8_t ceRow, std::span<std::uint8_t>)>;
// Writes a raw dump (the caller decides whether dumps are on).
using BadBlockDumper = std::function<void(const char* name, std::span<const std::uint8_t>)>;

struct BadBlockDetailIo {
    BadBlockTableReader readTable;
    BadBlockDumper dump;   // may be empty
};

// Counts into counters (added), fills totals over the drive's channels and
// banks, appends the detail text (may be null) and marks badBlockMap (may be
// empty). tableBuffer: at least 32 KB, receives the firmware table reads.
void CountBadBlockDetail(const BadBlockDetailSettings& settings, const BadBlockTablePages& pages,
                         const BadBlockDetailIo& io, std::span<std::uint8_t> tableBuffer,
                         std::span<std::uint32_t> counters, BadBlockTotals& totals, std::string* detailText,
                         std::span<std::uint8_t> badBlockMap);

}  // namespace qx
