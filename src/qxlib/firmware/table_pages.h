// The table pages of the code blocks as the firmware download carries them
// over: it reads the tables the diagnostic program left (pages 1 to 7, 60
// and 61), checks their tags, keeps them in a collection of page sets, and
// writes them back after the program has blanked the code blocks.
//
//   page   table             tag            failure code   kept
//   1      defect            code page 1    D0             always
//   2      early-bad         code page 2    D1             always
//   3      remap             code page 3    D2             with RemapEnable (Options[5])
//   4      system            "SYSP"         none           always
//   5      SMART             code page 5    D3             with [Setting] EnKeepSmartInfo
//   6, 7   further tables    not checked                   always
//   60, 61 extra tables      not checked                   always
//
// A page whose table is off is read once and not kept. In the collection the
// tables follow each other without gaps: 7 sets with both off, 9 with both on.
//
// Failure record (scratch buffer, read by the error dump and the failure
// dialog): byte 0 the failure code, byte 1 the channel whose copy was wrong.
// A wrong system page tag writes byte 1 only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;
struct GlobalParameter;
struct StepContext;

inline constexpr std::uint8_t kDefectTagWrong = 0xD0;
inline constexpr std::uint8_t kEarlyBadTagWrong = 0xD1;
inline constexpr std::uint8_t kRemapTagWrong = 0xD2;
inline constexpr std::uint8_t kSmartTagWrong = 0xD3;

inline constexpr std::size_t kMaxTableSets = 9;
inline constexpr std::uint16_t kFirstExtraTablePage = 60;   // normal mode: 60 and 61

std::size_t TableSetCount(const FlashConfig& config, const GlobalParameter& settings);
// The set of the system page (3 with remap, else 2) and of the early-bad table.
std::size_t SystemPageSet(const FlashConfig& config);
inline constexpr std::size_t kEarlyBadSet = 1;

// Reads the table pages into the collection (TableSetCount sets), each page
// from the first of the code blocks 2, 3, 0, 1 that reads and whose copies
// all carry the tag. False when a page fails in all four, or the buffers are
// too small; the scratch buffer then holds the failure record of the last
// wrong tag, if the last try had one.
bool CollectTablePages(int slot, const StepContext& ctx, std::span<std::uint8_t> collection);

// The early-bad entries of one channel's copy of page 2 (after its tag,
// 2-byte entries up to the first whose second byte is 0xFE; those whose
// second byte is 0xFB mark banks and do not count).
std::uint32_t CountEarlyBadEntries(std::span<const std::uint8_t> page);
// Summed over the channels whose copy carries the early-bad tag.
std::uint32_t CountEarlyBad(const FlashConfig& config, std::span<const std::uint8_t> earlyBadSet);

// Writes the table sets back. Normal mode: pages 1..7, the set of the page
// after a switched-off remap (3) or SMART (5) table used again for the next
// page. Low-page mode: TablePageList[1..9], the gaps between them filled with
// the next table (the last entry itself is not written), then fillers up to
// the page before PageMap[0]. Dumps "10_WT%2.2d.raw". A failed write: false.
bool VP_WriteTables(int slot, const StepContext& ctx, std::span<const std::uint8_t> tablePages);

// Normal mode: the two sets after the tables to pages 60 and 61, then page
// 61's data to every page from 62 to the end of the block.
bool WriteExtraTablePages(int slot, const StepContext& ctx, std::span<const std::uint8_t> tablePages);

}  // namespace qx
