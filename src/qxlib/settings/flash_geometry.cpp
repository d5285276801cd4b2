#include "qxlib/settings/flash_geometry.h"

#include <algorithm>
#include <limits>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"

namespace qx {
namespace {

constexpr unsigned kClassWithPlanePairs = 2;

template <typename T>
T ClampTo(std::int64_t value) {
    return static_cast<T>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<T>::max()));
}

// Class-2 parts without the mode flag number their blocks die by die rather
// than interleaving the two planes.
bool UsesPlanePairs(const FlashConfig& config) {
    return FlashClass(config) == kClassWithPlanePairs && config.FlashModeFlag == 0 &&
           config.FlashGeometry.BlocksPerPlane != 0;
}

std::uint8_t PackSizeCode(const FlashConfig& config, std::uint32_t pagesForCode) {
    const FlashGeometry& g = config.FlashGeometry;
    const unsigned modeBit = (FlashClass(config) == 2 && config.FlashModeFlag == 0) ? 0 : 1;
    std::uint32_t blocks = config.DieOffset != 0 ? std::uint32_t{config.DieOffset} * 2u * g.DiesPerCe
                                                 : std::uint32_t{g.BlocksPerCe} * (config.ExtraBlocks ? 2u : 1u);
    const std::uint32_t perDie = g.DiesPerCe ? blocks / g.DiesPerCe : 0;
    std::uint8_t exponent = 0;
    // Byte arithmetic as the controller expects: a count below 1024 blocks
    // wraps into the two code bits.
    const auto blockCode = static_cast<std::uint8_t>(Log2IfPowerOfTwo(perDie, exponent) ? exponent - 10 : 0);
    const auto pageCode = static_cast<std::uint8_t>(Log2IfPowerOfTwo(pagesForCode, exponent) ? exponent - 6 : 0);
    return static_cast<std::uint8_t>(modeBit * 16u | (blockCode & 3u) * 4u | (pageCode & 3u));
}

}  // namespace

std::uint8_t SectorsPerPageOfCode(unsigned code) {
    constexpr std::uint8_t kValues[] = {4, 8, 16, 32};
    return code < 4 ? kValues[code] : 0;
}

std::uint16_t PagesPerBlockOfCode(unsigned code) {
    constexpr std::uint16_t kValues[] = {64, 128, 256, 512};
    return code < 4 ? kValues[code] : 0;
}

std::uint16_t BlocksPerCeOfCode(unsigned code) {
    constexpr std::uint16_t kValues[] = {2048, 4096, 8192, 16384, 1024};
    return code < 5 ? kValues[code] : 0;
}

std::uint8_t DiesPerCeOfCode(unsigned code) {
    constexpr std::uint8_t kValues[] = {1, 2, 4};
    return code < 3 ? kValues[code] : 0;
}

unsigned FlashClass(const FlashConfig& config) { return config.FlashTypeWord >> 12; }

void DecodeFlashGeometry(const FlashConfig& part, FlashGeometry& geometry) {
    const unsigned word = part.FlashTypeWord;
    geometry.SectorsPerPage = SectorsPerPageOfCode(word & 7u);
    geometry.PagesPerBlock = PagesPerBlockOfCode((word >> 3) & 7u);
    if (part.HalfPages) geometry.PagesPerBlock = static_cast<std::uint16_t>(geometry.PagesPerBlock / 2);
    geometry.BlocksPerCe = BlocksPerCeOfCode((word >> 6) & 7u);
    geometry.DiesPerCe = DiesPerCeOfCode((word >> 9) & 3u);
    geometry.BlocksPerPlane =
        static_cast<std::uint16_t>(geometry.DiesPerCe ? geometry.BlocksPerCe / 2 / geometry.DiesPerCe : 0);
}

void UpdateFlashGeometry(const FlashConfig& part, FlashGeometry& geometry) { DecodeFlashGeometry(part, geometry); }

void CopyBankMap(const GlobalParameter& settings, std::array<std::uint8_t, 8>& bankMap) {
    bankMap = settings.FwBankSet;
}

bool IsValidGeometry(const FlashGeometry& g) {
    return g.BlocksPerCe && g.BlocksPerPlane && g.PagesPerBlock && g.DiesPerCe && g.SectorsPerPage;
}

bool Log2IfPowerOfTwo(std::uint32_t value, std::uint8_t& exponent) {
    exponent = 0;
    if (value == 0) return false;
    while (value != 1) {
        if (value & 1u) return false;
        value >>= 1;
        ++exponent;
    }
    return true;
}

std::uint8_t PackFlashSizeCode(const FlashConfig& config) {
    return PackSizeCode(config, config.FlashGeometry.PagesPerBlock);
}

std::uint8_t PackFlashSizeCodeEx(const FlashConfig& config) {
    const bool halfForCode = FlashClass(config) == 2 &&
                             (config.FlashInterface == 4 || config.FlashInterface == 5 || config.FlashInterface == 6);
    const std::uint32_t pages = config.FlashGeometry.PagesPerBlock;
    return PackSizeCode(config, halfForCode ? pages / 2 : pages);
}

std::uint16_t CalcRawCapacityGB(const FlashConfig& config) {
    const FlashGeometry& g = config.FlashGeometry;
    const std::int64_t gib = std::int64_t{g.SectorsPerPage / 2} * g.PagesPerBlock * (g.BlocksPerCe / 1024) *
                             config.ChannelCount * config.BankCount / 1024;
    return ClampTo<std::uint16_t>(gib);
}

void CalcUserCapacity(const FlashConfig& config, UserCapacity& result) {
    const FlashGeometry& g = config.FlashGeometry;
    result = {};
    if (!g.DiesPerCe) return;
    const std::int64_t perPlane = g.BlocksPerCe / g.DiesPerCe / 2;
    const std::int64_t reservedPerPlane = std::int64_t{config.ResPercentage} * perPlane / 1000 + 1;
    const std::int64_t planeAll = perPlane * g.DiesPerCe;
    const std::int64_t reservedAll = reservedPerPlane * g.DiesPerCe;
    const std::int64_t data = std::max<std::int64_t>(planeAll - reservedAll, 0);
    const auto divided = [](std::int64_t numerator, std::int64_t divisor) {
        return divisor ? numerator / divisor : 0;
    };
    const auto codeReserve = static_cast<std::uint8_t>(divided(128, g.PagesPerBlock) *
                                                       divided(8, config.ChannelCount) *
                                                       divided(16, g.SectorsPerPage));
    const std::int64_t sectors = (data - codeReserve) * config.ChannelCount * 2 * config.BankCount *
                                 g.PagesPerBlock * g.SectorsPerPage;
    result.CapacitySectors = ClampTo<std::uint32_t>(sectors);
    result.BlocksPerPlane = ClampTo<std::uint16_t>(perPlane);
    result.PlaneBlocksAllDies = ClampTo<std::uint16_t>(planeAll);
    result.ReservedBlocksAllDies = ClampTo<std::uint16_t>(reservedAll);
    result.DataBlocks = ClampTo<std::uint16_t>(data);
}

std::uint32_t CalcDiskCapacity(const FlashConfig& config) {
    UserCapacity capacity{};
    CalcUserCapacity(config, capacity);
    return capacity.CapacitySectors;
}

std::uint16_t BlockToPlaneBlock(std::uint16_t block, const FlashConfig& config) {
    if (!UsesPlanePairs(config)) return static_cast<std::uint16_t>(block / 2);
    const std::uint32_t perPlane = config.FlashGeometry.BlocksPerPlane;
    const std::uint32_t q = (block / (2 * perPlane)) & 0xFFu;
    const std::uint32_t r = block % (2 * perPlane);
    return static_cast<std::uint16_t>(q * perPlane + r);
}

std::uint16_t PlaneBlockToBlock(std::uint16_t planeBlock, const FlashConfig& config) {
    if (!UsesPlanePairs(config)) return static_cast<std::uint16_t>(planeBlock * 2);
    const std::uint32_t perPlane = config.FlashGeometry.BlocksPerPlane;
    const std::uint32_t q = (planeBlock / perPlane) & 0xFFu;
    const std::uint32_t r = planeBlock % perPlane;
    return static_cast<std::uint16_t>(q * 2 * perPlane + 2 * r);
}

std::uint32_t CalcTableMemSizeV11(std::uint8_t banks, std::uint8_t channels, std::uint16_t planeBlocksPerCe,
                                  std::uint16_t pagesPerBlock, std::uint16_t reservePerMille,
                                  std::uint16_t defectEntries) {
    constexpr std::int64_t kUnit = 16384;
    constexpr std::int64_t kBase = 3 * 1024 * 1024;
    const std::int64_t n = planeBlocksPerCe;
    // A reserve above the block count or below the three fixed blocks would
    // make the counts negative; they stop at their bounds instead.
    const std::int64_t res = std::min<std::int64_t>(std::int64_t{reservePerMille} * n / 1000, n);
    const std::int64_t d = n - res;
    const std::int64_t h = std::int64_t{banks} * channels;
    const std::int64_t m = std::max<std::int64_t>(h * (res - 3) - defectEntries, 0);
    const std::int64_t t = h * (8 * n + 5 * d + 5 * res + 1616) + 160 * m + 8 * (pagesPerBlock * m + 1) +
                           8 * (h * d + 1) + kBase;
    const std::int64_t size = (t / kUnit + 1) * kUnit;
    constexpr std::int64_t kLargest = (std::int64_t{std::numeric_limits<std::uint32_t>::max()} / kUnit) * kUnit;
    return static_cast<std::uint32_t>(std::min(size, kLargest));
}

}  // namespace qx
