// The loader handing over to the firmware after the enable command with mode
// 1 or 2. For the boot's length the controller is gone: the controller's own
// USB interface drops off the bus, and a drive behind a bridge aborts every
// ATA command. Then the firmware runs, or the loader comes back when the
// code blocks hold nothing bootable (or the drive is set never to boot).
#pragma once

#include <cstdint>

namespace qx::sim {

class DriveModel;

void StartFirmwareBoot(DriveModel& m, std::uint8_t mode, std::uint64_t nowMs);
void AdvanceBoot(DriveModel& m, std::uint64_t nowMs);

}  // namespace qx::sim
