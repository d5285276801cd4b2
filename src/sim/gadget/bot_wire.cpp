#include "sim/gadget/bot_wire.h"

#include <algorithm>

namespace qx::sim {

namespace {

constexpr std::array<std::uint8_t, 4> kCbwSignature{'U', 'S', 'B', 'C'};
constexpr std::array<std::uint8_t, 4> kCswSignature{'U', 'S', 'B', 'S'};
constexpr std::uint8_t kFlagDataIn = 0x80;
constexpr std::size_t kMaxCdb = 16;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void PutLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::optional<Cbw> ParseCbw(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kCbwLength || !std::equal(kCbwSignature.begin(), kCbwSignature.end(), bytes.begin()))
        return std::nullopt;
    const std::size_t cdbLength = bytes[14] & 0x1F;
    if (cdbLength == 0 || cdbLength > kMaxCdb) return std::nullopt;
    Cbw c;
    c.tag = Le32(bytes, 4);
    c.dataLength = Le32(bytes, 8);
    if (c.dataLength != 0) c.dir = (bytes[12] & kFlagDataIn) ? platform::Direction::In : platform::Direction::Out;
    c.lun = bytes[13] & 0x0F;
    c.cdb.assign(bytes.begin() + 15, bytes.begin() + 15 + static_cast<std::ptrdiff_t>(cdbLength));
    return c;
}

std::array<std::uint8_t, kCswLength> BuildCsw(std::uint32_t tag, std::uint32_t residue, CswStatus status) {
    std::array<std::uint8_t, kCswLength> w{};
    std::copy(kCswSignature.begin(), kCswSignature.end(), w.begin());
    PutLe32(w, 4, tag);
    PutLe32(w, 8, residue);
    w[12] = static_cast<std::uint8_t>(status);
    return w;
}

}  // namespace qx::sim
