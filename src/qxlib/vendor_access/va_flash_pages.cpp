#include "qxlib/vendor_access/va_flash_pages.h"

#include <algorithm>
#include <cstddef>

#include "qxlib/base/debug_print.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr int kChunkSectors = 128;                 // what one page command moves at most
constexpr std::size_t kFwReadClearBytes = 128 * 1024;
constexpr unsigned kUnitBitmapBits = 8;
constexpr std::uint8_t kAllChannels = 0xFF;

std::size_t Bytes(int sectors) { return static_cast<std::size_t>(sectors) * kSector; }

// An odd block's pages sit in the second half of the controller's buffer.
std::uint32_t PlaneBase(std::uint16_t block, int s) {
    return (block & 1u) != 0 ? static_cast<std::uint32_t>(s) * 4096u : 0u;
}

FlashPageAddress Address(std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                         std::uint8_t eccMode, std::uint8_t option, std::uint8_t sectorsPerPageByte) {
    FlashPageAddress at;
    at.Channel = channel;
    at.Ce = ce;
    at.Block = block;
    at.Page = page;
    at.EccMode = eccMode;
    at.Option = option;
    at.SectorsPerPage = sectorsPerPageByte;
    return at;
}

}  // namespace

bool VA_ReadFlashPages(int slot, const FlashConfig& config, std::uint8_t channel, std::uint8_t ce,
                       std::uint16_t block, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                       std::span<std::uint8_t> buffer, std::uint8_t sectorsPerPageByte, bool alternative) {
    const int s = config.FlashGeometry.SectorsPerPage;
    const bool all = channel == config.ChannelCount;
    const unsigned first = all ? 0u : channel;
    const unsigned end = all ? config.ChannelCount : channel + 1u;
    if (Bytes(s) * end > buffer.size()) return false;

    FlashPageAddress at = Address(channel, ce, block, page, eccMode, option, sectorsPerPageByte);
    for (unsigned c = first; c < end; ++c) {
        const std::size_t slice = c * Bytes(s);
        at.Channel = static_cast<std::uint8_t>(c);
        at.BufferOffset = PlaneBase(block, s) + static_cast<std::uint32_t>(slice);
        std::uint8_t* data = buffer.data() + slice;
        const int r = alternative ? VC_ReadFlashPageAlt(slot, at, data, s) : VC_ReadFlashPage(slot, at, data, s);
        if (r != 1) return false;
    }
    return true;
}

bool VA_GDP_ReadPages(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                      std::uint8_t eccMode, std::uint8_t option, std::uint8_t* buffer, int sectors,
                      std::uint8_t sectorsPerPageByte) {
    FlashPageAddress at = Address(channel, ce, block, page, eccMode, option, sectorsPerPageByte);
    at.BufferOffset = channel * 32768u;
    return VC_GDP_ReadPage(slot, at, buffer, sectors) == 1;
}

bool VA_WriteFlashPages(int slot, const FlashConfig& config, std::uint8_t channel, std::uint8_t ce,
                        std::uint16_t block, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                        std::span<std::uint8_t> buffer, int sectors, std::uint8_t sectorsPerPageByte) {
    const int s = config.FlashGeometry.SectorsPerPage;
    if (s == 0 || sectors < 0 || Bytes(sectors) > buffer.size() || sectors > s * static_cast<int>(kUnitBitmapBits)) {
        return false;
    }
    FlashPageAddress at = Address(channel, ce, block, page, eccMode, option, sectorsPerPageByte);
    unsigned u = 0;
    for (int remaining = sectors; remaining > 0;) {
        const int chunk = std::min(remaining, kChunkSectors);
        const unsigned k = static_cast<unsigned>(chunk / s);
        const auto bitmap = static_cast<std::uint8_t>(((1u << k) - 1u) << u);
        const std::size_t offset = u * Bytes(s);
        at.BufferOffset = PlaneBase(block, s) + static_cast<std::uint32_t>(offset);
        if (VC_WriteFlashPage(slot, at, bitmap, buffer.data() + offset, chunk) != 1) return false;
        u += k;
        remaining -= chunk;
    }
    return true;
}

bool VA_FW_ReadFlashPages(int slot, const FlashConfig& config, std::uint8_t ce, std::uint16_t block,
                          std::uint16_t planeBlock, std::uint16_t page, std::uint8_t eccMode, std::uint8_t option,
                          std::span<std::uint8_t> buffer, int sectors) {
    const int s = config.FlashGeometry.SectorsPerPage;
    if (s == 0 || sectors < 0 || Bytes(sectors) > buffer.size()) {
        DebugPrint("FAILED(VA_FW_ReadFlashPages)\r\n");
        return false;
    }
    std::fill_n(buffer.begin(), std::min(buffer.size(), kFwReadClearBytes), std::uint8_t{0});

    // The firmware form carries no sectors-per-page byte.
    FlashPageAddress at = Address(kAllChannels, ce, block, page, eccMode, option, 0);
    unsigned u = 0;
    for (int remaining = sectors; remaining > 0;) {
        const int chunk = std::min(remaining, kChunkSectors);
        const std::size_t offset = u * Bytes(s);
        at.BufferOffset = PlaneBase(planeBlock, s) + static_cast<std::uint32_t>(offset);
        // The data is judged by the callers (tags, signatures), not the result.
        VC_FW_ReadFlashPages(slot, at, buffer.data() + offset, chunk);
        u += static_cast<unsigned>(chunk / s);
        remaining -= chunk;
    }
    return true;
}

}  // namespace qx
