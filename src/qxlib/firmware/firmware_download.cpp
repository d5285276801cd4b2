#include "qxlib/firmware/firmware_download.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "qxlib/programs/bin_file_header.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/firmware/firmware_upload.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/firmware/remap_rows.h"
#include "qxlib/base/switches.h"
#include "qxlib/firmware/table_pages.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr int kActionErase = 1;
constexpr std::uint8_t kFlagDownload = 0x10;
constexpr std::size_t kSequenceAt = 44;        // firmware information record
constexpr std::size_t kErrorDumpBytes = 512;

bool FilesOpen(const BinFileList& binFiles) {
    for (std::size_t i = 0; i < binFiles.Count && i < kMaxBinFiles; ++i) {
        std::FILE* f = std::fopen(binFiles.Names[i], "rb");
        if (!f) {
            DebugPrint("open bin file '%s' fail\r\n", binFiles.Names[i]);
            return false;
        }
        std::fclose(f);
    }
    return true;
}

// What can be checked before anything on the drive changes.
bool ReadyToWrite(const StepContext& ctx, const BinFileList& binFiles) {
    const std::size_t setBytes = PageSetBytes(ctx.config);
    if (setBytes == 0 || ctx.buffer.size() < std::max(setBytes, kGdpErrorInfoBufferSize)) return false;
    BinFileList placed = binFiles;
    PlaceBinFiles(ctx.config, placed, FirstBinFilePage(ctx.config));
    return BinAreaFits(ctx.config, placed) && FilesOpen(placed);
}

// Step 2: the previous sequence number, and the program running.
bool PreviousSequence(int slot, const StepContext& ctx, std::uint16_t* sequence) {
    std::array<std::uint8_t, kFirmwareInfoSize> info{};
    if (!VA_EnableVendorCmd(slot, 10) || !VA_ReadFirmwareInfo(slot, info)) return false;
    *sequence = get_le16(info.data() + kSequenceAt);
    std::uint8_t boot = 0;
    return BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address);
}

}  // namespace

bool RunGdpType1Download(int slot, const StepContext& ctx) {
    std::uint8_t boot = 0;
    if (!BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address)) return false;
    std::uint8_t status = 0;
    return VA_GDP_ExecProg(slot, kActionErase, static_cast<std::uint8_t>(boot | kFlagDownload), &status, false) &&
           status == kEraseDone;
}

void UseFirmwareTransferMode(int slot) {
    std::uint8_t mode = TransferModeOf(slot);
    if (mode == 1) mode = 2;
    if (ForcePioTransfer) mode = 1;
    SetSlotTransferMode(slot, mode);
}

bool WriteFirmwareToCodeBlocks(int slot, const StepContext& ctx, std::uint16_t sequence, BinFileList& binFiles,
                               const DriveIdentity& identity, std::span<const std::uint8_t> tablePages) {
    if (!BuildInfoPage(slot, ctx.config, binFiles, ctx.buffer, sequence)) return false;
    if (!WritePageToCodeBlocks(slot, ctx.config, 0, InfoPageFormat(ctx.config), ctx.buffer, PageSetSectors(ctx.config)))
        return false;
    if (!VP_WriteTables(slot, ctx, tablePages)) return false;
    if (!WriteBinFiles(slot, ctx, binFiles, identity)) return false;
    return IsLowPageModeActive(ctx.config) || WriteExtraTablePages(slot, ctx, tablePages);
}

bool DownloadFirmware(int slot, const StepContext& ctx, BinFileList& binFiles, const DriveIdentity& identity) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || !ReadyToWrite(ctx, binFiles)) return false;
    const FlashConfig& c = ctx.config;
    const std::size_t setBytes = PageSetBytes(c);
    std::vector<std::uint8_t> tables;
    try {
        tables.assign(TableSetCount(c, ctx.settings) * setBytes, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }

    std::uint16_t previous = 0;
    if (!PreviousSequence(slot, ctx, &previous)) return false;
    if (!CollectTablePages(slot, ctx, tables)) return false;

    DeviceSlot& s = *slotEntry;
    const std::span<const std::uint8_t> sets = tables;
    LearnSystemPage(slot, c, sets.subspan(SystemPageSet(c) * setBytes, setBytes), CurrentRemapShape().Kind);
    s.EarlyBadCount = 0;
    if (!SkipEarlyBadCount) s.EarlyBadCount = CountEarlyBad(c, sets.subspan(kEarlyBadSet * setBytes, setBytes));

    // The program starts again with the map table sized by the new count.
    if (!RunGdpType1Download(slot, ctx)) return false;
    UseFirmwareTransferMode(slot);
    if (!WriteFirmwareToCodeBlocks(slot, ctx, static_cast<std::uint16_t>(previous + 1), binFiles, identity, tables))
        return false;
    if (SlotDumpsOn(slot) && !ReadBackBinFiles(slot, ctx, binFiles)) return false;

    VA_ReadGdpErrorInfo(slot, ctx.buffer);
    if (ctx.buffer[0] == 0) return true;
    const std::string name = "16_" + std::string(identity.serialNumber) + ".txt";
    WriteDebugDump(slot, name.c_str(), ctx.buffer.data(), kErrorDumpBytes);
    return false;
}

}  // namespace qx
