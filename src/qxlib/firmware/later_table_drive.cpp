#include "qxlib/firmware/later_table_drive.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "qxlib/base/byte_order.h"
#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "qxlib/firmware/later_table_text.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/firmware/table_text.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::uint16_t kInfoPage = 0;
constexpr std::uint16_t kDefectPage = 1;
constexpr std::uint16_t kSystemPage = 4;
constexpr std::uint16_t kListPage = 1;
constexpr std::size_t kFirstBlockAt = 16;
constexpr std::size_t kOtherBlockAt = 20;
constexpr std::size_t kListBytes = 128 * 1024;
constexpr std::uint8_t kCodeBlockCe = 0;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool Boot(int slot, const StepContext& ctx) {
    std::uint8_t boot = 0;
    return BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address);
}

bool ReadPage(int slot, const FlashConfig& c, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
              const CodeBlockPageFormat& f, std::span<std::uint8_t> into) {
    return VA_ReadFlashPages(slot, c, c.ChannelCount, ce, block, page, f.EccMode, f.Option, into,
                             f.SectorsPerPageByte, false);
}

bool WritePage(int slot, const FlashConfig& c, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
               const CodeBlockPageFormat& f, std::span<std::uint8_t> from) {
    return VA_WriteFlashPages(slot, c, c.ChannelCount, ce, block, page, f.EccMode, f.Option, from,
                              PageSetSectors(c), f.SectorsPerPageByte);
}

bool Put(std::FILE* f, const std::string& text) { return std::fwrite(text.data(), 1, text.size(), f) == text.size(); }

// Reads one list block from page 1 on; every channel keeps its last tagged
// page. Returns the pages read, 0 on a failed read.
unsigned ReadList(int slot, const FlashConfig& c, std::uint8_t ce, std::uint16_t block, std::vector<std::uint8_t>& work) {
    const std::size_t pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
    std::vector<std::uint8_t> page(kListBytes);
    std::fill(work.begin(), work.end(), std::uint8_t{0});
    unsigned q = 1;
    for (;; ++q) {
        std::fill(page.begin(), page.end(), std::uint8_t{0});
        if (!ReadPage(slot, c, ce, block, static_cast<std::uint16_t>(q), TablePageFormat(c), page)) return 0;
        bool any = false;
        for (std::size_t ch = 0; ch < c.ChannelCount; ++ch) {
            const auto copy = std::span(page).subspan(ch * pageBytes, pageBytes);
            if (!HasCodeBlockTag(copy, kLaterBadTableTag)) continue;
            std::copy(copy.begin(), copy.end(), work.begin() + static_cast<std::ptrdiff_t>(ch * pageBytes));
            any = true;
        }
        if (!any || q + 1u >= c.FlashGeometry.PagesPerBlock) break;
    }
    return q;
}

// Pages 0 and 1 stay, the block is erased, the system page goes to page 4.
bool RewriteCodeBlock(int slot, const FlashConfig& c, std::uint16_t block, std::span<std::uint8_t> systemPages) {
    const std::size_t bytes = PageSetBytes(c);
    std::vector<std::uint8_t> info(bytes, 0), defects(bytes, 0);
    const CodeBlockPageFormat infoFormat = InfoPageFormat(c), tableFormat = TablePageFormat(c);
    return ReadPage(slot, c, kCodeBlockCe, block, kInfoPage, infoFormat, info) &&
           ReadPage(slot, c, kCodeBlockCe, block, kDefectPage, tableFormat, defects) &&
           VA_EraseFlashBlock(slot, c.ChannelCount, kCodeBlockCe, block) &&
           WritePage(slot, c, kCodeBlockCe, block, kInfoPage, infoFormat, info) &&
           WritePage(slot, c, kCodeBlockCe, block, kDefectPage, tableFormat, defects) &&
           WritePage(slot, c, kCodeBlockCe, block, kSystemPage, tableFormat, systemPages);
}

}  // namespace

bool GetLaterTable(int slot, const StepContext& ctx, const char* path, int variant) {
    const FlashConfig& c = ctx.config;
    const std::size_t bytes = PageSetBytes(c);
    const std::size_t pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || bytes == 0 || bytes > kListBytes || ctx.buffer.size() < bytes) return false;
    if (!Boot(slot, ctx)) return false;
    DeviceSlot& s = *slotEntry;
    if (!ReadPage(slot, c, kCodeBlockCe, s.CodeBlocks[0], kSystemPage, TablePageFormat(c), ctx.buffer)) return false;
    if (!HasCodeBlockTag(ctx.buffer, kSystemPageTag)) return false;
    const std::uint16_t first = get_le16(&ctx.buffer[kFirstBlockAt]);
    const std::uint16_t other = get_le16(&ctx.buffer[kOtherBlockAt]);
    if (!path) return true;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
    if (!file) return true;

    std::FILE* f = file.get();
    Put(f, TableTextVersionLine(variant));
    std::vector<std::uint8_t> work(kListBytes);
    const unsigned dies = c.FlashGeometry.DiesPerCe;
    for (unsigned i = 0; i < c.BankCount && i < c.FlashGeometry.BankMap.size(); ++i) {
        for (unsigned j = 0; j < dies; ++j) {
            const auto list = static_cast<std::uint16_t>(i == 0 && j == 0 ? first : other + (j % dies) * c.DieOffset);
            Put(f, "B#0" + std::string(1, static_cast<char>('0' + i)) + "\r\nD#0" +
                       std::string(1, static_cast<char>('0' + j)) + "\r\nS#" + Hex4(list) + "\r\n");
            const unsigned q = ReadList(slot, c, c.FlashGeometry.BankMap[i], PlaneBlockToBlock(list, c), work);
            if (q == 0) return false;
            for (std::size_t ch = 0; ch < c.ChannelCount; ++ch)
                Put(f, LaterChannelLine(ch, std::span(work).subspan(ch * pageBytes, pageBytes)) + "\r\n");
            char name[32];
            std::snprintf(name, sizeof name, "03_%2.2u%2.2u%3.3u.raw", i, j, q - 1);
            WriteDebugDump(slot, name, work.data(), bytes);
            const std::size_t at = (std::size_t{i} * 2 + j) * kListBytes;
            if (s.LaterBadPages && at + kListBytes <= s.LaterBadPages.size())
                std::copy(work.begin(), work.end(), s.LaterBadPages.data() + at);
        }
        Put(f, "\r\n");
    }
    return true;
}

bool PutLaterTable(int slot, const StepContext& ctx, const char* path, int variant) {
    (void)variant;   // the text's version line is skipped, not checked
    const FlashConfig& c = ctx.config;
    const std::size_t bytes = PageSetBytes(c);
    if (!IsSlot(slot) || bytes == 0 || ctx.buffer.size() < bytes) return false;
    std::string text;
    if (path) {
        if (std::FILE* f = std::fopen(path, "rb")) {
            char chunk[4096];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
            std::fclose(f);
        } else {
            path = nullptr;
        }
    }
    LaterTableBlocks blocks;
    std::vector<LaterListWrite> lists;
    if (path && !ParseLaterTableText(c, text, blocks, lists)) return false;

    if (!Boot(slot, ctx)) return false;
    if (!path) return true;
    const DeviceSlot& s = SlotOf(slot);
    for (std::size_t i = 0; i < s.CodeBlockCount && i < s.CodeBlocks.size(); ++i)
        if (!RewriteCodeBlock(slot, c, s.CodeBlocks[i], blocks.systemPages)) return false;
    for (std::size_t k = 0; k < lists.size(); ++k) {
        LaterListWrite& list = lists[k];
        const std::uint16_t block = PlaneBlockToBlock(blocks.listBlocks[list.bank][list.die], c);
        if (!VA_EraseFlashBlock(slot, c.ChannelCount, list.bank, block) ||
            !WritePage(slot, c, list.bank, block, kListPage, TablePageFormat(c), list.pages))
            return false;
        WriteDebugDump(slot, k + 1 < lists.size() ? "06_LTP.raw" : "07_LTP.raw", list.pages.data(), bytes);
    }
    return true;
}

}  // namespace qx
