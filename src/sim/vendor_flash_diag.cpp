// The test program's flash diagnostic (0x21): one block tested in a mode,
// answered with byte 0 = 1 and the result in byte 1 (0xFF: the block passed).
#include <algorithm>

#include "sim/drive_model.h"
#include "sim/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kDiagPassed = 0xFF;
constexpr std::uint8_t kDiagFailed = 0x01;

bool FlashDiagnostic(DriveModel& m, VendorCall& call) {
    const std::uint8_t mode = call.U8(3);
    const std::uint16_t block = call.Be16(4);
    if (mode < 1 || mode > 3) return false;
    const bool good = block < m.cfg.blocksPerCe && !m.cfg.badBlocks.contains(block);
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    if (call.data.size() < 2) return false;
    call.data[0] = 1;
    call.data[1] = good ? kDiagPassed : kDiagFailed;
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x21, Direction::In, kInProgram, FlashDiagnostic},
};

}  // namespace

std::span<const VendorEntry> FlashDiagVendorEntries() { return kEntries; }

}  // namespace qx::sim
