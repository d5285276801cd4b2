// Pages of the firmware's code blocks (the slot's CodeBlocks, CE 0), one page
// set at a time: a page on every channel, channel c's page at
// c x SectorsPerPage x 512 bytes of the buffer.
//
// What a page is written and read with, by kind:
//
//   page                         ECC mode   option byte              sectors-per-page byte
//   information page (0)         3          Options[16]              SectorsPerPage when EccMode is 3, else 4
//   table pages, their fillers   EccMode    Options[13] x 2 + [4]    SectorsPerPage
//   bin pages, their fillers,    EccMode    Options[17]              SectorsPerPage
//   low-page table fillers
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

struct CodeBlockPageFormat {
    std::uint8_t EccMode = 0;
    std::uint8_t Option = 0;
    std::uint8_t SectorsPerPageByte = 0;
    bool operator==(const CodeBlockPageFormat&) const = default;
};

CodeBlockPageFormat InfoPageFormat(const FlashConfig& config);
CodeBlockPageFormat TablePageFormat(const FlashConfig& config);
CodeBlockPageFormat BinPageFormat(const FlashConfig& config);

// One page of every channel: bytes and sectors.
std::size_t PageSetBytes(const FlashConfig& config);
int PageSetSectors(const FlashConfig& config);

// Reads the page of code block CodeBlocks[index] on every channel in the
// table format; true when every channel was read and the program then
// reports status 0. An index past the slot's CodeBlockCount is not read.
bool ReadCodeBlockPage(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer, std::size_t index,
                       std::uint16_t page);

// Writes the page set (sectors of the buffer) as the page of each of the
// slot's CodeBlockCount code blocks in order; for page 0 byte 0x1D of the
// buffer (channel 0's information page) first gets the low byte of the block
// written. The first failing write ends it with false.
bool WritePageToCodeBlocks(int slot, const FlashConfig& config, std::uint16_t page, const CodeBlockPageFormat& format,
                           std::span<std::uint8_t> buffer, int sectors);

}  // namespace qx
