// The transport: one command block and its data to a drive through the
// platform's pass-through requests. Every request opens the path and closes
// it again; no handle is kept.
#pragma once

#include <cstdint>

#include "platform/device_io.h"
#include "qxlib/transport/slot_route.h"

namespace qx {

// --- ATA route: 1 ok, 0 device error or path not opened, -1 refused or
// system call failed (-3 uncorrectable READ DMA EXT on the 48-bit read).
// The returned registers come back over the task files: the current one,
// and on the 48-bit forms the previous one with the high-order bytes.
int ReadATACommandWithTimeOutValue(const char* path, std::uint8_t* taskFile, std::uint8_t* data, int length,
                                   int timeoutSec);
int WriteATACommandWithTimeOutValue(const char* path, std::uint8_t* taskFile, std::uint8_t* data, int length,
                                    int timeoutSec);
int ReadATACommandWithTimeOutValueExt(const char* path, std::uint8_t* current, std::uint8_t* previous,
                                      std::uint8_t* data, int length, int timeoutSec);
int WriteATACommandWithTimeOutValueExt(const char* path, std::uint8_t* current, std::uint8_t* previous,
                                       std::uint8_t* data, int length, int timeoutSec);
// Unpacks a SAT ATA PASS-THROUGH block (12-byte form unless flag48) into task
// files and runs it; a transport result code.
int ExecATAPassThrough(const char* path, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                       int dataLength, bool flag48, int timeoutSec);

// --- SCSI route: 1 when the system call succeeded and left no error, else 0.
int ReadSCSICommand(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data, int dataLength,
                    std::uint32_t* transferred);
int WriteSCSICommand(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data, int dataLength,
                     std::uint32_t* transferred);
int ReadSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data,
                                    int dataLength, std::uint32_t* transferred, int timeoutSec);
int WriteSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data,
                                     int dataLength, std::uint32_t* transferred, int timeoutSec);

// READ(10) / WRITE(10) of byteCount / 512 sectors on a path that has no slot.
// 1 ok; 0 when the request failed or the drive ended it with CHECK CONDITION.
int ReadSectorsSCSI(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t byteCount);
int WriteSectorsSCSI(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t byteCount);

// --- Per-slot dispatchers: transport result codes. Each takes the route a
// caller already decided for the request, or the slot number to decide it
// from once here.
int ExecSlotPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                        std::uint8_t* data, int dataLength, bool flag48);
int ExecSlotPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                        int dataLength, bool flag48);
// The ATA commands' route: as ExecSlotPassThrough, but a command the drive
// ended with an error (CHECK CONDITION with a sense key beyond RECOVERED
// ERROR, as a bridge reports an ATA error, or returned registers with ERR or
// DF in either sense format) fails with -2 instead of counting as done. The
// vendor tunnel keeps the plain rule.
int ExecSlotAtaPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                           std::uint8_t* data, int dataLength, bool flag48);
int ExecSlotAtaPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                           int dataLength, bool flag48);
int ExecSlotSCSIPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                            std::uint8_t* data, int dataLength);
int ExecSlotSCSIPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                            int dataLength);

}  // namespace qx
