#include "qxlib/transport/pass_through.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/clock.h"
#include "platform/sat_ata.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/opcodes.h"
#include "qxlib/transport/slot_route.h"

namespace qx {
namespace {

using platform::AtaCommand;
using platform::Direction;
using platform::ScsiCommand;
using platform::ScsiResult;
using platform::ShareMode;
using platform::TaskFile;

constexpr int kMaxAtaData = 0x10000;
constexpr std::uint8_t kAtaErr = 0x01;
constexpr std::uint8_t kAtaUnc = 0x40;

enum class AtaForm { Read28, Write28, Read48, Write48 };

// The commands each form sends with the DMA protocol: the controller's own
// UDMA tunnel pair and the standard DMA commands. A DMA command sent as PIO
// may hang or fail on a controller or bridge, and returns other registers.
struct DmaCommand {
    AtaForm form;
    std::uint8_t command;
};
constexpr DmaCommand kDmaCommands[] = {
    {AtaForm::Read28, kAtaVendorUdmaRead},
    {AtaForm::Read28, kAtaReadDma},
    {AtaForm::Read28, 0xC9},                 // READ DMA (without retries)
    {AtaForm::Read28, 0xE9},                 // READ BUFFER DMA
    {AtaForm::Write28, kAtaVendorUdmaWrite},
    {AtaForm::Write28, kAtaWriteDma},
    {AtaForm::Write28, 0xCB},                // WRITE DMA (without retries)
    {AtaForm::Write28, 0xEB},                // WRITE BUFFER DMA
    {AtaForm::Write28, 0x93},                // DOWNLOAD MICROCODE DMA
    {AtaForm::Read48, kAtaReadDmaExt},
    {AtaForm::Read48, kAtaReadLogDmaExt},
    {AtaForm::Write48, kAtaWriteDmaExt},
    {AtaForm::Write48, 0x3D},                // WRITE DMA FUA EXT
    {AtaForm::Write48, kAtaWriteLogDmaExt},
};

bool IsDmaCommand(AtaForm form, std::uint8_t command) {
    return std::any_of(std::begin(kDmaCommands), std::end(kDmaCommands),
                       [&](const DmaCommand& d) { return d.form == form && d.command == command; });
}

const char* AtaFailTrace(AtaForm form) {
    switch (form) {
        case AtaForm::Read28: return "ReadATACommandWithTimeOutValue() fail\r\n";
        case AtaForm::Write28: return "WriteATACommandWithTimeOutValue() fail\r\n";
        case AtaForm::Read48: return "ReadATACommandWithTimeOutValueExt() fail = %x\r\n";
        case AtaForm::Write48: return "WriteATACommandWithTimeOutValueExt() fail\r\n";
    }
    return "";
}

// A device request gives up when the thread's worker was cancelled. A lock
// another process holds on the drive for a moment (udev probing it) is
// waited for within the request's own time-out.
platform::OpenResult OpenDevice(const char* path, ShareMode mode, int timeoutSec) {
    if (platform::CancelRequested()) return {nullptr, ECANCELED};
    return platform::Devices().OpenWaiting(path, mode, std::chrono::seconds(std::max(timeoutSec, 0)));
}

int AtaRequest(AtaForm form, const char* path, std::uint8_t* current, std::uint8_t* previous,
               std::uint8_t* data, int length, int timeoutSec) {
    auto opened = OpenDevice(path ? path : "", ShareMode::Exclusive, timeoutSec);
    if (!opened.handle) return 0;
    if (length < 0 || length > kMaxAtaData) return -1;   // the handle closes on return

    const bool ext = form == AtaForm::Read48 || form == AtaForm::Write48;
    const bool read = form == AtaForm::Read28 || form == AtaForm::Read48;
    AtaCommand cmd;
    std::memcpy(cmd.current.data(), current, 8);
    if (ext && previous) std::memcpy(cmd.previous.data(), previous, 8);
    cmd.ext48 = ext;
    cmd.timeout = std::chrono::seconds(timeoutSec);
    if (length != 0) {
        cmd.dir = read ? Direction::In : Direction::Out;
        cmd.dma = IsDmaCommand(form, current[platform::kTfCommand]);
        cmd.data = std::span<std::uint8_t>(data, static_cast<std::size_t>(length));
    }
    const auto r = opened.handle->Ata(cmd);
    if (!r.ok) {
        if (form == AtaForm::Read48) DebugPrint(AtaFailTrace(form), static_cast<unsigned>(r.error));
        else DebugPrint("%s", AtaFailTrace(form));
        return -1;
    }
    std::memcpy(current, r.current.data(), 8);
    // The high-order bytes of a 48-bit return (a native max address past
    // 2^24, the LBA of a failed sector past it) belong to the answer too.
    if (ext && previous) {
        std::memcpy(previous, r.previous.data(), 8);
        if (r.upperLost) DebugPrint("48-bit registers not returned in full (fixed-format sense)\r\n");
    }
    if (!(r.current[platform::kTfStatus] & kAtaErr)) return 1;
    if (form == AtaForm::Read48 && cmd.current[platform::kTfCommand] == kAtaReadDmaExt &&
        (r.current[platform::kTfError] & kAtaUnc)) {
        DebugPrint("UNC(ReadATACommandWithTimeOutValueExt)\r\n");
        return -3;
    }
    return 0;
}

// Sense key of fixed or descriptor sense; 0 when there is none.
std::uint8_t SenseKey(const ScsiResult& r) { return platform::SenseKey(std::span(r.sense.data(), r.senseLength)); }

// An ATA command the drive ended with an error: a CHECK CONDITION whose sense
// key is beyond RECOVERED ERROR (how a SAT layer reports a failed command),
// or ATA registers in the sense whose status has ERR or DF, whatever the key.
bool AtaCommandFailed(const ScsiResult& r) {
    if (r.status != platform::kScsiCheckCondition) return false;
    if (SenseKey(r) > 1) return true;
    const auto ret = platform::DecodeAtaSense(std::span(r.sense.data(), r.senseLength));
    return ret && (ret->current[platform::kTfStatus] & (platform::kAtaStatusErr | platform::kAtaStatusDf)) != 0;
}

struct ScsiOutcome {
    int result = 0;     // 1: the system call succeeded and left no error
    ScsiResult raw;
};

ScsiOutcome ScsiRequest(const char* path, bool read, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data,
                        int dataLength, std::uint32_t* transferred, int timeoutSec, const char* traceName) {
    ScsiOutcome out;
    auto opened = OpenDevice(path ? path : "", ShareMode::Shared, timeoutSec);
    if (!opened.handle) {
        if (traceName) DebugPrint("%s(INVALID_HANDLE_VALUE) = %s\r\n", traceName, path ? path : "");
        return out;
    }
    std::array<std::uint8_t, 16> block{};
    const std::size_t cdbLen = static_cast<std::size_t>(std::clamp(cdbLength, 0, 16));
    std::memcpy(block.data(), cdb, cdbLen);

    // Some bridges mishandle one-byte transfers: move two bytes and give the
    // caller one.
    std::array<std::uint8_t, 2> twoBytes{};
    std::span<std::uint8_t> buf;
    if (dataLength == 1) {
        if (!read) twoBytes[0] = data[0];
        buf = twoBytes;
    } else if (dataLength > 0) {
        buf = std::span<std::uint8_t>(data, static_cast<std::size_t>(dataLength));
    }
    const auto seconds = std::chrono::seconds(timeoutSec);
    const std::span<const std::uint8_t> c(block.data(), cdbLen);
    const ScsiCommand cmd = read ? ScsiCommand::DataIn(c, buf, seconds) : ScsiCommand::DataOut(c, buf, seconds);
    out.raw = opened.handle->Scsi(cmd);
    const int error = out.raw.ok ? out.raw.error : (out.raw.error ? out.raw.error : EIO);

    if (dataLength == 1 && read) data[0] = twoBytes[0];
    if (transferred) *transferred = std::min<std::uint32_t>(out.raw.transferred, static_cast<std::uint32_t>(std::max(dataLength, 0)));
    out.result = (out.raw.ok && error == 0) ? 1 : 0;
    if (!out.result && traceName) DebugPrint("LastError(%s)[1] = %d\r\n", traceName, error);
    return out;
}

int PathTimeoutForRead(const char* path) {
    return std::string_view(path ? path : "").find("usb") != std::string_view::npos ? 300 : 5;
}

constexpr int kWriteTimeout = 10;

int SectorsRequest(const char* path, bool read, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t byteCount) {
    const std::uint32_t count = byteCount >> 9;
    //  byte:  0        1   2-5          6   7-8          9
    //        28 / 2A   0   LBA (BE)     0   count (BE)   0
    std::uint8_t cdb[10] = {};
    cdb[ 0] = read ? kScsiRead10 : kScsiWrite10;
    put_be32(&cdb[2], lba);
    put_be16(&cdb[7], static_cast<std::uint16_t>(count));
    const auto out = ScsiRequest(path, read, cdb, 10, buffer, static_cast<int>(byteCount), nullptr,
                                 read ? PathTimeoutForRead(path) : kWriteTimeout, nullptr);
    // A sector transfer the drive refused with a real sense key did not
    // happen, whatever the system call said.
    if (out.result == 1 && out.raw.status == 0x02 && SenseKey(out.raw) > 1) return 0;
    return out.result;
}

}  // namespace

int ReadATACommandWithTimeOutValue(const char* path, std::uint8_t* taskFile, std::uint8_t* data, int length,
                                   int timeoutSec) {
    return AtaRequest(AtaForm::Read28, path, taskFile, nullptr, data, length, timeoutSec);
}

int WriteATACommandWithTimeOutValue(const char* path, std::uint8_t* taskFile, std::uint8_t* data, int length,
                                    int timeoutSec) {
    return AtaRequest(AtaForm::Write28, path, taskFile, nullptr, data, length, timeoutSec);
}

int ReadATACommandWithTimeOutValueExt(const char* path, std::uint8_t* current, std::uint8_t* previous,
                                      std::uint8_t* data, int length, int timeoutSec) {
    return AtaRequest(AtaForm::Read48, path, current, previous, data, length, timeoutSec);
}

int WriteATACommandWithTimeOutValueExt(const char* path, std::uint8_t* current, std::uint8_t* previous,
                                       std::uint8_t* data, int length, int timeoutSec) {
    return AtaRequest(AtaForm::Write48, path, current, previous, data, length, timeoutSec);
}

int ExecATAPassThrough(const char* path, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                       int dataLength, bool flag48, int timeoutSec) {
    if (!path || !*path) return -1;
    TaskFile current{};
    TaskFile previous{};
    if (!flag48) {
        // 12-byte form: features, count, LBA low, mid, high, device, command.
        if (blockLength < 10) return -1;
        for (std::size_t i = 0; i < 7; ++i) current[i] = block[3 + i];
    } else {
        // 16-byte form: the low halves, device and command; the high halves
        // go to the previous task file (the high features byte is not carried).
        if (blockLength < 15) return -1;
        current = {block[4], block[6], block[8], block[10], block[12], block[13], block[14], 0};
        previous = {0, block[5], block[7], block[9], block[11], block[13], block[14], 0};
    }
    const std::uint64_t start = platform::TickMs();
    int r;
    if (flag48) r = read ? ReadATACommandWithTimeOutValueExt(path, current.data(), previous.data(), data, dataLength, timeoutSec)
                         : WriteATACommandWithTimeOutValueExt(path, current.data(), previous.data(), data, dataLength, timeoutSec);
    else r = read ? ReadATACommandWithTimeOutValue(path, current.data(), data, dataLength, timeoutSec)
                  : WriteATACommandWithTimeOutValue(path, current.data(), data, dataLength, timeoutSec);
    const std::uint64_t elapsedSec = (platform::TickMs() - start) / 1000;
    if (r == -3) return -3;
    if (elapsedSec > static_cast<std::uint64_t>(std::max(timeoutSec, 0))) {
        DebugPrint("Timeout = %d sec\r\n", static_cast<int>(elapsedSec));
        return 0;
    }
    return r == 0 ? -2 : r;
}

int ReadSCSICommand(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data, int dataLength,
                    std::uint32_t* transferred) {
    return ScsiRequest(path, true, cdb, cdbLength, data, dataLength, transferred, PathTimeoutForRead(path), nullptr)
        .result;
}

int WriteSCSICommand(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data, int dataLength,
                     std::uint32_t* transferred) {
    return ScsiRequest(path, false, cdb, cdbLength, data, dataLength, transferred, kWriteTimeout, nullptr).result;
}

int ReadSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data,
                                    int dataLength, std::uint32_t* transferred, int timeoutSec) {
    return ScsiRequest(path, true, cdb, cdbLength, data, dataLength, transferred, timeoutSec,
                       "ReadSCSICommandWithTimeOutValue")
        .result;
}

int WriteSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, int cdbLength, std::uint8_t* data,
                                     int dataLength, std::uint32_t* transferred, int timeoutSec) {
    return ScsiRequest(path, false, cdb, cdbLength, data, dataLength, transferred, timeoutSec,
                       "WriteSCSICommandWithTimeOutValue")
        .result;
}

int ReadSectorsSCSI(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t byteCount) {
    return SectorsRequest(path, true, buffer, lba, byteCount);
}

int WriteSectorsSCSI(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t byteCount) {
    return SectorsRequest(path, false, buffer, lba, byteCount);
}

namespace {

int SlotDispatch(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                 int dataLength, bool flag48, bool deviceErrorFails) {
    if (route.DirectAta) return ExecATAPassThrough(route.Path, read, block, blockLength, data, dataLength, flag48, 10);
    if (!*route.Path) return -1;
    const auto out = read ? ScsiRequest(route.Path, true, block, blockLength, data, dataLength, nullptr,
                                        route.UsbPath ? 300 : 10, "ReadSCSICommandWithTimeOutValue")
                          : ScsiRequest(route.Path, false, block, blockLength, data, dataLength, nullptr, 10,
                                        "WriteSCSICommandWithTimeOutValue");
    if (out.result != 1) return -2;
    if (deviceErrorFails && AtaCommandFailed(out.raw)) return -2;
    return 1;
}

}  // namespace

int ExecSlotPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                        std::uint8_t* data, int dataLength, bool flag48) {
    return SlotDispatch(route, read, block, blockLength, data, dataLength, flag48, false);
}

int ExecSlotPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                        int dataLength, bool flag48) {
    return ExecSlotPassThrough(RouteOf(slot), read, block, blockLength, data, dataLength, flag48);
}

int ExecSlotAtaPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                           std::uint8_t* data, int dataLength, bool flag48) {
    return SlotDispatch(route, read, block, blockLength, data, dataLength, flag48, true);
}

int ExecSlotAtaPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                           int dataLength, bool flag48) {
    return ExecSlotAtaPassThrough(RouteOf(slot), read, block, blockLength, data, dataLength, flag48);
}

int ExecSlotSCSIPassThrough(const SlotRoute& route, bool read, const std::uint8_t* block, int blockLength,
                            std::uint8_t* data, int dataLength) {
    if (!*route.Path) return -1;
    std::uint32_t moved = 0;
    const int r = read ? ReadSCSICommand(route.Path, block, blockLength, data, dataLength, &moved)
                       : WriteSCSICommand(route.Path, block, blockLength, data, dataLength, &moved);
    return r == 1 ? 1 : -2;
}

int ExecSlotSCSIPassThrough(int slot, bool read, const std::uint8_t* block, int blockLength, std::uint8_t* data,
                            int dataLength) {
    return ExecSlotSCSIPassThrough(RouteOf(slot), read, block, blockLength, data, dataLength);
}

}  // namespace qx
