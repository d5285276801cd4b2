// The header page of the system firmware file: besides the firmware's own
// header it carries the drive's ATA identity, the flash configuration and the
// remap rows of this very drive. The file holds a template; the download
// patches it per drive. The controller's system memory image has the same
// layout.
//
//   0x04C 512  IDENTIFY DEVICE data, word w at 0x04C + 2w
//   0x300  64  firmware header: "QXSS", version 0x306, model 0x324,
//              variant 0x329, information text 0x330; byte 0x30D "S"
//   0x500  40  header record (the parameter block, with the changes below)
//   0x528   8  BankMap
//   0x530  64  geometry block
//   0x8A0      the slot's remap rows in the chosen firmware's shape
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qx {

struct BinFileList;
struct FlashConfig;
struct GlobalParameter;

inline constexpr std::size_t kSysBinIdentifyAt = 0x04C;
inline constexpr std::size_t kSysBinSerialAt = 0x060;      // IDENTIFY words 10-19
inline constexpr std::size_t kSysBinFwRevisionAt = 0x07A;  // words 23-26
inline constexpr std::size_t kSysBinModelAt = 0x082;       // words 27-46
inline constexpr std::size_t kSysBinWwnAt = 0x124;         // words 108-111
inline constexpr std::size_t kSysBinHeaderAt = 0x300;
inline constexpr std::size_t kSysBinHeaderSize = 64;
inline constexpr std::size_t kSysBinRecordAt = 0x500;
inline constexpr std::size_t kSysBinBankMapAt = 0x528;
inline constexpr std::size_t kSysBinGeometryAt = 0x530;
inline constexpr std::size_t kSysBinGeometrySize = 64;
inline constexpr std::size_t kSysBinRemapRowsAt = 0x8A0;

// "QXSS" at 0x300 and "S" at 0x30D; other pages are written unchanged.
bool IsSysBinHeaderPage(std::span<const std::uint8_t> page);

// Whether a controller-memory image holds the USB identity block (vendor and
// product IDs at 100, names at 118 and 126, string descriptors at 158, 192
// and 242). An image laid out as this header does not: its IDENTIFY template
// covers 0x04C-0x24B, and read as USB identity it would show swapped ATA
// text. Both programs ask this before they show the block.
bool CarriesUsbIdentityBlock(std::span<const std::uint8_t> image);

// The builders need a page that reaches past the geometry block; a smaller
// one is left alone (false).

// The parameter block at 0x500 with: byte 7 SizeCodeEx; 0x20, 0x21 the read
// and ECC-copy thresholds of the ECC mode (1: BCH16, 2: BCH24, 3: BCH40,
// else 0); 0x22 WearLevelFrequency; 0x23 SecurityCounter; 0x24
// SecurityOptions. Then the bank map at 0x528.
bool BuildSysBinHeader(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> page);

// The geometry block over the file's own 64 bytes, and the slot's remap rows
// (rows that do not fit the page are not written). largeCapacity: the chosen
// capacity is above 200 GB.
bool BuildSysBinGeometry(int slot, const FlashConfig& config, const BinFileList& binFiles, bool largeCapacity,
                         std::span<std::uint8_t> page);

// The reserve shift of geometry byte 6 for a geometry block whose bytes 1
// and 4 are already set. Bounded: a reserve of 0 gives the largest divisor.
std::uint8_t SysBinReserveShift(const FlashConfig& config, std::span<const std::uint8_t> geometry,
                                bool largeCapacity);

// Serial number (at most 20 characters), firmware revision, model, world
// wide name, the "Z" overrides, the UDMA5 bit of word 93 and the SATA speed
// bits of word 76, in that order.
bool BuildSysBinIdentity(int slot, const FlashConfig& config, const GlobalParameter& settings,
                         std::span<std::uint8_t> page, std::string_view serialNumber, std::string_view wwn);

// IDENTIFY words 108..111 of a WWN text: 9 characters are a 36-bit
// identifier under the configured OUI (NAA 5); anything else is read as 16
// hexadecimal digits. Digits past the text's end count as 0.
void WwnWords(std::string_view wwn, std::string_view oui, std::uint16_t (&words)[4]);

}  // namespace qx
