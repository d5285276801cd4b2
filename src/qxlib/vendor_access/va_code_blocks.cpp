#include "qxlib/vendor_access/va_code_blocks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/va_flash_pages.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint16_t kInfoPageSearchBlocks = 4;
constexpr std::uint8_t kInfoPageEccMode = 3;
constexpr std::uint16_t kScanTagPage = 8;
// The first instruction of a code page: what tells a code block's page from
// anything else.
constexpr std::array<std::uint8_t, 4> kCodeTag = {0x18, 0xF0, 0x9F, 0xE5};
constexpr std::size_t kScanBlockMark = 0x550;

}  // namespace

bool VA_FindInfoPage(int slot, const FlashConfig& config, std::span<std::uint8_t> page,
                     std::span<std::uint8_t, kInfoPageBinTableSize> binTable) {
    if (page.size() < kInfoPageBinTableOffset + kInfoPageBinTableSize) return false;
    const std::uint8_t spp = config.EccMode == 3 ? config.FlashGeometry.SectorsPerPage : 4;
    for (std::uint16_t block = 0; block < kInfoPageSearchBlocks; ++block) {
        // A failed read leaves the buffer as it was; only a page read now counts.
        const bool read = VA_ReadFlashPages(slot, config, config.ChannelCount, 0, block, 0, kInfoPageEccMode,
                                            config.Options[kOptV50Pages], page, spp, false);
        if (read && std::memcmp(page.data(), config.BlocksHeaderText, sizeof config.BlocksHeaderText) == 0) {
            std::copy_n(page.begin() + kInfoPageBinTableOffset, binTable.size(), binTable.begin());
            return true;
        }
    }
    return false;
}

bool VA_GetInfoPageBinCount(int slot, const FlashConfig& config, std::span<std::uint8_t> page, std::uint8_t* count) {
    std::array<std::uint8_t, kInfoPageBinTableSize> table{};
    *count = 0;
    if (!VA_FindInfoPage(slot, config, page, table)) return false;
    *count = table[0];
    return true;
}

bool VA_CheckCodeBlocks(int slot, const FlashConfig& config, std::span<std::uint8_t> page) {
    if (!IsSlot(slot)) return false;
    const DeviceSlot& ds = SlotOf(slot);
    for (std::uint16_t block : ds.CodeBlocks) DebugPrint("######### - %d", block);

    const std::size_t slice = config.FlashGeometry.SectorsPerPage * kSector;
    bool anyRead = false;
    for (std::uint16_t block : ds.CodeBlocks) {
        if (!VA_ReadFlashPages(slot, config, config.ChannelCount, 0, block, kScanTagPage, config.EccMode, 1, page,
                               config.FlashGeometry.SectorsPerPage, false)) {
            DebugPrint("######### - Read page fail!");
            continue;
        }
        anyRead = true;
        for (unsigned c = 0; c < config.ChannelCount; ++c) {
            const std::uint8_t* p = page.data() + c * slice;
            if (!std::equal(kCodeTag.begin(), kCodeTag.end(), p)) {
                DebugPrint("######### - Compare code block tag fail!");
                continue;
            }
            if (slice > kScanBlockMark && p[kScanBlockMark] == 1) {
                DebugPrint("######### - Scan Block is incorrect at block %d, channel %d! - 0x%.2X", block,
                           static_cast<int>(c), p[kScanBlockMark]);
                return false;
            }
        }
    }
    // Nothing read is nothing checked.
    return anyRead;
}

}  // namespace qx
