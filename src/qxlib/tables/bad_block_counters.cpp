#include "qxlib/tables/bad_block_counters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "qxlib/base/byte_order.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/early_bad_page.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/tables/bad_block_detail.h"

namespace qx {
namespace {

constexpr int kTableSectors = 64;
constexpr std::size_t kTableReadBytes = kTableSectors * 512;
constexpr std::size_t kDumpBytes = 64 * 1024;

#if !QX_UTILITY_BUILD
// Later-bad page: count at 16, 4-byte entries (block, type) from 32.
constexpr std::size_t kLaterCountAt = 16;
constexpr std::size_t kLaterEntriesAt = 32;
// Per-channel bad-block table: count at 4, 4-byte records from 8.
constexpr std::size_t kChannelCountAt = 4;
constexpr std::size_t kChannelRecordsAt = 8;
// Bad-unit table: count at 0, records from 4.
constexpr std::size_t kUnitRecordsAt = 4;
constexpr std::size_t kUnitShortRecord = 7;
constexpr std::size_t kUnitLongRecord = 19;
constexpr std::size_t kUnitTypeAt = 2;
constexpr std::size_t kUnitRowsAt = 3;


struct Counting {
    const FlashConfig& config;
    std::span<std::uint32_t> counters;
    std::size_t pageBytes;

    std::size_t Cell(std::size_t row) const {
        return config.BankCount && row >= config.BankCount ? row % config.BankCount : row;
    }
    void Add(std::size_t channel, std::size_t cell, std::size_t kind) {
        const std::size_t at = BadBlockCounterAt(channel, cell, kind);
        if (cell < kBadBlockCells && at < counters.size()) ++counters[at];
    }
    std::span<const std::uint8_t> ChannelPage(const WorkBuffer& table, std::size_t slotIndex, unsigned channel) const {
        const std::size_t at = slotIndex * kTablePageBytes + channel * pageBytes;
        if (!table || pageBytes == 0 || at + pageBytes > table.size()) return {};
        return {table.data() + at, pageBytes};
    }
};

int LaterBadType(std::span<const std::uint8_t> page, std::uint16_t block) {
    if (!HasCodeBlockTag(page, kLaterBadTableTag)) return kBadBlockTypeUnknown;
    const std::size_t count = get_le16(&page[kLaterCountAt]);
    for (std::size_t k = 0; k < count && kLaterEntriesAt + k * 4 + 4 <= page.size(); ++k) {
        const std::uint8_t* e = &page[kLaterEntriesAt + k * 4];
        if (get_le16(e) == block) return e[2];
    }
    return kBadBlockTypeUnknown;
}

void CountPerChannel(int slot, Counting& n, std::span<std::uint8_t> buffer) {
    const DeviceSlot& s = SlotOf(slot);
    const FlashConfig& c = n.config;
    const unsigned rows = unsigned{c.BankCount} * c.FlashGeometry.DiesPerCe;
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned ch = 0; ch < c.ChannelCount; ++ch) {
            VA_ReadBadBlockTable(slot, buffer.data(), kTableSectors, static_cast<std::uint8_t>(ch),
                                 static_cast<std::uint8_t>(r));
            char name[32];
            std::snprintf(name, sizeof name, "SB_%2.2u%2.2u.raw", ch, r);
            WriteDebugDump(slot, name, buffer.data(), std::min(buffer.size(), kTablePageBytes));

            const auto early = n.ChannelPage(s.EarlyTable, 0, ch);
            if (!HasCodeBlockTag(early, kEarlyBadTableTag)) continue;   // nothing of this table counts
            const unsigned die = c.BankCount ? r / c.BankCount : 0;
            const auto later = n.ChannelPage(s.LaterBadPages, std::size_t{r} * 2 + die, ch);
            const std::size_t records = std::min<std::size_t>(get_le16(&buffer[kChannelCountAt]),
                                                              (kTableReadBytes - kChannelRecordsAt) / 4);
            for (std::size_t k = 0; k < records; ++k) {
                const std::uint16_t block = get_le16(&buffer[kChannelRecordsAt + k * 4]);
                bool earlyBad = false;
                WalkEarlyBadPage(early, [&](unsigned ce, std::uint16_t b) { return earlyBad = (b == block && ce == r); });
                const int type = earlyBad ? kBadBlockTypeEarly : LaterBadType(later, block);
                const std::optional<std::size_t> kind = BadBlockKindOfType(type);
                if (!kind) {
                    DebugPrint("err bad block type=%d\n", type);
                    continue;
                }
                // The record came from row r's table: that is its cell.
                n.Add(ch, n.Cell(r), *kind);
            }
        }
    }
}

std::size_t UnitKind(std::uint8_t type) {
    const std::optional<std::size_t> kind = type == kBadBlockTypeEarly ? std::nullopt : BadBlockKindOfType(type);
    return kind.value_or(kKindEraseFail);
}

void CountBadUnits(int slot, Counting& n, const SystemInfo& info, std::span<std::uint8_t> buffer) {
    const DeviceSlot& s = SlotOf(slot);
    const FlashConfig& c = n.config;
    // The defect table is kept for inspection only.
    if (s.DefectTable)
        for (unsigned ch = 0; ch < c.ChannelCount; ++ch)
            WriteDebugDump(slot, "defect.raw", s.DefectTable.data(), std::min(kDumpBytes, s.DefectTable.size()));
    for (unsigned ch = 0; ch < c.ChannelCount; ++ch) {
        const auto early = n.ChannelPage(s.EarlyTable, 0, ch);
        if (!HasCodeBlockTag(early, kEarlyBadTableTag)) continue;
        WalkEarlyBadPage(early, [&](unsigned ce, std::uint16_t) {
            n.Add(ch, n.Cell(ce), kKindEarlyBad);
            return false;
        });
    }

    VA_ReadBadBlockTable(slot, buffer.data(), kTableSectors, 0, 0);
    WriteDebugDump(slot, "BadUnit.raw", buffer.data(), std::min(buffer.size(), kDumpBytes));
    const bool longRecords = std::memcmp(&info.SystemHeaderCopy[7], "00", 2) != 0;
    const std::size_t size = longRecords ? kUnitLongRecord : kUnitShortRecord;
    const std::size_t rows = longRecords ? std::size_t{c.BankCount} * c.FlashGeometry.DiesPerCe : c.BankCount;
    const std::size_t records = std::min<std::size_t>(get_le16(&buffer[0]), (kTableReadBytes - kUnitRecordsAt) / size);
    for (std::size_t k = 0; k < records; ++k) {
        const std::uint8_t* rec = &buffer[kUnitRecordsAt + k * size];
        const std::size_t kind = UnitKind(rec[kUnitTypeAt]);
        for (unsigned ch = 0; ch < c.ChannelCount; ++ch) {
            for (std::size_t e = 0; e < rows && kUnitRowsAt + e < size; ++e) {
                n.Add(ch, e, kind);
                if (ch < 8 && (rec[kUnitRowsAt + e] >> ch & 1)) n.Add(ch, n.Cell(e), kKindUnitChannelBits);
            }
        }
    }
}

#else
BadBlockDetailSettings DetailSettings(int slot, const FlashConfig& c, const SystemInfo& info, bool remapRelation) {
    BadBlockDetailSettings s;
    s.channels = c.ChannelCount;
    s.banks = c.BankCount;
    s.dies = c.FlashGeometry.DiesPerCe;
    s.pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
    s.unitsPerDie = c.FlashGeometry.BlocksPerPlane;
    s.dieOffset = c.DieOffset ? c.DieOffset : c.FlashGeometry.BlocksPerPlane;
    s.blockMode = (c.FwFlagsB & 4) != 0;
    s.remapOption = c.Options[kOptRemap] != 0;
    s.rawDumps = SlotDumpsOn(slot);
    s.remapRelation = remapRelation;
    s.badUnitLayout = std::memcmp(&info.SystemHeaderCopy[36], "818", 3) == 0;
    s.longUnitRecords = std::memcmp(&info.SystemHeaderCopy[7], "00", 2) != 0;
    return s;
}

std::span<const std::uint8_t> Bytes(const WorkBuffer& b) { return {b.data(), b ? b.size() : 0}; }
#endif

}  // namespace

#if QX_UTILITY_BUILD
void CountBadBlocksByType(int slot, TableContext& ctx, std::span<std::uint32_t> counters, BadBlockTotals& totals,
                          std::string* detailText) {
    CountBadBlocksByType(slot, ctx, counters, totals, detailText, false);
}

void CountBadBlocksByType(int slot, TableContext& ctx, std::span<std::uint32_t> counters, BadBlockTotals& totals,
                          std::string* detailText, bool remapRelation) {
    totals.fill(0);
    if (!IsSlot(slot) || ctx.buffer.size() < kTableReadBytes) return;
    ReadSystemInfo(slot, ctx.config, ctx.binFiles, ctx.info, ctx.buffer);
    ReadDriveTables(slot, ctx.config, ctx.buffer);
    DeviceSlot& s = *WritableSlot(slot);
    const BadBlockTablePages pages{Bytes(s.DefectTable), Bytes(s.EarlyTable), Bytes(s.RemapTablePages),
                                   Bytes(s.LaterBadPages)};
    BadBlockDetailIo io;
    io.readTable = [slot](std::uint8_t channel, std::uint8_t row, std::span<std::uint8_t> into) {
        VA_ReadBadBlockTable(slot, into.data(), kTableSectors, channel, row);
    };
    io.dump = [slot](const char* name, std::span<const std::uint8_t> bytes) {
        WriteDebugDump(slot, name, bytes.data(), bytes.size());
    };
    const std::span<std::uint8_t> map = s.BadBlockMap ? s.BadBlockMap.span() : std::span<std::uint8_t>{};
    CountBadBlockDetail(DetailSettings(slot, ctx.config, ctx.info, remapRelation), pages, io, ctx.buffer, counters, totals,
                        detailText, map);
}
#else
void CountBadBlocksByType(int slot, TableContext& ctx, std::span<std::uint32_t> counters, BadBlockTotals& totals,
                          std::string* detailText) {
    totals.fill(0);
    if (!IsSlot(slot) || ctx.buffer.size() < kTableReadBytes) return;
    ReadSystemInfo(slot, ctx.config, ctx.binFiles, ctx.info, ctx.buffer);
    ReadDriveTables(slot, ctx.config, ctx.buffer);
    if (detailText) detailText->append(kBadBlockLegend);

    const FlashConfig& c = ctx.config;
    Counting n{c, counters, std::size_t{c.FlashGeometry.SectorsPerPage} * 512};
    if (std::memcmp(&ctx.info.SystemHeaderCopy[36], "818", 3) == 0)
        CountBadUnits(slot, n, ctx.info, ctx.buffer);
    else
        CountPerChannel(slot, n, ctx.buffer);

    for (std::size_t k = 0; k < kBadBlockKinds; ++k)
        for (std::size_t ch = 0; ch < c.ChannelCount; ++ch)
            for (std::size_t e = 0; e < c.BankCount && e < kBadBlockCells; ++e) {
                const std::size_t at = BadBlockCounterAt(ch, e, k);
                if (at < counters.size()) totals[k] += counters[at];
            }
}

#endif

}  // namespace qx
