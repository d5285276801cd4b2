#include "sim/vendor/page_command.h"

namespace qx::sim {

PageCommand TakePageCommand(DriveModel& m, const VendorCall& call) {
    PageCommand p;
    p.sub = call.sub;
    p.channel = call.U8(3);
    p.ce = call.U8(4);
    p.block = call.Be16(5);
    p.page = call.Be16(7);
    p.eccMode = call.U8(9);
    p.option = call.U8(10);
    p.sectorsPerPageByte = call.U8(11);
    p.offset = call.Be32(12);
    p.unitBitmap = call.U8(16);
    p.sectors = static_cast<std::uint32_t>(call.data.size() / kSectorSize);
    // Kept for tests to assert on, bounded: a production round sends
    // thousands, and only the recent ones are ever looked at.
    if (m.pageCommands.size() >= kPageCommandsKept)
        m.pageCommands.erase(m.pageCommands.begin(), m.pageCommands.begin() + kPageCommandsKept / 2);
    m.pageCommands.push_back(p);
    return p;
}

bool InGeometry(const DriveModel& m, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page) {
    return channel < m.cfg.channels && ce < m.cfg.ces && block < m.cfg.blocksPerCe && page < m.cfg.pagesPerBlock;
}

}  // namespace qx::sim
