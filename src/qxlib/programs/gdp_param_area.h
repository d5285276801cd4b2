// The parameter area of a controller program image: what the station writes
// into the diagnostic and test programs before they are sent, so that the
// program knows the flash and the drive's code blocks without reading any
// table. All 16- and 32-bit values are little-endian.
//
//   0x500  40  GdpParamBlock (its bytes 32..34 replaced as below)
//   0x520   1  DefPercentage
//   0x521   1  ProhibitRemapOffset, low byte
//   0x522   1  0
//   0x528   8  BankMap
//   0x530  24  byte i = SectorsPerPage x 2 x i (mod 256)
//   0x548  48  MapTableBlock
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;
struct GlobalParameter;

inline constexpr std::size_t kGdpParamBlockAt = 0x500;
inline constexpr std::size_t kGdpParamBlockSize = 40;
inline constexpr std::size_t kMapTableBlockAt = 0x548;
inline constexpr std::size_t kMapTableBlockSize = 48;
inline constexpr std::size_t kParamAreaEnd = kMapTableBlockAt + kMapTableBlockSize;
inline constexpr int kMapTableVersion = 11;

using GdpParamBlock = std::span<std::uint8_t, kGdpParamBlockSize>;
using MapTableBlock = std::span<std::uint8_t, kMapTableBlockSize>;

// The packed option bits of the parameter block (byte 9 and byte 10).
std::uint8_t PackFwInterfaceFlags(const FlashConfig& config);
std::uint8_t PackFwOptionFlags(const FlashConfig& config);

// The slot's code blocks first get their swap rule: when the third is odd
// and neither the first nor the second is the block just below it, the first
// and the third trade places, in the slot itself.
//
//   0  FlashTypeWord (2)    2  interface | 0x10 EnLowPage | 0x20 mode flag
//   3  channels   4 banks   5 ECC mode   6 drive current   7 size code
//   8  ResPercentage low    9 interface flags   10 option flags   11 CEs
//   12 FwFlagsB   13 FwFlagsC   16 four code blocks (2 each)   24 64 (2)
//   26 ResPercentage high   27 DLLPhase   the rest 0
void BuildGdpParamBlock(int slot, const FlashConfig& config, const GlobalParameter& settings, GdpParamBlock block);

// The first page of the first firmware bin file on the code blocks: the
// first page of the low-page table in low-page mode, else page 8. Taken from
// the configuration so that every drive of a run gets the same.
std::uint16_t FirstBinFilePage(const FlashConfig& config);

//   0  table memory size (4)   4 EarlyBadCount (4)   8 first bin page (2)
//   10 DirtyDepth (2)   12 ExtraBlocks (2)   14 DieOffset (2)
//   16 LedInterleave   17 FwFlagsA   18 table page sequence (16)   34 0 (14)
void BuildMapTableBlock(int slot, const FlashConfig& config, MapTableBlock block);

// Both write into an image of at least kParamAreaEnd bytes; a shorter image
// is left alone and the answer is false.
bool PatchGdpParamArea(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> image);
// Only version 11 tables exist; another version patches nothing.
bool PatchMapTableBlock(int slot, const FlashConfig& config, std::span<std::uint8_t> image,
                        int tableVersion = kMapTableVersion);

}  // namespace qx
