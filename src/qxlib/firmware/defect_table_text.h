// The factory defect table as text (DefectTableText), from and into a page
// set of the defect table pages (page 1 of a code block).
//
// Defect table page, per channel: the code page 1 tag in bytes 0-15, then
// 4-byte records: 16-bit block, byte p, byte q. Block 0xA0FB marks a bank (p
// = the bank); block 0xD1FE ends the channel's records.
//
// Text (CR LF line ends; d is '0' + a number):
//   the version line (table_text.h)
//   per channel whose page begins with 0xE9: "C#0" d=channel, then record
//   by record: a bank marker as CR LF "B#0" d=p; any other record as "U#",
//   the block as %04X, ",", '0' + (p >> 4), '0' + (p & 15), ",", '0' + q
//   ('9' for q above 7)
//   CR LF between one channel and the next, nothing after the last.
//
// Example, one channel with two banks, variant 15:
//   V#10 / C#00 / B#00U#0012,01,0U#0345,10,1 / B#01U#0A20,00,0
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qx {

struct FlashConfig;

// The text after the version line, from the page set (ChannelCount pages).
std::string DefectTableText(const FlashConfig& config, std::span<const std::uint8_t> pages);

// Creates the file (mode "wb") and writes the version line and the text.
// False when the path is null or the file cannot be created.
bool WriteDefectTableText(const FlashConfig& config, std::span<const std::uint8_t> pages, const char* path,
                          int variant);

// Clears the page set and fills it from the file (mode "rb"): a channel line
// ends the previous channel (FE D1) and pads with zeros to its own page,
// then writes the tag; bank and entry lines write their records; the end
// writes FE D1 00. With a version-21 text and variant 12, the entries whose
// last character is not the current channel's digit are dropped.
//
// False when the path is null or the file cannot be opened, and for a text
// the page set cannot hold as written: a channel line that is not the first
// for channel 0, that goes back, or whose channel is not below ChannelCount;
// more records than the pages take (the reader's positions stop at 65,535,
// as drives written by earlier stations expect); an entry cut short by the file's end or with a
// block that is not four hexadecimal digits. Nothing is cut silently.
bool ParseDefectTableText(const FlashConfig& config, std::span<std::uint8_t> pages, const char* path, int variant);

}  // namespace qx
