// What the device refresh keeps of a drive before production so the
// pre-format step can give it back to the new firmware: the erase-count
// table of every channel and bank-die, and the SMART page.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

// Tables of the kept area: 4 channels of 16 bank-die rows, 128 KB each.
inline constexpr unsigned kKeptEraseChannels = 4;
inline constexpr unsigned kKeptEraseRows = 16;

// Takes the drive into its firmware, learns the table size from channel 0,
// bank 0, then keeps every table in the slot's KeptEraseCounts. Tables the
// kept area has no room for (a fifth channel, a seventeenth row) are not
// read. The buffer must hold 128 KB; the answer is 1, or 0 when the buffer
// is too small or the slot has no kept area.
int BackupEraseCounts(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer, int reserved = 0);

// Takes the drive into its firmware and keeps its SMART page (the vendor
// SMART read on the USB path, SMART READ DATA on the SATA path) in the
// slot's KeptSmartPage. False when the read fails.
bool BackupSmartInfo(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer);

}  // namespace qx
