// The firmware's code blocks as the loader sees them: the information page
// in page 0 of the first blocks, and the scan-block tag of page 8 of each
// code block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

inline constexpr std::size_t kInfoPageBinTableOffset = 0x230;
inline constexpr std::size_t kInfoPageBinTableSize = 40;

// Reads page 0 of blocks 0..3 on every channel into the page buffer until one
// starts with the config's information-page header text, and copies that
// page's 40-byte bin-file table. False when no block holds it.
bool VA_FindInfoPage(int slot, const FlashConfig& config, std::span<std::uint8_t> page,
                     std::span<std::uint8_t, kInfoPageBinTableSize> binTable);

// The number of firmware bin files the information page lists; count is 0
// (and the answer false) when no information page is found.
bool VA_GetInfoPageBinCount(int slot, const FlashConfig& config, std::span<std::uint8_t> page, std::uint8_t* count);

// Reads page 8 of the slot's four code blocks on every channel. A channel
// whose page carries the code tag but marks the block as a scan block fails
// the check; an unreadable block or a channel without the tag moves on. True
// when at least one block was read and none was marked.
bool VA_CheckCodeBlocks(int slot, const FlashConfig& config, std::span<std::uint8_t> page);

}  // namespace qx
