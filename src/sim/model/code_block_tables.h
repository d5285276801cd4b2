// The tables the diagnostic program keeps in the code blocks, and what the
// loader checks in a code block the station wrote before it boots from it.
//
// Pre-format (action 3) keeps each code block's information page, erases the
// block and writes nine table pages at the pages the station named in the
// program's parameter area (map table block, table page sequence entries
// 1..9; normal mode 1..7, 60, 61), on every channel, CE 0, each page tagged:
//
//   1 defect table      tag code page 1; per CE: FB A0 ce 00, then one
//                       record per bad block (block, 0x10 | ce, channel & 7);
//                       FE D1 00 00 ends the channel's records
//   2 early-bad table   tag code page 2; per CE: ce FB, then each bad block
//                       (16-bit); 00 FE ends the list
//   3 remap table       tag code page 3; only with remap on (interface flags
//                       bit 0x20 of the parameter block)
//   4 system page       tag "SYSP"; 0x010 later-bad list block of the first
//                       bank, 0x014 of the other banks; with remap on 0x400
//                       0x5451, then from 0x402 one row per bank and die:
//                       remapColumns entries and a mark
//   5 SMART page        tag code page 5; from 16 the SMART page the station
//                       put before (zeros when none)
//   6..9                no tag: every byte 0x60 + the table's number, byte 1
//                       the channel
//
// The later-bad lists start empty: page 1 of each list block (the system
// page's blocks as plane blocks, on every chip enable and die in use) gets
// the later-bad tag and a count of 0 unless it holds a list already.
//
// The table pages are written with the ECC mode of the parameter block and
// the table option (option flags bit 0x20 → 2, interface flags bit 0x10 → 1),
// as the station reads them. Action 1 with flag 0x10 erases the code blocks
// for a download.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/media/nand.h"

namespace qx::sim {

class DriveModel;

inline constexpr std::size_t kTableCount = 9;
inline constexpr std::uint8_t kDownloadPrepareFlag = 0x10;   // action 1: erase the code blocks
inline constexpr std::uint16_t kLaterBadFirstBlock = 0x0020;
inline constexpr std::uint16_t kLaterBadOtherBlock = 0x0022;
inline constexpr std::uint16_t kRemapMarker = 0x5451;
inline constexpr std::size_t kRemapRowsAt = 0x402;

// Entry i (1..9) is the page of table i; entry 0 the information page.
using TablePages = std::array<std::uint16_t, kTableCount + 1>;

// The table page sequence of a parameter area (program image or the copy an
// information page carries at 0x500); normal mode when the area is too short
// or the sequence is blank.
TablePages TablePageSequence(std::span<const std::uint8_t> area);

// The layout the program writes and reads its table pages with, from the
// parameter block in the area.
PageLayout TableLayout(std::span<const std::uint8_t> area, std::uint8_t sectorsPerPage);

// Bank-die rows of the system page: chip enables in use x dies per CE, from
// the parameter block.
unsigned RemapRowCount(std::span<const std::uint8_t> area);

// What one table page of one channel holds after a pre-format.
std::vector<std::uint8_t> TablePage(const DriveModel& m, std::size_t table, std::uint8_t channel);

// Pre-format's tables, from the parameter area in code RAM.
void WriteCodeBlockTables(DriveModel& m);

// Action 1 with flag 0x10.
void EraseCodeBlocks(DriveModel& m);

// A read of a code-block page that cannot be corrected: its layout differs
// from the read's, or the drive has it among its uncorrectable pages.
bool Uncorrectable(const DriveModel& m, const NandAddress& a, std::uint8_t eccMode, std::uint8_t option);

// The loader's check of one code block: its information page names the
// block and lists at least minBinFiles bin files, and the first bin page
// starts with the code tag. A block the station wrote through page commands
// (the information page has a layout) must also hold each bin file whole,
// every page in the bin layout and the last ending in 55 AA EC 31, and carry
// the system page where the table page sequence puts it. A block set up
// directly (the factory image, a test's pages) is taken as it is.
bool CodeBlockBootable(const DriveModel& m, std::uint16_t block, std::uint8_t minBinFiles);

}  // namespace qx::sim
