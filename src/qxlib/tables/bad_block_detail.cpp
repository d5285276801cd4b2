#include "qxlib/tables/bad_block_detail.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/early_bad_page.h"

namespace qx {
namespace {

constexpr std::size_t kTableReadBytes = 64 * 512;
constexpr std::size_t kTableDumpBytes = 128 * 1024;
constexpr std::size_t kSmallDumpBytes = 64 * 1024;
constexpr std::size_t kBodyAt = 16;   // table pages: records after the tag

// Defect table records.
constexpr std::uint16_t kDefectCeMarker = 0xA0FB;
constexpr std::uint16_t kDefectEndMarker = 0xD1FE;
// Remap table records.
constexpr std::uint16_t kRemapCeMarker = 0xEBA0;
constexpr std::uint16_t kRemapPlaneMarker = 0xEAE0;
constexpr std::uint16_t kRemapIgnored = 0xEDE0;
constexpr std::uint16_t kRemapEndMarker = 0xEED1;
constexpr std::uint16_t kRemapEmpty = 0xFFFF;
// Later-bad pages: count at 16, entries from 32; CE row r, die d at
// r x 256 KB + d x 128 KB.
constexpr std::size_t kLaterCountAt = 16;
constexpr std::size_t kLaterEntriesAt = 32;
constexpr std::size_t kLaterRowBytes = 256 * 1024;
constexpr std::size_t kLaterDieBytes = 128 * 1024;
// Firmware tables.
constexpr std::size_t kChannelCountAt = 4;
constexpr std::size_t kChannelRecordsAt = 8;
constexpr std::size_t kUnitRecordsAt = 4;

constexpr char kRule[] = "----------------------------------------\r\n";

[[gnu::format(printf, 2, 3)]] void Append(std::string& text, const char* format, ...) {
    char line[160];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) text.append(line, std::min(static_cast<std::size_t>(n), sizeof line - 1));
}

struct RemapRecord {
    std::uint16_t first;
    std::uint16_t second;
};

// Walks a remap page's records up to its end marker; visit(ce, plane,
// record) answers true to stop.
template <typename Visit>
void WalkRemapPage(std::span<const std::uint8_t> page, Visit&& visit) {
    unsigned ce = 0;
    unsigned plane = 0;
    for (std::size_t at = kBodyAt; at + 4 <= page.size(); at += 4) {
        const RemapRecord r{get_le16(&page[at]), get_le16(&page[at + 2])};
        if (r.first == kRemapEndMarker) return;
        if (r.first == kRemapCeMarker) {
            ce = r.second;
        } else if (r.first == kRemapPlaneMarker) {
            plane = r.second;
        } else if (r.first != kRemapIgnored) {
            if (visit(ce, plane, r)) return;
        }
    }
}

struct RemapTarget {
    std::uint16_t block;
    unsigned plane;
};

// A channel's early-bad blocks (CE << 16 | block) and remap pairs (CE << 16 |
// bad block), gathered once so each record costs a lookup, not a walk.
struct ChannelLookups {
    bool hasEarly = false;
    bool hasRemap = false;
    std::unordered_set<std::uint32_t> early;
    std::unordered_map<std::uint32_t, RemapTarget> remap;
};

class Report {
public:
    Report(const BadBlockDetailSettings& s, const BadBlockTablePages& pages, const BadBlockDetailIo& io,
           std::span<std::uint32_t> counters, std::string* detail, std::span<std::uint8_t> map)
        : s_(s), pages_(pages), io_(io), counters_(counters), detail_(detail), map_(map),
          slots_(std::size_t{s.channels} * std::max(s.banks, 1u)) {}

    void PerChannel(std::span<std::uint8_t> buffer);
    void BadUnits(std::span<std::uint8_t> buffer);
    void PhysicalBadBlocks();
    void RemapRelation();

private:
    unsigned Bank(unsigned ceRow) const { return s_.banks ? ceRow % s_.banks : ceRow; }
    std::uint32_t DieOffsetOf(unsigned ce) const { return ce >= s_.banks ? s_.dieOffset : 0u; }
    const char* UnitWord() const { return s_.blockMode ? "Block" : "BlockU"; }

    std::span<const std::uint8_t> Page(std::span<const std::uint8_t> table, std::size_t base, unsigned channel,
                                       const CodeBlockTag& tag) const {
        const std::size_t at = base + std::size_t{channel} * s_.pageBytes;
        if (s_.pageBytes < kBodyAt || at + s_.pageBytes > table.size()) return {};
        const auto page = table.subspan(at, s_.pageBytes);
        return HasCodeBlockTag(page, tag) ? page : std::span<const std::uint8_t>{};
    }
    void Count(unsigned channel, unsigned cell, std::size_t kind) {
        const std::size_t at = BadBlockCounterAt(channel, cell, kind);
        if (cell < kBadBlockCells && at < counters_.size()) ++counters_[at];
    }
    std::uint32_t Counter(unsigned channel, unsigned cell, std::size_t kind) const {
        const std::size_t at = BadBlockCounterAt(channel, cell, kind);
        return cell < kBadBlockCells && at < counters_.size() ? counters_[at] : 0;
    }
    void AddToCounter(unsigned channel, unsigned cell, std::size_t kind, std::uint32_t n) {
        const std::size_t at = BadBlockCounterAt(channel, cell, kind);
        if (cell < kBadBlockCells && at < counters_.size()) counters_[at] += n;
    }
    std::string* Slot(unsigned channel, unsigned bank) {
        if (!detail_ || channel >= s_.channels || bank >= std::max(s_.banks, 1u)) return nullptr;
        return &slots_[std::size_t{channel} * std::max(s_.banks, 1u) + bank];
    }
    // Channel outer, bank inner, into the detail text; the slots are emptied.
    void Flush() {
        if (!detail_) return;
        for (std::string& slot : slots_) {
            detail_->append(slot);
            slot.clear();
        }
    }
    void Mark(unsigned channel, unsigned bank, std::uint32_t block) {
        if (channel >= kBadBlockMapLimit || bank >= kBadBlockMapLimit || block >= kBadBlockMapBankStride) return;
        const std::size_t at = 2 * (channel * kBadBlockMapChannelStride + bank * kBadBlockMapBankStride + block);
        if (at + 2 > map_.size()) return;
        map_[at] = 1;
        map_[at + 1] = 0;
    }
    void Dump(const char* name, std::span<const std::uint8_t> bytes, std::size_t length) const {
        if (io_.dump) io_.dump(name, bytes.first(std::min(length, bytes.size())));
    }
    void ListRemaps(unsigned channel);
    ChannelLookups LookupsOf(unsigned channel) const;
    void ListRecord(unsigned channel, unsigned ceRow, std::uint16_t block, const ChannelLookups& lookups,
                    const std::unordered_map<std::uint16_t, int>& laterTypes, bool& stop);

    const BadBlockDetailSettings& s_;
    const BadBlockTablePages& pages_;
    const BadBlockDetailIo& io_;
    std::span<std::uint32_t> counters_;
    std::string* detail_;
    std::span<std::uint8_t> map_;
    std::vector<std::string> slots_;
};

void Report::ListRemaps(unsigned channel) {
    const auto remap = Page(pages_.remap, 0, channel, kRemapTableTag);
    if (remap.empty() || !detail_) return;
    WalkRemapPage(remap, [&](unsigned ce, unsigned plane, RemapRecord r) {
        Append(*detail_, "<Remap> CH=%d  CE=%d  plane=%d [0x%04x ==> 0x%04x]\r\n", channel, Bank(ce), plane, r.first,
               r.second);
        return false;
    });
}

ChannelLookups Report::LookupsOf(unsigned channel) const {
    ChannelLookups l;
    const auto early = Page(pages_.early, 0, channel, kEarlyBadTableTag);
    l.hasEarly = !early.empty();
    WalkEarlyBadPage(early, [&](unsigned ce, std::uint16_t block) {
        l.early.insert(ce << 16 | block);
        return false;
    });
    const auto remap = Page(pages_.remap, 0, channel, kRemapTableTag);
    l.hasRemap = !remap.empty();
    WalkRemapPage(remap, [&](unsigned remapCe, unsigned plane, RemapRecord r) {
        // The first pair for a block of a CE is the one the firmware uses.
        if (r.first != kRemapEmpty) l.remap.emplace(remapCe << 16 | r.first, RemapTarget{r.second, plane});
        return false;
    });
    return l;
}

std::unordered_map<std::uint16_t, int> LaterBadTypes(std::span<const std::uint8_t> later) {
    std::unordered_map<std::uint16_t, int> types;
    if (later.empty()) return types;
    const std::size_t count = get_le16(&later[kLaterCountAt]);
    for (std::size_t k = 0; k < count && kLaterEntriesAt + k * 4 + 4 <= later.size(); ++k) {
        const std::uint8_t* e = &later[kLaterEntriesAt + k * 4];
        types.emplace(get_le16(e), e[2]);   // the first entry of a block holds
    }
    return types;
}

void Report::ListRecord(unsigned channel, unsigned ceRow, std::uint16_t block, const ChannelLookups& lookups,
                        const std::unordered_map<std::uint16_t, int>& laterTypes, bool& stop) {
    // Without its early table a channel's records cannot be judged: none of
    // them counts.
    if (!lookups.hasEarly) {
        stop = true;
        return;
    }
    const bool earlyBad = lookups.early.count(ceRow << 16 | block) != 0;
    int type = kBadBlockTypeUnknown;
    if (earlyBad) {
        type = kBadBlockTypeEarly;
    } else if (const auto t = laterTypes.find(block); t != laterTypes.end()) {
        type = t->second;
    }

    bool remapped = false;
    std::uint32_t remapBlock = 0;
    unsigned plane = 0;
    if (!earlyBad && s_.remapOption) {
        // Nor can a later-bad block be judged without the remap table.
        if (!lookups.hasRemap) {
            stop = true;
            return;
        }
        if (const auto m = lookups.remap.find(ceRow << 16 | block); m != lookups.remap.end()) {
            remapped = true;
            remapBlock = m->second.block;
            plane = m->second.plane;
        }
    }

    // Counted and listed under the bank of the table's CE row.
    const unsigned bank = Bank(ceRow);
    const std::optional<std::size_t> kind = BadBlockKindOfType(type);
    if (kind)
        Count(channel, bank, *kind);
    else
        DebugPrint("err bad block type=%d\n", type);

    const unsigned die = s_.banks ? ceRow / s_.banks : 0;
    const std::uint32_t b = block + die * std::uint32_t{s_.unitsPerDie};
    std::uint32_t nandBad = b;
    std::uint32_t nandRemap = remapBlock;
    if (!s_.blockMode) {
        nandBad = plane == 0 ? b * 2 + 1 : b * 2;
        nandRemap = plane == 0 ? remapBlock * 2 : remapBlock * 2 + 1;
    }
    std::string* slot = Slot(channel, bank);
    if (slot) {
        const char* t = UnitWord();
        if (type == kBadBlockTypeEarly && remapped)
            Append(*slot, "<EarlyBad> CH=%d  CE=%d  %s=0x%04x  [0x%04x, [0x%04x, 0x%04x]]\r\n", channel, bank, t, b,
                   remapBlock, nandBad, nandRemap);
        else if (type == kBadBlockTypeEarly)
            Append(*slot, "<EarlyBad> CH=%d  CE=%d  %s=0x%04x\r\n", channel, bank, t, b);
        else if (remapped)
            Append(*slot, "CH=%d  CE=%d  %s=0x%04x  %s=%d  [0x%04x, [0x%04x, 0x%04x]]\r\n", channel, bank, t, b,
                   kind ? "ErrType" : "InvalidType", type, remapBlock, nandBad, nandRemap);
        else
            Append(*slot, "CH=%d  CE=%d  %s=0x%04x  %s=%d\r\n", channel, bank, t, b, kind ? "ErrType" : "InvalidType",
                   type);
    }
    if (kind && *kind != kKindEarlyBad) Mark(channel, bank, b);
}

void Report::PerChannel(std::span<std::uint8_t> buffer) {
    const unsigned rows = s_.banks * s_.dies;
    // The early and remap pages are the channel's for every CE row.
    std::vector<ChannelLookups> lookups;
    for (unsigned c = 0; c < s_.channels; ++c) lookups.push_back(LookupsOf(c));
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned c = 0; c < s_.channels; ++c) {
            if (r == 0 && s_.remapOption && s_.rawDumps) {
                char name[32];
                std::snprintf(name, sizeof name, "15Remap_%2.2u%2.2u.raw", c, 0u);
                Dump(name, pages_.remap, kTableDumpBytes);
                ListRemaps(c);
            }
            io_.readTable(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r), buffer);
            char name[32];
            std::snprintf(name, sizeof name, "SB_%2.2u%2.2u.raw", c, r);
            Dump(name, buffer, kTableDumpBytes);

            const unsigned die = s_.banks ? r / s_.banks : 0;
            const auto laterTypes = LaterBadTypes(
                Page(pages_.laterBad, r * kLaterRowBytes + die * kLaterDieBytes, c, kLaterBadTableTag));
            const std::size_t records = std::min<std::size_t>(get_le16(&buffer[kChannelCountAt]),
                                                              (kTableReadBytes - kChannelRecordsAt) / 4);
            bool stop = false;
            for (std::size_t k = 0; k < records && !stop; ++k)
                ListRecord(c, r, get_le16(&buffer[kChannelRecordsAt + k * 4]), lookups[c], laterTypes, stop);
        }
    }
    Flush();
}

void Report::BadUnits(std::span<std::uint8_t> buffer) {
    for (unsigned c = 0; c < s_.channels; ++c) {
        const auto early = Page(pages_.early, 0, c, kEarlyBadTableTag);
        if (early.empty()) continue;
        WalkEarlyBadPage(early, [&](unsigned ce, std::uint16_t block) {
            const unsigned bank = Bank(ce);
            Count(c, bank, kKindEarlyBad);
            if (std::string* slot = Slot(c, bank))
                Append(*slot, "<EarlyBad> CH=%d\tCE=%d  %s=0x%04X\r\n", c, bank, UnitWord(), block + DieOffsetOf(ce));
            return false;
        });
        Flush();
    }

    io_.readTable(0, 0, buffer);
    Dump("BadUnit.raw", buffer, kSmallDumpBytes);
    const std::size_t size = s_.longUnitRecords ? 19 : 7;
    const unsigned rows = s_.longUnitRecords ? s_.banks * s_.dies : s_.banks;
    const std::size_t records = std::min<std::size_t>(get_le16(&buffer[0]), (kTableReadBytes - kUnitRecordsAt) / size);
    for (std::size_t k = 0; k < records; ++k) {
        const std::uint8_t* rec = &buffer[kUnitRecordsAt + k * size];
        const int type = rec[2];
        // Every type but the four error types counts as an erase failure here.
        const std::optional<std::size_t> known = type == kBadBlockTypeEarly ? std::nullopt : BadBlockKindOfType(type);
        const std::size_t kind = known.value_or(kKindEraseFail);
        const std::uint32_t unit = std::uint32_t{rec[0]} << 8 | rec[1];
        for (unsigned c = 0; c < s_.channels; ++c) {
            for (unsigned e = 0; e < rows && 3 + e < size; ++e) {
                Count(c, e, kind);
                if (c >= 8 || !(rec[3 + e] >> c & 1)) continue;
                const unsigned bank = Bank(e);
                Count(c, bank, kKindUnitChannelBits);
                if (std::string* slot = Slot(c, bank))
                    Append(*slot, "CH=%d\tCE=%d  BlockU=0x%04X  ErrType=%d\r\n", c, bank, unit + DieOffsetOf(e), type);
            }
        }
    }
    Flush();
}

void Report::PhysicalBadBlocks() {
    if (detail_) detail_->append(kRule).append("Physical Bad Block\r\n");
    std::vector<std::uint32_t> planeZero(std::size_t{s_.channels} * kBadBlockCells, 0);
    for (unsigned c = 0; c < s_.channels; ++c) {
        const auto page = Page(pages_.defect, 0, c, kDefectTableTag);
        if (page.empty()) continue;
        Dump("defect.raw", pages_.defect, kSmallDumpBytes);
        unsigned ce = 0;
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        const auto settle = [&] {
            if (a || b) AddToCounter(c, Bank(ce), kKindFactoryDefects, s_.blockMode ? a : a + b);
            a = b = 0;
        };
        const auto line = [&](std::uint32_t block) {
            if (std::string* slot = Slot(c, Bank(ce)))
                Append(*slot, "CH=%d\tCE=%d  Block=0x%04X\r\n", c, Bank(ce), block);
        };
        bool ended = false;
        for (std::size_t at = kBodyAt; at + 4 <= page.size() && !ended; at += 4) {
            const std::uint16_t block = get_le16(&page[at]);
            const unsigned planeCode = page[at + 2] & 0x0Fu;
            if (block == kDefectCeMarker || block == kDefectEndMarker) {
                settle();
                if (block == kDefectEndMarker) ended = true;
                else ce = page[at + 2];
                continue;
            }
            const std::uint32_t u = block + DieOffsetOf(ce);
            if (s_.blockMode) {
                line(u);
                ++a;
                continue;
            }
            if (planeCode == 0) {
                line(u * 2 + 1);
                ++b;
            } else {
                line(u * 2);
                ++a;
                if (planeCode >= 2) {
                    line(u * 2 + 1);
                    ++b;
                }
            }
            const unsigned bank = Bank(ce);
            if (planeCode != 0 && bank < kBadBlockCells) planeZero[c * kBadBlockCells + bank] = a;
        }
        // A page without its end marker ends at its last record.
        if (!ended) settle();
    }
    if (!s_.blockMode) {
        for (unsigned c = 0; c < s_.channels; ++c)
            for (unsigned bank = 0; bank < s_.banks; ++bank) {
                const std::uint32_t zero = bank < kBadBlockCells ? planeZero[c * kBadBlockCells + bank] : 0;
                if (std::string* slot = Slot(c, bank))
                    Append(*slot, "CH=%d    CE=%d  Bad Block number Plan 0=%d, Plan 1=%d\r\n", c, bank,
                           static_cast<int>(zero),
                           static_cast<int>(Counter(c, bank, kKindFactoryDefects) - zero));
            }
    }
    Flush();
}

void Report::RemapRelation() {
    if (detail_) detail_->append(kRule).append("Remap Relation\r\n");
    for (unsigned c = 0; c < s_.channels; ++c) {
        const auto remap = Page(pages_.remap, 0, c, kRemapTableTag);
        WalkRemapPage(remap, [&](unsigned ce, unsigned plane, RemapRecord r) {
            if (r.first == kRemapEmpty) return false;
            std::string* slot = Slot(c, Bank(ce));
            if (!slot) return false;
            if (s_.blockMode) {
                Append(*slot, "CH=%d  CE=%d  Bad Block=0x%04X  Remap Block=0x%04X\r\n", c, ce, r.first, r.second);
            } else if (plane <= 1) {
                const std::uint32_t off = DieOffsetOf(ce);
                Append(*slot, "CH=%d  CE=%d  Bad Block=0x%04X  Remap Block=0x%04X\r\n", c, Bank(ce),
                       (r.first + off) * 2 + plane, (r.second + off) * 2 + plane);
            }
            return false;
        });
    }
    Flush();
}

}  // namespace

void CountBadBlockDetail(const BadBlockDetailSettings& settings, const BadBlockTablePages& pages,
                         const BadBlockDetailIo& io, std::span<std::uint8_t> tableBuffer,
                         std::span<std::uint32_t> counters, BadBlockTotals& totals, std::string* detailText,
                         std::span<std::uint8_t> badBlockMap) {
    totals.fill(0);
    if (!io.readTable || tableBuffer.size() < kTableReadBytes) return;
    if (detailText) detailText->append(kBadBlockLegend);
    Report report(settings, pages, io, counters, detailText, badBlockMap);
    if (settings.badUnitLayout)
        report.BadUnits(tableBuffer);
    else
        report.PerChannel(tableBuffer);
    report.PhysicalBadBlocks();
    if (settings.remapRelation) report.RemapRelation();

    for (std::size_t k = 0; k < kBadBlockKinds; ++k)
        for (unsigned c = 0; c < settings.channels; ++c)
            for (unsigned e = 0; e < settings.banks && e < kBadBlockCells; ++e) {
                const std::size_t at = BadBlockCounterAt(c, e, k);
                if (at < counters.size()) totals[k] += counters[at];
            }
}

}  // namespace qx
