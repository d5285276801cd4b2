#include "sim/model/code_block_tables.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "sim/model/drive_model.h"

namespace qx::sim {
namespace {

// Parameter area positions (program image; an information page carries the
// same bytes at the same positions).
constexpr std::size_t kTypeWordAt = 0x500;
constexpr std::size_t kBanksAt = 0x504;
constexpr std::size_t kEccModeAt = 0x505;
constexpr std::size_t kInterfaceFlagsAt = 0x509;
constexpr std::size_t kOptionFlagsAt = 0x50A;
constexpr std::size_t kSequenceAt = 0x548 + 18;
constexpr std::uint8_t kScrambleFlag = 0x10;   // interface flags
constexpr std::uint8_t kRemapFlag = 0x20;      // interface flags
constexpr std::uint8_t kPageOptionFlag = 0x20; // option flags

// Information page positions.
constexpr std::size_t kOwnBlockAt = 0x01D;
constexpr std::size_t kEccAt = 0x01C;
constexpr std::size_t kBinCountAt = 0x230;
constexpr std::size_t kBinAreaFirstAt = 0x234;
constexpr std::size_t kPlacementsAt = 0x238;
constexpr std::size_t kPageMapAt = 0x280;
constexpr std::size_t kPageMapEntries = 48;
constexpr std::size_t kMaxBinFiles = 10;

constexpr TablePages kNormalSequence = {0, 1, 2, 3, 4, 5, 6, 7, 60, 61};
constexpr std::uint8_t kCodeTag[4] = {0x18, 0xF0, 0x9F, 0xE5};
constexpr std::uint8_t kEndMark[4] = {0x55, 0xAA, 0xEC, 0x31};
constexpr std::uint8_t kUncorrectableFlip = 0x5A;

using Tag = std::array<std::uint8_t, 16>;
constexpr Tag MakeTag(std::uint8_t m0, std::uint8_t m1, std::uint8_t m2, std::uint8_t m3) {
    return {m0, m1, m2, m3, 'Q', 'X', 'F', '8', '4', 'X', '-', 'V', '0', '0', '1', 0};
}
constexpr Tag kDefectTag = MakeTag(0xE9, 0x86, 0xAA, 0x55);
constexpr Tag kEarlyBadTag = MakeTag(0x45, 0x79, 0xAA, 0x55);
constexpr Tag kRemapTag = MakeTag(0x9E, 0x68, 0x55, 0xAA);
constexpr Tag kSystemTag = MakeTag('S', 'Y', 'S', 'P');
constexpr Tag kSmartTag = MakeTag(0x68, 0x12, 0x16, 0x50);

constexpr std::string_view kHeaders[] = {"LDBK BLOCKS V50", "LDBK BLOCKS V40"};

unsigned Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return at + 2 <= b.size() ? static_cast<unsigned>(b[at] | b[at + 1] << 8) : 0u;
}

void Put16(std::vector<std::uint8_t>& p, std::size_t at, unsigned v) {
    if (at + 2 > p.size()) return;
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutTag(std::vector<std::uint8_t>& p, const Tag& tag) { std::copy(tag.begin(), tag.end(), p.begin()); }

bool Byte(std::span<const std::uint8_t> area, std::size_t at, std::uint8_t bits) {
    return at < area.size() && (area[at] & bits) != 0;
}

bool RemapOn(std::span<const std::uint8_t> area) { return Byte(area, kInterfaceFlagsAt, kRemapFlag); }

// Chip enables the program works on: those in use by the parameter block,
// else the drive's own.
unsigned CesInUse(const DriveModel& m) {
    const unsigned inUse = kBanksAt < m.codeRam.size() ? m.codeRam[kBanksAt] : 0u;
    return inUse ? std::min<unsigned>(inUse, m.cfg.ces) : m.cfg.ces;
}

std::vector<std::uint16_t> BadBlocks(const DriveModel& m) {
    std::vector<std::uint16_t> out;
    for (const std::uint16_t b : m.cfg.badBlocks)
        if (b < m.cfg.blocksPerCe) out.push_back(b);
    return out;
}

void DefectRecords(const DriveModel& m, std::uint8_t channel, std::vector<std::uint8_t>& p) {
    std::size_t at = 16;
    const std::size_t end = p.size() - 4;   // room for the end record
    auto record = [&](unsigned block, unsigned a, unsigned b) {
        if (at + 4 > end) return;
        Put16(p, at, block);
        p[at + 2] = static_cast<std::uint8_t>(a);
        p[at + 3] = static_cast<std::uint8_t>(b);
        at += 4;
    };
    for (unsigned ce = 0; ce < CesInUse(m); ++ce) {
        record(0xA0FB, ce, 0);
        for (const std::uint16_t b : BadBlocks(m)) record(b, 0x10 | ce, channel & 7u);
    }
    Put16(p, at, 0xD1FE);
    p[at + 2] = p[at + 3] = 0;
}

void EarlyBadEntries(const DriveModel& m, std::vector<std::uint8_t>& p) {
    std::size_t at = 16;
    const std::size_t end = p.size() - 2;
    auto entry = [&](std::uint8_t lo, std::uint8_t hi) {
        if (at + 2 > end) return;
        p[at] = lo;
        p[at + 1] = hi;
        at += 2;
    };
    for (unsigned ce = 0; ce < CesInUse(m); ++ce) {
        entry(static_cast<std::uint8_t>(ce), 0xFB);
        for (const std::uint16_t b : BadBlocks(m)) entry(static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b >> 8));
    }
    entry(0x00, 0xFE);
}

// The remap table: per chip enable a CE marker, then per plane a plane
// marker and each bad block's unit with the spare unit that stands in for
// it (taken from the top of the CE down); one end record closes the table.
void RemapRecords(const DriveModel& m, std::vector<std::uint8_t>& p) {
    constexpr unsigned kCeMark = 0xEBA0, kPlaneMark = 0xEAE0, kEnd = 0xEED1;
    std::size_t at = 16;
    const std::size_t end = p.size() - 4;   // room for the end record
    auto record = [&](unsigned first, unsigned second) {
        if (at + 4 > end) return;
        Put16(p, at, first);
        Put16(p, at + 2, second);
        at += 4;
    };
    for (unsigned ce = 0; ce < CesInUse(m); ++ce) {
        record(kCeMark, ce);
        unsigned spare = m.cfg.blocksPerCe / 2u;
        for (unsigned plane = 0; plane < 2; ++plane) {
            record(kPlaneMark, plane);
            for (const std::uint16_t b : BadBlocks(m))
                if (b % 2u == plane && spare > 0) record(b / 2u, --spare);
        }
    }
    Put16(p, at, kEnd);
    Put16(p, at + 2, 0);
}

void SystemPage(const DriveModel& m, std::vector<std::uint8_t>& p) {
    Put16(p, 0x010, kLaterBadFirstBlock);
    Put16(p, 0x014, kLaterBadOtherBlock);
    if (!RemapOn(m.codeRam)) return;
    Put16(p, 0x400, kRemapMarker);
    const unsigned columns = m.cfg.remapColumns;
    for (unsigned r = 0; r < RemapRowCount(m.codeRam); ++r) {
        const std::size_t row = kRemapRowsAt + std::size_t{r} * (columns + 1) * 2;
        for (unsigned k = 0; k < columns; ++k) Put16(p, row + 2 * k, r << 8 | (k + 1));
        Put16(p, row + 2 * columns, 0x20 + r);
    }
}

constexpr Tag kLaterBadTag = MakeTag(0xE8, 0xDC, 0x55, 0xAA);
constexpr std::size_t kModeFlagAt = 0x502;
constexpr std::size_t kDieOffsetAt = 0x548 + 14;

unsigned DiesOf(std::span<const std::uint8_t> area) {
    constexpr unsigned kDies[] = {1, 2, 4, 0};
    return kDies[(Le16(area, kTypeWordAt) >> 9) & 3u];
}

// A plane block as the flash addresses it: two planes a block pair, except
// class-2 parts without the mode flag, whose planes follow each other.
unsigned PlaneToBlock(const DriveModel& m, unsigned plane) {
    const std::span<const std::uint8_t> area = m.codeRam;
    const unsigned dies = std::max(DiesOf(area), 1u);
    const unsigned perPlane = m.cfg.blocksPerCe / 2u / dies;
    if ((Le16(area, kTypeWordAt) >> 12) == 2 && !Byte(area, kModeFlagAt, 0x20) && perPlane != 0)
        return plane / perPlane * 2 * perPlane + 2 * (plane % perPlane);
    return plane * 2;
}

// The later-bad lists: page 1 of each list block (per chip enable and die)
// carries the tag, the count at 16 and from 32 one entry per block that went
// bad there (block, error type), unless the block already holds a list. A
// fresh drive's lists are empty.
void WriteEmptyLaterBadLists(DriveModel& m, const PageLayout& layout) {
    const std::span<const std::uint8_t> area = m.codeRam;
    const unsigned dieOffset = Le16(area, kDieOffsetAt);
    for (unsigned ce = 0; ce < CesInUse(m); ++ce)
        for (unsigned die = 0; die < std::max(DiesOf(area), 1u); ++die) {
            const unsigned plane = ce == 0 && die == 0 ? kLaterBadFirstBlock : kLaterBadOtherBlock + die * dieOffset;
            const unsigned block = PlaneToBlock(m, plane);
            if (block >= m.cfg.blocksPerCe) continue;
            for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
                const NandAddress a{ch, static_cast<std::uint8_t>(ce), static_cast<std::uint16_t>(block), 1};
                if (!m.nand.IsErased(a)) continue;
                std::vector<std::uint8_t> p(m.nand.PageBytes(), 0);
                PutTag(p, kLaterBadTag);
                std::size_t at = 32, count = 0;
                for (const auto& [channel, chip, bad, type] : m.cfg.laterBadBlocks) {
                    if (channel != ch || chip != ce || die != 0 || at + 4 > p.size()) continue;
                    Put16(p, at, bad);
                    p[at + 2] = static_cast<std::uint8_t>(type);
                    at += 4;
                    ++count;
                }
                Put16(p, 16, static_cast<unsigned>(count));
                m.nand.Program(a, p);
                m.nand.SetLayout(a, layout);
            }
        }
}

bool IsInfoHeader(std::span<const std::uint8_t> page) {
    return std::any_of(std::begin(kHeaders), std::end(kHeaders), [&](std::string_view h) {
        return page.size() > h.size() && std::memcmp(page.data(), h.data(), h.size()) == 0 && page[h.size()] == 0;
    });
}

// V50 pages are read and written with layout option 1, V40 pages with 0.
std::uint8_t Generation(std::span<const std::uint8_t> info) { return info[13] == '5' ? 1 : 0; }

std::vector<std::uint8_t> ReadPage(const DriveModel& m, const NandAddress& a) {
    std::vector<std::uint8_t> p(m.nand.PageBytes());
    m.nand.Read(a, p);
    return p;
}

bool LaidOut(const DriveModel& m, const NandAddress& a, const PageLayout& want) {
    const auto l = m.nand.Layout(a);
    return l && *l == want;
}

// Every channel's copy of the page is in the layout and, when a tag is
// given, carries it.
bool PageOnEveryChannel(const DriveModel& m, std::uint16_t block, std::uint16_t page, const PageLayout& layout,
                        const Tag* tag) {
    for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
        const NandAddress a{ch, 0, block, page};
        if (!LaidOut(m, a, layout) || Uncorrectable(m, a, layout.eccMode, layout.option)) return false;
        if (tag && !std::equal(tag->begin(), tag->end(), ReadPage(m, a).begin())) return false;
    }
    return true;
}

bool BinFilesWhole(const DriveModel& m, std::uint16_t block, std::span<const std::uint8_t> info) {
    const PageLayout layout{info[kEccAt], Generation(info), m.cfg.sectorsPerPage};
    const bool lowPage = Le16(info, kBinAreaFirstAt) == 0;
    const std::size_t files = std::min<std::size_t>(info[kBinCountAt], kMaxBinFiles);
    for (std::size_t i = 0; i < files; ++i) {
        const unsigned start = Le16(info, kPlacementsAt + 4 * i);
        const unsigned pages = Le16(info, kPlacementsAt + 4 * i + 2);
        if (pages == 0) return false;
        for (unsigned k = 0; k < pages; ++k) {
            if (lowPage && k >= kPageMapEntries) return false;
            const unsigned page = lowPage ? Le16(info, kPageMapAt + 2 * k) : start + k;
            if (page >= m.cfg.pagesPerBlock) return false;
            if (!PageOnEveryChannel(m, block, static_cast<std::uint16_t>(page), layout, nullptr)) return false;
            if (k + 1 < pages) continue;
            for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
                const auto p = ReadPage(m, {ch, 0, block, static_cast<std::uint16_t>(page)});
                if (!std::equal(std::begin(kEndMark), std::end(kEndMark), p.end() - 4)) return false;
            }
        }
    }
    return true;
}

}  // namespace

TablePages TablePageSequence(std::span<const std::uint8_t> area) {
    if (area.size() < kSequenceAt + kTableCount + 1) return kNormalSequence;
    TablePages seq{};
    for (std::size_t i = 0; i < seq.size(); ++i) seq[i] = area[kSequenceAt + i];
    if (std::all_of(seq.begin() + 1, seq.end(), [](std::uint16_t p) { return p == 0; })) return kNormalSequence;
    return seq;
}

PageLayout TableLayout(std::span<const std::uint8_t> area, std::uint8_t sectorsPerPage) {
    PageLayout l;
    l.eccMode = kEccModeAt < area.size() ? area[kEccModeAt] : 3;
    l.option = static_cast<std::uint8_t>((Byte(area, kOptionFlagsAt, kPageOptionFlag) ? 2 : 0) +
                                         (Byte(area, kInterfaceFlagsAt, kScrambleFlag) ? 1 : 0));
    l.sectorsPerPageByte = sectorsPerPage;
    return l;
}

unsigned RemapRowCount(std::span<const std::uint8_t> area) {
    if (area.size() <= kBanksAt) return 0;
    constexpr unsigned kDies[] = {1, 2, 4, 0};
    return area[kBanksAt] * kDies[(Le16(area, kTypeWordAt) >> 9) & 3u];
}

std::vector<std::uint8_t> TablePage(const DriveModel& m, std::size_t table, std::uint8_t channel) {
    std::vector<std::uint8_t> p(m.nand.PageBytes(), 0);
    switch (table) {
        case 1:
            PutTag(p, kDefectTag);
            DefectRecords(m, channel, p);
            break;
        case 2:
            PutTag(p, kEarlyBadTag);
            EarlyBadEntries(m, p);
            break;
        case 3:
            PutTag(p, kRemapTag);
            RemapRecords(m, p);
            break;
        case 4:
            PutTag(p, kSystemTag);
            SystemPage(m, p);
            break;
        case 5:
            PutTag(p, kSmartTag);
            std::copy_n(m.keptSmartPage.begin(), std::min(m.keptSmartPage.size(), p.size() - 16), p.begin() + 16);
            break;
        default:
            std::fill(p.begin(), p.end(), static_cast<std::uint8_t>(0x60 + table));
            p[1] = channel;
            break;
    }
    return p;
}

void WriteCodeBlockTables(DriveModel& m) {
    const std::span<const std::uint8_t> area = m.codeRam;
    const TablePages seq = TablePageSequence(area);
    const PageLayout layout = TableLayout(area, m.cfg.sectorsPerPage);
    for (const std::uint16_t block : m.cfg.codeBlocks) {
        if (block >= m.cfg.blocksPerCe) continue;
        for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
            // The information page stays; the rest of the block is rebuilt.
            const NandAddress info{ch, 0, block, 0};
            const bool keep = !m.nand.IsErased(info);
            const auto kept = ReadPage(m, info);
            const auto keptLayout = m.nand.Layout(info);
            m.nand.Erase(ch, 0, block);
            ++m.eraseCounts[info.Key()];
            if (keep) m.nand.Program(info, kept);
            if (keep && keptLayout) m.nand.SetLayout(info, *keptLayout);
            for (std::size_t t = 1; t <= kTableCount; ++t) {
                if ((t == 3 && !RemapOn(area)) || seq[t] == 0 || seq[t] >= m.cfg.pagesPerBlock) continue;
                const NandAddress a{ch, 0, block, seq[t]};
                m.nand.Program(a, TablePage(m, t, ch));
                m.nand.SetLayout(a, layout);
            }
        }
    }
    WriteEmptyLaterBadLists(m, layout);
}

void EraseCodeBlocks(DriveModel& m) {
    for (const std::uint16_t block : m.cfg.codeBlocks)
        for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
            m.nand.Erase(ch, 0, block);
            ++m.eraseCounts[NandAddress{ch, 0, block, 0}.Key()];
        }
}

bool Uncorrectable(const DriveModel& m, const NandAddress& a, std::uint8_t eccMode, std::uint8_t option) {
    if (a.ce == 0 && m.cfg.uncorrectablePages.contains({a.block, a.page})) return true;
    if (a.ce == 0 && m.cfg.uncorrectableChannelPages.contains({a.channel, a.block, a.page})) return true;
    const auto l = m.nand.Layout(a);
    return l && (l->eccMode != eccMode || l->option != option);
}

bool CodeBlockBootable(const DriveModel& m, std::uint16_t block, std::uint8_t minBinFiles) {
    const auto info = ReadPage(m, {0, 0, block, 0});
    if (info.size() < 0x578 || !IsInfoHeader(info) || info[kOwnBlockAt] != static_cast<std::uint8_t>(block) ||
        info[kBinCountAt] < minBinFiles)
        return false;
    const auto first = static_cast<std::uint16_t>(Le16(info, kPlacementsAt));
    if (first >= m.cfg.pagesPerBlock) return false;
    const auto code = ReadPage(m, {0, 0, block, first});
    if (!std::equal(std::begin(kCodeTag), std::end(kCodeTag), code.begin())) return false;

    const auto infoLayout = m.nand.Layout({0, 0, block, 0});
    if (!infoLayout) return true;   // set up directly
    // The loader reads the information page with ECC mode 3 in its generation's layout.
    const std::uint8_t spp = info[kEccAt] == 3 ? m.cfg.sectorsPerPage : 4;
    if (!PageOnEveryChannel(m, block, 0, {3, Generation(info), spp}, nullptr)) return false;
    if (!BinFilesWhole(m, block, info)) return false;
    const TablePages seq = TablePageSequence(info);
    return seq[4] < m.cfg.pagesPerBlock &&
           PageOnEveryChannel(m, block, seq[4], TableLayout(info, m.cfg.sectorsPerPage), &kSystemTag);
}

}  // namespace qx::sim
