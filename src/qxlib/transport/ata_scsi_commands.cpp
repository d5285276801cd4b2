#include "qxlib/transport/ata_scsi_commands.h"

#include <cstring>

#include "qxlib/base/build_variant.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/opcodes.h"
#include "qxlib/transport/pass_through.h"

namespace qx {
namespace {

constexpr int kSector = 512;
constexpr bool kRead = true;
constexpr bool kWrite = false;

// A drive that refuses an ATA command tells so in its sense data: the ATA
// commands look at it, so a refused SET MAX or SMART read is not a pass.
int Send12(int slot, bool read, const std::uint8_t (&b)[12], std::uint8_t* buffer, int count) {
    return ExecSlotAtaPassThrough(slot, read, b, 12, buffer, count * kSector, false) == 1 ? 1 : 2;
}

int Send16(int slot, bool read, const std::uint8_t (&b)[16], std::uint8_t* buffer, int count) {
    return ExecSlotAtaPassThrough(slot, read, b, 16, buffer, count * kSector, true) == 1 ? 1 : 2;
}

// Non-data ATA command with only its opcode (and LBA-high quirk bytes).
int NonData12(int slot, std::uint8_t lbaHigh, std::uint8_t command) {
    const std::uint8_t b[12] = {kSat12, kSatNonData, kSatNoData, 0x00, 0x00, 0x00, 0x00, lbaHigh, 0x00, command, 0x00, 0x00};
    return Send12(slot, kWrite, b, nullptr, 0);
}

void FailureRecord(std::uint8_t* buffer, std::uint32_t kind, std::uint32_t lba) {
    if (!buffer) return;
    std::memcpy(buffer, &kind, 4);
    std::memcpy(buffer + 4, &lba, 4);
}

// The utility's SATA-path transfers as READ / WRITE DMA. Within the first
// 2^28 sectors the 12-byte block with LBA bits 0-27 and the low byte of the
// count (the read/write test sends 1 to 128 sectors):
//
//   byte:  0    1         2          3     4      5-7            8             9         10 11
//         A1  14 / 16   0B / 03     00   count  LBA 0-23 (LE)  E0 | LBA 24-27  C8 / CA    0  0
//
// Beyond them the 28-bit block would wrap to the start of the drive, so the
// 16-byte block carries READ / WRITE DMA EXT (25h / 35h) with the 48-bit LBA.
// Returns the block's length.
int SataDmaBlock(bool read, int count, std::uint32_t lba, std::uint8_t (&b)[16]) {
    auto byte = [lba](int shift) { return static_cast<std::uint8_t>(lba >> shift); };
    if (std::uint64_t{lba} + static_cast<std::uint64_t>(count) <= (1ull << 28)) {
        b[ 0] = kSat12;
        b[ 1] = read ? kSatUdmaIn : kSatUdmaOut;
        b[ 2] = read ? kSatSectorsIn : kSatSectorsOut;
        b[ 4] = static_cast<std::uint8_t>(count);
        b[ 5] = byte(0);
        b[ 6] = byte(8);
        b[ 7] = byte(16);
        b[ 8] = static_cast<std::uint8_t>(kAtaDeviceLba | (byte(24) & 0x0F));
        b[ 9] = read ? kAtaReadDma : kAtaWriteDma;
        return 12;
    }
    b[ 0] = kSat16;
    b[ 1] = read ? kSatUdmaInExt : kSatUdmaOutExt;
    b[ 2] = read ? kSatSectorsIn : kSatSectorsOut;
    put_be16(&b[5], static_cast<std::uint16_t>(count));
    b[ 7] = byte(24);
    b[ 8] = byte(0);
    b[10] = byte(8);
    b[12] = byte(16);
    b[13] = kAtaDeviceLba;
    b[14] = read ? kAtaReadDmaExt : kAtaWriteDmaExt;
    return 16;
}

// The utility sends its sector transfers through the slot dispatcher on both
// paths, so that a DirectAta slot gets the DMA commands as ATA task files.
int UtilitySectors(int slot, bool read, std::uint8_t* buffer, int count, std::uint32_t lba) {
    const SlotRoute route = RouteOf(slot);
    std::uint8_t b[16] = {};
    int blockLength = 12;
    if (route.UsbPath) {
        b[ 0] = read ? kScsiRead10 : kScsiWrite10;
        put_be32(&b[2], lba);
        put_be16(&b[7], static_cast<std::uint16_t>(count));
    } else {
        blockLength = SataDmaBlock(read, count, lba, b);
    }
    // A sector the drive ended with an error did not move, though the
    // pass-through call succeeded: the sense data decides, as for the ATA
    // commands, so the read/write test sees a failing sector.
    if (ExecSlotAtaPassThrough(route, read, b, blockLength, buffer, count * kSector, blockLength == 16) == 1) return 1;
    FailureRecord(buffer, read ? 2u : 1u, lba);
    return 2;
}

int Sectors10(int slot, bool read, std::uint8_t* buffer, int count, std::uint32_t lba) {
    if constexpr (kUtilityBuild) return UtilitySectors(slot, read, buffer, count, lba);
    //  byte:  0        1   2-5          6   7-8
    //        28 / 2A   0   LBA (BE)     0   count (BE)
    std::uint8_t b[12] = {};
    b[ 0] = read ? kScsiRead10 : kScsiWrite10;
    put_be32(&b[2], lba);
    put_be16(&b[7], static_cast<std::uint16_t>(count));
    const int length = count * kSector;
    // A sector the drive refused with CHECK CONDITION did not move, though the
    // pass-through call succeeded: the sector requests look at the sense data.
    // With no drive nothing is opened at all.
    const SlotRoute route = RouteOf(slot);
    const auto bytes = static_cast<std::uint32_t>(length);
    const int r = !*route.Path      ? -1
                  : !route.DirectAta ? (read ? ReadSectorsSCSI(route.Path, buffer, lba, bytes)
                                             : WriteSectorsSCSI(route.Path, buffer, lba, bytes))
                  : route.UsbPath    ? ExecSlotPassThrough(route, read, b, 10, buffer, length, false)
                                     : ExecSlotSCSIPassThrough(route, read, b, 10, buffer, length);
    if (r == 1) return 1;
    FailureRecord(buffer, read ? 2u : 1u, lba);
    return 2;
}

}  // namespace

int ATA_IdentifyDevice(int slot, std::uint8_t* buffer, int count) {
    if (OnUsbPath(slot)) return 2;
    std::uint8_t b[12] = {kSat12, kSatPioIn, kSatSectorsIn, 0x00};
    put_le32(&b[4], static_cast<std::uint32_t>(count));   // count, LBA low, mid, high
    b[8] = kAtaDeviceLba;
    b[9] = kAtaIdentifyDevice;
    return Send12(slot, kRead, b, buffer, count);
}

int ATA_SetFeatures(int slot, std::uint8_t feature, std::uint32_t value) {
    if (OnUsbPath(slot)) return 1;
    std::uint8_t b[12] = {kSat12, kSatNonData, kSatNoData, feature};
    put_le32(&b[4], value);
    b[8] = kAtaDeviceLba;
    b[9] = kAtaSetFeatures;
    return Send12(slot, kWrite, b, nullptr, 0);
}

int ATA_SmartReadData(int slot, std::uint8_t* buffer, int count) {
    if (OnUsbPath(slot)) return 2;
    const std::uint8_t b[12] = {kSat12, kSatPioIn, kSatSectorsIn, kSmartReadData, static_cast<std::uint8_t>(count),
                                0x00, kSmartLbaMid, kSmartLbaHigh, 0x00, kAtaSmart, 0x00, 0x00};
    return Send12(slot, kRead, b, buffer, count);
}

int ATA_SmartEnableOperations(int slot) {
    if (OnUsbPath(slot)) return 2;
    const std::uint8_t b[12] = {kSat12, kSatNonData, kSatNoData, kSmartEnableOperations, 0x01, 0x00,
                                kSmartLbaMid, kSmartLbaHigh, 0x00, kAtaSmart, 0x00, 0x00};
    return Send12(slot, kWrite, b, nullptr, 0);
}

// E0 stands in the LBA-high byte of these two, the device byte is 0; drives
// have always accepted them this way, and neither answer carries a value.
int ATA_FlushCache(int slot) { return OnUsbPath(slot) ? 1 : NonData12(slot, kAtaDeviceLba, kAtaFlushCache); }
int ATA_Standby(int slot) { return OnUsbPath(slot) ? 1 : NonData12(slot, kAtaDeviceLba, kAtaStandbyImmediate); }

// The native max address is a value: without the LBA bit in the device byte
// a drive may return it as cylinder, head and sector (QEMU's disk answers
// 0x208220 for 0x0FFFFFFF), so both forms ask for it as an LBA.
int ATA_ReadNativeMaxAddress(int slot) {
    if (OnUsbPath(slot)) return 1;
    const std::uint8_t b[12] = {kSat12, kSatNonData, kSatNoData, 0x00, 0x00, 0x00,
                                0x00,   0x00,        kAtaDeviceLba, kAtaReadNativeMax, 0x00, 0x00};
    return Send12(slot, kWrite, b, nullptr, 0);
}

int ATA_ReadNativeMaxAddressExt(int slot) {
    if (OnUsbPath(slot)) return 1;
    std::uint8_t b[16] = {kSat16, kSatNonData};
    b[13] = kAtaDeviceLba;
    b[14] = kAtaReadNativeMaxExt;
    return Send16(slot, kWrite, b, nullptr, 0);
}

int ATA_SetMaxAddress(int slot, std::uint32_t lba) {
    if (OnUsbPath(slot)) return 1;
    const std::uint8_t b[12] = {kSat12, kSatNonData, kSatNoData, 0x00, 0x01,
                                static_cast<std::uint8_t>(lba), static_cast<std::uint8_t>(lba >> 8),
                                static_cast<std::uint8_t>(lba >> 16),
                                static_cast<std::uint8_t>(kAtaDeviceLba | ((lba >> 24) & 0x0F)), kAtaSetMax, 0x00, 0x00};
    return Send12(slot, kWrite, b, nullptr, 0);
}

int ATA_SetMaxAddressExt(int slot, std::uint64_t lba) {
    if (OnUsbPath(slot)) return 1;
    auto byte = [lba](int shift) { return static_cast<std::uint8_t>(lba >> shift); };
    //  0     1     2  3  4  5  6     7          8         9          10        11         12         13    14
    const std::uint8_t b[16] = {kSat16, kSatNonDataExt, 0, 0, 0, 0, 0x01, byte(24), byte(0), byte(32), byte(8), byte(40),
                                byte(16), kAtaDeviceLba, kAtaSetMaxExt, 0x00};
    return Send16(slot, kWrite, b, nullptr, 0);
}

int ATA_ReadLogExt(int slot, std::uint8_t* buffer, int count, std::uint8_t logAddress, std::uint16_t page, bool dma) {
    if (OnUsbPath(slot)) return 1;
    std::uint8_t b[16] = {kSat16, dma ? kSatUdmaInExt : kSatPioInExt, kSatSectorsIn};
    put_be16(&b[5], static_cast<std::uint16_t>(count));
    b[8] = logAddress;
    put_be16(&b[9], page);
    b[13] = kAtaDeviceLba;
    b[14] = dma ? kAtaReadLogDmaExt : kAtaReadLogExt;
    return Send16(slot, kRead, b, buffer, count);
}

int ATA_WriteLogExt(int slot, std::uint8_t* buffer, int count, std::uint8_t logAddress, std::uint16_t page, bool dma) {
    if (OnUsbPath(slot)) return 1;
    std::uint8_t b[16] = {kSat16, dma ? kSatUdmaOutExt : kSatPioOutExt, kSatSectorsOut};
    put_be16(&b[5], static_cast<std::uint16_t>(count));
    b[8] = logAddress;
    put_be16(&b[9], page);
    b[13] = kAtaDeviceLba;
    b[14] = dma ? kAtaWriteLogDmaExt : kAtaWriteLogExt;
    return Send16(slot, kWrite, b, buffer, count);
}

int SCSI_Read10(int slot, std::uint8_t* buffer, int count, std::uint32_t lba) {
    return Sectors10(slot, kRead, buffer, count, lba);
}

int SCSI_Write10(int slot, std::uint8_t* buffer, int count, std::uint32_t lba) {
    return Sectors10(slot, kWrite, buffer, count, lba);
}

int SCSI_ReadCapacity10(int slot, std::uint8_t* buffer, int count) {
    if (!OnUsbPath(slot)) return 2;
    const std::uint8_t b[12] = {kScsiReadCapacity10};
    return ExecSlotPassThrough(slot, kRead, b, 10, buffer, count * kSector, false) == 1 ? 1 : 2;
}

int SCSI_Inquiry(int slot, std::uint8_t* buffer) {
    if (!OnUsbPath(slot)) return 1;
    const std::uint8_t b[12] = {kScsiInquiry, 0x00, 0x00, 0x00, kInquiryLength};
    return ExecSlotPassThrough(slot, kRead, b, 6, buffer, 40, false) == 1 ? 1 : 2;
}

}  // namespace qx
