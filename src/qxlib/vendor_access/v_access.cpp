#include "qxlib/vendor_access/v_access.h"

#include <algorithm>
#include <array>

#include "platform/clock.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/transport/vendor_command.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint8_t kFeatureVendorMode = 0xDC;
constexpr std::uint8_t kVendorModeEnter = 0x51;
constexpr std::uint8_t kVendorModeLeave = 0x58;
constexpr std::uint64_t kStateChangeMs = 500;   // the controller changes state after the enable or jump
constexpr std::uint64_t kActionStartMs = 30;    // a program action starts before its first status read
constexpr std::uint64_t kBusyPollMs = 3000;
constexpr std::uint8_t kCodeMemorySpace = 3;
constexpr std::uint32_t kCodeMemoryFlag = 0x40000000;
// Where the reports of a failed status read point at: this module and the
// poll's place in it, as the traces have always named them.
constexpr int kExecProgTraceLine = 130;

using ActionCmd = int (*)(int, std::uint8_t);
constexpr std::array<ActionCmd, 4> kActionCmds = {VC_ExecProgType1, VC_ExecProgType2, VC_ExecProgType3,
                                                  VC_ExecProgType4};

enum class Poll { Ready, ReadFailed, Busy, Cancelled };

// One status read; a busy answer waits the 3 seconds before the caller decides
// whether to ask again.
Poll PollOnce(int slot, std::uint8_t* status, int* result) {
    *result = VC_WaitStatus(slot, status);
    if (*result != 1) return Poll::ReadFailed;
    if (*status != kProgramBusy) return Poll::Ready;
    return platform::SleepMs(kBusyPollMs) ? Poll::Busy : Poll::Cancelled;
}

// Code RAM is space 3 with the address's high flag; what went in or came out
// is dumped for a look at the program image.
bool CodeMemory(int slot, bool read, std::uint8_t* buffer, int sectors, std::uint32_t address) {
    const std::uint32_t at = address | kCodeMemoryFlag;
    const int r = read ? VC_ReadMemory(slot, kCodeMemorySpace, at, buffer, sectors)
                       : VC_WriteMemory(slot, kCodeMemorySpace, at, buffer, sectors);
    if (r != 1) {
        DebugPrint(read ? "FAILED(VA_ReadCodeFromMem)\r\n" : "FAILED(VA_WriteCodeToMem)\r\n");
        return false;
    }
    WriteDebugDump(slot, read ? "12_RCI.raw" : "11_RCO.raw", buffer, static_cast<std::size_t>(std::max(sectors, 0)) * kSector);
    return true;
}

}  // namespace

bool VA_SetVendorFeature(int slot, bool enter) {
    return ATA_SetFeatures(slot, kFeatureVendorMode, enter ? kVendorModeEnter : kVendorModeLeave) == 1;
}

bool VA_EnableVendorCmd(int slot, std::uint8_t mode) {
    if (VC_EnableVendorCmd(slot, mode) != 1) return false;
    if (!platform::SleepMs(kStateChangeMs) || !VA_SetVendorFeature(slot, true)) {
        DebugPrint("FAILED(VA_EnableVendorCmd)\r\n");
        return false;
    }
    return true;
}

bool VA_JumpToPRAM(int slot) {
    if (VC_JumpToPRAM(slot) != 1) {
        DebugPrint("FAILED(VA_JumpToPRAM)\r\n");
        return false;
    }
    if (!platform::SleepMs(kStateChangeMs)) {
        DebugPrint("FAILED(VA_JumpToPRAM)\r\n");
        return false;
    }
    // The program may not take the vendor feature yet; it answers its own
    // commands either way.
    VA_SetVendorFeature(slot, true);
    return true;
}

bool VA_WriteCodeToMem(int slot, std::uint8_t* buffer, int sectors, std::uint32_t address) {
    return CodeMemory(slot, false, buffer, sectors, address);
}

bool VA_ReadCodeFromMem(int slot, std::uint8_t* buffer, int sectors, std::uint32_t address) {
    return CodeMemory(slot, true, buffer, sectors, address);
}

bool VA_GDP_ExecProg(int slot, int action, std::uint8_t flags, std::uint8_t* status, bool wait) {
    if (action < 1 || action > static_cast<int>(kActionCmds.size())) return false;
    if (kActionCmds[static_cast<std::size_t>(action - 1)](slot, flags) != 1 || !platform::SleepMs(kActionStartMs)) {
        DebugPrint("FAILED(VA_GDP_ExecProg)\r\n");
        return false;
    }
    for (;;) {
        int result = 0;
        const Poll p = PollOnce(slot, status, &result);
        if (p == Poll::Ready) return true;
        if (p == Poll::ReadFailed) {
            DebugPrint("FileName = %s, Function = %s, Line = %d, nRet = %d\r\n", __FILE__, "VA_GDP_ExecProg",
                       kExecProgTraceLine, result);
        }
        if (p != Poll::Busy || !wait) break;
    }
    DebugPrint("FAILED(VA_GDP_ExecProg)\r\n");
    return false;
}

bool VA_ST_WaitReturn(int slot, std::uint8_t* status, bool wait) {
    for (;;) {
        int result = 0;
        const Poll p = PollOnce(slot, status, &result);
        if (p == Poll::Ready) return true;
        if (p != Poll::Busy || !wait) break;
    }
    DebugPrint("FAILED(VA_ST_WaitReturn)\r\n");
    return false;
}

bool VA_FlashDiagnostic(int slot, std::uint8_t mode, std::uint16_t block, std::uint8_t* result) {
    if (VC_FlashDiagnostic(slot, mode, block, result) == 1 && *result == 0xFF) return true;
    DebugPrint("FAILED(VA_FlashDiagnostic)\r\n");
    return false;
}

bool VA_DramDiagnostic(int slot, std::uint8_t* buffer, std::uint32_t start, std::uint32_t length) {
    if (VC_DramDiagnosticCmd(slot, start, length, buffer, 1) == 1) return true;
    DebugPrint("FAILED(VA_DramDiagnostic)\r\n");
    return false;
}

bool VA_ReadFirmwareInfo(int slot, std::span<std::uint8_t, kFirmwareInfoSize> record) {
    std::array<std::uint8_t, kSector> sector{};
    if (VC_ReadFirmwareInfo(slot, sector.data(), 1) != 1) return false;
    std::copy_n(sector.begin(), record.size(), record.begin());
    return true;
}

bool VA_ReadGdpErrorInfo(int slot, std::span<std::uint8_t> buffer) {
    if (buffer.size() < kGdpErrorInfoBufferSize) return false;
    buffer[0] = 0;
    return VC_ReadGdpErrorInfo(slot, buffer.data(), 4) == 1;
}

std::uint8_t VA_PulseRegisterBit(int slot, unsigned bit) {
    const std::uint32_t r1 = 0xB8000004 + bit / 8;
    const std::uint32_t r2 = 0xB8000008 + bit / 8;
    const auto m = static_cast<std::uint8_t>(1u << (bit % 8));
    const auto clear = static_cast<std::uint8_t>(~m);
    // A failed read leaves its value at 0 rather than deciding on whatever
    // the variable held; the write results are not judged, the read-back is.
    std::uint8_t v = 0;
    VC_ReadRegister(slot, r1, &v);
    VC_WriteRegister(slot, r1, static_cast<std::uint8_t>(v & clear));
    v = 0;
    VC_ReadRegister(slot, r2, &v);
    VC_WriteRegister(slot, r2, static_cast<std::uint8_t>(v | m));
    VC_WriteRegister(slot, r2, static_cast<std::uint8_t>(v & clear));
    v = 0;
    VC_ReadRegister(slot, r1, &v);
    return v;
}

bool VA_PutEraseCountTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank) {
    return VC_PutEraseCountTable(slot, channel, bank, buffer, sectors) == 1;
}
bool VA_PutSmartPage(int slot, std::uint8_t* buffer, int sectors) {
    return VC_PutSmartPage(slot, buffer, sectors) == 1;
}
bool VA_ReadFlashDetectResult(int slot, std::uint8_t* buffer, int sectors) {
    return VC_ReadFlashDetectResult(slot, buffer, sectors) == 1;
}
bool VA_ReadFlashID(int slot, std::uint8_t channel, std::uint8_t ce, std::uint8_t* buffer, int sectors) {
    return VC_ReadFlashID(slot, channel, ce, buffer, sectors) == 1;
}
bool VA_ReadCodeBlockList(int slot, std::uint8_t* buffer, int sectors) {
    return VC_ReadCodeBlockList(slot, buffer, sectors) == 1;
}
bool VA_ReadRegister(int slot, std::uint32_t address, std::uint8_t* value) {
    return VC_ReadRegister(slot, address, value) == 1;
}
bool VA_WriteRegister(int slot, std::uint32_t address, std::uint8_t value) {
    return VC_WriteRegister(slot, address, value) == 1;
}
bool VA_EraseFlashBlock(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block) {
    return VC_EraseFlashBlock(slot, channel, ce, block) == 1;
}
bool VA_ReadFlashTestResult(int slot, std::uint8_t* buffer) { return VC_ReadFlashTestResult(slot, buffer, 1) == 1; }
bool VA_IdentifyDevice(int slot, std::uint8_t* buffer, int sectors) {
    return ATA_IdentifyDevice(slot, buffer, sectors) == 1;
}
bool VA_WriteSectors(int slot, std::uint8_t* buffer, int sectors, std::uint32_t lba) {
    return SCSI_Write10(slot, buffer, sectors, lba) == 1;
}
bool VA_ReadVendorReply(int slot, std::uint8_t* buffer, int sectors, bool flag48, std::uint8_t lbaLow) {
    return VC_SATA_ReadCmd(slot, buffer, sectors, flag48, lbaLow) == 1;
}
bool VA_ReadEraseCountTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank) {
    return VC_FW_ReadEraseCount(slot, channel, bank, buffer, sectors) == 1;
}
bool VA_ReadBadBlockTable(int slot, std::uint8_t* buffer, int sectors, std::uint8_t channel, std::uint8_t bank) {
    return VC_FW_ReadBadBlockTable(slot, channel, bank, buffer, sectors) == 1;
}

}  // namespace qx
