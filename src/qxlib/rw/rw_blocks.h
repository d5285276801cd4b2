// Write, read and compare one run of sectors. The worker's percentage and
// zero-content passes and the read/write test are built from these. Each
// returns true on success; on a failed transfer or comparison the buffer
// starts with an RWErrorRecord. A block is at most kMaxBlockSectors and the
// buffer must hold all of it; anything else is refused without a transfer.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

inline constexpr std::uint32_t kMaxBlockSectors = 128;   // 64 KiB per command

// Word i of the test pattern of a block starting at lba: the pattern runs on
// across the block's sectors and depends only on the low byte of lba.
constexpr std::uint16_t TestPatternWord(std::uint32_t lba, std::uint32_t i) {
    return static_cast<std::uint16_t>(lba * 256u + i);
}
void FillTestPattern(std::span<std::uint8_t> block, std::uint32_t lba);

// Pattern written, flushed, read back and compared; the kind-3 record's Lba
// is the block's first LBA.
bool RWTestPatternCompare(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba);
// Reads a block written by WritePatternBlock and compares it; Lba as above.
bool ReadPatternBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba);
// Every word must read as value; the kind-3 record's Lba is the block's
// first LBA plus the word index (what the zero-content pass has always
// reported).
bool ReadCompareConstant(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba,
                         std::uint16_t value);
bool WriteZeroBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba);
// No flush: the caller flushes after its pass.
bool WritePatternBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba);

}  // namespace qx
