#include "sim/media/media_faults.h"

#include "sim/media/user_sectors.h"

namespace qx::sim {

bool MediaFaults::Fails(MediaFaultKind kind, std::uint64_t lba, std::uint64_t count) const {
    for (const MediaFault& f : faults_)
        if (f.kind == kind && lba < f.firstLba + f.count && f.firstLba < lba + count) return true;
    return false;
}

void MediaFaults::Corrupt(std::uint64_t lba, std::span<std::uint8_t> data) const {
    for (const MediaFault& f : faults_) {
        if (f.kind != MediaFaultKind::StuckBits || f.byteOffset >= kSectorSize) continue;
        for (std::size_t off = 0; off + kSectorSize <= data.size(); off += kSectorSize) {
            const std::uint64_t at = lba + off / kSectorSize;
            if (at >= f.firstLba && at < f.firstLba + f.count) data[off + f.byteOffset] |= f.bits;
        }
    }
}

}  // namespace qx::sim
