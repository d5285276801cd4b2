// The system debug output every trace line is sent to (besides the optional
// log file). By default it goes nowhere unless QX_TRACE_STDERR is set; tests
// install their own sink to read the lines.
#pragma once

#include <functional>
#include <string_view>

namespace qx::platform {

using TraceSink = std::function<void(std::string_view)>;

void DebugOutput(std::string_view text);
void SetTraceSink(TraceSink sink);     // empty restores the default

}  // namespace qx::platform
