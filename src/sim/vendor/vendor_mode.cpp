// Controller state changes: the enable command (0x83) and the jump into a
// program downloaded to code RAM (0x82).
#include <cstring>

#include "platform/clock.h"
#include "sim/model/drive_model.h"
#include "sim/model/firmware_boot.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::size_t kKindTagAt = 768;

bool EnableVendorCmd(DriveModel& m, VendorCall& call) {
    const std::uint8_t mode = call.U8(3);
    switch (mode) {
        case 0: m.ChangeState(ControllerState::Loader); return true;
        case 10: m.ChangeState(ControllerState::DownloadReady); return true;
        case 1:
        case 2:
            if (m.state != ControllerState::Firmware) StartFirmwareBoot(m, mode, platform::TickMs());
            return true;
        default: return false;
    }
}

// The program tells what it is by the kind tag of its image.
bool JumpToPram(DriveModel& m, VendorCall&) {
    if (m.codeRam.size() < kKindTagAt + 4) return false;
    const char* tag = reinterpret_cast<const char*>(m.codeRam.data() + kKindTagAt);
    ProgramKind kind = ProgramKind::None;
    if (std::memcmp(tag, "GDP_", 4) == 0) kind = ProgramKind::Diagnostic;
    if (std::memcmp(tag, "TST_", 4) == 0) kind = ProgramKind::Test;
    if (kind == ProgramKind::None) return false;
    m.ChangeState(ControllerState::ProgramRunning);
    m.program = kind;
    m.programStatus = 0;
    m.errorInfo.clear();
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x83, Direction::None, kAnyState, ProgramKind::None, EnableVendorCmd},
    {0x82, Direction::None, kInDownloadReady, ProgramKind::None, JumpToPram},
};

}  // namespace

std::span<const VendorEntry> ModeVendorEntries() { return kEntries; }

}  // namespace qx::sim
