#include "qxlib/diagnostics/diagnostic_steps.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/clock.h"
#include "qxlib/diagnostics/code_block_list.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/vendor_access/va_bus_test.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kTableSize = 128 * 1024;

// Action numbers of the diagnostic program.
constexpr int kActionErase = 1;
constexpr int kActionPreFormat = 3;
constexpr int kActionRebuild = 4;

// Flag bits of an action's flag byte (the boot flags come first).
constexpr std::uint8_t kFlagErase = 0x01;
constexpr std::uint8_t kFlagLater = 0x04;
constexpr std::uint8_t kFlagPreFormat = 0x08;
constexpr std::uint8_t kFlagRepairUsed = 0x10;
constexpr std::uint8_t kFlagRdtPassed = 0x20;
constexpr std::uint8_t kFlagErasesKept = 0x40;

// Records of the flash module test's result list.
constexpr std::uint8_t kScanRunning = 0x82;
constexpr std::uint8_t kScanAllMatched = 0x80;
constexpr std::uint8_t kScanIdMismatch = 0x83;
constexpr std::uint8_t kScanCountMismatch = 0x81;
constexpr std::size_t kFirstRecord = 18;
constexpr std::size_t kRecordSize = 16;
constexpr std::size_t kRecordIdOffset = 10;
constexpr std::size_t kDetectResult = 28;

constexpr std::uint16_t kFixedDiagBlock = 602;
constexpr int kRandomBlocks = 10;

std::mutex g_randomLock;
std::minstd_rand g_random;

bool BootGdp(int slot, const StepContext& ctx, std::uint8_t* bootFlags) {
    return BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, bootFlags, ctx.address);
}

// Runs one action and tells whether it ended with the wanted status.
bool ActionEndsWith(int slot, int action, std::uint8_t flags, bool wait, std::uint8_t wanted) {
    std::uint8_t status = 0;
    return VA_GDP_ExecProg(slot, action, flags, &status, wait) && status == wanted;
}

bool IdMatches(const std::uint8_t* read, const std::array<std::uint8_t, 5>& expected, std::uint8_t mask) {
    for (std::size_t k = 0; k < expected.size(); ++k)
        if ((mask >> k & 1) && read[k] != expected[k]) return false;
    return true;
}

std::array<std::uint16_t, kRandomBlocks> DrawDistinctBlocks() {
    std::array<std::uint16_t, kRandomBlocks> blocks{};
    std::lock_guard<std::mutex> hold(g_randomLock);
    g_random.seed(static_cast<unsigned>(std::time(nullptr)));
    do {
        for (auto& b : blocks) b = static_cast<std::uint16_t>(g_random() % 1536 + 256);
        auto sorted = blocks;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) break;
    } while (true);
    return blocks;
}

// Sends the erase counts kept before production back, one table per
// channel and bank-die. Tables beyond the kept area (more than 4 channels or
// 16 bank-dies) were never kept and are not sent.
void PutKeptEraseCounts(int slot, const StepContext& ctx) {
    const DeviceSlot& s = SlotOf(slot);
    const unsigned bankDies = unsigned{ctx.config.BankCount} * ctx.config.FlashGeometry.DiesPerCe;
    for (unsigned i = 0; i < bankDies; ++i) {
        for (unsigned j = 0; j < ctx.config.ChannelCount; ++j) {
            const std::size_t at = (std::size_t{j} * 16 + i) * kTableSize;
            if (i >= 16 || at + kTableSize > s.KeptEraseCounts.size()) continue;
            std::memcpy(ctx.buffer.data(), s.KeptEraseCounts.data() + at, kTableSize);
            VA_PutEraseCountTable(slot, ctx.buffer.data(), static_cast<int>(kTableSize / kSector),
                                  static_cast<std::uint8_t>(j), static_cast<std::uint8_t>(i));
            char name[32];
            std::snprintf(name, sizeof name, "EC_%2.2u_%2.2u.raw", j, i);
            WriteDebugDump(slot, name, ctx.buffer.data(), kTableSize);
        }
    }
}

}  // namespace

void SeedRandomByTime() {
    std::lock_guard<std::mutex> hold(g_randomLock);
    g_random.seed(static_cast<unsigned>(std::time(nullptr)));
}

bool DetectFlashByGdp(int slot, const StepContext& ctx) {
    std::uint8_t boot = 0;
    if (ctx.buffer.size() < kSector) return false;
    return BootGdp(slot, ctx, &boot) && VA_ReadFlashDetectResult(slot, ctx.buffer.data(), 1);
}

bool FlashModuleTest(int slot, const StepContext& ctx) {
    const FlashConfig& cfg = ctx.config;
    std::uint8_t* buf = ctx.buffer.data();
    const std::size_t records = std::size_t{cfg.ChannelCount} * cfg.BankCount;
    if (ctx.buffer.size() < kFirstRecord + records * kRecordSize + kRecordIdOffset + kSector) return false;
    std::uint8_t boot = 0;
    if (!BootGdp(slot, ctx, &boot)) return false;

    buf[0] = 1;
    buf[1] = kScanRunning;
    std::size_t cursor = kFirstRecord;
    for (std::uint8_t b = 0; b < cfg.BankCount && b < cfg.FlashGeometry.BankMap.size(); ++b) {
        for (std::uint8_t c = 0; c < cfg.ChannelCount; ++c) {
            // A channel whose ID cannot be read is left out, not failed.
            if (!VA_ReadFlashID(slot, c, cfg.FlashGeometry.BankMap[b], buf + cursor + kRecordIdOffset, 1)) continue;
            if (IdMatches(buf + cursor + kRecordIdOffset, cfg.FlashId, ctx.settings.CheckFlashMask)) continue;
            ++buf[0];
            buf[cursor] = kScanIdMismatch;
            buf[cursor + 1] = c;
            buf[cursor + 2] = b;
            cursor += kRecordSize;
        }
    }
    if (!platform::SleepMs(1000)) return false;
    if (buf[0] == 1) {
        buf[1] = kScanAllMatched;
        if (!VA_ReadFlashDetectResult(slot, buf + kDetectResult, 1)) return false;
        // Detect sector bytes 7 and 8: the channels and banks found.
        if (buf[kDetectResult + 7] == cfg.ChannelCount && buf[kDetectResult + 8] == cfg.BankCount) return true;
        ++buf[0];
        buf[cursor] = kScanCountMismatch;
    }
    return buf[0] == 1;
}

bool BusInterfaceTest(int slot, const StepContext& ctx) {
    return BootTestProgram(slot, ctx.config, ctx.settings, ctx.buffer, ctx.address) && VA_BusInterfaceTest(slot, ctx.buffer, 0) &&
           VA_BusInterfaceTest(slot, ctx.buffer, 1);
}

bool FlashInterfaceTest(int slot, const StepContext& ctx, int* flashTestResult, std::uint8_t* flashTestFlag) {
    if (ctx.buffer.size() < kSector) return false;
    if (!BootTestProgram(slot, ctx.config, ctx.settings, ctx.buffer, ctx.address)) return false;
    *flashTestResult = 0;
    if (!VA_FlashDiagnostic(slot, 1, kFixedDiagBlock, flashTestFlag)) {
        *flashTestResult = kFlashTestMode1Failed;
    } else if (!VA_FlashDiagnostic(slot, 2, kFixedDiagBlock, flashTestFlag)) {
        *flashTestResult = kFlashTestMode2Failed;
    } else {
        const auto blocks = DrawDistinctBlocks();
        const bool anyPassed = std::any_of(blocks.begin(), blocks.end(), [&](std::uint16_t block) {
            return VA_FlashDiagnostic(slot, 3, block, flashTestFlag);
        });
        if (!anyPassed) *flashTestResult = kFlashTestRandomFailed;
    }
    if (*flashTestResult != 0) VA_ReadFlashTestResult(slot, ctx.buffer.data());
    return *flashTestResult == 0;
}

bool DramTest(int slot, const StepContext& ctx, std::uint8_t* reason) {
    *reason = 0;
    if (ctx.buffer.size() < kSector) return false;
    if (!BootTestProgram(slot, ctx.config, ctx.settings, ctx.buffer, ctx.address)) return false;
    for (std::size_t i = 0; i < kSector; i += 4) {
        const std::uint8_t pattern[4] = {0x00, 0xFF, 0x00, 0xFF};
        std::memcpy(ctx.buffer.data() + i, pattern, 4);
    }
    // The scratch registers must hold what was written before the DRAM is
    // worth testing.
    for (std::uint8_t i = 0; i < 32; ++i) VA_WriteRegister(slot, 0x30000u + i, i);
    for (std::uint8_t i = 0; i < 32; ++i) {
        // A register that cannot be read back proves nothing either.
        std::uint8_t value = 0;
        if (!VA_ReadRegister(slot, 0x30000u + i, &value) || value != i) return false;
    }
    if (!VA_DramDiagnostic(slot, ctx.buffer.data(), 0x30000, 0x8000000)) return false;
    if (!platform::SleepMs(8000)) return false;
    std::uint8_t status = 0;
    if (!VA_ST_WaitReturn(slot, &status, true)) return false;
    *reason = status;
    return status == kDramTestDone;
}

bool EraseByGdp(int slot, const StepContext& ctx) { return RunGdpType1(slot, ctx, kFlagErase); }

bool RunGdpType1(int slot, const StepContext& ctx, std::uint8_t extraFlags) {
    std::uint8_t boot = 0;
    if (!BootGdp(slot, ctx, &boot)) return false;
    return ActionEndsWith(slot, kActionErase, static_cast<std::uint8_t>(boot | extraFlags), false, kEraseDone);
}

bool RebuildBadBlock(int slot, const StepContext& ctx, bool useOldProgram) {
    if (!GetCodeBlockList(slot, ctx)) return false;
    std::uint8_t boot = 0;
    const bool booted = useOldProgram ? BootOldGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address)
                                      : BootGdp(slot, ctx, &boot);
    return booted && ActionEndsWith(slot, kActionRebuild, boot, true, kRebuildDone);
}

bool PreFormat(int slot, const StepContext& ctx, bool erase, bool later, bool repairUsed) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry) return false;
    std::uint8_t boot = 0;
    if (!BootGdp(slot, ctx, &boot)) return false;
    std::uint8_t status = 0;
    if (erase && !VA_GDP_ExecProg(slot, kActionErase, static_cast<std::uint8_t>(boot | kFlagErase), &status, false))
        return false;

    DeviceSlot& s = *slotEntry;
    std::uint8_t flags = static_cast<std::uint8_t>(boot | kFlagPreFormat);
    if (erase) flags |= kFlagErase;
    if (later) flags |= kFlagLater;
    if (repairUsed) flags |= kFlagRepairUsed;
    if (s.RdtResultOk) flags |= kFlagRdtPassed;

    // Only what was really kept goes back: sending an empty table would
    // overwrite the drive's counts with zeros.
    if (ctx.settings.EnKeepEraseCount && s.EraseCountsKept && s.KeptEraseCounts &&
        ctx.buffer.size() >= kTableSize) {
        PutKeptEraseCounts(slot, ctx);
        flags |= kFlagErasesKept;
        s.EraseCountsKept = 0;
    }
    if (ctx.settings.EnKeepSmartInfo && s.SmartPageKept && s.KeptSmartPage && ctx.buffer.size() >= kSector) {
        std::memcpy(ctx.buffer.data(), s.KeptSmartPage.data(), kSector);
        VA_PutSmartPage(slot, ctx.buffer.data(), 1);
        WriteDebugDump(slot, "Smart.raw", ctx.buffer.data(), kSector);
        s.SmartPageKept = 0;
    }

    if (!VA_GDP_ExecProg(slot, kActionPreFormat, flags, &status, true)) return false;
    if (status == kPreFormatDone) return true;
    VA_ReadGdpErrorInfo(slot, ctx.buffer);
    return false;
}

bool CheckChip(int slot, const StepContext& ctx, bool singleBank) {
    std::uint8_t boot = 0;
    if (!BootGdp(slot, ctx, &boot)) return false;
    const std::uint8_t b15 = VA_PulseRegisterBit(slot, 15);
    const std::uint8_t b16 = VA_PulseRegisterBit(slot, 16);
    const bool bit15High = (b15 & 0x80) != 0;
    return (b16 & 0x01) && bit15High == singleBank;
}

}  // namespace qx
