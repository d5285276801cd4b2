#include "utility/dpd_ftl_dump.h"

#include <cstdio>

namespace qx::utility {

std::vector<std::string> DpdFTLDump(std::span<const std::uint8_t> image) {
    std::vector<std::string> lines;
    if (image.size() < kDpdFtlStart + kDpdFtlBytes) return lines;
    for (std::size_t at = kDpdFtlStart; at < kDpdFtlStart + kDpdFtlBytes; at += 16) {
        const std::uint8_t* b = image.data() + at;
        char line[128];
        std::snprintf(line, sizeof line,
                      "<%4.4X>%2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, || "
                      "%2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X",
                      static_cast<unsigned>(at), b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10],
                      b[11], b[12], b[13], b[14], b[15]);
        lines.emplace_back(line);
    }
    return lines;
}

}  // namespace qx::utility
