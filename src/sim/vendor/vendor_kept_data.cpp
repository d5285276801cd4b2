// Data the station keeps across a production run and gives back to the
// diagnostic program: erase-count tables (0x08) and the SMART page (0x0E).
#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

bool PutEraseCountTable(DriveModel& m, VendorCall& call) {
    if (call.U8(3) >= m.cfg.channels) return false;
    m.keptEraseCounts[static_cast<std::uint16_t>(call.U8(3) << 8 | call.U8(4))].assign(call.data.begin(),
                                                                                       call.data.end());
    return true;
}

bool PutSmartPage(DriveModel& m, VendorCall& call) {
    m.keptSmartPage.assign(call.data.begin(), call.data.end());
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x08, Direction::Out, kInProgram, ProgramKind::Diagnostic, PutEraseCountTable},
    {0x0E, Direction::Out, kInProgram, ProgramKind::Diagnostic, PutSmartPage},
};

}  // namespace

std::span<const VendorEntry> KeptDataVendorEntries() { return kEntries; }

}  // namespace qx::sim
