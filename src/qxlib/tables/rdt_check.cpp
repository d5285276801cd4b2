#include "qxlib/tables/rdt_check.h"

#include <cstring>

#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/vendor_access/v_access.h"
#include "platform/clock.h"

namespace qx {
namespace {

constexpr std::uint16_t kProbePage = 8;
constexpr std::uint16_t kLtsPage = 2;
constexpr std::size_t kFailBitsAt = 6;
constexpr std::size_t kPassBitsAt = 4;
constexpr std::size_t kSerialPageAt = 808;
constexpr std::size_t kSerialCopyBytes = 1040;
constexpr std::size_t kSerialTextAt = 24;
constexpr std::uint64_t kSettleMs = 10;

bool Begins(std::span<const std::uint8_t> page, const char (&sig)[5]) {
    return page.size() >= 4 && std::memcmp(page.data(), sig, 4) == 0;
}

// One page of channel 0 into the start of the buffer, in the read form the
// test firmware's result pages need.
bool ReadResultPage(int slot, const StepContext& ctx, std::uint16_t block, std::uint16_t page) {
    const FlashConfig& c = ctx.config;
    const auto option = static_cast<std::uint8_t>(c.Options[kOptPageOption] * 2 + c.Options[kOptScramble]);
    return VA_ReadFlashPages(slot, c, 0, 0, block, page, c.EccMode, option, ctx.buffer,
                             c.FlashGeometry.SectorsPerPage, true);
}

int JudgeLts(std::uint8_t v) {
    if ((v & 3) != 3) return kItemCheckLtsDram;
    if (!(v & 4)) return kItemCheckLtsNandScreen;
    return 1;
}

int JudgeRdt(std::uint8_t f) {
    if (f & 0x01) return kItemRdtFailBit0;
    if (f & 0x02) return kItemRdtFailBit1;
    if (f & 0x04) return kItemRdtFailBit2;
    if (f & 0x20) return kItemRdtFailBit5;
    return 1;
}

enum class Found { None, Result, ReadFailed };

// An RDT block whose page 0 passed: it counts only when the test finished
// (its last page carries the signature too), and then the serial it ran
// with is checked.
Found CheckRdtSerial(int slot, const StepContext& ctx, std::uint16_t block, const char* serialNumber,
                     std::string& rdtSerial, int& result) {
    const std::uint16_t serialPage = get_le16(&ctx.buffer[kSerialPageAt]);
    const std::uint16_t last = static_cast<std::uint16_t>(ctx.config.FlashGeometry.PagesPerBlock - 1);
    if (!ReadResultPage(slot, ctx, block, last)) return Found::ReadFailed;
    if (!Begins(ctx.buffer, "RDTM")) return Found::None;
    if (!ReadResultPage(slot, ctx, block, serialPage)) return Found::ReadFailed;
    char copy[kSerialCopyBytes];
    std::memcpy(copy, ctx.buffer.data(), sizeof copy);
    const char* text = copy + kSerialTextAt;
    const std::size_t length = strnlen(text, sizeof copy - kSerialTextAt);
    const std::string serial(text, length);
    DebugPrint("RDT Serial Number = %s\r\n", serial.c_str());
    rdtSerial = serial;
    const char* expected = serialNumber ? serialNumber : "";
    if (!ctx.settings.EnNoCheckRDTSn && std::strncmp(expected, serial.c_str(), length) != 0)
        result = kItemCheckRdtSerial;
    return Found::Result;
}

}  // namespace

int CheckRdtResult(int slot, const StepContext& ctx, const char* serialNumber, std::uint8_t ltsMode,
                   std::string& rdtSerial) {
    const int start = ltsMode ? kItemCheckLtsResult : kItemCheckRdtResult;
    std::uint8_t flags = 0;
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || !BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &flags, ctx.address))
        return start;
    DeviceSlot& s = *slotEntry;
    s.RdtResultOk = 0;

    const FlashConfig& c = ctx.config;
    const std::size_t pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
    if (pageBytes < kSerialCopyBytes || ctx.buffer.size() < pageBytes) return start;
    if (!VA_ReadFlashPages(slot, c, 0, 0, 0, kProbePage, c.EccMode, c.Options[kOptV50BinPages], ctx.buffer,
                           c.FlashGeometry.SectorsPerPage, false))
        return start;

    const double lowest = 0.9 * c.FlashGeometry.BlocksPerCe;
    for (int b = int{c.FlashGeometry.BlocksPerCe} + c.ExtraBlocks - 1; b >= 0 && b >= lowest; --b) {
        if (!platform::SleepMs(kSettleMs)) return start;
        VA_SetVendorFeature(slot, false);
        VA_SetVendorFeature(slot, true);
        const auto block = static_cast<std::uint16_t>(b);
        if (ltsMode) {
            if (!ReadResultPage(slot, ctx, block, kLtsPage)) return start;
            if (!Begins(ctx.buffer, "LTSM")) continue;
            const int result = JudgeLts(ctx.buffer[kPassBitsAt]);
            if (result == 1) s.RdtResultOk = 1;
            return result;
        }
        if (!ReadResultPage(slot, ctx, block, 0)) return start;
        if (!Begins(ctx.buffer, "RDTM")) continue;
        int result = JudgeRdt(ctx.buffer[kFailBitsAt]);
        if (result != 1) return result;
        // A block whose test never finished, or whose pages cannot be read,
        // proves nothing: the search goes on, or the check fails.
        switch (CheckRdtSerial(slot, ctx, block, serialNumber, rdtSerial, result)) {
            case Found::None: continue;
            case Found::ReadFailed: return start;
            case Found::Result: break;
        }
        if (result == 1) s.RdtResultOk = 1;
        return result;
    }
    return start;
}

}  // namespace qx
