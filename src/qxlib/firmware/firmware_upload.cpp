#include "qxlib/firmware/firmware_upload.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "qxlib/firmware/bin_file_pages.h"
#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/firmware/firmware_download.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/base/switches.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::uint16_t kNormalFirstBinPage = 8;
constexpr std::uint16_t kNormalTablePages[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::size_t kLowPageTablePages = 10;   // TablePageList[0..9]
constexpr std::size_t kCodeBlockIndices = 4;
constexpr std::uint8_t kCe = 0;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool Boot(int slot, const StepContext& ctx) {
    std::uint8_t boot = 0;
    return BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address);
}

std::vector<std::uint16_t> TablePagesToRead(const FlashConfig& config) {
    if (!IsLowPageModeActive(config)) return {std::begin(kNormalTablePages), std::end(kNormalTablePages)};
    return {config.TablePageList.begin(), config.TablePageList.begin() + kLowPageTablePages};
}

}  // namespace

bool UploadFirmware(int slot, const StepContext& ctx, BinFileList& binFiles) {
    if (!Boot(slot, ctx)) return false;
    UseFirmwareTransferMode(slot);
    PlaceBinFiles(ctx.config, binFiles, kNormalFirstBinPage);
    return ReadBackTablePages(slot, ctx) && ReadBackBinFiles(slot, ctx, binFiles);
}

bool ReadBackTablePages(int slot, const StepContext& ctx) {
    const FlashConfig& c = ctx.config;
    if (!IsSlot(slot) || ctx.buffer.size() < PageSetBytes(c)) return false;
    KeepSlotDumpsOn(slot);
    if (!Boot(slot, ctx)) return false;
    const DeviceSlot& s = SlotOf(slot);
    for (const std::uint16_t page : TablePagesToRead(c)) {
        const CodeBlockPageFormat f = page == 0 ? InfoPageFormat(c) : TablePageFormat(c);
        for (std::size_t index = 0; index < kCodeBlockIndices; ++index) {
            if (!VA_ReadFlashPages(slot, c, c.ChannelCount, kCe, s.CodeBlocks[index], page, f.EccMode, f.Option,
                                   ctx.buffer, f.SectorsPerPageByte, false))
                return false;
            char name[32];
            std::snprintf(name, sizeof name, "10_TPR_%2.2u_%2.2u.raw", static_cast<unsigned>(index),
                          static_cast<unsigned>(page));
            WriteDebugDump(slot, name, ctx.buffer.data(), PageSetBytes(c));
        }
    }
    return true;
}

bool ReadBackBinFiles(int slot, const StepContext& ctx, const BinFileList& binFiles) {
    const FlashConfig& c = ctx.config;
    const std::size_t pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
    if (!IsSlot(slot) || ctx.buffer.size() < PageSetBytes(c)) return false;
    if (!Boot(slot, ctx)) return false;
    const DeviceSlot& s = SlotOf(slot);
    const CodeBlockPageFormat f = BinPageFormat(c);
    for (std::size_t b = 0; b < s.CodeBlockCount && b < s.CodeBlocks.size(); ++b) {
        const std::uint16_t block = s.CodeBlocks[b];
        for (std::size_t k = 0; k < binFiles.Count && k < kMaxBinFiles; ++k) {
            std::vector<File> files;
            for (unsigned ch = 0; ch < c.ChannelCount; ++ch) {
                char name[32];
                std::snprintf(name, sizeof name, "UP%2.2X%2.2X%2.2X.raw", static_cast<unsigned>(k), unsigned{block}, ch);
                files.emplace_back(std::fopen(name, "wb"));
                if (!files.back()) {
                    DebugPrint("######### - ReadBackBinFiles - Cannot create %s!\r\n", name);
                    return false;
                }
            }
            for (std::size_t p = 0; p < binFiles.Placements[k].PageCount; ++p) {
                const auto page = BinFilePage(c, binFiles, k, p);
                if (!page || !VA_ReadFlashPages(slot, c, c.ChannelCount, kCe, block, *page, f.EccMode, f.Option,
                                                ctx.buffer, f.SectorsPerPageByte, false))
                    return false;
                for (unsigned ch = 0; ch < c.ChannelCount; ++ch)
                    if (std::fwrite(ctx.buffer.data() + ch * pageBytes, 1, pageBytes, files[ch].get()) != pageBytes)
                        return false;
            }
        }
    }
    return true;
}

}  // namespace qx
