// What the firmware download learns from the system page (page 4 of the code
// blocks, tag "SYSP"), per channel's copy:
//
//   0x000  16  tag "SYSP" + family text
//   0x010   2  later-bad list block of the first bank
//   0x014   2  later-bad list block of the other banks
//   0x400   2  0x5451 when remap rows follow
//   0x402      one row per bank and die (BankCount x DiesPerCe rows): n
//              16-bit entries and a 16-bit mark; n is 6 for the remap kind
//              42 firmware, else 12
//
// The rows go to the slot's RemapRows (row r at r x n entries), the marks to
// RemapRowMarks. The slot keeps 8 marks and a RemapRows buffer shaped by the
// chosen firmware: rows past either are not written, and no row is read past
// the end of the page.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

inline constexpr std::uint16_t kRemapRowsMarker = 0x5451;
inline constexpr std::uint8_t kRemapKind6 = 42;   // 6 entries a row; other kinds 12

void CopyRemapRows6(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPage);
void CopyRemapRows12(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPage);

// Step 5 of the download over the system page set (one page per channel):
// for each channel whose copy carries the system tag, in channel order (the
// last one decides): later-bad blocks 0, marks 1, then the first bank's block;
// with the marker the rows of the remap kind, without it mark 0 = that block
// + 1; the other banks' block when there is more than one bank-die.
void LearnSystemPage(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPages,
                     std::uint8_t remapKind);

}  // namespace qx
