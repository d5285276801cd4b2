// The request log as text, one request a line, for programs that run on a
// rack to leave what they sent where a test can read it after they ended:
//   <path> scsi <cdb hex> [ata=<command>]
//   <path> ata <task file hex> ata=<command>
// ata= names the ATA command a SAT block or a task file carries.
#pragma once

#include <string>

#include "sim/rack/request_log.h"

namespace qx::sim {

std::string RequestLogText(const RequestLog& log);

// Appends the text to the file named by $QX_SIM_REQUEST_LOG, when it is set.
void AppendRequestLogFromEnvironment(const RequestLog& log);

}  // namespace qx::sim
