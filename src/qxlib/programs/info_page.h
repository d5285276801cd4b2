// The information page: page 0 of every code block. It tells the firmware
// loader and later readers where the firmware's bin files lie, which flash
// and page table were used, and which controller registers to set at start.
// One page per channel; channel j's copy is channel 0's with byte 0x18 = j.
//
//   0x000 16  BlocksHeaderText            0x010  8  "84X V2 " and NUL
//   0x018  1  channel of this copy        0x019  1  SectorsPerPage
//   0x01A  2  pages per block (type word, not halved)   0x01C  1  EccMode
//   0x01D  1  channel 0: low byte of the block holding the page (set by the writer)
//   0x020  4 per code block: number, flags 7
//   0x200 16  "LDBK CONFIG V50"           0x210  2  sequence number
//   0x214  4  0x230 (bin-file table)      0x218  4  0x280 (page table)
//   0x21C  4  0x2E0 (register list)
//   0x230  1  bin-file count              0x234  2  first page of the bin area
//   0x236  2  last page of the bin area   0x238  4 per bin file: start, pages
//   0x260 32  PartNumber                  0x280 96  PageMap, 48 entries
//   0x2E0  2  register entries (12 or 48) 0x2E4     register groups: four
//             addresses (4 each), then the four byte values
// Everything else keeps what the caller's buffer held: the callers pass the
// buffer that received the patched program image, so the page also carries
// the program's parameter area at 0x500.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

inline constexpr std::size_t kMaxBinFiles = 2;
inline constexpr std::size_t kBinFileNameSize = 260;

struct BinFilePlacement {
    std::uint16_t StartPage;
    std::uint16_t PageCount;
};

// The firmware files of a run: the run start fills count, names and sizes;
// BuildInfoPage the placements; a drive's information page replaces count
// and placements. Each worker keeps its own.
struct BinFileList {
    std::uint8_t Count;
    char Names[kMaxBinFiles][kBinFileNameSize];
    std::array<std::uint32_t, kMaxBinFiles> SizesKB;
    std::array<BinFilePlacement, kMaxBinFiles> Placements;
};

inline constexpr std::size_t kInfoPageBinCountAt = 0x230;
inline constexpr char kInfoPageFamilyText[8] = "84X V2 ";
inline constexpr char kInfoPageConfigText[16] = "LDBK CONFIG V50";

// The on-flash records are little-endian, as the host.
constexpr std::uint16_t HostToFlashWord(std::uint16_t value) { return value; }
constexpr std::uint32_t HostToFlashDword(std::uint32_t value) { return value; }

// Bytes of one information page set: ChannelCount x SectorsPerPage x 512.
std::size_t InfoPageSetBytes(const FlashConfig& config);

// Builds the page of every channel into page and fills the placements of
// binFiles; dumps "InfoPage.raw". False (nothing written) when the buffer
// cannot hold the page set or the geometry has no page size.
bool BuildInfoPage(int slot, const FlashConfig& config, BinFileList& binFiles, std::span<std::uint8_t> page,
                   std::uint16_t sequence);

// Copies the first pageBytes of the buffer to each further channel's slice.
void ReplicateSectorPerChannel(std::span<std::uint8_t> page, std::size_t pageBytes, std::size_t channels);

// The first 16 bytes equal the config's BlocksHeaderText.
bool IsInfoPageHeader(const FlashConfig& config, std::span<const std::uint8_t> page);

// A drive's table replaces count and placements; a count above the list's
// two entries is cut to two.
void ParseInfoPageBinTable(BinFileList& binFiles, std::span<const std::uint8_t> page);
// Part number, page map and the flash fields of the parameter area.
void ParseInfoPageFlashInfo(FlashConfig& config, std::span<const std::uint8_t> page);
// Drive current, reserve and defect percentages, FwFlagsB.
void ParseInfoPageMisc(FlashConfig& config, std::span<const std::uint8_t> page);

}  // namespace qx
