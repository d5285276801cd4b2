// ATA commands wrapped in SAT ATA PASS-THROUGH blocks, and the SCSI commands.
// Results: 1 ok, 2 failed. What a builder does on a path where its command
// has no route is fixed per builder (some refuse with 2, some answer 1).
#pragma once

#include <cstdint>

namespace qx {

int ATA_IdentifyDevice(int slot, std::uint8_t* buffer, int count);
int ATA_SetFeatures(int slot, std::uint8_t feature, std::uint32_t value);
int ATA_SmartReadData(int slot, std::uint8_t* buffer, int count);
int ATA_SmartEnableOperations(int slot);
int ATA_FlushCache(int slot);
int ATA_Standby(int slot);
int ATA_ReadNativeMaxAddress(int slot);
int ATA_ReadNativeMaxAddressExt(int slot);
int ATA_SetMaxAddress(int slot, std::uint32_t lba);
int ATA_SetMaxAddressExt(int slot, std::uint64_t lba);
int ATA_ReadLogExt(int slot, std::uint8_t* buffer, int count, std::uint8_t logAddress, std::uint16_t page, bool dma);
int ATA_WriteLogExt(int slot, std::uint8_t* buffer, int count, std::uint8_t logAddress, std::uint16_t page, bool dma);
// SMART READ THRESHOLDS, which only the utility sends, is in utility_commands.h.

// On failure the buffer's first two 32-bit words become {2, LBA} (read) or
// {1, LBA} (write), so the caller can report where the transfer failed.
// The station sends READ/WRITE(10) on both paths; the utility build sends
// READ/WRITE DMA on the SATA path (the EXT forms past 2^28 sectors).
int SCSI_Read10(int slot, std::uint8_t* buffer, int count, std::uint32_t lba);
int SCSI_Write10(int slot, std::uint8_t* buffer, int count, std::uint32_t lba);
int SCSI_ReadCapacity10(int slot, std::uint8_t* buffer, int count);
// 40 bytes of INQUIRY data; on a SATA-path slot answers 1 and leaves the buffer.
int SCSI_Inquiry(int slot, std::uint8_t* buffer);

}  // namespace qx
