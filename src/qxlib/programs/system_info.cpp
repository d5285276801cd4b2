#include "qxlib/programs/system_info.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "qxlib/base/build_variant.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr std::size_t kCodeBlocksAt = 0x510;
constexpr std::size_t kParsedUpTo = kSysBinGeometryAt + kSysBinGeometrySize;
constexpr std::uint8_t kCodeMemorySpace = 3;
constexpr int kImageSectors = 8;
constexpr std::uint8_t kInfoPageEccMode = 3;

std::uint8_t Flag(std::uint8_t byte, std::uint8_t mask) { return (byte & mask) ? 1 : 0; }

template <std::size_t N>
void TakeText(char (&field)[N], std::span<const std::uint8_t> image, std::size_t at) {
    std::memcpy(field, &image[at], N - 1);
    field[N - 1] = '\0';
}

bool IsToggleInterface(std::uint8_t i) { return i == 1 || i == 3 || i == 5 || i == 6 || i == 7; }

// The model tells the generation of the code-block page layout.
void TakeLayoutGeneration(FlashConfig& config, std::string_view model) {
    model = model.substr(0, 3);
    const bool v40 = model == "843" || model == "844" || model == "840";
    const bool v50 = model == "849" || model == "818" || model == "810";
    if (!v40 && !v50) return;
    config.Options[kOptV50Pages] = config.Options[kOptV50BinPages] = v50 ? 1 : 0;
    CopyFixedText(config.BlocksHeaderText, v50 ? "LDBK BLOCKS V50" : "LDBK BLOCKS V40");
    CopyFixedText(config.ConfigHeaderText, v50 ? "LDBK CONFIG V50" : "LDBK CONFIG V40");
}

void DecodeKeepingBankMap(FlashConfig& config) {
    const auto bankMap = config.FlashGeometry.BankMap;
    DecodeFlashGeometry(config, config.FlashGeometry);
    config.FlashGeometry.BankMap = bankMap;
}

}  // namespace

void CopyCodeBlockNumbers(int slot, std::span<const std::uint8_t> image) {
    DeviceSlot* s = WritableSlot(slot);
    if (!s || image.size() < kCodeBlocksAt + 8) return;
    auto& blocks = s->CodeBlocks;
    for (std::size_t i = 0; i < blocks.size(); ++i) blocks[i] = get_le16(&image[kCodeBlocksAt + 2 * i]);
}

void ParseSystemInfo(int slot, FlashConfig& config, SystemInfo& info, std::span<const std::uint8_t> image) {
    if (image.size() < kParsedUpTo) return;
    TakeText(info.HeaderFwVersion, image, 0x306);
    TakeText(info.HeaderModel, image, 0x324);
    TakeText(info.HeaderVariant, image, 0x329);
    TakeText(info.HeaderInfoText, image, 0x330);
    std::copy_n(image.begin() + kSysBinHeaderAt, info.SystemHeaderCopy.size(), info.SystemHeaderCopy.begin());

    const std::uint8_t* r = &image[kSysBinRecordAt];
    config.FlashTypeWord = get_le16(r);
    config.FlashInterface = r[2] & 0x0F;
    config.FlashModeFlag = Flag(r[2], 0x20);
    config.ChannelCount = r[3];
    config.BankCount = r[4];
    config.EccMode = r[5];
    config.SizeCode = r[7];
    config.CeCount = r[11];
    config.Options[kOptScramble] = Flag(r[9], 0x10);
    config.Options[kOptRemap] = Flag(r[9], 0x20);
    config.Options[kOptPageOption] = Flag(r[10], 0x20);
    config.Options[kOptNoDeviceSleep] = Flag(r[10], 0x40);
    // The utility has no DLL phase adjustment to take.
    if constexpr (!kUtilityBuild) config.Options[kOptDllPhaseAdjust] = Flag(r[10], 0x80);
    const std::size_t pair = config.EccMode == 1 ? 0 : config.EccMode == 2 ? 1 : 2;
    config.BchThresholds[pair] = r[0x20];
    config.BchThresholds[pair + 3] = r[0x21];
    config.WearLevelFrequency = r[0x22];
    config.SecurityCounter = r[0x23];
    std::copy_n(&image[kSysBinBankMapAt], config.FlashGeometry.BankMap.size(), config.FlashGeometry.BankMap.begin());

    const std::uint8_t* g = &image[kSysBinGeometryAt];
    std::copy_n(g + 0x10, 7, config.AsyncTiming.begin());
    std::copy_n(g + 0x10, 7, config.AsynTMC.begin());
    config.FwFlagsA = g[0x17];
    std::copy_n(g + 0x18, 7, config.SyncTiming.begin());
    std::copy_n(g + 0x18, 7, IsToggleInterface(config.FlashInterface) ? config.ToggleTMC.begin() : config.ONFITMC.begin());
    config.ExtraBlocks = get_le16(g + 0x28);
    config.DieOffset = get_le16(g + 0x2A);
    if (DeviceSlot* s = WritableSlot(slot)) {
        s->LaterBadBlockFirst = get_le16(g + 0x2C);
        s->LaterBadBlockOther = get_le16(g + 0x2E);
    }
    config.DriverSetting = g[0x32];
    config.RovidaSSD = g[0x33];
    TakeLayoutGeneration(config, FixedTextView(info.HeaderModel));
}

bool ReadSystemInfo(int slot, FlashConfig& config, BinFileList& binFiles, SystemInfo& info,
                    std::span<std::uint8_t> buffer, std::span<std::uint8_t> imageCopy) {
    if (buffer.size() < kSystemInfoBufferBytes) return false;
    if (VC_ReadMemory(slot, kCodeMemorySpace, 0, buffer.data(), kImageSectors) != 1) return false;
    const std::span<const std::uint8_t> image = buffer.first(kSystemImageBytes);
    std::copy_n(image.begin(), std::min(imageCopy.size(), image.size()), imageCopy.begin());
    CopyCodeBlockNumbers(slot, image);
    ParseSystemInfo(slot, config, info, image);
    DecodeKeepingBankMap(config);

    const auto blocks = SlotOf(slot).CodeBlocks;
    for (const std::uint16_t block : blocks) {
        std::fill_n(buffer.begin(), kSystemInfoBufferBytes, std::uint8_t{0});
        if (!VA_FW_ReadFlashPages(slot, config, 0, static_cast<std::uint16_t>(block / 2), block, 0, kInfoPageEccMode,
                                  config.Options[kOptV50Pages], buffer, kImageSectors))
            continue;
        WriteDebugDump(slot, "sysread.raw", buffer.data(), kSystemImageBytes);
        if (!IsInfoPageHeader(config, buffer)) continue;
        ParseInfoPageFlashInfo(config, buffer);
        ParseInfoPageMisc(config, buffer);
        ParseInfoPageBinTable(binFiles, buffer);
        // The page's type word is the one the drive was written with.
        DecodeKeepingBankMap(config);
        return true;
    }
    // The memory image's header record carries the extended size code.
    config.SizeCode = PackFlashSizeCode(config);
    return true;
}

}  // namespace qx
