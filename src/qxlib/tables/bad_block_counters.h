// Bad blocks of a drive counted by channel, cell (CE row) and kind, from the
// firmware's bad-block table and the drive's early-bad and later-bad tables.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "qxlib/base/build_variant.h"

namespace qx {

struct TableContext;

// Counter of channel c, cell e and kind k at c x 56 + e x 7 + k.
inline constexpr std::size_t kBadBlockKinds = 7;
inline constexpr std::size_t kBadBlockCells = 8;
inline constexpr std::size_t kBadBlockChannelStride = kBadBlockCells * kBadBlockKinds;
inline constexpr std::size_t kBadBlockCounterCount = 320;   // what the station's worker provides

// Kinds (the k of a counter).
inline constexpr std::size_t kKindEarlyBad = 0;
inline constexpr std::size_t kKindEraseFail = 1;
inline constexpr std::size_t kKindProgFail = 2;
inline constexpr std::size_t kKindEccFail = 3;
inline constexpr std::size_t kKindEccOver = 4;
inline constexpr std::size_t kKindUnitChannelBits = 6;

// Record types in the drive's tables, and the kind each is counted under;
// both the station's counts and the utility's detail report read them.
inline constexpr int kBadBlockTypeEarly = 9;
inline constexpr int kBadBlockTypeUnknown = 99;

inline std::optional<std::size_t> BadBlockKindOfType(int type) {
    switch (type) {
        case kBadBlockTypeEarly: return kKindEarlyBad;
        case 4: return kKindEraseFail;
        case 3: return kKindProgFail;
        case 5: return kKindEccFail;
        case 1: return kKindEccOver;
        default: return std::nullopt;
    }
}

// The legend that ends a detail text.
inline constexpr char kBadBlockLegend[] =
    "ErrType 1 (Ecc Over)\r\n"
    "ErrType 3 (Prog Fail)\r\n"
    "ErrType 4 (Erase Fail)\r\n"
    "ErrType 5 (Ecc Fail)\r\n";

using BadBlockCounters = std::array<std::uint32_t, kBadBlockCounterCount>;
using BadBlockTotals = std::array<std::uint32_t, kBadBlockKinds>;

// The counter's position; counters outside the span (or a cell past the
// eight of a channel) are not counted.
constexpr std::size_t BadBlockCounterAt(std::size_t channel, std::size_t cell, std::size_t kind) {
    return channel * kBadBlockChannelStride + cell * kBadBlockKinds + kind;
}

// Rereads the system information and the drive's tables, then counts into
// counters (added to what they hold) and sets the seven totals over the
// drive's channels and banks. With a detail text, the legend of the error
// types is appended to it first. The utility build adds the detail lines
// and marks the slot's BadBlockMap (see bad_block_detail.h).
void CountBadBlocksByType(int slot, TableContext& ctx, std::span<std::uint32_t> counters, BadBlockTotals& totals,
                          std::string* detailText);

#if QX_UTILITY_BUILD
// The utility's count with its "Remap Relation" listing switched by
// [Setting] EnRemapRelation; counters: kReportBadBlockCounterCount of them.
void CountBadBlocksByType(int slot, TableContext& ctx, std::span<std::uint32_t> counters, BadBlockTotals& totals,
                          std::string* detailText, bool remapRelation);
#endif

}  // namespace qx
