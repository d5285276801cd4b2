#include "qxlib/tables/code_page_check.h"

#include <vector>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr std::size_t kSmartWorkBytes = 64 * 1024;
constexpr std::size_t kAttributeCount = 30;
constexpr std::size_t kAttributesAt = 2;
constexpr std::size_t kAttributeBytes = 12;
constexpr std::uint8_t kWearAttribute = 173;

struct PageCheck {
    std::uint16_t page;
    const CodeBlockTag* tag;
    unsigned char reason;
};

// True unless the read answered and the page of channel 0 lacks its tag.
bool PageKeepsTag(int slot, const FlashConfig& c, bool loader, std::uint16_t codeBlock, const PageCheck& check,
                  std::span<std::uint8_t> buffer) {
    const TableBlockOperands at = TableBlockOf(codeBlock, c, loader);
    const auto option = static_cast<std::uint8_t>(c.Options[kOptPageOption] * 2 + c.Options[kOptScramble]);
    const int sectors = c.ChannelCount * c.FlashGeometry.SectorsPerPage;
    if (!VA_FW_ReadFlashPages(slot, c, 0, at.Block, at.PlaneBlock, check.page, c.EccMode, option, buffer, sectors))
        return true;
    return HasCodeBlockTag(buffer, *check.tag);
}

// The SMART page: through the controller's own USB interface the ATA SMART
// commands cannot pass (they answer 2 there), so that path asks the
// firmware for the page, as the kept SMART page does.
bool ReadSmartPage(int slot, std::uint8_t* page) {
    if (OnUsbPath(slot)) return VC_SYS_USB_GetSMARTInfo(slot, page, 1) == 1;
    return ATA_SmartEnableOperations(slot) == 1 && ATA_SmartReadData(slot, page, 1) == 1;
}

bool WearIsLow(int slot, std::span<std::uint8_t> buffer) {
    std::vector<std::uint8_t> smart(kSmartWorkBytes);
    if (!ReadSmartPage(slot, smart.data())) return false;
    bool low = true;
    for (std::size_t k = 0; k < kAttributeCount; ++k) {
        const std::uint8_t* e = &smart[kAttributesAt + k * kAttributeBytes];
        const unsigned raw = e[5] | unsigned{e[6]} << 8;
        if (e[0] == kWearAttribute && raw > kMaxTableWear) {
            low = false;
            buffer[0] = kCodePageWearTooHigh;
        }
    }
    return low;
}

}  // namespace

bool CheckCodePages(int slot, TableContext& ctx) {
    if (!IsSlot(slot) || ctx.buffer.empty()) return false;
    EnterFirmwareMode(slot, ctx.config, ctx.buffer);
    ReadSystemInfo(slot, ctx.config, ctx.binFiles, ctx.info, ctx.buffer);

    const FlashConfig& c = ctx.config;
    const std::uint16_t codeBlock = SlotOf(slot).CodeBlocks[0];
    const PageCheck checks[] = {
        {1, &kDefectTableTag, kCodePageDefectUntagged},
        {2, &kEarlyBadTableTag, kCodePageEarlyUntagged},
        {3, &kRemapTableTag, kCodePageRemapUntagged},
    };
    const std::size_t checked = c.Options[kOptRemap] ? 3 : 2;
    const bool loader = ctx.binFiles.Count ? IsLoaderDevice(slot) : false;
    bool ok = true;
    for (unsigned file = 0; ok && file < ctx.binFiles.Count; ++file) {
        for (std::size_t k = 0; k < checked; ++k) {
            if (PageKeepsTag(slot, c, loader, codeBlock, checks[k], ctx.buffer)) continue;
            ctx.buffer[0] = checks[k].reason;
            ok = false;
            break;
        }
    }
    if (ok && ctx.settings.EnCheckTablesErase) ok = WearIsLow(slot, ctx.buffer);
    return ok;
}

}  // namespace qx
