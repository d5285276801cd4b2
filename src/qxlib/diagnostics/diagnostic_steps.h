// The production steps that test a drive's hardware and prepare its flash
// before any firmware exists on it. Each loads a controller program, runs one
// action or diagnostic and judges the status; true is a pass. On a failure
// the scratch buffer holds what the step's detail text is decoded from.
#pragma once

#include <cstdint>
#include <span>

#include "qxlib/base/build_variant.h"

namespace qx {

struct FlashConfig;
struct GlobalParameter;

// Final statuses of the program actions that mean success.
inline constexpr std::uint8_t kEraseDone = 0x0E;
inline constexpr std::uint8_t kPreFormatDone = 0x0A;
inline constexpr std::uint8_t kRebuildDone = 0x12;
inline constexpr std::uint8_t kDramTestDone = 0x15;

// FlashTestResult values of the flash interface test.
inline constexpr int kFlashTestMode1Failed = 0x40;
inline constexpr int kFlashTestMode2Failed = 0x41;
inline constexpr int kFlashTestRandomFailed = 0x42;

// Everything a step reads besides the slot: the worker's own copies.
struct StepContext {
    const FlashConfig& config;
    const GlobalParameter& settings;
    std::span<std::uint8_t> buffer;      // the worker's 128 KB scratch buffer
    std::uint32_t address = 0;
};

bool DetectFlashByGdp(int slot, const StepContext& ctx);
bool FlashModuleTest(int slot, const StepContext& ctx);
bool BusInterfaceTest(int slot, const StepContext& ctx);
bool FlashInterfaceTest(int slot, const StepContext& ctx, int* flashTestResult, std::uint8_t* flashTestFlag);
bool DramTest(int slot, const StepContext& ctx, std::uint8_t* reason);
bool EraseByGdp(int slot, const StepContext& ctx);
bool RunGdpType1(int slot, const StepContext& ctx, std::uint8_t extraFlags);
bool RebuildBadBlock(int slot, const StepContext& ctx, bool useOldProgram);
bool PreFormat(int slot, const StepContext& ctx, bool erase, bool later, bool repairUsed);
// GPIO bit 15 low on the full build, high on the single-bank build; bit 16
// high on both.
bool CheckChip(int slot, const StepContext& ctx, bool singleBank = kSingleBankBuild);
void SeedRandomByTime();

}  // namespace qx
