// The tables a drive's firmware keeps in flash, read into the slot: the
// defect and early-bad table pages of the code block that holds the
// information page, and the later-bad lists of every CE row and die.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

struct BinFileList;
struct FlashConfig;
struct GlobalParameter;
struct SystemInfo;

// Everything the table operations read besides the slot: the worker's own
// copies, which ReadSystemInfo rewrites from the drive at hand.
struct TableContext {
    FlashConfig& config;
    const GlobalParameter& settings;
    BinFileList& binFiles;
    SystemInfo& info;
    std::span<std::uint8_t> buffer;   // the worker's 128 KB scratch buffer
};

// Slots of LaterBadPages: CE row r and die d at r x 2 + d.
inline constexpr unsigned kLaterBadSlots = 16;
inline constexpr std::size_t kTablePageBytes = 128 * 1024;

// The operands a firmware page read of code block or later-bad block b
// takes: the controller's block and the plane block.
struct TableBlockOperands {
    std::uint16_t Block;
    std::uint16_t PlaneBlock;
};
TableBlockOperands TableBlockOf(std::uint16_t block, const FlashConfig& config, bool loader);

// Finds the information page in the code blocks, then fills DefectTable
// (page 1), EarlyTable (page 2), in the utility build RemapTablePages
// (page 3) and, when page 4 carries the system tag, LaterBadPages. A page that cannot be read leaves its buffer as it was.
// False when no code block holds an information page or a read is refused.
bool ReadDriveTables(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer);

}  // namespace qx
