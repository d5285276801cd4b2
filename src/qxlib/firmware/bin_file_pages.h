// The firmware bin files on the code-block pages: where each file's pages
// go, and writing them with the system firmware's header page patched for
// the drive at hand.
//
// Bin file i takes ceil(size KB / (SectorsPerPage / 2)) + 1 pages from its
// placement's start; its page k lies on code-block page PageMap[start + k]
// (normal mode) or PageMap[k] (low-page mode). Each page is the file's next
// SectorsPerPage x 512 bytes, 0x11 past the file's end; the last page of a
// file ends in 55 AA EC 31; every channel carries the same page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

namespace qx {

struct BinFileList;
struct FlashConfig;
struct StepContext;

inline constexpr std::uint8_t kBinPagePadding = 0x11;
inline constexpr std::uint8_t kBinFileEndMark[4] = {0x55, 0xAA, 0xEC, 0x31};
inline constexpr std::uint16_t kBinAreaEnd = 60;   // normal mode: pages 60 and 61 hold tables

// What the download writes into the system firmware's header page for this
// drive: the port record's serial number and WWN texts, and whether the
// chosen capacity is above 200 GB (LargeCapacityFlag).
struct DriveIdentity {
    std::string_view serialNumber;
    std::string_view wwn;
    bool largeCapacity = false;
};

// The placements from firstPage on, each file right after the one before.
void PlaceBinFiles(const FlashConfig& config, BinFileList& binFiles, std::uint16_t firstPage);

// The code-block page of page k of bin file i; none past the page map.
std::optional<std::uint16_t> BinFilePage(const FlashConfig& config, const BinFileList& binFiles, std::size_t file,
                                         std::size_t k);

// Whether the placed files can be written without landing on other pages:
// in normal mode every bin page lies before page 60 and the block has pages
// 60 and 61; in low-page mode there is one bin file (a second would start on
// the first's pages) and its pages lie in the page map and the block. Traces
// why not.
bool BinAreaFits(const FlashConfig& config, const BinFileList& binFiles);

// The low-page mode's last bin page written, whose gap to the next is
// filled; one per download.
struct BinPageCursor {
    bool written = false;
    std::uint16_t previous = 0;
};

// One page of the open file as code-block page `page` (the page plan's steps).
// last: the file's last page; lastOfAll: also the last file's, after which
// pages up to 59 are filled with this page. A failed write: false.
bool WriteBinFile(int slot, const StepContext& ctx, std::FILE* file, std::uint16_t page, bool last, bool lastOfAll,
                  const BinFileList& binFiles, const DriveIdentity& identity, BinPageCursor& cursor);

// Every page of every file of the list, in order. A file that cannot be
// opened or a failed write: false.
bool WriteBinFiles(int slot, const StepContext& ctx, const BinFileList& binFiles, const DriveIdentity& identity);

}  // namespace qx
