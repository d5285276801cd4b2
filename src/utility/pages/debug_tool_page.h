// The hidden "Debug Tool" and "Diagnose SSD" pages: the register console,
// the loader and firmware page reads with their dump, the mode switches and
// the test list's colours.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}  // namespace qx

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

// The console: "o reg val" writes a register byte, "i reg" reads one
// ("%Xh\n"), "lba x" shows bytes 2 and 3 and the u16 at 4 of the work
// buffer. Case does not matter; numbers are hexadecimal; a missing token
// ends the command silently. Returns the text for DebugMemo (may be empty).
std::string DebugTool(int slot, const std::string& line, std::span<const std::uint8_t> workBuffer);

// A key in DebugEdit: on Enter (13) the lines to add to DebugMemo (">>" and
// the edit's text, then what the console printed) and the edit is emptied;
// any other key adds nothing and leaves the edit.
std::vector<std::string> DebugEditKeyPress(int slot, char key, std::string& editText,
                                           std::span<const std::uint8_t> workBuffer);

// The platform's integer conversion: decimal, or hexadecimal after "0x",
// "0X", "x", "X" or "$"; nullopt for a text that is no integer.
std::optional<long long> ConvertInteger(const std::string& text);

// The page-read entries as the window holds them.
struct PageReadEntries {
    std::string channel;     // DbgChLEdit
    std::string bank;        // DbgBankLEdit
    std::string block;       // DbgBlockLEdit
    std::string page;        // DbgPageLEdit
    std::string blockUnit;   // DbgBlockUnitLEdit
    bool ecc24 = false;      // Ecc24Ck
};

// "<%4.4X>" lines of 16 bytes for the first SectorsPerPage x 512 bytes.
std::vector<std::string> PageDumpLines(std::span<const std::uint8_t> page, unsigned sectorsPerPage);

// The page reads. Both answer the new DebugMemo2 lines: empty when an entry
// is empty; a text that is no integer shows the conversion error through the
// prompter and reads nothing. The firmware read passes Bank as CE,
// BlockUnit as block and Block as plane block. The loader read fills one
// page per channel and shows the requested channel's; a channel at or above
// ChannelCount reads nothing.
std::vector<std::string> DbgSysReadPageClick(int slot, const FlashConfig& config, const PageReadEntries& entries,
                                             ui::Prompter& prompter);
std::vector<std::string> DbgLDReadPageClick(int slot, const FlashConfig& config, const PageReadEntries& entries,
                                            ui::Prompter& prompter);

// "JumpToLoader": vendor mode 0; "LoadGDP": boots the GDP program from
// GdpImagePath. Their results are not shown.
void JumpToLoaderClick(int slot);
void LoadGDPBnClick(int slot, const FlashConfig& config, const GlobalParameter& settings);

// How ListViewRMA draws a sub-item: "Failed" red and bold, "Pass" blue and
// bold, anything else black. Colours as 0xBBGGRR values. subItem counts the
// columns after the item's caption from 1, so its text is subItems[subItem - 1].
struct SubItemStyle {
    std::uint32_t colour = 0;
    bool bold = false;
};
SubItemStyle ListViewRMACustomDrawSubItem(const std::vector<std::string>& subItems, std::size_t subItem);

}  // namespace qx::utility
