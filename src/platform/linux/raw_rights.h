// Whether this process may send raw commands to drives: root, or the
// CAP_SYS_RAWIO capability in its effective set.
#pragma once

#include <string>

namespace qx::platform::linux_rights {

bool CanSendRawCommands();
// The "CapEff:" hex mask of a /proc/<pid>/status text, tested for CAP_SYS_RAWIO.
bool StatusHasRawIo(const std::string& statusText);

}  // namespace qx::platform::linux_rights
