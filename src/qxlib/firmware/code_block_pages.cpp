#include "qxlib/firmware/code_block_pages.h"

#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kOwnBlockAt = 0x1D;   // information page, channel 0's copy
constexpr std::uint8_t kCe = 0;

}  // namespace

CodeBlockPageFormat InfoPageFormat(const FlashConfig& config) {
    const std::uint8_t spp = config.FlashGeometry.SectorsPerPage;
    return {3, config.Options[kOptV50Pages], static_cast<std::uint8_t>(config.EccMode == 3 ? spp : 4)};
}

CodeBlockPageFormat TablePageFormat(const FlashConfig& config) {
    return {config.EccMode,
            static_cast<std::uint8_t>(config.Options[kOptPageOption] * 2 + config.Options[kOptScramble]),
            config.FlashGeometry.SectorsPerPage};
}

CodeBlockPageFormat BinPageFormat(const FlashConfig& config) {
    return {config.EccMode, config.Options[kOptV50BinPages], config.FlashGeometry.SectorsPerPage};
}

std::size_t PageSetBytes(const FlashConfig& config) {
    return std::size_t{config.ChannelCount} * config.FlashGeometry.SectorsPerPage * kSector;
}

int PageSetSectors(const FlashConfig& config) {
    return int{config.ChannelCount} * config.FlashGeometry.SectorsPerPage;
}

bool ReadCodeBlockPage(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer, std::size_t index,
                       std::uint16_t page) {
    const DeviceSlot& s = SlotOf(slot);
    if (index >= s.CodeBlockCount || index >= s.CodeBlocks.size()) return false;
    const CodeBlockPageFormat f = TablePageFormat(config);
    if (!VA_ReadFlashPages(slot, config, config.ChannelCount, kCe, s.CodeBlocks[index], page, f.EccMode, f.Option,
                           buffer, f.SectorsPerPageByte, false))
        return false;
    std::uint8_t status = 0xFF;
    return VC_GetStatus(slot, &status) == 1 && status == 0;
}

bool WritePageToCodeBlocks(int slot, const FlashConfig& config, std::uint16_t page, const CodeBlockPageFormat& format,
                           std::span<std::uint8_t> buffer, int sectors) {
    if (!IsSlot(slot)) return false;
    const DeviceSlot& s = SlotOf(slot);
    for (std::size_t i = 0; i < s.CodeBlockCount && i < s.CodeBlocks.size(); ++i) {
        const std::uint16_t block = s.CodeBlocks[i];
        if (page == 0 && buffer.size() > kOwnBlockAt) buffer[kOwnBlockAt] = static_cast<std::uint8_t>(block);
        if (!VA_WriteFlashPages(slot, config, config.ChannelCount, kCe, block, page, format.EccMode, format.Option,
                                buffer, sectors, format.SectorsPerPageByte))
            return false;
    }
    return true;
}

}  // namespace qx
