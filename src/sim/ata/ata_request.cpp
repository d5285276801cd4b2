#include "sim/ata/ata_request.h"

namespace qx::sim {

using namespace platform;

std::uint32_t AtaRequest::SectorCount() const {
    std::uint32_t n = current[kTfCount];
    if (ext48) n |= static_cast<std::uint32_t>(previous[kTfCount]) << 8;
    if (n == 0) n = ext48 ? 65536u : 256u;
    return n;
}

std::uint64_t AtaRequest::Lba() const {
    std::uint64_t lba = current[kTfLbaLow] | static_cast<std::uint64_t>(current[kTfLbaMid]) << 8 |
                        static_cast<std::uint64_t>(current[kTfLbaHigh]) << 16;
    if (!ext48) return lba | static_cast<std::uint64_t>(current[kTfDevice] & 0x0F) << 24;
    return lba | static_cast<std::uint64_t>(previous[kTfLbaLow]) << 24 |
           static_cast<std::uint64_t>(previous[kTfLbaMid]) << 32 |
           static_cast<std::uint64_t>(previous[kTfLbaHigh]) << 40;
}

AtaOutcome AtaGood() {
    AtaOutcome o;
    o.current[kTfStatus] = kStatusGood;
    return o;
}

AtaOutcome AtaError(std::uint8_t error) {
    AtaOutcome o;
    o.current[kTfError] = error;
    o.current[kTfStatus] = kStatusErr;
    return o;
}

}  // namespace qx::sim
