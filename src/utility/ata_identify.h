// IDENTIFY DEVICE for drives the scan reaches directly (IDE/SATA and SCSI
// classes), sent as one ATA request on the drive's own path, and the ATA
// string clean-up the drive list relies on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx::utility {

// The eight register bytes in the order the caller fills them: features,
// sector count, LBA low, mid, high, drive/head, command, reserved.
using RegisterBlock = std::uint8_t[8];

// One ATA command on the path. receive: 512 data bytes come back into data;
// otherwise no data moves and, for SMART RETURN STATUS (features DAh), the
// returned registers replace the caller's. The drive/head byte always goes
// out as A0h: the drive number names the disk, not a master or slave on a
// shared cable. 0 on success; -1 when the path cannot be opened, the request
// fails or the drive reports an error.
int SmartIoctlCommand(const char* path, std::uint8_t driveNumber, RegisterBlock& registers, std::uint8_t* data,
                      bool receive);

// IDENTIFY DEVICE into buffer (zeroed first, so a failure leaves no stale
// bytes) for bus types 1 and 2, then the model, firmware and serial fields
// in reading order without blanks. 1 on success, else 0; other bus types
// send nothing and give 0.
int GetDeviceIdentify(const char* path, std::uint8_t driveNumber, int busType, std::uint8_t* buffer, int length);

// Swaps each byte pair, moves the text left over its leading blanks (the
// bytes the move frees become NUL) and turns the trailing blanks into NULs.
void FixAtaString(std::uint8_t* buffer, std::size_t length);

}  // namespace qx::utility
