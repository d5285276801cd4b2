// Fields at fixed byte positions of a controller program image or a firmware
// file. Text fields are plain characters without terminator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

inline constexpr std::size_t kKindTagAt = 768;            // 4: "GDP_", "TST_", or "QXSS" (system firmware)
inline constexpr std::size_t kProgramVersionAt = 772;     // 6 digits, program images
inline constexpr std::size_t kFirmwareVersionAt = 774;    // 6 digits, firmware files
inline constexpr std::size_t kProgramNumberAt = 800;      // 4: controller family code first
inline constexpr std::size_t kControllerModelAt = 804;    // 4: three digits and a NUL, firmware files
inline constexpr std::size_t kVariantAt = 809;            // 2, firmware files
inline constexpr std::size_t kInfoTextAt = 816;           // 4, firmware files

inline constexpr char kDiagnosticTag[] = "GDP_";
inline constexpr char kTestTag[] = "TST_";
inline constexpr char kSystemFirmwareTag[] = "QXSS";

// A program image is sent as exactly this many bytes: the file, then 0x66.
inline constexpr std::size_t kProgramImageSize = 128 * 1024;
inline constexpr std::uint8_t kProgramImageFill = 0x66;

}  // namespace qx
