// A drive's identity and capacity in the two ways its paths allow: ATA
// IDENTIFY DEVICE on the SATA path, SCSI READ CAPACITY(10) on the USB path.
// Capacities are 32-bit counts of 512-byte sectors; 0 means none known,
// including a drive too large for 32 bits.
#pragma once

#include <cstdint>

namespace qx {

// The 512-byte IDENTIFY data into the buffer; fails on a USB-path slot
// without sending anything.
bool IdentifyDevice(int slot, std::uint8_t* buffer, int sectors);

// The user-addressable sectors of IDENTIFY (words 60-61, or words 100-103
// when the 28-bit count is saturated); 0 on failure.
std::uint32_t GetCapacityFromIdentify(int slot);
// The last LBA READ CAPACITY(10) reports (one less than the sector count); 0
// on failure.
std::uint32_t GetCapacityFromReadCapacity(int slot);
// READ CAPACITY on a USB-path slot, IDENTIFY on a SATA-path slot.
std::uint32_t GetDriveCapacity(int slot);
std::uint32_t GetCapacitySectors(int slot);
std::uint64_t GetCapacityBytes(int slot);
std::uint32_t GetCapacityMB(int slot);   // whole MiB, rounded down

}  // namespace qx
