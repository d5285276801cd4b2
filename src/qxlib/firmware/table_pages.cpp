#include "qxlib/firmware/table_pages.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"

namespace qx {
namespace {

constexpr std::size_t kNoCode = 0x100;
constexpr std::uint8_t kBankEntry = 0xFB;
constexpr std::uint8_t kEndEntry = 0xFE;
constexpr std::size_t kTagSize = 16;
constexpr std::array<std::size_t, 4> kTryOrder = {2, 3, 0, 1};

struct TableRead {
    std::uint16_t page;
    const CodeBlockTag* tag;   // nullptr: not checked
    unsigned code;             // failure code, kNoCode for none
};

constexpr TableRead kTableReads[] = {
    {1, &kDefectTableTag, kDefectTagWrong},   {2, &kEarlyBadTableTag, kEarlyBadTagWrong},
    {3, &kRemapTableTag, kRemapTagWrong},     {4, &kSystemPageTag, kNoCode},
    {5, &kSmartPageTag, kSmartTagWrong},      {6, nullptr, kNoCode},
    {7, nullptr, kNoCode},                    {60, nullptr, kNoCode},
    {61, nullptr, kNoCode},
};

bool RemapOn(const FlashConfig& config) { return config.Options[kOptRemap] != 0; }

// Is the table of this page switched off (read, not kept)?
bool TableOff(std::uint16_t page, const FlashConfig& config, const GlobalParameter& settings) {
    return (page == 3 && !RemapOn(config)) || (page == 5 && !settings.EnKeepSmartInfo);
}

void Dump(int slot, const char* format, unsigned page, const std::uint8_t* data, std::size_t bytes) {
    char name[40];
    std::snprintf(name, sizeof name, format, page);
    WriteDebugDump(slot, name, data, bytes);
}

// Every channel's copy carries the tag; otherwise the failure record names
// the first channel that does not.
bool TagsGood(const TableRead& read, const FlashConfig& config, std::span<std::uint8_t> buffer) {
    if (!read.tag) return true;
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * 512;
    for (std::size_t c = 0; c < config.ChannelCount; ++c) {
        if (HasCodeBlockTag(buffer.subspan(c * pageBytes, pageBytes), *read.tag)) continue;
        if (read.code != kNoCode) buffer[0] = static_cast<std::uint8_t>(read.code);
        buffer[1] = static_cast<std::uint8_t>(c);
        return false;
    }
    return true;
}

bool WritePage(int slot, const StepContext& ctx, std::uint16_t page, const CodeBlockPageFormat& format) {
    if (page >= ctx.config.FlashGeometry.PagesPerBlock) return false;
    return WritePageToCodeBlocks(slot, ctx.config, page, format, ctx.buffer, PageSetSectors(ctx.config));
}

bool WriteFiller(int slot, const StepContext& ctx, std::uint16_t page) {
    DebugPrint("######### - VP_WriteTables - Write dummy page! 0x%X\r\n", page);
    return WritePage(slot, ctx, page, BinPageFormat(ctx.config));
}

void TakeSet(const StepContext& ctx, std::span<const std::uint8_t> sets, std::size_t set) {
    const std::size_t bytes = PageSetBytes(ctx.config);
    std::copy_n(sets.begin() + static_cast<std::ptrdiff_t>(set * bytes), bytes, ctx.buffer.begin());
}

bool Fits(const StepContext& ctx, std::span<const std::uint8_t> sets, std::size_t count) {
    const std::size_t bytes = PageSetBytes(ctx.config);
    return bytes != 0 && ctx.buffer.size() >= bytes && sets.size() >= count * bytes;
}

bool WriteTablesNormal(int slot, const StepContext& ctx, std::span<const std::uint8_t> sets) {
    std::size_t set = 0;
    for (std::uint16_t page = 1; page <= 7; ++page) {
        TakeSet(ctx, sets, set);
        Dump(slot, "10_WT%2.2u.raw", page, ctx.buffer.data(), PageSetBytes(ctx.config));
        if (!WritePage(slot, ctx, page, TablePageFormat(ctx.config))) return false;
        // The page after a switched-off table gets a copy of the next one.
        if (!TableOff(page, ctx.config, ctx.settings)) ++set;
    }
    return true;
}

bool WriteTablesLowPage(int slot, const StepContext& ctx, std::span<const std::uint8_t> sets) {
    const FlashConfig& c = ctx.config;
    const std::uint16_t last = c.TablePageList[kMaxTableSets];
    std::size_t set = 0;
    bool wrote = false;
    std::uint16_t previous = 0;
    for (std::size_t i = 1; i <= kMaxTableSets; ++i) {
        const std::uint16_t page = c.TablePageList[i];
        TakeSet(ctx, sets, set);
        Dump(slot, "10_WT%2.2u.raw", page, ctx.buffer.data(), PageSetBytes(c));
        if (page != last) {
            if (wrote)
                for (unsigned p = previous + 1u; p < page; ++p)
                    if (!WriteFiller(slot, ctx, static_cast<std::uint16_t>(p))) return false;
            if (!WritePage(slot, ctx, page, TablePageFormat(c))) return false;
            wrote = true;
            previous = page;
        }
        // Positions 3 and 5 are the remap and SMART tables' (TableOff's pages).
        if (!TableOff(static_cast<std::uint16_t>(i), c, ctx.settings)) ++set;
    }
    for (unsigned p = last + 1u; p < c.PageMap[0]; ++p)
        if (!WriteFiller(slot, ctx, static_cast<std::uint16_t>(p))) return false;
    return true;
}

}  // namespace

std::size_t TableSetCount(const FlashConfig& config, const GlobalParameter& settings) {
    return kMaxTableSets - (RemapOn(config) ? 0 : 1) - (settings.EnKeepSmartInfo ? 0 : 1);
}

std::size_t SystemPageSet(const FlashConfig& config) { return RemapOn(config) ? 3 : 2; }

bool CollectTablePages(int slot, const StepContext& ctx, std::span<std::uint8_t> collection) {
    const FlashConfig& c = ctx.config;
    const std::size_t bytes = PageSetBytes(c);
    if (bytes < 2 * kTagSize || ctx.buffer.size() < bytes || collection.size() < TableSetCount(c, ctx.settings) * bytes)
        return false;
    std::size_t kept = 0;
    for (const TableRead& read : kTableReads) {
        if (TableOff(read.page, c, ctx.settings)) {
            ReadCodeBlockPage(slot, c, ctx.buffer, kTryOrder[0], read.page);
            continue;
        }
        bool good = false;
        for (const std::size_t index : kTryOrder) {
            if (!ReadCodeBlockPage(slot, c, ctx.buffer, index, read.page)) continue;
            if (!TagsGood(read, c, ctx.buffer)) continue;
            good = true;
            break;
        }
        if (!good) {
            DebugPrint("######### - DownloadFirmware - Table page %u failed in every code block!\r\n", read.page);
            return false;
        }
        Dump(slot, "buffer_CP_%u.raw", read.page, ctx.buffer.data(), bytes);
        std::uint8_t* to = collection.data() + kept * bytes;
        std::copy_n(ctx.buffer.begin(), bytes, to);
        Dump(slot, "codepage_CP_%u.raw", read.page, to, bytes);
        ++kept;
    }
    WriteDebugDump(slot, "test_CP.raw", collection.data(), kept * bytes);
    return true;
}

std::uint32_t CountEarlyBadEntries(std::span<const std::uint8_t> page) {
    std::uint32_t count = 0;
    for (std::size_t at = kTagSize; at + 2 <= page.size(); at += 2) {
        const std::uint8_t high = page[at + 1];
        if (high == kEndEntry) break;
        if (high != kBankEntry) ++count;
    }
    return count;
}

std::uint32_t CountEarlyBad(const FlashConfig& config, std::span<const std::uint8_t> earlyBadSet) {
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * 512;
    std::uint32_t count = 0;
    for (std::size_t c = 0; c < config.ChannelCount && (c + 1) * pageBytes <= earlyBadSet.size(); ++c) {
        const auto page = earlyBadSet.subspan(c * pageBytes, pageBytes);
        if (HasCodeBlockTag(page, kEarlyBadTableTag)) count += CountEarlyBadEntries(page);
    }
    return count;
}

bool VP_WriteTables(int slot, const StepContext& ctx, std::span<const std::uint8_t> tablePages) {
    if (!Fits(ctx, tablePages, TableSetCount(ctx.config, ctx.settings))) return false;
    return IsLowPageModeActive(ctx.config) ? WriteTablesLowPage(slot, ctx, tablePages)
                                           : WriteTablesNormal(slot, ctx, tablePages);
}

bool WriteExtraTablePages(int slot, const StepContext& ctx, std::span<const std::uint8_t> tablePages) {
    const std::size_t count = TableSetCount(ctx.config, ctx.settings);
    if (!Fits(ctx, tablePages, count)) return false;
    const CodeBlockPageFormat format = TablePageFormat(ctx.config);
    for (std::size_t k = 0; k < 2; ++k) {
        const auto page = static_cast<std::uint16_t>(kFirstExtraTablePage + k);
        TakeSet(ctx, tablePages, count - 2 + k);
        Dump(slot, "10_WT%2.2u.raw", page, ctx.buffer.data(), PageSetBytes(ctx.config));
        if (!WritePage(slot, ctx, page, format)) return false;
    }
    for (unsigned p = kFirstExtraTablePage + 2u; p < ctx.config.FlashGeometry.PagesPerBlock; ++p)
        if (!WritePage(slot, ctx, static_cast<std::uint16_t>(p), format)) return false;
    return true;
}

}  // namespace qx
