// Runs one diagnostic step by name and turns its failure into what the
// worker records: the error item and the detail text decoded from the
// scratch buffer, as the failure dialog shows them.
#pragma once

#include <span>
#include <string>

#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/error_items/test_result_decode.h"

namespace qx::test {

enum class Step { Detect, Module, Bus, FlashIf, Dram, Erase, Rebuild, PreFormat, Chip };

inline const char* StepName(Step s) {
    constexpr const char* kNames[] = {"Detect", "Module", "Bus", "FlashIf", "Dram",
                                      "Erase",  "Rebuild", "PreFormat", "Chip"};
    return kNames[static_cast<int>(s)];
}

struct StepOutcome {
    bool passed = false;
    int item = 0;          // 0 when passed
    std::string detail;    // decoded detail text; empty where the step has no decoder
};

// The step's own error item; the DRAM test's reason picks one of its own.
inline int StepItem(Step s, std::uint8_t dramReason) {
    switch (s) {
        case Step::Module: return 1;
        case Step::Rebuild: return 2;
        case Step::Bus: return 3;
        case Step::FlashIf: return 4;
        case Step::Dram: return dramReason >= 25 && dramReason <= 27 ? 66 + (dramReason - 25) : 5;
        case Step::Erase: return 6;
        case Step::PreFormat: return 7;
        case Step::Chip: return 69;
        case Step::Detect: return 0;
    }
    return 0;
}

inline StepOutcome RunStep(Step s, int slot, const StepContext& ctx) {
    int flashResult = -1;
    std::uint8_t flashFlag = 0, reason = 0;
    bool ok = false;
    switch (s) {
        case Step::Detect: ok = DetectFlashByGdp(slot, ctx); break;
        case Step::Module: ok = FlashModuleTest(slot, ctx); break;
        case Step::Bus: ok = BusInterfaceTest(slot, ctx); break;
        case Step::FlashIf: ok = FlashInterfaceTest(slot, ctx, &flashResult, &flashFlag); break;
        case Step::Dram: ok = DramTest(slot, ctx, &reason); break;
        case Step::Erase: ok = EraseByGdp(slot, ctx); break;
        case Step::Rebuild: ok = RebuildBadBlock(slot, ctx, false); break;
        case Step::PreFormat: ok = PreFormat(slot, ctx, false, false, false); break;
        case Step::Chip: ok = CheckChip(slot, ctx); break;
    }
    StepOutcome out;
    out.passed = ok;
    if (ok) return out;
    out.item = StepItem(s, reason);
    const std::span<const std::uint8_t> data(ctx.buffer.data(), ctx.buffer.size());
    if (s == Step::FlashIf) DecodeFlashTestResult(data, ctx.config, out.detail, &out.item);
    if (s == Step::Module || s == Step::PreFormat)
        DecodeScanResult(data[0], data.subspan(1), ctx.config, out.detail, &out.item);
    return out;
}

}  // namespace qx::test
