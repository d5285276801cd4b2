#include "station/run/elapsed_text.h"

namespace qx::station {

std::string ElapsedText(std::uint64_t seconds) {
    const std::uint64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    std::string text;
    if (h) text += std::to_string(h) + " Hour ";
    if (m) text += std::to_string(m) + " Min ";
    if (s) text += std::to_string(s) + " Sec";
    return text;
}

}  // namespace qx::station
