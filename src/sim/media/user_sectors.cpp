#include "sim/media/user_sectors.h"

#include <algorithm>
#include <cstring>

namespace qx::sim {

void UserSectors::Read(std::uint64_t lba, std::span<std::uint8_t> out) const {
    for (std::size_t off = 0; off + kSectorSize <= out.size(); off += kSectorSize, ++lba) {
        const auto it = sectors_.find(lba);
        if (it == sectors_.end())
            std::memset(out.data() + off, 0, kSectorSize);
        else
            std::memcpy(out.data() + off, it->second.data(), kSectorSize);
    }
}

void UserSectors::Write(std::uint64_t lba, std::span<const std::uint8_t> in) {
    for (std::size_t off = 0; off + kSectorSize <= in.size(); off += kSectorSize, ++lba) {
        const auto src = in.subspan(off, kSectorSize);
        if (std::all_of(src.begin(), src.end(), [](std::uint8_t b) { return b == 0; })) {
            sectors_.erase(lba);
            continue;
        }
        std::memcpy(sectors_[lba].data(), src.data(), kSectorSize);
    }
}

}  // namespace qx::sim
