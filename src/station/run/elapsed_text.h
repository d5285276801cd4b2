// The run's elapsed time as the window shows it: the parts that are not 0,
// hours, minutes and seconds, e.g. "1 Hour 2 Min 5 Sec"; nothing for 0 s.
#pragma once

#include <cstdint>
#include <string>

namespace qx::station {

std::string ElapsedText(std::uint64_t seconds);

}  // namespace qx::station
