// One function per vendor command. Results: 1 ok, 2 transport failed; the
// two reply decoders also 3 for a bad reply signature. Sector counts are in
// 512-byte sectors.
#pragma once

#include <cstdint>

namespace qx {

// Operands of the page commands. The controller buffer offset is computed by
// the caller: (block odd ? SectorsPerPage * 4096 : 0) + channel * SectorsPerPage * 512.
struct FlashPageAddress {
    std::uint8_t Channel = 0;
    std::uint8_t Ce = 0;
    std::uint16_t Block = 0;
    std::uint16_t Page = 0;
    std::uint8_t EccMode = 0;
    std::uint8_t Option = 0;
    std::uint8_t SectorsPerPage = 0;
    std::uint32_t BufferOffset = 0;
};

// Loader and downloaded-program meaning of the sub-opcodes.
int VC_GetStatus(int slot, std::uint8_t* status);
int VC_WaitStatus(int slot, std::uint8_t* status);
int VC_ExecProgType1(int slot, std::uint8_t flag);
int VC_ExecProgType2(int slot, std::uint8_t flag);
int VC_ExecProgType3(int slot, std::uint8_t flag);
int VC_ExecProgType4(int slot, std::uint8_t flag);
int VC_ReadFlashDetectResult(int slot, std::uint8_t* buffer, int count);
int VC_ReadGdpErrorInfo(int slot, std::uint8_t* buffer, int count);
int VC_ReadCodeBlockList(int slot, std::uint8_t* buffer, int count);
int VC_PutEraseCountTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count);
int VC_GDP_ReadPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count);
int VC_ReadFlashPageAlt(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count);
int VC_PutSmartPage(int slot, std::uint8_t* buffer, int count);
// Result byte: reply byte 1 when reply byte 0 is 1, else 0xFF.
int VC_FlashDiagnostic(int slot, std::uint8_t mode, std::uint16_t block, std::uint8_t* result);
int VC_ReadFlashTestResult(int slot, std::uint8_t* buffer, int count);
int VC_ReadMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count);
int VC_WriteMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count);
int VC_DramDiagnosticCmd(int slot, std::uint32_t start, std::uint32_t length, std::uint8_t* buffer, int count);
int VC_ReadFirmwareInfo(int slot, std::uint8_t* buffer, int count);
int VC_JumpToPRAM(int slot);
int VC_EnableVendorCmd(int slot, std::uint8_t mode);
int VC_ReadRegister(int slot, std::uint32_t address, std::uint8_t* value);
int VC_WriteRegister(int slot, std::uint32_t address, std::uint8_t value);
int VC_ReadMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count);
int VC_WriteMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count);
int VC_ReadFlashID(int slot, std::uint8_t channel, std::uint8_t ce, std::uint8_t* buffer, int count);
int VC_ReadFlashPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count);
int VC_WriteFlashPage(int slot, const FlashPageAddress& at, std::uint8_t unitBitmap, std::uint8_t* buffer, int count);
int VC_EraseFlashBlock(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block);

// Production-firmware meaning of the sub-opcodes.
int VC_FW_ReadBadBlockTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count);
int VC_FW_ReadEraseCount(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count);
int VC_FW_ReadFlashPages(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count);
// USB path only; refused with 2 on a SATA-path slot.
int VC_SYS_USB_GetSMARTInfo(int slot, std::uint8_t* buffer, int count);

}  // namespace qx
