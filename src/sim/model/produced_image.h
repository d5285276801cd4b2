// The system memory image of a drive described as already produced (rack
// keys systemModel, systemVersion, systemVariant) whose code blocks hold no
// system firmware of their own: the firmware header page it runs from, with
// its identity template, header texts and code-block numbers.
#pragma once

#include <cstdint>
#include <vector>

namespace qx::sim {

class DriveModel;

// Header page offsets the host reads: firmware version text, model text and
// variant, and the code-block numbers.
inline constexpr std::size_t kProducedVersionAt = 0x306;
inline constexpr std::size_t kProducedModelAt = 0x324;
inline constexpr std::size_t kProducedVariantAt = 0x329;
inline constexpr std::size_t kProducedCodeBlocksAt = 0x510;

// Empty when the drive is not described as produced.
std::vector<std::uint8_t> ProducedSystemImage(const DriveModel& m);

}  // namespace qx::sim
