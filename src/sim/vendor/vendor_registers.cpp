// One controller register byte at a time: read (0x84) and write (0x85).
#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

bool ReadRegister(DriveModel& m, VendorCall& call) {
    PutReplyValue(call, m.registers.Read(call.Be32(3)));
    return true;
}

bool WriteRegister(DriveModel& m, VendorCall& call) {
    m.registers.Write(call.Be32(3), call.U8(7));
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x84, Direction::In, kAnyState, ProgramKind::None, ReadRegister},
    {0x85, Direction::None, kAnyState, ProgramKind::None, WriteRegister},
};

}  // namespace

std::span<const VendorEntry> RegisterVendorEntries() { return kEntries; }

}  // namespace qx::sim
