// The test program's flash interface diagnostic (0x21): one block tested in
// a mode, answered with byte 0 = 1 and the result in byte 1 (0xFF: passed);
// the findings are read back as records (0x22).
#include <algorithm>

#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kDiagPassed = 0xFF;
constexpr std::uint8_t kEraseFailCode = 4;

bool FlashDiagnostic(DriveModel& m, VendorCall& call) {
    const std::uint8_t mode = call.U8(3);
    const std::uint16_t block = call.Be16(4);
    if (mode < 1 || mode > 3 || call.data.size() < 2) return false;
    bool good = block < m.cfg.blocksPerCe && !m.cfg.badBlocks.contains(block);
    // A finding names channel, CE and a sub-code; the mode stands for it.
    if (!good) m.flashTestRecords.push_back({0, 0, mode, 0});
    // A chip enable that cannot erase fails every block of every mode.
    for (const std::uint16_t unit : m.cfg.failingCes) {
        const auto channel = static_cast<std::uint8_t>(unit >> 8), ce = static_cast<std::uint8_t>(unit);
        if (channel >= m.cfg.channels || ce >= m.cfg.ces) continue;
        m.flashTestRecords.push_back({channel, ce, kEraseFailCode, 0});
        good = false;
    }
    const std::uint8_t reply[] = {1, good ? kDiagPassed : mode};
    PutReply(call, reply);
    return true;
}

//  0..3 not used   4..: 4-byte records (channel, CE, sub-code, 0), then FF FF FF FF
bool ReadFlashTestResult(DriveModel& m, VendorCall& call) {
    std::vector<std::uint8_t> r(4, 0);
    for (const auto& rec : m.flashTestRecords) r.insert(r.end(), rec.begin(), rec.end());
    r.insert(r.end(), 4, 0xFF);
    PutReply(call, r);
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x21, Direction::In, kInProgram, ProgramKind::Test, FlashDiagnostic},
    {0x22, Direction::In, kInProgram, ProgramKind::Test, ReadFlashTestResult},
};

}  // namespace

std::span<const VendorEntry> FlashDiagVendorEntries() { return kEntries; }

}  // namespace qx::sim
