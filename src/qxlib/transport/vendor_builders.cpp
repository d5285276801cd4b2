#include "qxlib/transport/vendor_builders.h"

#include <array>

#include "qxlib/base/byte_order.h"
#include "qxlib/transport/slot_route.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/transport/vendor_opcodes.h"

namespace qx {
namespace {

constexpr bool kIn = true;
constexpr bool kOut = false;

// Each builder decides the route once; the block, the tunnel and the
// dispatcher all take it from there.
int Run(const SlotRoute& route, bool read, const VendorCmdBlock& b, std::uint8_t* buffer, int count) {
    return ExecVendorCmd(route, read, b, buffer, count, false) ? 1 : 2;
}

int NoData(int slot, std::uint8_t sub, std::uint8_t operand3) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, sub);
    b[3] = operand3;
    return Run(route, kOut, b, nullptr, 0);
}

int Plain(int slot, std::uint8_t sub, bool read, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    return Run(route, read, MakeVendorBlock(route, sub), buffer, count);
}

// byte 3 channel | 4 bank (or CE)
int ChannelBank(int slot, std::uint8_t sub, std::size_t size, bool read, std::uint8_t channel, std::uint8_t bank,
                std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, sub, size);
    b[ 3] = channel;
    b[ 4] = bank;
    return Run(route, read, b, buffer, count);
}

// byte 3 memory space | 4-7 address
int SpaceAddress(int slot, std::uint8_t sub, std::size_t size, bool read, std::uint8_t space, std::uint32_t address,
                 std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, sub, size);
    b[ 3] = space;
    put_be32(&b[4], address);
    return Run(route, read, b, buffer, count);
}

// byte 3 channel | 4 CE | 5-6 block | 7-8 page | 9 ECC | 10 option | 11 sectors/page | 12-15 offset
VendorCmdBlock PageBlock(const SlotRoute& route, std::uint8_t sub, std::size_t size, const FlashPageAddress& at) {
    VendorCmdBlock b = MakeVendorBlock(route, sub, size);
    b[ 3] = at.Channel;
    b[ 4] = at.Ce;
    put_be16(&b[5], at.Block);
    put_be16(&b[7], at.Page);
    b[ 9] = at.EccMode;
    b[10] = at.Option;
    b[11] = at.SectorsPerPage;
    put_be32(&b[12], at.BufferOffset);
    return b;
}

int PageRead(int slot, std::uint8_t sub, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    return Run(route, kIn, PageBlock(route, sub, kVendorBlockPage, at), buffer, count);
}

// One-sector reply: USB path value at byte 0; SATA path 0xE5 then the value.
int ReadReply(const SlotRoute& route, const VendorCmdBlock& b, std::uint8_t* value) {
    std::array<std::uint8_t, 512> reply{};
    if (!ExecVendorCmd(route, kIn, b, reply.data(), 1, false)) return 2;
    if (route.UsbPath) {
        *value = reply[0];
        return 1;
    }
    if (reply[0] != kVendorPathSata) return 3;
    *value = reply[1];
    return 1;
}

}  // namespace

int VC_GetStatus(int slot, std::uint8_t* status) {
    const SlotRoute route = RouteOf(slot);
    return ReadReply(route, MakeVendorBlock(route, kSubGetStatus), status);
}

int VC_WaitStatus(int slot, std::uint8_t* status) { return VC_GetStatus(slot, status); }
int VC_ExecProgType1(int slot, std::uint8_t flag) { return NoData(slot, kSubExecProgType1, flag); }
int VC_ExecProgType2(int slot, std::uint8_t flag) { return NoData(slot, kSubExecProgType2, flag); }
int VC_ExecProgType3(int slot, std::uint8_t flag) { return NoData(slot, kSubExecProgType3, flag); }
int VC_ExecProgType4(int slot, std::uint8_t flag) { return NoData(slot, kSubExecProgType4, flag); }

int VC_ReadFlashDetectResult(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubReadFlashDetectResult, kIn, buffer, count);
}

int VC_ReadGdpErrorInfo(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubReadGdpErrorInfo, kIn, buffer, count);
}

int VC_ReadCodeBlockList(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubReadCodeBlockList, kIn, buffer, count);
}

int VC_PutEraseCountTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, kSubPutEraseCountTable, kVendorBlockShort, kOut, channel, bank, buffer, count);
}

int VC_GDP_ReadPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return PageRead(slot, kSubGdpReadPage, at, buffer, count);
}

int VC_ReadFlashPageAlt(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return PageRead(slot, kSubReadFlashPageAlt, at, buffer, count);
}

int VC_PutSmartPage(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubPutSmartPage, kOut, buffer, count);
}

// byte 3 mode | 4-5 block; the reply's byte 0 is 1 when byte 1 holds a result
int VC_FlashDiagnostic(int slot, std::uint8_t mode, std::uint16_t block, std::uint8_t* result) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, kSubFlashDiagnostic);
    b[ 3] = mode;
    put_be16(&b[4], block);
    std::array<std::uint8_t, 512> reply{};
    if (!ExecVendorCmd(route, kIn, b, reply.data(), 1, false)) return 2;
    *result = reply[0] == 1 ? reply[1] : 0xFF;
    return 1;
}

int VC_ReadFlashTestResult(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubReadFlashTestResult, kIn, buffer, count);
}

int VC_ReadMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, kSubReadMemBuffer, kVendorBlockPage, kIn, space, address, buffer, count);
}

int VC_WriteMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, kSubWriteMemBuffer, kVendorBlockShort, kOut, space, address, buffer, count);
}

// byte 3 zero | 4-7 start | 8-11 length
int VC_DramDiagnosticCmd(int slot, std::uint32_t start, std::uint32_t length, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, kSubDramDiagnostic);
    b[ 3] = 0;
    put_be32(&b[4], start);
    put_be32(&b[8], length);
    return Run(route, kOut, b, buffer, count);
}

int VC_ReadFirmwareInfo(int slot, std::uint8_t* buffer, int count) {
    return Plain(slot, kSubReadFirmwareInfo, kIn, buffer, count);
}

int VC_JumpToPRAM(int slot) { return Plain(slot, kSubJumpToPram, kOut, nullptr, 0); }
int VC_EnableVendorCmd(int slot, std::uint8_t mode) { return NoData(slot, kSubEnableVendorCmd, mode); }

// byte 3-6 register address
int VC_ReadRegister(int slot, std::uint32_t address, std::uint8_t* value) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, kSubReadRegister);
    put_be32(&b[3], address);
    return ReadReply(route, b, value);
}

// byte 3-6 register address | 7 value
int VC_WriteRegister(int slot, std::uint32_t address, std::uint8_t value) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, kSubWriteRegister);
    put_be32(&b[3], address);
    b[ 7] = value;
    return Run(route, kOut, b, nullptr, 0);
}

int VC_ReadMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, kSubReadMemory, kVendorBlockPage, kIn, space, address, buffer, count);
}

int VC_WriteMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, kSubWriteMemory, kVendorBlockShort, kOut, space, address, buffer, count);
}

int VC_ReadFlashID(int slot, std::uint8_t channel, std::uint8_t ce, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, kSubReadFlashId, kVendorBlockPage, kIn, channel, ce, buffer, count);
}

int VC_ReadFlashPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return PageRead(slot, kSubReadFlashPage, at, buffer, count);
}

// The page block, then byte 16 the unit bitmap
int VC_WriteFlashPage(int slot, const FlashPageAddress& at, std::uint8_t unitBitmap, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = PageBlock(route, kSubWriteFlashPage, kVendorBlockPageWrite, at);
    b[16] = unitBitmap;
    return Run(route, kOut, b, buffer, count);
}

// byte 3 channel | 4 CE | 5-6 block
int VC_EraseFlashBlock(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = MakeVendorBlock(route, kSubEraseFlashBlock);
    b[ 3] = channel;
    b[ 4] = ce;
    put_be16(&b[5], block);
    return Run(route, kOut, b, nullptr, 0);
}

int VC_FW_ReadBadBlockTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, kFwSubReadBadBlockTable, kVendorBlockPage, kIn, channel, bank, buffer, count);
}

int VC_FW_ReadEraseCount(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, kFwSubReadEraseCount, kVendorBlockPage, kIn, channel, bank, buffer, count);
}

int VC_FW_ReadFlashPages(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = PageBlock(route, kFwSubReadFlashPages, kVendorBlockPage, at);
    b[11] = 0;   // the firmware form carries no sectors-per-page byte
    return Run(route, kIn, b, buffer, count);
}

int VC_SYS_USB_GetSMARTInfo(int slot, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    if (!route.UsbPath) return 2;
    return Run(route, kIn, MakeVendorBlock(route, kFwSubUsbGetSmartInfo), buffer, count);
}

}  // namespace qx
