// A drive's system information: the first 4 KB of controller memory while
// its firmware runs (laid out as the system firmware's header page) and the
// information page of its code blocks, read back into the caller's
// configuration. Each caller passes its own records: a worker its copies, the
// window its own; nothing here is shared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct BinFileList;
struct FlashConfig;

inline constexpr std::size_t kSystemImageBytes = 4096;
inline constexpr std::size_t kSystemInfoBufferBytes = 64 * 1024;

// What the running firmware says about itself besides the configuration.
struct SystemInfo {
    char HeaderFwVersion[7];
    char HeaderModel[5];
    char HeaderVariant[3];
    char HeaderInfoText[5];
    std::array<std::uint8_t, 64> SystemHeaderCopy;   // the firmware header at 0x300
};

// The slot's four code blocks from 0x510 of the memory image.
void CopyCodeBlockNumbers(int slot, std::span<const std::uint8_t> image);

// The flash fields, options, thresholds, timings and later-bad blocks of the
// memory image; option bits are assigned 0 or 1, so nothing of an earlier
// drive stays. The model chooses the layout generation (V40 or V50 texts).
void ParseSystemInfo(int slot, FlashConfig& config, SystemInfo& info, std::span<const std::uint8_t> image);

// Reads the memory image and the first information page found in the code
// blocks into config, binFiles, info and the slot. False only when the
// memory read fails (or the buffer is smaller than 64 KB); without an
// information page the configuration comes from the memory image alone and
// its size code is recomputed from the geometry. The information page reads
// reuse the buffer, so a caller that wants the memory image itself (the USB
// identity strings at its start) passes imageCopy, which receives its first
// kSystemImageBytes (or fewer when imageCopy is smaller).
bool ReadSystemInfo(int slot, FlashConfig& config, BinFileList& binFiles, SystemInfo& info,
                    std::span<std::uint8_t> buffer, std::span<std::uint8_t> imageCopy = {});

}  // namespace qx
