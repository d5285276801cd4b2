// Page reads, page writes and block erases of the loader and the diagnostic
// program: one channel's page per read (0x89; 0x0D is the same read in its
// second form; 0x09 through the diagnostic program), page units of a page
// set per write (0x8A), one block per erase (0x8B).
#include <bit>

#include "sim/model/code_block_tables.h"
#include "sim/vendor/page_command.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kAllChannels = 0xFF;
constexpr std::uint8_t kBitsInError = 0x5A;
constexpr std::uint8_t kReadUncorrectable = 0x01;   // program status after such a read

// A page the read cannot correct comes back as it is on the flash, bits in
// error; a running program reports it in its status (0 after a good read).
bool ReadPage(DriveModel& m, VendorCall& call) {
    const PageCommand p = TakePageCommand(m, call);
    if (!InGeometry(m, p.channel, p.ce, p.block, p.page) || call.data.size() > m.nand.PageBytes()) return false;
    const NandAddress a{p.channel, p.ce, p.block, p.page};
    m.nand.Read(a, call.data);
    const bool uncorrectable = Uncorrectable(m, a, p.eccMode, p.option);
    if (uncorrectable)
        for (std::uint8_t& b : call.data) b ^= kBitsInError;
    if (m.state == ControllerState::ProgramRunning && !m.run) m.programStatus = uncorrectable ? kReadUncorrectable : 0;
    return true;
}

// The chunk carries one page per set bit of the unit bitmap, unit u being
// channel u's page. A block that reached the controller without its bitmap
// (the USB path's 12-byte CDB) fills the units from 0.
bool WritePage(DriveModel& m, VendorCall& call) {
    const PageCommand p = TakePageCommand(m, call);
    const std::size_t pageBytes = m.nand.PageBytes();
    const std::size_t units = call.data.size() / pageBytes;
    if (units == 0 || call.data.size() % pageBytes != 0 || m.cfg.badBlocks.contains(p.block)) return false;
    const unsigned bitmap = p.unitBitmap ? p.unitBitmap : (1u << units) - 1;
    if (static_cast<std::size_t>(std::popcount(bitmap)) != units || !InGeometry(m, 0, p.ce, p.block, p.page))
        return false;
    std::size_t at = 0;
    for (std::uint8_t unit = 0; unit < 8; ++unit) {
        if (!(bitmap & (1u << unit))) continue;
        if (unit >= m.cfg.channels) return false;
        const NandAddress a{unit, p.ce, p.block, p.page};
        m.nand.Program(a, call.data.subspan(at, pageBytes));
        m.nand.SetLayout(a, {p.eccMode, p.option, p.sectorsPerPageByte});
        at += pageBytes;
    }
    return true;
}

bool EraseBlock(DriveModel& m, VendorCall& call) {
    const std::uint8_t channel = call.U8(3);
    const std::uint8_t ce = call.U8(4);
    const std::uint16_t block = call.Be16(5);
    // The station names every channel with 0xFF, or with the channel count
    // (the table writers' "all channels").
    const bool all = channel == kAllChannels || channel == m.cfg.channels;
    if (!InGeometry(m, all ? 0 : channel, ce, block, 0) || m.cfg.badBlocks.contains(block)) return false;
    for (std::uint8_t c = 0; c < m.cfg.channels; ++c) {
        if (!all && c != channel) continue;
        m.nand.Erase(c, ce, block);
        ++m.eraseCounts[NandAddress{c, ce, block, 0}.Key()];
    }
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x89, Direction::In, kBeforeFirmware, ProgramKind::None, ReadPage},
    {0x0D, Direction::In, kAnyState, ProgramKind::None, ReadPage},
    {0x09, Direction::In, kInProgram, ProgramKind::Diagnostic, ReadPage},
    {0x8A, Direction::Out, kBeforeFirmware, ProgramKind::None, WritePage},
    {0x8B, Direction::None, kBeforeFirmware, ProgramKind::None, EraseBlock},
};

}  // namespace

std::span<const VendorEntry> FlashPageVendorEntries() { return kEntries; }

}  // namespace qx::sim
