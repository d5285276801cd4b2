// The decoded flash geometry and the calculators that work on it.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

struct FlashConfig;
struct GlobalParameter;

struct FlashGeometry {
    std::uint16_t BlocksPerCe;
    std::uint16_t BlocksPerPlane;    // (BlocksPerCe / 2) / DiesPerCe
    std::uint16_t PagesPerBlock;     // halved when the part has HalfPages
    std::uint8_t DiesPerCe;
    std::uint8_t SectorsPerPage;     // 512-byte sectors
    std::array<std::uint8_t, 8> BankMap;  // [FlashSetting] FwBankSet0..7
};

// Values of the type-word codes; a code outside the table gives 0.
std::uint8_t SectorsPerPageOfCode(unsigned code);
std::uint16_t PagesPerBlockOfCode(unsigned code);
std::uint16_t BlocksPerCeOfCode(unsigned code);
std::uint8_t DiesPerCeOfCode(unsigned code);

// Fills everything but BankMap from the part fields of config (FlashTypeWord,
// HalfPages). A type word with a code outside the tables gives a geometry
// that IsValidGeometry refuses; nothing divides by zero.
void DecodeFlashGeometry(const FlashConfig& part, FlashGeometry& geometry);
void UpdateFlashGeometry(const FlashConfig& part, FlashGeometry& geometry);
// The bank map comes from the settings record only.
void CopyBankMap(const GlobalParameter& settings, std::array<std::uint8_t, 8>& bankMap);
bool IsValidGeometry(const FlashGeometry& geometry);

// The flash class: the top four bits of the type word.
unsigned FlashClass(const FlashConfig& config);

bool Log2IfPowerOfTwo(std::uint32_t value, std::uint8_t& exponent);

std::uint8_t PackFlashSizeCode(const FlashConfig& config);
std::uint8_t PackFlashSizeCodeEx(const FlashConfig& config);
// Raw flash size in GiB, clamped to 16 bits.
std::uint16_t CalcRawCapacityGB(const FlashConfig& config);

struct UserCapacity {
    std::uint32_t CapacitySectors;
    std::uint16_t BlocksPerPlane;
    std::uint16_t PlaneBlocksAllDies;
    std::uint16_t ReservedBlocksAllDies;
    std::uint16_t DataBlocks;
};

// Computed in 64 bits; a count that does not fit its field is clamped, a
// reserve larger than the blocks gives 0 data blocks and 0 sectors.
void CalcUserCapacity(const FlashConfig& config, UserCapacity& result);
std::uint32_t CalcDiskCapacity(const FlashConfig& config);

std::uint16_t BlockToPlaneBlock(std::uint16_t block, const FlashConfig& config);
std::uint16_t PlaneBlockToBlock(std::uint16_t planeBlock, const FlashConfig& config);

// Controller memory in bytes that the version-11 mapping tables need, a
// multiple of 16 KB; clamped to 32 bits.
std::uint32_t CalcTableMemSizeV11(std::uint8_t banks, std::uint8_t channels, std::uint16_t planeBlocksPerCe,
                                  std::uint16_t pagesPerBlock, std::uint16_t reservePerMille,
                                  std::uint16_t defectEntries);

}  // namespace qx
