// Sub-opcodes with their firmware meaning: the bad-block table (0x00), the
// erase-count table (0x01), page reads across channels (0x04) and the SMART
// page (0x05).
#include <algorithm>

#include "sim/model/identify_data.h"
#include "sim/vendor/page_command.h"

namespace qx::sim {
namespace {

using platform::Direction;

void Put16(std::vector<std::uint8_t>& t, std::size_t at, std::uint16_t v) {
    if (at + 2 > t.size()) return;
    t[at] = static_cast<std::uint8_t>(v);
    t[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

//  4-5: record count   8..: records of 4 bytes, block first: the factory
//  bad blocks, then those that went bad on this chip enable
bool ReadBadBlockTable(DriveModel& m, VendorCall& call) {
    const std::uint8_t channel = call.U8(3), ce = call.U8(4);
    if (channel >= m.cfg.channels || ce >= m.cfg.ces) return false;
    std::vector<std::uint8_t> t(call.data.size(), 0);
    std::size_t at = 8, count = 0;
    auto list = [&](std::uint16_t b) {
        Put16(t, at, b);
        at += 4;
        ++count;
    };
    for (const std::uint16_t b : m.cfg.badBlocks) list(b);
    for (const auto& [c, e, b, type] : m.cfg.laterBadBlocks)
        if (c == channel && e == ce) list(b);
    Put16(t, 4, static_cast<std::uint16_t>(count));
    PutReply(call, t);
    return true;
}

// The erase-count table in the layout of the firmware's model (the three
// characters at 0x324 of its system image):
//   810: 0-1 entry count, 4..: u16 per block, one table per CE row
//   818: 0-1 entry count, 4..: u32 per block, one table for the drive
//   other: 4-5 entry count, 8..: u16 per block, one table per channel and CE
// A count that does not fit 16 bits saturates; an entry that does not fit
// its field reads as the largest value below the no-value mark.
bool ReadEraseCounts(DriveModel& m, VendorCall& call) {
    const std::uint8_t channel = call.U8(3);
    const std::uint8_t ce = call.U8(4);
    if (channel >= m.cfg.channels || ce >= m.cfg.ces) return false;
    const auto model = [&](const char* name) {
        return m.systemImage.size() >= 0x327 && std::equal(name, name + 3, m.systemImage.begin() + 0x324);
    };
    const bool m810 = model("810");
    const bool m818 = model("818");
    const std::size_t countAt = m810 || m818 ? 0 : 4;
    const std::size_t entriesAt = m810 || m818 ? 4 : 8;
    const std::size_t entryBytes = m818 ? 4 : 2;
    std::vector<std::uint8_t> t(call.data.size(), 0);
    Put16(t, countAt, m.cfg.blocksPerCe);
    const std::uint32_t limit = entryBytes == 2 ? 0xFFFEu : 0xFFFFFFFEu;
    auto put = [&](std::size_t block, std::uint32_t count) {
        const std::size_t at = entriesAt + entryBytes * block;
        if (at + entryBytes > t.size()) return;
        const std::uint32_t v = std::min(count, limit);
        for (std::size_t i = 0; i < entryBytes; ++i) t[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    if (m.cfg.eraseCountBase)
        for (std::size_t b = 0; b < m.cfg.blocksPerCe; ++b) put(b, m.cfg.eraseCountBase);
    for (const auto& [key, count] : m.eraseCounts) {
        const NandAddress a = NandAddress::FromKey(key);
        if (!m818 && ((!m810 && a.channel != channel) || a.ce != ce)) continue;
        put(a.block, std::uint32_t{m.cfg.eraseCountBase} + count);
    }
    PutReply(call, t);
    return true;
}

// The firmware addresses plane pairs: the block operand is the pair, and the
// controller buffer offset says the plane (above eight pages' worth) and the
// first page unit of the chunk, unit u being channel u.
bool ReadPages(DriveModel& m, VendorCall& call) {
    const PageCommand p = TakePageCommand(m, call);
    const std::size_t pageBytes = m.nand.PageBytes();
    const std::size_t planeBytes = pageBytes * 8;
    const auto block = static_cast<std::uint16_t>(p.block * 2 + (p.offset / planeBytes) % 2);
    std::size_t unit = (p.offset % planeBytes) / pageBytes;
    if (call.data.size() % pageBytes != 0 || !InGeometry(m, 0, p.ce, block, p.page)) return false;
    for (std::size_t at = 0; at < call.data.size(); at += pageBytes, ++unit) {
        const auto channel = static_cast<std::uint8_t>(unit);
        if (channel >= m.cfg.channels) return false;
        m.nand.Read({channel, p.ce, block, p.page}, call.data.subspan(at, pageBytes));
    }
    return true;
}

bool ReadSmart(DriveModel& m, VendorCall& call) {
    PutReply(call, BuildSmartData(m));
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x00, Direction::In, kInFirmware, ProgramKind::None, ReadBadBlockTable},
    {0x01, Direction::In, kInFirmware, ProgramKind::None, ReadEraseCounts},
    {0x04, Direction::In, kInFirmware, ProgramKind::None, ReadPages},
    {0x05, Direction::In, kInFirmware, ProgramKind::None, ReadSmart},
};

}  // namespace

std::span<const VendorEntry> FirmwareVendorEntries() { return kEntries; }

}  // namespace qx::sim
