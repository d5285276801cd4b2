#include "utility/pages/erase_count_page.h"

#include <algorithm>
#include <cstring>

#include "qxlib/base/byte_order.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/vendor_access/v_access.h"
#include "utility/flash_geometry_bounds.h"
#include "utility/pages/page_text.h"
#include "utility/pages/ssd_info_page.h"

namespace qx::utility {
namespace {

constexpr int kSingleTableSectors = 64;
constexpr int kHeadSectors = 2;
constexpr int kMaxReadSectors = 128;   // what one vendor read carries
constexpr std::size_t kSingleTableDump = 64 * 1024;
constexpr std::size_t kChannelTableDump = 128 * 1024;
constexpr std::uint32_t kNoValue16 = 0xFFFF;
constexpr std::uint32_t kNoValue32 = 0xFFFFFFFF;

// BadBlockMap bounds: 8 channels, 8 CE rows, 4096 blocks a CE row.
constexpr std::size_t kMapChannelStride = 32768;
constexpr std::size_t kMapRowStride = 4096;
constexpr unsigned kMapChannels = 8;
constexpr unsigned kMapRows = 8;

struct Totals {
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
    std::uint64_t max = 0;
    void Add(std::uint64_t v) {
        sum += v;
        ++count;
        max = std::max(max, v);
    }
};

std::string TitleRow(unsigned channels, unsigned ceRows) {
    std::string t = "Ch/CE\t";
    for (unsigned r = 0; r < ceRows; ++r)
        for (unsigned c = 0; c < channels; ++c) AppendPrintf(t, "[%d]/[%d]\t", c, r);
    return t;
}

void SetResults(EraseCountPage& page, std::uint64_t average, std::uint64_t max) {
    page.AeraseEdit = Printf("\nAverage erase count = %llu\n", static_cast<unsigned long long>(average));
    page.MeraseEdit = Printf("Max. erase count = %llu\n\n", static_cast<unsigned long long>(max));
}

std::uint64_t Average(std::uint64_t sum, std::uint64_t divisor) { return divisor ? sum / divisor : 0; }

void Dump(const EraseCountSource& source, const std::string& name, std::span<const std::uint8_t> buffer,
          std::size_t bytes) {
    if (source.dump) source.dump(name, buffer.first(std::min(bytes, buffer.size())));
}

// Entries of a table that fit the bytes read after its first entry.
std::size_t FittingEntries(std::size_t count, std::size_t readBytes, std::size_t at, std::size_t entryBytes) {
    return readBytes > at ? std::min(count, (readBytes - at) / entryBytes) : 0;
}

std::string Cell(std::uint32_t value, std::uint32_t noValue) {
    return value == noValue ? Printf("%c\t", 'X') : Printf("%d\t", static_cast<int>(value));
}

std::string Repeat(const std::string& cell, std::size_t times) {
    std::string t;
    t.reserve(cell.size() * times);
    for (std::size_t i = 0; i < times; ++i) t += cell;
    return t;
}

void Page810(EraseCountPage& page, const EraseCountGeometry& g, const EraseCountSource& source,
             std::span<std::uint8_t> buffer) {
    const unsigned rows = g.banks * g.dies;
    page.EraseMemo.push_back(TitleRow(g.channels, rows));
    const std::size_t readBytes = kSingleTableSectors * 512;
    Totals t;
    for (unsigned r = 0; r < std::max(rows, 1u); ++r) {
        if (!source.read(0, static_cast<std::uint8_t>(r), kSingleTableSectors, buffer)) return;
        Dump(source, "erasecount.raw", buffer, kSingleTableDump);
        const std::size_t count = FittingEntries(get_le16(&buffer[0]), readBytes, 4, 2);
        if (count == 0) continue;
        for (std::size_t e = 0; e < count; ++e) {
            const std::uint32_t v = get_le16(&buffer[4 + 2 * e]);
            if (v != kNoValue16) t.Add(v);
            page.EraseMemo.push_back(Printf("%4.4d\t", static_cast<int>(e)) +
                                     Repeat(Cell(v, kNoValue16), std::size_t{rows} * g.channels));
        }
        break;
    }
    SetResults(page, Average(t.sum, t.count), t.max);
}

void Page818(EraseCountPage& page, const EraseCountGeometry& g, const EraseCountSource& source,
             std::span<std::uint8_t> buffer) {
    if (!source.read(0, 0, kSingleTableSectors, buffer)) return;
    page.EraseMemo.push_back(TitleRow(g.channels, g.banks));
    Dump(source, "erasecount.raw", buffer, kSingleTableDump);
    const std::size_t count = FittingEntries(get_le16(&buffer[0]), kSingleTableSectors * 512, 4, 4);
    Totals t;
    for (unsigned d = 0; d < g.dies; ++d) {
        for (std::size_t e = 0; e < count; ++e) {
            const std::uint32_t v = get_le32(&buffer[4 + 4 * e]);
            if (v != kNoValue32) t.Add(v);
            page.EraseMemo.push_back(Printf("%4.4d\t", static_cast<int>(d * count + e)) +
                                     Repeat(Cell(v, kNoValue32), std::size_t{g.banks} * g.channels));
        }
    }
    SetResults(page, Average(t.sum, t.count), t.max);
}

bool MarkedBad(std::span<const std::uint8_t> map, unsigned channel, unsigned row, std::size_t block) {
    if (channel >= kMapChannels || row >= kMapRows || block >= kMapRowStride) return false;
    const std::size_t at = 2 * (channel * kMapChannelStride + row * kMapRowStride + block);
    return at + 2 <= map.size() && get_le16(&map[at]) == 1;
}

void PagePerChannel(EraseCountPage& page, const EraseCountGeometry& g, const EraseCountSource& source,
                    std::span<std::uint8_t> buffer, std::span<const std::uint8_t> badBlockMap) {
    if (!source.read(0, 0, kHeadSectors, buffer)) return;
    // No CE row holds more blocks than a CE can have.
    const std::size_t listedCount = std::min<std::size_t>(get_le16(&buffer[4]), kMaxBlocksPerCe);
    const int sectors = std::min(static_cast<int>((4 * listedCount + 519) / 512), kMaxReadSectors);
    const std::size_t readBytes = static_cast<std::size_t>(sectors) * 512;
    // Only the entries a read of at most 128 sectors can hold are listed.
    const std::size_t count = FittingEntries(listedCount, readBytes, 8, 2);
    page.EraseMemo.push_back(TitleRow(g.channels, g.banks));

    // Cell values by (CE row, channel) in read order, per entry; a read that
    // failed gives the no-value mark, so its column shows "X" throughout.
    const unsigned rows = g.banks * g.dies;
    const std::size_t columns = std::size_t{rows} * g.channels;
    std::vector<std::uint32_t> cells(count * columns, kNoValue16);
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned c = 0; c < g.channels; ++c) {
            std::memset(buffer.data(), 0, 4);
            const bool ok = source.read(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r), sectors, buffer);
            Dump(source, Printf("EC_%2.2d_%2.2d.raw", c, r), buffer, kChannelTableDump);
            if (!ok) continue;
            const std::size_t column = std::size_t{r} * g.channels + c;
            for (std::size_t e = 0; e < count; ++e) cells[e * columns + column] = get_le16(&buffer[8 + 2 * e]);
        }
    }

    std::uint64_t sum = 0;
    std::uint64_t max = 0;
    const std::size_t perDie = std::size_t{g.banks} * g.channels;
    for (unsigned d = 0; d < g.dies; ++d) {
        for (std::size_t e = 0; e < count; ++e) {
            std::string line = Printf("%04d\t", static_cast<int>(d * count + e));
            for (std::size_t k = d * perDie; k < d * perDie + perDie; ++k) {
                const std::uint32_t v = cells[e * columns + k];
                if (v == kNoValue16) {
                    line += "X\t";
                    continue;
                }
                const auto channel = static_cast<unsigned>(k % g.channels);
                const auto row = static_cast<unsigned>(k / g.channels);
                line += MarkedBad(badBlockMap, channel, row, e) ? Printf("[%2lu]\t", static_cast<unsigned long>(v))
                                                                : Printf("%2lu\t", static_cast<unsigned long>(v));
                sum += v;
                max = std::max<std::uint64_t>(max, v);
            }
            page.EraseMemo.push_back(std::move(line));
        }
    }
    SetResults(page, Average(sum, std::uint64_t{columns} * count), max);
}

}  // namespace

EraseCountLayout EraseCountLayoutOf(const SystemInfo& info) {
    if (HeaderModelIs(info, "810")) return EraseCountLayout::Model810;
    if (HeaderModelIs(info, "818")) return EraseCountLayout::Model818;
    return EraseCountLayout::PerChannel;
}

EraseCountGeometry EraseCountGeometryOf(const FlashConfig& config) {
    return {config.ChannelCount, config.BankCount, config.FlashGeometry.DiesPerCe};
}

EraseCountPage BuildEraseCountPage(EraseCountLayout layout, const EraseCountGeometry& geometry,
                                   const EraseCountSource& source, std::span<std::uint8_t> buffer,
                                   std::span<const std::uint8_t> badBlockMap) {
    EraseCountPage page;
    if (!source.read || buffer.size() < std::size_t{kMaxReadSectors} * 512) return page;
    // Counts beyond the controller's would ask for more reads, cells and
    // text than any drive has: a line says so and nothing is read.
    if (std::string fault = FlashGeometryFault(geometry.channels, geometry.banks, geometry.dies); !fault.empty()) {
        page.EraseMemo.push_back(std::move(fault));
        return page;
    }
    switch (layout) {
        case EraseCountLayout::Model810: Page810(page, geometry, source, buffer); break;
        case EraseCountLayout::Model818: Page818(page, geometry, source, buffer); break;
        case EraseCountLayout::PerChannel: PagePerChannel(page, geometry, source, buffer, badBlockMap); break;
    }
    return page;
}

EraseCountPage GetEraseCount(int slot, const FlashConfig& config, const SystemInfo& info,
                             std::span<std::uint8_t> buffer) {
    EraseCountSource source;
    source.read = [slot](std::uint8_t channel, std::uint8_t row, int sectors, std::span<std::uint8_t> into) {
        if (into.size() < static_cast<std::size_t>(sectors) * 512) return false;
        return VA_ReadEraseCountTable(slot, into.data(), sectors, channel, row);
    };
    source.dump = [slot](const std::string& name, std::span<const std::uint8_t> bytes) {
        WriteDebugDump(slot, name.c_str(), bytes.data(), bytes.size());
    };
    std::span<const std::uint8_t> map;
    if (const WorkBuffer& m = SlotOf(slot).BadBlockMap) map = {m.data(), m.size()};
    return BuildEraseCountPage(EraseCountLayoutOf(info), EraseCountGeometryOf(config), source, buffer, map);
}

}  // namespace qx::utility
