// The vendor access layer: the single commands of the builders turned into
// the operations the production steps think in. Every function works on the
// slot it is given and on the caller's buffers, answers true or false, traces
// each failure as "FAILED(<function>)", and keeps no state of its own. Waits
// go through the platform's cancellable sleep; a cancelled worker's call
// gives up at once and fails.
//
// The flash page operations, the information-page and code-block checks and
// the bus test have their own headers, included at the end so callers of the
// layer need one include.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

inline constexpr std::uint8_t kProgramBusy = 0xAA;            // status of a running program action
inline constexpr std::size_t kFirmwareInfoSize = 104;         // bytes of the firmware information record used
inline constexpr std::size_t kGdpErrorInfoBufferSize = 2048;  // the 4-sector error information read

// --- Vendor mode and programs in controller RAM ---------------------------

// ATA SET FEATURES 0xDC, count 0x51 (enter) or 0x58 (leave). On a USB-path
// slot nothing is sent and the switch counts as done.
bool VA_SetVendorFeature(int slot, bool enter);
// The enable command with its mode, 500 ms for the controller to change
// state, then the vendor feature.
bool VA_EnableVendorCmd(int slot, std::uint8_t mode);
// Starts the program downloaded into controller RAM.
bool VA_JumpToPRAM(int slot);

// Code memory (space 3, the address with its high flag); dumps "11_RCO.raw"
// and "12_RCI.raw".
bool VA_WriteCodeToMem(int slot, std::uint8_t* buffer, int sectors, std::uint32_t address);
bool VA_ReadCodeFromMem(int slot, std::uint8_t* buffer, int sectors, std::uint32_t address);

// Runs program action 1..4 with its flag byte, then polls the status until it
// is not busy. With wait clear a busy program fails after one 3-second wait;
// with wait set the poll goes on until the program answers or the worker is
// cancelled. The last status read is left in *status.
bool VA_GDP_ExecProg(int slot, int action, std::uint8_t flags, std::uint8_t* status, bool wait);
// The same poll without starting an action.
bool VA_ST_WaitReturn(int slot, std::uint8_t* status, bool wait);

// --- Diagnostics and records ----------------------------------------------

// True only when the diagnostic result byte is 0xFF.
bool VA_FlashDiagnostic(int slot, std::uint8_t mode, std::uint16_t block, std::uint8_t* result);
// One pattern sector from the buffer.
bool VA_DramDiagnostic(int slot, std::uint8_t* buffer, std::uint32_t start, std::uint32_t length);
// The first 104 bytes of the one-sector firmware information record.
bool VA_ReadFirmwareInfo(int slot, std::span<std::uint8_t, kFirmwareInfoSize> record);
// Clears the first byte, then reads 4 sectors of error information; refuses a
// buffer smaller than those 2,048 bytes.
bool VA_ReadGdpErrorInfo(int slot, std::span<std::uint8_t> buffer);

// Clears GPIO bit n in its data register, pulses it on the strobe register
// (which latches the chip's strap into the data register) and returns the
// data register's byte read back; a failed read counts as 0.
std::uint8_t VA_PulseRegisterBit(int slot, unsigned bit);

// --- One builder each, true when it returned 1 ------------------------------

bool VA_PutEraseCountTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank);
bool VA_PutSmartPage(int slot, std::uint8_t* buffer, int sectors);
bool VA_ReadFlashDetectResult(int slot, std::uint8_t* buffer, int sectors);
bool VA_ReadFlashID(int slot, std::uint8_t channel, std::uint8_t ce, std::uint8_t* buffer, int sectors);
bool VA_ReadCodeBlockList(int slot, std::uint8_t* buffer, int sectors);
bool VA_ReadRegister(int slot, std::uint32_t address, std::uint8_t* value);
bool VA_WriteRegister(int slot, std::uint32_t address, std::uint8_t value);
bool VA_EraseFlashBlock(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block);
bool VA_ReadFlashTestResult(int slot, std::uint8_t* buffer);   // one sector
bool VA_IdentifyDevice(int slot, std::uint8_t* buffer, int sectors);
bool VA_WriteSectors(int slot, std::uint8_t* buffer, int sectors, std::uint32_t lba);
// The callers read one sector at LBA low byte 0xFF: the tunnel's reply sector.
bool VA_ReadVendorReply(int slot, std::uint8_t* buffer, int sectors, bool flag48, std::uint8_t lbaLow);
bool VA_ReadEraseCountTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank);
bool VA_ReadBadBlockTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank);

}  // namespace qx

#include "qxlib/base/debug_dump.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/vendor_access/va_bus_test.h"
#include "qxlib/vendor_access/va_code_blocks.h"
#include "qxlib/vendor_access/va_flash_pages.h"
