// What the controller tells about its flash and firmware: flash ID bytes
// (0x88), the diagnostic program's detect result (0x05) and code-block list
// (0x07), and the firmware information record (0x80).
#include <algorithm>

#include "sim/model/code_blocks.h"
#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

std::vector<std::uint8_t> FlashIdOf(const DriveModel& m, std::uint8_t channel, std::uint8_t ce) {
    const auto it = m.flashIdAt.find(static_cast<std::uint16_t>(channel << 8 | ce));
    if (it != m.flashIdAt.end()) return it->second;
    if (channel >= m.cfg.channels || ce >= m.cfg.ces) return {};   // no chip answers
    return m.cfg.flashId;
}

bool ReadFlashId(DriveModel& m, VendorCall& call) {
    PutReply(call, FlashIdOf(m, call.U8(3), call.U8(4)));
    return true;
}

//  0..4 flash ID   7 channels   8 banks   9 chip enables   10..17 bank map
bool ReadFlashDetect(DriveModel& m, VendorCall& call) {
    std::vector<std::uint8_t> r(18, 0);
    const auto id = FlashIdOf(m, 0, 0);
    std::copy_n(id.begin(), std::min<std::size_t>(id.size(), 5), r.begin());
    r[7] = m.cfg.channels;
    r[8] = m.cfg.ces;
    r[9] = m.cfg.ces;
    for (std::uint8_t b = 0; b < m.cfg.ces && b < 8; ++b) r[10 + b] = b;
    PutReply(call, r);
    return true;
}

// 16-bit block numbers, 0xFFFF after the last.
bool ReadCodeBlockList(DriveModel& m, VendorCall& call) {
    std::vector<std::uint8_t> r;
    for (const std::uint16_t b : m.cfg.codeBlocks) {
        r.push_back(static_cast<std::uint8_t>(b));
        r.push_back(static_cast<std::uint8_t>(b >> 8));
    }
    r.push_back(0xFF);
    r.push_back(0xFF);
    PutReply(call, r);
    return true;
}

//  0..7 firmware revision text   44..45 sequence number of the information page
bool ReadFirmwareInfo(DriveModel& m, VendorCall& call) {
    std::vector<std::uint8_t> r(104, 0);
    std::copy_n(m.cfg.firmwareRevision.begin(), std::min<std::size_t>(m.cfg.firmwareRevision.size(), 8), r.begin());
    if (const auto info = FindInfoPage(m)) {
        r[44] = static_cast<std::uint8_t>(info->sequence);
        r[45] = static_cast<std::uint8_t>(info->sequence >> 8);
    }
    PutReply(call, r);
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x88, Direction::In, kBeforeFirmware, ProgramKind::None, ReadFlashId},
    {0x05, Direction::In, kInProgram, ProgramKind::Diagnostic, ReadFlashDetect},
    {0x07, Direction::In, kInProgram, ProgramKind::Diagnostic, ReadCodeBlockList},
    {0x80, Direction::In, kAnyState, ProgramKind::None, ReadFirmwareInfo},
};

}  // namespace

std::span<const VendorEntry> FlashInfoVendorEntries() { return kEntries; }

}  // namespace qx::sim
