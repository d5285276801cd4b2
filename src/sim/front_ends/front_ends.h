// The two ways a drive meets the host's SCSI requests: a USB-to-SATA bridge
// in front of its ATA engine, or the controller's own USB interface.
#pragma once

#include "platform/device_io.h"
#include "sim/config/fault_set.h"

namespace qx::sim {

class DriveModel;

platform::ScsiResult BridgeScsi(DriveModel& m, const platform::ScsiCommand& cmd);
platform::ScsiResult NativeUsbScsi(DriveModel& m, const platform::ScsiCommand& cmd);

// What a SCSI request is, for fault matching, on each front end.
RequestKey BridgeRequestKey(const DriveModel& m, const platform::ScsiCommand& cmd);
RequestKey NativeUsbRequestKey(const platform::ScsiCommand& cmd);

}  // namespace qx::sim
