// The drive's ATA command set: what arrives as task files on the direct ATA
// route or unpacked from SAT blocks by a bridge.
#pragma once

#include "sim/ata/ata_request.h"

namespace qx::sim {

class DriveModel;

AtaOutcome RunAta(DriveModel& m, AtaRequest& r);

}  // namespace qx::sim
