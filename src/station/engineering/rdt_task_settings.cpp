#include "station/engineering/rdt_task_settings.h"

#include <cstdio>
#include <utility>

#include "station/settings/integer_text.h"

namespace qx::station {

std::vector<RwPattern> BuiltInPatterns() {
    RwPattern rw{"RW TEST", {}};
    rw.Params[1] = 30;
    for (std::size_t i = 2; i <= 5; ++i) rw.Params[i] = 1;
    return {rw};
}

std::array<std::uint8_t, 10> PatternStep::Bytes() const {
    return {ParamsA[0], ParamsA[1], ParamsA[2], ParamsA[3], ParamsA[4], Data, ParamsB[0], ParamsB[1], ParamsB[2],
            ParamsB[3]};
}

std::vector<std::string> PatternStepLines(const std::vector<PatternStep>& steps) {
    std::vector<std::string> lines;
    char line[48];
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::snprintf(line, sizeof line, "%zu. RW with data 0x%02X", i, steps[i].Data);
        lines.emplace_back(line);
    }
    return lines;
}

int MovePatternStep(std::vector<PatternStep>& steps, int index, bool up) {
    const int other = up ? index - 1 : index + 1;
    if (index < 0 || other < 0 || static_cast<std::size_t>(index) >= steps.size() ||
        static_cast<std::size_t>(other) >= steps.size())
        return index;
    std::swap(steps[static_cast<std::size_t>(index)], steps[static_cast<std::size_t>(other)]);
    return other;
}

std::string TaskGroupCaption(const RdtTaskSettings& s, const std::string& current) {
    std::string caption = current;
    if (s.RdtTaskFlag) caption = "RDT Task";
    if (s.LtsTaskFlag) caption = "LTS Task";
    if (s.ReRdtTaskFlag) caption = "Re-RDT Task";
    return caption;
}

namespace {

std::uint16_t Minutes(const std::string& text) { return static_cast<std::uint16_t>(StrToInt(text)); }

}  // namespace

void StoreRdtTaskInput(const RdtTaskInput& in, RdtTaskSettings& s) {
    const std::uint16_t runTime = Minutes(in.NandRunTimeText);
    const std::uint16_t loops = Minutes(in.NandLoopsText);
    const std::uint16_t dram = Minutes(in.DramRunTimeText);
    const std::uint16_t wait = Minutes(in.WaitTimeText);
    s.EraseAll = in.EraseAll;
    s.ScanFactoryBad = in.ScanFactoryBad;
    s.NandRunTime = in.SetNandRunTime ? runTime : 0;
    s.NandLoops = in.LoopsSet ? loops : 0;
    s.DramRunTime = in.DramTimeSet ? dram : 0;
    s.WaitTime = wait;
    // The flag follows its value: a checked box with no time is no setting.
    s.SetNandRunTime = in.SetNandRunTime && s.NandRunTime != 0;
}

}  // namespace qx::station
