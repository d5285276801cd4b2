// The later-bad lists as text (LaterTableText).
//
// Later-bad page, per channel: the later-bad tag in bytes 0-15, a 16-bit
// entry count at 16, entries of 4 bytes from 32: 16-bit block, error type,
// one byte not used.
//
// Text (CR LF line ends; d is '0' + a number):
//   the version line (table_text.h)
//   per bank i and die j: "B#0" d=i; "D#0" d=j; "S#" and the list's block
//   (%04X); then per channel c: "C#0" d=c and, when the channel's page
//   carries the tag, "T#", the count (%04X), "," and per entry "U#", the
//   block (%04X), "," and '0' + the type; after a bank's dies one more CR LF.
//
// The reader takes the text line by line (a line is what comes before a LF,
// a CR before it dropped), in two passes as the writer to the drive needs
// them: the list blocks, then the lists.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx {

struct FlashConfig;

inline constexpr std::size_t kLaterTableBanks = 8;
inline constexpr std::size_t kLaterTableDies = 4;
inline constexpr std::size_t kLaterEntriesAt = 32;

// One channel's "C#0" line (without its CR LF) from its later-bad page.
std::string LaterChannelLine(std::size_t channel, std::span<const std::uint8_t> page);

// First pass: the system page set (0xFF, the system tag at 0, each "S#"
// block at 16, 20, 24, ... of channel 0's page) and the list block of every
// bank and die named by the "B#0" and "D#0" lines before it.
struct LaterTableBlocks {
    std::vector<std::uint8_t> systemPages;
    std::array<std::array<std::uint16_t, kLaterTableDies>, kLaterTableBanks> listBlocks{};
};

// Second pass: each "B#0" line starts a list page set (0xFF), the "C#0"
// lines fill their channel's page (tag, count, entries of block and type,
// the fourth byte left 0xFF); a list goes to the block of its bank and of
// the last "D#0" line before the next "B#0" line or the end.
struct LaterListWrite {
    std::uint8_t bank = 0;
    std::uint8_t die = 0;
    std::vector<std::uint8_t> pages;
};

// Both passes over the text (the version line first). False for what the
// lists cannot hold: a bank digit above 7 or a die digit above 3, a channel
// not below ChannelCount, more "S#" blocks or entries than a page takes, a
// block that is not four hexadecimal digits.
bool ParseLaterTableText(const FlashConfig& config, const std::string& text, LaterTableBlocks& blocks,
                         std::vector<LaterListWrite>& lists);

}  // namespace qx
