// Asks every SCSI host to look for new and gone devices (the kernel's
// "- - -" scan request), so disks plugged behind a running program appear.
#pragma once

#include <string>

namespace qx::platform::linux_scsi {

// 0 when every host took the request; else the first system error code.
int RescanScsiHosts(const std::string& hostRoot = "/sys/class/scsi_host");

}  // namespace qx::platform::linux_scsi
