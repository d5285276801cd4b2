// Decoding the operands of the page commands (read, write, erase) and the
// geometry checks the controller makes on them.
#pragma once

#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {

//  3: channel   4: CE   5-6: block   7-8: page   9: ECC mode   10: option
//  11: sectors-per-page byte   12-15: controller buffer offset   16: unit bitmap
// Recorded in the drive's page-command list.
PageCommand TakePageCommand(DriveModel& m, const VendorCall& call);

bool InGeometry(const DriveModel& m, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page);

}  // namespace qx::sim
