// The system memory image of a drive described as already produced (rack
// keys systemModel, systemVersion, systemVariant) whose code blocks hold no
// system firmware of their own: the firmware header page it runs from, with
// its identity template, header texts and code-block numbers.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qx::sim {

class DriveModel;
struct DriveConfig;

// Header page offsets the host reads: firmware version text, model text and
// variant, and the code-block numbers.
inline constexpr std::size_t kProducedVersionAt = 0x306;
inline constexpr std::size_t kProducedModelAt = 0x324;
inline constexpr std::size_t kProducedVariantAt = 0x329;
inline constexpr std::size_t kProducedCodeBlocksAt = 0x510;

// Empty when the drive is not described as produced.
std::vector<std::uint8_t> ProducedSystemImage(const DriveModel& m);

// The configuration a production run leaves with a drive, from its
// description: the flash part number (0x260) and the parameter area (0x500
// up to kProducedAreaEnd) as the
// diagnostic program and the information pages carry it (infoPage), or as
// the system firmware's header page does (the memory image: thresholds,
// bank map, timings and later-bad blocks where the program keeps its table
// block). Flash type word and size code follow the drive's geometry; the
// remap table is on.
inline constexpr std::size_t kProducedAreaAt = 0x500;
inline constexpr std::size_t kProducedAreaEnd = 0x578;
void PutProducedArea(const DriveConfig& c, bool infoPage, std::span<std::uint8_t> image);

}  // namespace qx::sim
