// The controller's vendor sub-opcodes (byte 2 of a VendorCmdBlock). Four of
// them mean something else once the production firmware runs: the kFw
// names.
#pragma once

#include <cstdint>

namespace qx {

// --- The loader and the programs downloaded into controller RAM.
inline constexpr std::uint8_t kSubGetStatus = 0x00;
inline constexpr std::uint8_t kSubExecProgType1 = 0x01;
inline constexpr std::uint8_t kSubExecProgType2 = 0x02;
inline constexpr std::uint8_t kSubExecProgType3 = 0x03;
inline constexpr std::uint8_t kSubExecProgType4 = 0x04;
inline constexpr std::uint8_t kSubReadFlashDetectResult = 0x05;
inline constexpr std::uint8_t kSubReadGdpErrorInfo = 0x06;
inline constexpr std::uint8_t kSubReadCodeBlockList = 0x07;
inline constexpr std::uint8_t kSubPutEraseCountTable = 0x08;
inline constexpr std::uint8_t kSubGdpReadPage = 0x09;
inline constexpr std::uint8_t kSubReadFlashPageAlt = 0x0D;
inline constexpr std::uint8_t kSubPutSmartPage = 0x0E;
inline constexpr std::uint8_t kSubFlashDiagnostic = 0x21;
inline constexpr std::uint8_t kSubReadFlashTestResult = 0x22;
inline constexpr std::uint8_t kSubReadMemBuffer = 0x23;
inline constexpr std::uint8_t kSubWriteMemBuffer = 0x24;
inline constexpr std::uint8_t kSubDramDiagnostic = 0x25;
inline constexpr std::uint8_t kSubReadFirmwareInfo = 0x80;
inline constexpr std::uint8_t kSubJumpToPram = 0x82;
inline constexpr std::uint8_t kSubEnableVendorCmd = 0x83;
inline constexpr std::uint8_t kSubReadRegister = 0x84;
inline constexpr std::uint8_t kSubWriteRegister = 0x85;
inline constexpr std::uint8_t kSubReadMemory = 0x86;
inline constexpr std::uint8_t kSubWriteMemory = 0x87;
inline constexpr std::uint8_t kSubReadFlashId = 0x88;
inline constexpr std::uint8_t kSubReadFlashPage = 0x89;
inline constexpr std::uint8_t kSubWriteFlashPage = 0x8A;
inline constexpr std::uint8_t kSubEraseFlashBlock = 0x8B;

// --- The production firmware.
inline constexpr std::uint8_t kFwSubReadBadBlockTable = 0x00;
inline constexpr std::uint8_t kFwSubReadEraseCount = 0x01;
inline constexpr std::uint8_t kFwSubReadFlashPages = 0x04;
inline constexpr std::uint8_t kFwSubUsbGetSmartInfo = 0x05;
// The utility's commands (SATA path).
inline constexpr std::uint8_t kFwSubResetSmartCounter = 0x05;
inline constexpr std::uint8_t kFwSubReadSpiData = 0x0B;
inline constexpr std::uint8_t kFwSubGetDramLayoutInfo = 0x20;

// --- The bridge's own command, sent as a SCSI block on either path.
inline constexpr std::uint8_t kBridgeCmd32 = 0x32;

}  // namespace qx
