// The SCSI, SAT and ATA codes the library sends, by name. The vendor
// protocol's own codes are in vendor_opcodes.h.
#pragma once

#include <cstdint>

namespace qx {

// --- SCSI operation codes.
inline constexpr std::uint8_t kScsiInquiry = 0x12;
inline constexpr std::uint8_t kScsiReadCapacity10 = 0x25;
inline constexpr std::uint8_t kScsiRead10 = 0x28;
inline constexpr std::uint8_t kScsiWrite10 = 0x2A;
inline constexpr std::uint8_t kInquiryLength = 0x28;      // INQUIRY allocation length: 40 bytes

// --- SAT ATA PASS-THROUGH blocks.
inline constexpr std::uint8_t kSat12 = 0xA1;              // ATA PASS-THROUGH(12)
inline constexpr std::uint8_t kSat16 = 0x85;              // ATA PASS-THROUGH(16)
// Block byte 1: the protocol (bits 1-4) and, in the 16-byte block, EXTEND (bit 0).
inline constexpr std::uint8_t kSatNonData = 0x06;
inline constexpr std::uint8_t kSatNonDataExt = 0x07;
inline constexpr std::uint8_t kSatPioIn = 0x08;
inline constexpr std::uint8_t kSatPioInExt = 0x09;
inline constexpr std::uint8_t kSatPioOut = 0x0A;
inline constexpr std::uint8_t kSatPioOutExt = 0x0B;
inline constexpr std::uint8_t kSatUdmaIn = 0x14;
inline constexpr std::uint8_t kSatUdmaInExt = 0x15;
inline constexpr std::uint8_t kSatUdmaOut = 0x16;
inline constexpr std::uint8_t kSatUdmaOutExt = 0x17;
// Block byte 2: the transfer direction and that the count is in sectors.
inline constexpr std::uint8_t kSatSectorsIn = 0x0B;
inline constexpr std::uint8_t kSatSectorsOut = 0x03;
inline constexpr std::uint8_t kSatNoData = 0x00;

// --- ATA task file values.
inline constexpr std::uint8_t kAtaDeviceLba = 0xE0;       // device register: LBA addressing
inline constexpr std::uint8_t kSmartLbaMid = 0x4F;        // the SMART signature in LBA mid / high
inline constexpr std::uint8_t kSmartLbaHigh = 0xC2;
inline constexpr std::uint8_t kSmartReadData = 0xD0;      // SMART feature (sub-command) codes
inline constexpr std::uint8_t kSmartReadThresholds = 0xD1;
inline constexpr std::uint8_t kSmartEnableOperations = 0xD8;

// --- ATA commands.
inline constexpr std::uint8_t kAtaReadDmaExt = 0x25;
inline constexpr std::uint8_t kAtaReadNativeMaxExt = 0x27;
inline constexpr std::uint8_t kAtaReadLogExt = 0x2F;
inline constexpr std::uint8_t kAtaWriteDmaExt = 0x35;
inline constexpr std::uint8_t kAtaSetMaxExt = 0x37;
inline constexpr std::uint8_t kAtaWriteLogExt = 0x3F;
inline constexpr std::uint8_t kAtaReadLogDmaExt = 0x47;
inline constexpr std::uint8_t kAtaWriteLogDmaExt = 0x57;
inline constexpr std::uint8_t kAtaSmart = 0xB0;
inline constexpr std::uint8_t kAtaReadMultiple = 0xC4;
inline constexpr std::uint8_t kAtaWriteMultiple = 0xC5;
inline constexpr std::uint8_t kAtaReadDma = 0xC8;
inline constexpr std::uint8_t kAtaWriteDma = 0xCA;
inline constexpr std::uint8_t kAtaStandbyImmediate = 0xE2;
inline constexpr std::uint8_t kAtaFlushCache = 0xE7;
inline constexpr std::uint8_t kAtaIdentifyDevice = 0xEC;
inline constexpr std::uint8_t kAtaSetFeatures = 0xEF;
inline constexpr std::uint8_t kAtaReadNativeMax = 0xF8;
inline constexpr std::uint8_t kAtaSetMax = 0xF9;
// The controller's own data commands of the vendor tunnel.
inline constexpr std::uint8_t kAtaVendorUdmaRead = 0x86;
inline constexpr std::uint8_t kAtaVendorUdmaWrite = 0x88;
inline constexpr std::uint8_t kAtaVendorPioRead = 0x8A;
inline constexpr std::uint8_t kAtaVendorPioWrite = 0x8F;

}  // namespace qx
