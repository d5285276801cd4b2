// Loading a controller program into the controller's code memory and
// starting it. Before a diagnostic ("GDP_") or test ("TST_") image is sent,
// the run's flash configuration and the drive's code blocks are written into
// its parameter area; other images go out as they are.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qx {

struct FlashConfig;
struct GlobalParameter;

// Set in the boot flags when the part has half pages; the steps pass the
// flags on to their program actions.
inline constexpr std::uint8_t kBootFlagHalfPages = 0x02;

// Sends the file as exactly 128 KB (cut there, or 0x66 after it) in chunks
// of 64 KB with TransferMode 2, else 32 KB, reading each chunk back into the
// sent buffer. A patched image is also copied into imageCopy (as much as it
// holds). False when the file cannot be opened or a chunk write fails.
// Dumps "11_WCM_%2.2d.raw" (imageCopy, with a download counter) and
// "11_WCM.raw" (the read-back image); with [Setting] EnBuildModifiedGDP the
// read-back image is always written as "M_GDP.raw".
bool DownloadProgramImage(int slot, const FlashConfig& config, const GlobalParameter& settings,
                          std::span<std::uint8_t> imageCopy, const std::string& path, std::uint32_t address);

// Vendor mode 10, download, jump: the first failure answers false. On
// success bootFlags holds kBootFlagHalfPages when the part has half pages
// (it is cleared first).
bool BootGdpProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                    std::span<std::uint8_t> imageCopy, std::uint8_t* bootFlags, std::uint32_t address);
// The same with the older diagnostic program, "GDP_OLD.bin" in the working folder.
bool BootOldGdpProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> imageCopy, std::uint8_t* bootFlags, std::uint32_t address);
// The test program; no flags.
bool BootTestProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                     std::span<std::uint8_t> imageCopy, std::uint32_t address);

}  // namespace qx
