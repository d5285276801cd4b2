// The running firmware's view of itself: at the end of a boot it takes the
// header page of its system firmware (the first page of the first bin file
// the information page lists) as its 4 KB system memory image, and answers
// IDENTIFY DEVICE from the identity template the station patched into it.
#pragma once

#include <optional>

#include "sim/media/user_sectors.h"

namespace qx::sim {

class DriveModel;

inline constexpr std::size_t kSystemImageSize = 4096;

// Sets the system memory image from the code blocks; an image without a
// system firmware header page ("QXSS", "S" at 0x30D) leaves it empty.
void LoadSystemImage(DriveModel& m);

// The template of the system memory image with this drive's capacity and a
// fresh integrity word; empty when the firmware has no header page.
std::optional<Sector> IdentifyFromSystemImage(const DriveModel& m);

}  // namespace qx::sim
