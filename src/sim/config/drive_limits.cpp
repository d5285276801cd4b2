#include "sim/config/drive_limits.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace qx::sim {
namespace {

long long Saturated(std::uint64_t v) {
    return static_cast<long long>(std::min<std::uint64_t>(v, std::numeric_limits<long long>::max()));
}

// One number of a drive description and the values a real drive gives it.
struct NumberLimit {
    const char* key;
    long long (*get)(const DriveConfig&);
    long long min;
    long long max;
    bool powerOfTwo;
    const char* what;   // what the number is, for the message
};

// The flash geometry follows the controller's flash type word (sectors per
// page 4..32, pages per block 64..512, halved to 32 for parts that use half
// their pages, blocks per chip enable up to 16384), its channel and bank
// counts (at most 4 channels of 8 chip enables). The block floor is below
// the smallest part's 1024 so that small simulated drives stay light.
constexpr NumberLimit kNumbers[] = {
    {"capacitySectors", [](const DriveConfig& c) { return Saturated(c.capacitySectors); }, 1,
     (1LL << 48) - 1, false, "user sectors (48-bit addresses)"},
    {"sataSpeedBits", [](const DriveConfig& c) -> long long { return c.sataSpeedBits; }, 0, 0xFF, false,
     "an IDENTIFY byte"},
    {"rotationRate", [](const DriveConfig& c) -> long long { return c.rotationRate; }, 0, 0xFFFE, false,
     "the IDENTIFY rotation rate (0xFFFF is reserved)"},
    {"channels", [](const DriveConfig& c) -> long long { return c.channels; }, 1, 4, false, "flash channels"},
    {"ces", [](const DriveConfig& c) -> long long { return c.ces; }, 1, 8, false, "chip enables per channel"},
    {"blocksPerCe", [](const DriveConfig& c) -> long long { return c.blocksPerCe; }, 64, 16384, true,
     "blocks per chip enable"},
    {"pagesPerBlock", [](const DriveConfig& c) -> long long { return c.pagesPerBlock; }, 32, 512, true,
     "pages per block"},
    {"sectorsPerPage", [](const DriveConfig& c) -> long long { return c.sectorsPerPage; }, 4, 32, true,
     "sectors per flash page"},
    {"binFiles", [](const DriveConfig& c) -> long long { return c.binFiles; }, 0, 2, false,
     "firmware files in the code blocks"},
    {"infoSequence", [](const DriveConfig& c) -> long long { return c.infoSequence; }, 0, 0xFFFF, false,
     "the information page's sequence number"},
    {"eraseCountBase", [](const DriveConfig& c) -> long long { return c.eraseCountBase; }, 0, 0xFFFF, false,
     "erases per block"},
    {"dramBytes", [](const DriveConfig& c) { return Saturated(c.dramBytes); }, 0, 1LL << 32, false,
     "bytes of DRAM (32-bit controller addresses)"},
    {"dramStatus", [](const DriveConfig& c) -> long long { return c.dramStatus; }, 0, 0xFF, false, "a status byte"},
    {"busStuckBits", [](const DriveConfig& c) -> long long { return c.busStuckBits; }, 0, 0xFFFF, false,
     "bits of the 16-bit bus"},
    {"busyPolls", [](const DriveConfig& c) -> long long { return c.busyPolls; }, -1, 10000, false,
     "busy answers before an action ends (-1: it never ends)"},
    {"actionStatus", [](const DriveConfig& c) -> long long { return c.actionStatus; }, 0, 0xFF, false,
     "a status byte"},
    {"bootDelayMs", [](const DriveConfig& c) { return Saturated(c.bootDelayMs); }, 0, 60000, false,
     "milliseconds of firmware boot (a drive that never boots is neverBoots=1)"},
    {"volumeLockFailures", [](const DriveConfig& c) -> long long { return c.volumeLockFailures; }, -1, 1000000,
     false, "failed volume locks (-1: every one)"},
};

std::string Text(long long v) { return std::to_string(v); }

std::optional<DriveLimitBreak> CheckNumber(const NumberLimit& limit, const DriveConfig& c) {
    const long long v = limit.get(c);
    const bool inRange = v >= limit.min && v <= limit.max;
    if (inRange && (!limit.powerOfTwo || std::has_single_bit(static_cast<unsigned long long>(v)))) return std::nullopt;
    return DriveLimitBreak{limit.key, std::string(limit.powerOfTwo ? "must be a power of two from " : "must be from ") +
                                          Text(limit.min) + " to " + Text(limit.max) + " (" + limit.what + ")"};
}

// The lists name blocks, pages, channels and chip enables of the drive's
// own flash: each must lie inside the geometry described beside it.
using ListCheck = std::optional<std::string> (*)(const DriveConfig&);

std::string Below(const char* what, const char* key, long long limit) {
    return std::string(what) + " must be below " + key + " (" + Text(limit) + ")";
}

bool InChip(const DriveConfig& c, unsigned channel, unsigned ce) { return channel < c.channels && ce < c.ces; }

constexpr const char* kOutsideChips = "each channel and chip enable must be below channels and ces";

struct ListLimit {
    const char* key;
    ListCheck check;
};

const ListLimit kLists[] = {
    {"codeBlocks",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (c.codeBlocks.empty() || c.codeBlocks.size() > 4) return "must list 1 to 4 code blocks";
         for (std::size_t i = 0; i < c.codeBlocks.size(); ++i) {
             if (c.codeBlocks[i] >= c.blocksPerCe) return Below("each code block", "blocksPerCe", c.blocksPerCe);
             if (std::find(c.codeBlocks.begin(), c.codeBlocks.begin() + static_cast<std::ptrdiff_t>(i),
                           c.codeBlocks[i]) != c.codeBlocks.begin() + static_cast<std::ptrdiff_t>(i))
                 return "must not list a block twice";
         }
         return std::nullopt;
     }},
    {"badBlocks",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (!c.badBlocks.empty() && *c.badBlocks.rbegin() >= c.blocksPerCe)
             return Below("each block", "blocksPerCe", c.blocksPerCe);
         return std::nullopt;
     }},
    {"failingCes",
     [](const DriveConfig& c) -> std::optional<std::string> {
         for (const std::uint16_t v : c.failingCes)
             if (!InChip(c, v >> 8, v & 0xFFu)) return std::string(kOutsideChips) + " (channel << 8 | chip enable)";
         return std::nullopt;
     }},
    {"laterBadBlocks",
     [](const DriveConfig& c) -> std::optional<std::string> {
         for (const auto& [channel, ce, block, type] : c.laterBadBlocks) {
             if (!InChip(c, channel, ce)) return std::string(kOutsideChips);
             if (block >= c.blocksPerCe) return Below("each block", "blocksPerCe", c.blocksPerCe);
             if (type != 1 && type != 3 && type != 4 && type != 5)
                 return "the error type must be 1 (ECC over), 3 (program), 4 (erase) or 5 (ECC fail)";
         }
         return std::nullopt;
     }},
    {"uncorrectablePages",
     [](const DriveConfig& c) -> std::optional<std::string> {
         for (const auto& [block, page] : c.uncorrectablePages) {
             if (block >= c.blocksPerCe) return Below("each block", "blocksPerCe", c.blocksPerCe);
             if (page >= c.pagesPerBlock) return Below("each page", "pagesPerBlock", c.pagesPerBlock);
         }
         return std::nullopt;
     }},
    {"uncorrectableChannelPages",
     [](const DriveConfig& c) -> std::optional<std::string> {
         for (const auto& [channel, block, page] : c.uncorrectableChannelPages) {
             if (channel >= c.channels) return Below("each channel", "channels", c.channels);
             if (block >= c.blocksPerCe) return Below("each block", "blocksPerCe", c.blocksPerCe);
             if (page >= c.pagesPerBlock) return Below("each page", "pagesPerBlock", c.pagesPerBlock);
         }
         return std::nullopt;
     }},
    {"rdtBlock",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (c.rdtBlock >= c.blocksPerCe) return Below("the block", "blocksPerCe", c.blocksPerCe);
         return std::nullopt;
     }},
    {"rdtPages",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (c.rdtBlock == 0) return std::nullopt;   // no log: the pages say nothing
         if (c.rdtPages.size() != 6) return "must be six pages: summary, die information, factory first and count, "
                                            "error first and count";
         for (const std::uint16_t page : c.rdtPages)
             if (page >= c.pagesPerBlock) return Below("each page", "pagesPerBlock", c.pagesPerBlock);
         return std::nullopt;
     }},
    {"smartAttributes",
     [](const DriveConfig& c) -> std::optional<std::string> {
         for (const auto& [id, value, threshold, raw] : c.smartAttributes)
             if (id < 1 || id > 0xFF || value > 0xFF || threshold > 0xFF || raw >= (1ull << 48))
                 return "each attribute must be id 1..255, value and threshold 0..255, a 48-bit raw value";
         return std::nullopt;
     }},
    {"flashId",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (c.flashId.empty() || c.flashId.size() > 8) return "must be 1 to 8 bytes";
         return std::nullopt;
     }},
    {"volumeUsedBytes",
     [](const DriveConfig& c) -> std::optional<std::string> {
         if (c.volumeUsedBytes > c.capacitySectors * 512) return "must not exceed what the drive holds (capacitySectors)";
         return std::nullopt;
     }},
};

}  // namespace

std::optional<DriveLimitBreak> CheckDriveLimits(const DriveConfig& cfg) {
    for (const NumberLimit& limit : kNumbers)
        if (auto broken = CheckNumber(limit, cfg)) return broken;
    for (const ListLimit& list : kLists)
        if (auto why = list.check(cfg)) return DriveLimitBreak{list.key, std::move(*why)};
    return std::nullopt;
}

}  // namespace qx::sim
