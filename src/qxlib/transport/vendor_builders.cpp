#include "qxlib/transport/vendor_builders.h"

#include <array>

#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/vendor_command.h"

namespace qx {
namespace {

constexpr bool kIn = true;
constexpr bool kOut = false;

int Run(int slot, bool read, const VendorCmdBlock& b, std::uint8_t* buffer, int count) {
    return ExecVendorCmd(slot, read, b, buffer, count, false) ? 1 : 2;
}

int NoData(int slot, std::uint8_t sub, std::uint8_t operand3) {
    VendorCmdBlock b = MakeVendorBlock(slot, sub);
    b[3] = operand3;
    return Run(slot, kOut, b, nullptr, 0);
}

int Plain(int slot, std::uint8_t sub, bool read, std::uint8_t* buffer, int count) {
    return Run(slot, read, MakeVendorBlock(slot, sub), buffer, count);
}

int ChannelBank(int slot, std::uint8_t sub, std::size_t size, bool read, std::uint8_t channel, std::uint8_t bank,
                std::uint8_t* buffer, int count) {
    VendorCmdBlock b = MakeVendorBlock(slot, sub, size);
    b[3] = channel;
    b[4] = bank;
    return Run(slot, read, b, buffer, count);
}

int SpaceAddress(int slot, std::uint8_t sub, std::size_t size, bool read, std::uint8_t space, std::uint32_t address,
                 std::uint8_t* buffer, int count) {
    VendorCmdBlock b = MakeVendorBlock(slot, sub, size);
    b[3] = space;
    put_be32(&b[4], address);
    return Run(slot, read, b, buffer, count);
}

// byte 3 channel | 4 CE | 5-6 block | 7-8 page | 9 ECC | 10 option | 11 sectors/page | 12-15 offset
VendorCmdBlock PageBlock(int slot, std::uint8_t sub, std::size_t size, const FlashPageAddress& at) {
    VendorCmdBlock b = MakeVendorBlock(slot, sub, size);
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

// One-sector reply: USB path value at byte 0; SATA path 0xE5 then the value.
int ReadReply(int slot, const VendorCmdBlock& b, std::uint8_t* value) {
    std::array<std::uint8_t, 512> reply{};
    if (!ExecVendorCmd(slot, kIn, b, reply.data(), 1, false)) return 2;
    const bool usb = DeviceSlots[static_cast<std::size_t>(IsSlot(slot) ? slot : 0)].UsbPath != 0;
    if (usb) {
        *value = reply[0];
        return 1;
    }
    if (reply[0] != kVendorPathSata) return 3;
    *value = reply[1];
    return 1;
}

}  // namespace

int VC_GetStatus(int slot, std::uint8_t* status) { return ReadReply(slot, MakeVendorBlock(slot, 0x00), status); }
int VC_WaitStatus(int slot, std::uint8_t* status) { return VC_GetStatus(slot, status); }
int VC_ExecProgType1(int slot, std::uint8_t flag) { return NoData(slot, 0x01, flag); }
int VC_ExecProgType2(int slot, std::uint8_t flag) { return NoData(slot, 0x02, flag); }
int VC_ExecProgType3(int slot, std::uint8_t flag) { return NoData(slot, 0x03, flag); }
int VC_ExecProgType4(int slot, std::uint8_t flag) { return NoData(slot, 0x04, flag); }

int VC_ReadFlashDetectResult(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x05, kIn, buffer, count); }
int VC_ReadGdpErrorInfo(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x06, kIn, buffer, count); }
int VC_ReadCodeBlockList(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x07, kIn, buffer, count); }

int VC_PutEraseCountTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, 0x08, 12, kOut, channel, bank, buffer, count);
}

int VC_GDP_ReadPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return Run(slot, kIn, PageBlock(slot, 0x09, 16, at), buffer, count);
}

int VC_ReadFlashPageAlt(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return Run(slot, kIn, PageBlock(slot, 0x0D, 16, at), buffer, count);
}

int VC_PutSmartPage(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x0E, kOut, buffer, count); }

int VC_FlashDiagnostic(int slot, std::uint8_t mode, std::uint16_t block, std::uint8_t* result) {
    VendorCmdBlock b = MakeVendorBlock(slot, 0x21);
    b[3] = mode;
    put_be16(&b[4], block);
    std::array<std::uint8_t, 512> reply{};
    if (!ExecVendorCmd(slot, kIn, b, reply.data(), 1, false)) return 2;
    *result = reply[0] == 1 ? reply[1] : 0xFF;
    return 1;
}

int VC_ReadFlashTestResult(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x22, kIn, buffer, count); }

int VC_ReadMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, 0x23, 16, kIn, space, address, buffer, count);
}

int VC_WriteMemBuffer(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, 0x24, 12, kOut, space, address, buffer, count);
}

int VC_DramDiagnosticCmd(int slot, std::uint32_t start, std::uint32_t length, std::uint8_t* buffer, int count) {
    VendorCmdBlock b = MakeVendorBlock(slot, 0x25);
    b[3] = 0;
    put_be32(&b[4], start);
    put_be32(&b[8], length);
    return Run(slot, kOut, b, buffer, count);
}

int VC_ReadFirmwareInfo(int slot, std::uint8_t* buffer, int count) { return Plain(slot, 0x80, kIn, buffer, count); }
int VC_JumpToPRAM(int slot) { return Plain(slot, 0x82, kOut, nullptr, 0); }
int VC_EnableVendorCmd(int slot, std::uint8_t mode) { return NoData(slot, 0x83, mode); }

int VC_ReadRegister(int slot, std::uint32_t address, std::uint8_t* value) {
    VendorCmdBlock b = MakeVendorBlock(slot, 0x84);
    put_be32(&b[3], address);
    return ReadReply(slot, b, value);
}

int VC_WriteRegister(int slot, std::uint32_t address, std::uint8_t value) {
    VendorCmdBlock b = MakeVendorBlock(slot, 0x85);
    put_be32(&b[3], address);
    b[7] = value;
    return Run(slot, kOut, b, nullptr, 0);
}

int VC_ReadMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, 0x86, 16, kIn, space, address, buffer, count);
}

int VC_WriteMemory(int slot, std::uint8_t space, std::uint32_t address, std::uint8_t* buffer, int count) {
    return SpaceAddress(slot, 0x87, 12, kOut, space, address, buffer, count);
}

int VC_ReadFlashID(int slot, std::uint8_t channel, std::uint8_t ce, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, 0x88, 16, kIn, channel, ce, buffer, count);
}

int VC_ReadFlashPage(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    return Run(slot, kIn, PageBlock(slot, 0x89, 16, at), buffer, count);
}

int VC_WriteFlashPage(int slot, const FlashPageAddress& at, std::uint8_t unitBitmap, std::uint8_t* buffer, int count) {
    VendorCmdBlock b = PageBlock(slot, 0x8A, 20, at);
    b[16] = unitBitmap;
    return Run(slot, kOut, b, buffer, count);
}

int VC_EraseFlashBlock(int slot, std::uint8_t channel, std::uint8_t ce, std::uint16_t block) {
    VendorCmdBlock b = MakeVendorBlock(slot, 0x8B);
    b[3] = channel;
    b[4] = ce;
    put_be16(&b[5], block);
    return Run(slot, kOut, b, nullptr, 0);
}

int VC_FW_ReadBadBlockTable(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, 0x00, 16, kIn, channel, bank, buffer, count);
}

int VC_FW_ReadEraseCount(int slot, std::uint8_t channel, std::uint8_t bank, std::uint8_t* buffer, int count) {
    return ChannelBank(slot, 0x01, 16, kIn, channel, bank, buffer, count);
}

int VC_FW_ReadFlashPages(int slot, const FlashPageAddress& at, std::uint8_t* buffer, int count) {
    VendorCmdBlock b = PageBlock(slot, 0x04, 16, at);
    b[11] = 0;   // the firmware form carries no sectors-per-page byte
    return Run(slot, kIn, b, buffer, count);
}

int VC_SYS_USB_GetSMARTInfo(int slot, std::uint8_t* buffer, int count) {
    if (!IsSlot(slot) || !DeviceSlots[static_cast<std::size_t>(slot)].UsbPath) return 2;
    return Plain(slot, 0x05, kIn, buffer, count);
}

}  // namespace qx
