#include "qxlib/firmware/defect_table_drive.h"

#include <algorithm>
#include <vector>

#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/firmware/defect_table_text.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::uint16_t kDefectPage = 1;
constexpr std::uint16_t kPutSequence = 120;
constexpr std::uint8_t kFlagDownload = 0x10;
constexpr std::uint8_t kCe = 0;

}  // namespace

bool GetDefectTable(int slot, const StepContext& ctx, const char* path, int variant) {
    const FlashConfig& c = ctx.config;
    const std::size_t bytes = PageSetBytes(c);
    if (!IsSlot(slot) || bytes == 0 || ctx.buffer.size() < bytes) return false;
    std::uint8_t boot = 0;
    if (!BootGdpProgram(slot, c, ctx.settings, ctx.buffer, &boot, ctx.address)) return false;
    const CodeBlockPageFormat f = TablePageFormat(c);
    const std::uint16_t block = SlotOf(slot).CodeBlocks[0];
    if (!VA_ReadFlashPages(slot, c, c.ChannelCount, kCe, block, kDefectPage, f.EccMode, f.Option, ctx.buffer,
                           f.SectorsPerPageByte, false))
        return false;
    WriteDebugDump(slot, "02_DTG.raw", ctx.buffer.data(), bytes);
    return WriteDefectTableText(c, ctx.buffer.first(bytes), path, variant);
}

bool PutDefectTable(int slot, const StepContext& ctx, BinFileList& binFiles, const char* path, int variant) {
    const FlashConfig& c = ctx.config;
    const std::size_t bytes = PageSetBytes(c);
    if (!IsSlot(slot) || bytes == 0 || ctx.buffer.size() < bytes) return false;
    std::vector<std::uint8_t> table(bytes);
    if (!ParseDefectTableText(c, table, path, variant)) return false;

    if (!RunGdpType1(slot, ctx, kFlagDownload)) return false;
    if (!BuildInfoPage(slot, c, binFiles, ctx.buffer, kPutSequence) ||
        !WritePageToCodeBlocks(slot, c, 0, InfoPageFormat(c), ctx.buffer, PageSetSectors(c)))
        return false;
    std::copy(table.begin(), table.end(), ctx.buffer.begin());
    WriteDebugDump(slot, "05_DTP.raw", ctx.buffer.data(), bytes);
    return WritePageToCodeBlocks(slot, c, kDefectPage, TablePageFormat(c), ctx.buffer, PageSetSectors(c));
}

}  // namespace qx
