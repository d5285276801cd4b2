// The four letters of the firmware file name "SYS_####.bin" that name the
// flash interface, class, geometry and channel/bank layout.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

// One geometry letter of the name; columns compared with the decoded geometry.
struct FlashNameRow {
    char Letter;
    std::uint16_t BlocksPerPlane;
    std::uint16_t PagesPerBlock;
    std::uint16_t PageSizeKB;
    std::uint8_t Dies;
    std::uint8_t DieOffsetUsed;
    std::uint8_t OnePlane;
};

struct FlashChannelBankRow {
    char Letter;
    std::uint8_t Channels;
    std::uint8_t Banks;
};

std::span<const FlashNameRow> FlashNameTable();
std::span<const FlashChannelBankRow> FlashChannelBankTable();

// Fills indices 4..7 of name; a letter without a matching rule or row keeps
// the character that was there. A name shorter than 8 is left alone.
void BuildFlashNameCode(const FlashConfig& config, std::span<char> name);

}  // namespace qx
