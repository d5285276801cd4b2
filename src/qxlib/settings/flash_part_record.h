// One flash part of the flash part list: what the controller configuration is
// derived from when the part is chosen.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

struct FlashPartRecord {
    char PartName[32];               // unique name; the FlashUniName setting
    char PartNumber[32];             // the vendor's part number
    std::uint32_t FlashTypeWord;     // packed geometry; the low 16 bits are decoded
    std::uint32_t CeCount;           // chip enables; the low byte is used
    std::uint16_t EccMode;           // the low byte is used
    std::array<std::uint8_t, 5> FlashId;  // in the order the flash returns them
    std::uint8_t OptionA;
    std::uint8_t OptionB;
    std::uint8_t HalfPages;          // non-zero halves the pages per block
    std::uint16_t FlashModeFlag;     // the low byte is used
    std::uint16_t ExtraBlocks;       // used only with [FwSetting] EnExtendBlock
    std::uint16_t DieOffset;
    std::uint8_t LowPageType;        // chooses the low-page page table
    std::uint8_t FlashInterface;
    std::uint32_t OnePlane;          // the low byte is used
};

}  // namespace qx
