// Flash pages through the loader, a downloaded program and the production
// firmware. A page set is one page per channel, channel c's page at
// c x SectorsPerPage x 512 bytes of the buffer; the controller keeps an odd
// block's pages SectorsPerPage x 4,096 bytes further into its buffer.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

// One page of one channel, or of every channel when channel equals the
// config's ChannelCount, each into its slice of the buffer. The alternative
// flag picks the second read form. The first failing channel ends the call;
// the buffer keeps what was read so far. A buffer too small for the slices
// is refused.
bool VA_ReadFlashPages(int slot, const FlashConfig& config, std::uint8_t channel, std::uint8_t ce,
                       std::uint16_t block, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                       std::span<std::uint8_t> buffer, std::uint8_t sectorsPerPageByte, bool alternative);

// One channel's page through the running program, at the start of the buffer.
bool VA_GDP_ReadPages(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                      std::uint8_t eccMode, std::uint8_t option, std::uint8_t* buffer, int sectors,
                      std::uint8_t sectorsPerPageByte);

// Writes sectors of the buffer as page units (SectorsPerPage sectors each) in
// chunks of at most 128 sectors, each chunk with the bitmap of the units it
// carries. The bitmap is one byte, so a write of more than eight units is
// refused, as is a buffer shorter than the sectors.
bool VA_WriteFlashPages(int slot, const FlashConfig& config, std::uint8_t channel, std::uint8_t ce,
                        std::uint16_t block, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                        std::span<std::uint8_t> buffer, int sectors, std::uint8_t sectorsPerPageByte);

// Firmware-mode read of all channels in chunks of at most 128 sectors; the
// plane block chooses the controller buffer half. Clears what of the first
// 128 KB fits the buffer first. The command results are not judged (the
// callers judge the data), so the answer is true unless the read would not
// fit the buffer.
bool VA_FW_ReadFlashPages(int slot, const FlashConfig& config, std::uint8_t ce, std::uint16_t block,
                          std::uint16_t planeBlock, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                          std::span<std::uint8_t> buffer, int sectors);

}  // namespace qx
