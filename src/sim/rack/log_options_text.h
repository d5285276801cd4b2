// The request log's setting as the [rack] section of "rack.ini" holds it:
// "off", "all" (every request) or "ring N" (each drive's last N requests).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/rack/request_log.h"

namespace qx::sim {

std::string LogOptionsToText(const LogOptions& options);
// Nothing for a text of another shape or a ring of 0.
std::optional<LogOptions> LogOptionsFromText(std::string_view text);

}  // namespace qx::sim
