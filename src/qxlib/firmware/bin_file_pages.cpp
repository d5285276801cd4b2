#include "qxlib/firmware/bin_file_pages.h"

#include <algorithm>

#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"

namespace qx {
namespace {

std::size_t PageBytes(const FlashConfig& config) { return std::size_t{config.FlashGeometry.SectorsPerPage} * 512; }

bool WriteBinPage(int slot, const StepContext& ctx, std::uint16_t page) {
    if (page >= ctx.config.FlashGeometry.PagesPerBlock) return false;
    return WritePageToCodeBlocks(slot, ctx.config, page, BinPageFormat(ctx.config), ctx.buffer,
                                 PageSetSectors(ctx.config));
}

// The system firmware's header page gets this drive's configuration,
// geometry, remap rows and identity.
void PatchSysBinHeader(int slot, const StepContext& ctx, const BinFileList& binFiles, const DriveIdentity& identity,
                       std::span<std::uint8_t> page) {
    if (DeviceSlot* s = WritableSlot(slot)) s->LedInterleave = ctx.config.LedInterleaveConfig;
    const bool built = BuildSysBinHeader(slot, ctx.config, ctx.settings, page) &&
                       BuildSysBinGeometry(slot, ctx.config, binFiles, identity.largeCapacity, page) &&
                       BuildSysBinIdentity(slot, ctx.config, ctx.settings, page, identity.serialNumber, identity.wwn);
    if (!built) DebugPrint("######### - WriteBinFile - Page too small for the system bin header!\r\n");
}

}  // namespace

void PlaceBinFiles(const FlashConfig& config, BinFileList& binFiles, std::uint16_t firstPage) {
    const std::uint32_t pageKB = config.FlashGeometry.SectorsPerPage / 2u;
    binFiles.Count = std::min<std::uint8_t>(binFiles.Count, kMaxBinFiles);
    std::uint32_t start = firstPage;
    for (std::size_t i = 0; i < binFiles.Count; ++i) {
        const std::uint32_t pages = pageKB ? (binFiles.SizesKB[i] + pageKB - 1) / pageKB + 1 : 0;
        binFiles.Placements[i] = {static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(pages)};
        start += pages;
    }
}

std::optional<std::uint16_t> BinFilePage(const FlashConfig& config, const BinFileList& binFiles, std::size_t file,
                                         std::size_t k) {
    if (file >= binFiles.Count || file >= kMaxBinFiles) return std::nullopt;
    const std::size_t at = IsLowPageModeActive(config) ? k : binFiles.Placements[file].StartPage + k;
    if (at >= config.PageMap.size()) return std::nullopt;
    return config.PageMap[at];
}

bool BinAreaFits(const FlashConfig& config, const BinFileList& binFiles) {
    const bool lowPage = IsLowPageModeActive(config);
    const unsigned pagesPerBlock = config.FlashGeometry.PagesPerBlock;
    if (lowPage && binFiles.Count > 1) {
        DebugPrint("######### - Low-page mode takes one bin file, not %u!\r\n", binFiles.Count);
        return false;
    }
    if (!lowPage && pagesPerBlock <= kBinAreaEnd + 1u) {
        DebugPrint("######### - A block of %u pages has no pages 60 and 61!\r\n", pagesPerBlock);
        return false;
    }
    const unsigned end = lowPage ? pagesPerBlock : kBinAreaEnd;
    for (std::size_t i = 0; i < binFiles.Count && i < kMaxBinFiles; ++i) {
        if (binFiles.Placements[i].PageCount == 0) return false;
        for (std::size_t k = 0; k < binFiles.Placements[i].PageCount; ++k) {
            const auto page = BinFilePage(config, binFiles, i, k);
            if (!page || *page >= end) {
                DebugPrint("######### - Bin file %u does not fit the code block (page %u)!\r\n",
                           static_cast<unsigned>(i), static_cast<unsigned>(k));
                return false;
            }
        }
    }
    return true;
}

bool WriteBinFile(int slot, const StepContext& ctx, std::FILE* file, std::uint16_t page, bool last, bool lastOfAll,
                  const BinFileList& binFiles, const DriveIdentity& identity, BinPageCursor& cursor) {
    const FlashConfig& c = ctx.config;
    const std::size_t pageBytes = PageBytes(c);
    if (!IsSlot(slot) || pageBytes < sizeof kBinFileEndMark || ctx.buffer.size() < PageSetBytes(c)) return false;
    const std::span<std::uint8_t> first = ctx.buffer.first(pageBytes);
    const std::size_t got = std::fread(first.data(), 1, pageBytes, file);
    std::fill(first.begin() + static_cast<std::ptrdiff_t>(got), first.end(), kBinPagePadding);

    const bool header = IsSysBinHeaderPage(first);
    if (header) PatchSysBinHeader(slot, ctx, binFiles, identity, first);
    if (last) std::copy(std::begin(kBinFileEndMark), std::end(kBinFileEndMark), first.end() - 4);
    ReplicateSectorPerChannel(ctx.buffer, pageBytes, c.ChannelCount);
    if (header) WriteDebugDump(slot, "SysBinHead.raw", ctx.buffer.data(), PageSetBytes(c));

    const bool lowPage = IsLowPageModeActive(c);
    if (lowPage && !last && cursor.written)
        for (unsigned p = cursor.previous + 1u; p < page; ++p) {
            DebugPrint("######### - Write dummy page! 0x%X\r\n", p);
            if (!WriteBinPage(slot, ctx, static_cast<std::uint16_t>(p))) return false;
        }
    if (!WriteBinPage(slot, ctx, page)) return false;
    if (lowPage) cursor = last ? BinPageCursor{} : BinPageCursor{true, page};
    if (lastOfAll)
        for (unsigned p = page + 1u; p < kBinAreaEnd; ++p)
            if (!WriteBinPage(slot, ctx, static_cast<std::uint16_t>(p))) return false;
    return true;
}

bool WriteBinFiles(int slot, const StepContext& ctx, const BinFileList& binFiles, const DriveIdentity& identity) {
    BinPageCursor cursor;
    const std::size_t files = std::min<std::size_t>(binFiles.Count, kMaxBinFiles);
    for (std::size_t i = 0; i < files; ++i) {
        std::FILE* file = std::fopen(binFiles.Names[i], "rb");
        if (!file) {
            DebugPrint("open bin file '%s' fail\r\n", binFiles.Names[i]);
            return false;
        }
        bool ok = true;
        const std::size_t pages = binFiles.Placements[i].PageCount;
        for (std::size_t k = 0; ok && k < pages; ++k) {
            const auto page = BinFilePage(ctx.config, binFiles, i, k);
            const bool last = k + 1 == pages;
            ok = page && WriteBinFile(slot, ctx, file, *page, last, last && i + 1 == files, binFiles, identity, cursor);
        }
        std::fclose(file);
        if (!ok) return false;
    }
    return true;
}

}  // namespace qx
