// Status read of the loader and of a program running in code RAM.
#include "sim/drive_model.h"
#include "sim/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

bool GetStatus(DriveModel& m, VendorCall& call) {
    PutReplyValue(call, m.programStatus);
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x00, Direction::In, kBeforeFirmware, GetStatus},
};

}  // namespace

std::span<const VendorEntry> StatusVendorEntries() { return kEntries; }

}  // namespace qx::sim
