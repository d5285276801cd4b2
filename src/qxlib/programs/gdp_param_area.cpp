#include "qxlib/programs/gdp_param_area.h"

#include <algorithm>
#include <array>
#include <limits>

#include "qxlib/base/build_variant.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"

namespace qx {
namespace {

constexpr std::uint8_t kLowPageFlag = 0x10;
constexpr std::uint8_t kModeFlag = 0x20;
constexpr std::uint16_t kParamBlockMagic = 64;
constexpr std::uint16_t kNormalFirstBinPage = 8;
constexpr std::array<std::uint8_t, 16> kNormalTablePages = {0, 1, 2, 3, 4, 5, 6, 7, 60, 61, 0, 0, 0, 0, 0, 0};

constexpr std::size_t kDefPercentageAt = 0x520;
constexpr std::size_t kProhibitRemapAt = 0x521;
constexpr std::size_t kReservedAt = 0x522;
constexpr std::size_t kBankMapAt = 0x528;
constexpr std::size_t kSectorOffsetsAt = 0x530;
constexpr std::size_t kSectorOffsetCount = 24;

std::uint8_t Bit(std::uint8_t option, std::uint8_t mask) { return option ? mask : 0; }

void SwapCodeBlocks(std::array<std::uint16_t, 4>& blocks) {
    const std::uint16_t third = blocks[2];
    if (third % 2 == 1 && blocks[0] != third - 1 && blocks[1] != third - 1) std::swap(blocks[0], blocks[2]);
}

}  // namespace

std::uint8_t PackFwInterfaceFlags(const FlashConfig& config) {
    const auto& o = config.Options;
    const bool manyBanks = config.BankCount > 2 || (config.BankCount == 2 && o[3]);
    return static_cast<std::uint8_t>(Bit(o[0], 0x01) | Bit(o[1], 0x02) | Bit(o[2], 0x04) | (manyBanks ? 0x08 : 0) |
                                     Bit(o[4], 0x10) | Bit(o[5], 0x20) | Bit(o[6], 0x40) |
                                     (o[4] == 0 && o[7] ? 0x80 : 0));
}

std::uint8_t PackFwOptionFlags(const FlashConfig& config) {
    std::uint8_t flags = 0;
    for (std::size_t bit = 0; bit < 8; ++bit)
        if (config.Options[8 + bit]) flags = static_cast<std::uint8_t>(flags | 1u << bit);
    // The utility has no digital DLL phase settings: bit 0x80 stays clear.
    if constexpr (kUtilityBuild) flags = static_cast<std::uint8_t>(flags & 0x7F);
    return flags;
}

void BuildGdpParamBlock(int slot, const FlashConfig& config, const GlobalParameter& settings, GdpParamBlock block) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    put_le16(&block[0], config.FlashTypeWord);
    block[2] = static_cast<std::uint8_t>(config.FlashInterface | (settings.EnLowPage ? kLowPageFlag : 0) |
                                         (config.FlashModeFlag ? kModeFlag : 0));
    block[3] = config.ChannelCount;
    block[4] = config.BankCount;
    block[5] = config.EccMode;
    block[6] = config.DrvCurrent;
    block[7] = config.SizeCode;
    block[8] = static_cast<std::uint8_t>(config.ResPercentage);
    block[9] = PackFwInterfaceFlags(config);
    block[10] = PackFwOptionFlags(config);
    block[11] = config.CeCount;
    block[12] = config.FwFlagsB;
    block[13] = config.FwFlagsC;
    if (DeviceSlot* s = WritableSlot(slot)) {
        auto& blocks = s->CodeBlocks;
        SwapCodeBlocks(blocks);
        for (std::size_t i = 0; i < blocks.size(); ++i) put_le16(&block[16 + 2 * i], blocks[i]);
    }
    put_le16(&block[24], kParamBlockMagic);
    block[26] = static_cast<std::uint8_t>(config.ResPercentage >> 8);
    block[27] = kUtilityBuild ? std::uint8_t{0} : config.DLLPhase;
}

std::uint16_t FirstBinFilePage(const FlashConfig& config) {
    return IsLowPageModeActive(config) ? config.PageMap[0] : kNormalFirstBinPage;
}

void BuildMapTableBlock(int slot, const FlashConfig& config, MapTableBlock block) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    const DeviceSlot& s = SlotOf(slot);
    const FlashGeometry& g = config.FlashGeometry;
    const auto defects = static_cast<std::uint16_t>(std::min<std::uint32_t>(s.EarlyBadCount, 0xFFFF));
    std::uint64_t size = CalcTableMemSizeV11(config.BankCount, config.ChannelCount,
                                             static_cast<std::uint16_t>(g.BlocksPerCe / 2), g.PagesPerBlock,
                                             config.ResPercentage, defects);
    // The tables are loaded a page set at a time.
    const std::uint64_t unit = std::uint64_t{g.SectorsPerPage} * 1024 * config.ChannelCount;
    if (unit != 0 && size % unit != 0) size = (size / unit + 1) * unit;
    put_le32(&block[0], static_cast<std::uint32_t>(std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max())));
    put_le32(&block[4], s.EarlyBadCount);
    put_le16(&block[8], FirstBinFilePage(config));
    put_le16(&block[10], config.DirtyDepth);
    put_le16(&block[12], config.ExtraBlocks);
    put_le16(&block[14], config.DieOffset);
    block[16] = s.LedInterleave;
    block[17] = config.FwFlagsA;
    for (std::size_t i = 0; i < kNormalTablePages.size(); ++i)
        block[18 + i] = IsLowPageModeActive(config) ? static_cast<std::uint8_t>(config.TablePageList[i])
                                                    : kNormalTablePages[i];
}

bool PatchGdpParamArea(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> image) {
    if (image.size() < kParamAreaEnd) return false;
    BuildGdpParamBlock(slot, config, settings, image.subspan<kGdpParamBlockAt, kGdpParamBlockSize>());
    image[kDefPercentageAt] = config.DefPercentage;
    image[kProhibitRemapAt] = static_cast<std::uint8_t>(config.ProhibitRemapOffset);
    image[kReservedAt] = 0;
    std::copy(config.FlashGeometry.BankMap.begin(), config.FlashGeometry.BankMap.end(), image.begin() + kBankMapAt);
    // The program addresses sectors in the controller's page buffer by these
    // offsets; decoded afresh so a changed type word cannot leave them stale.
    FlashGeometry scratch{};
    DecodeFlashGeometry(config, scratch);
    for (std::size_t i = 0; i < kSectorOffsetCount; ++i)
        image[kSectorOffsetsAt + i] = static_cast<std::uint8_t>(scratch.SectorsPerPage * 2u * i);
    return true;
}

bool PatchMapTableBlock(int slot, const FlashConfig& config, std::span<std::uint8_t> image, int tableVersion) {
    if (tableVersion != kMapTableVersion || image.size() < kParamAreaEnd) return false;
    BuildMapTableBlock(slot, config, image.subspan<kMapTableBlockAt, kMapTableBlockSize>());
    return true;
}

}  // namespace qx
