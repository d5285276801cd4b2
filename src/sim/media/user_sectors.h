// The drive's user sectors, kept sparse: only sectors holding a non-zero byte
// are stored, so a 128 GB drive costs what was written to it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>

namespace qx::sim {

inline constexpr std::size_t kSectorSize = 512;
using Sector = std::array<std::uint8_t, kSectorSize>;

class UserSectors {
public:
    // Copies count sectors from lba into out (out.size() == count * 512).
    void Read(std::uint64_t lba, std::span<std::uint8_t> out) const;
    void Write(std::uint64_t lba, std::span<const std::uint8_t> in);
    const std::map<std::uint64_t, Sector>& Stored() const { return sectors_; }
    void Clear() { sectors_.clear(); }

private:
    std::map<std::uint64_t, Sector> sectors_;
};

}  // namespace qx::sim
