// The firmware's home on the flash: the code blocks (CE 0, every channel).
// Page 0 is the information page, page 8 the first code page.
#pragma once

#include <cstdint>
#include <optional>

namespace qx::sim {

class DriveModel;

inline constexpr std::uint16_t kInfoPageIndex = 0;
inline constexpr std::uint16_t kCodePageIndex = 8;
inline constexpr std::uint8_t kCodeTag[4] = {0x18, 0xF0, 0x9F, 0xE5};
inline constexpr std::size_t kScanBlockByte = 0x550;
inline constexpr std::size_t kBinTableAt = 0x230;
inline constexpr std::size_t kSequenceAt = 0x210;

// Writes the configured firmware (information page and first code page) into
// every code block; nothing when the configuration has no bin files.
void InstallCodeBlocks(DriveModel& m);

struct InfoPageFound {
    std::uint16_t block = 0;
    std::uint8_t binFiles = 0;
    std::uint16_t sequence = 0;
};
// The first code block whose page 0 carries an information page header.
std::optional<InfoPageFound> FindInfoPage(const DriveModel& m);

// What the loader checks before it hands over: a code block whose
// information page lists at least mode bin files and whose first bin page
// starts with the code tag (CodeBlockBootable, code_block_tables.h, says
// what more a block the station wrote must hold).
bool FirmwareBootable(const DriveModel& m, std::uint8_t mode);

}  // namespace qx::sim
