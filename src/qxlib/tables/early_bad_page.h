// One channel's page of the early-bad table: after the code-block tag,
// 16-bit words; a word whose high byte is 0xFB names the CE of the blocks
// after it, 0xFE ends the list, any other word is an early-bad block (its
// low 15 bits). The station's counting and the detailed report both read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "qxlib/base/byte_order.h"

namespace qx {

inline constexpr std::size_t kEarlyBadWordsAt = 16;
inline constexpr std::uint8_t kEarlyBadCeMarker = 0xFB;
inline constexpr std::uint8_t kEarlyBadEndMarker = 0xFE;

// visit(ce, block) for each block in page order; a visit that answers true
// ends the walk.
template <typename Visit>
void WalkEarlyBadPage(std::span<const std::uint8_t> page, Visit&& visit) {
    unsigned ce = 0;
    for (std::size_t at = kEarlyBadWordsAt; at + 2 <= page.size(); at += 2) {
        const std::uint16_t word = get_le16(&page[at]);
        const auto high = static_cast<std::uint8_t>(word >> 8);
        if (high == kEarlyBadEndMarker) return;
        if (high == kEarlyBadCeMarker) {
            ce = word & 0xFFu;
            continue;
        }
        if (visit(ce, static_cast<std::uint16_t>(word & 0x7FFFu))) return;
    }
}

}  // namespace qx
