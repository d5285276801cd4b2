// The burn-in task settings the RDT dialog edits (NAND screen, DRAM screen,
// waiting time) and its read/write pattern step list.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qx::station {

struct RdtTaskSettings {
    std::uint8_t RdtTaskFlag = 0;
    std::uint8_t LtsTaskFlag = 0;
    std::uint8_t ReRdtTaskFlag = 0;
    std::uint8_t ScanFactoryBad = 0;
    std::uint8_t EraseAll = 0;
    std::uint8_t SetNandRunTime = 0;
    std::uint16_t NandRunTime = 0;   // minutes; 0 not set
    std::uint16_t NandLoops = 0;     // 0 not set
    std::uint16_t WaitTime = 0;      // minutes
    std::uint16_t DramRunTime = 0;   // minutes; 0 not set
};

// One built-in read/write pattern and its 16 parameter bytes.
struct RwPattern {
    std::string Name;
    std::array<std::uint8_t, 16> Params{};
};
std::vector<RwPattern> BuiltInPatterns();

struct PatternStep {
    std::uint8_t Kind = 0;
    std::array<std::uint8_t, 5> ParamsA{};   // parameter bytes 1 to 5
    std::uint8_t Data = 0;                   // byte 6
    std::array<std::uint8_t, 4> ParamsB{};   // parameter bytes 7 to 10
    // Bytes 1 to 10 in order.
    std::array<std::uint8_t, 10> Bytes() const;
};

// "%d. RW with data 0x%02X" per step, numbered from 0.
std::vector<std::string> PatternStepLines(const std::vector<PatternStep>& steps);

// Swaps the step at index with its neighbour before (up) or after; the index
// of the moved step, unchanged when there is no neighbour.
int MovePatternStep(std::vector<PatternStep>& steps, int index, bool up);

// The caption of the task group: the last set flag wins; none keeps current.
std::string TaskGroupCaption(const RdtTaskSettings& settings, const std::string& current);

// What the dialog's "Done" takes from its controls.
struct RdtTaskInput {
    bool EraseAll = false;
    bool ScanFactoryBad = false;
    bool SetNandRunTime = false;
    bool LoopsSet = false;
    bool DramTimeSet = false;
    std::string NandRunTimeText;
    std::string NandLoopsText;
    std::string DramRunTimeText;
    std::string WaitTimeText;
};

// Converts all four edits first (throws InvalidInteger and changes nothing
// when one does not convert), then stores them: an unchecked box zeroes its
// value, and a checked box whose value is 0 comes back unchecked.
void StoreRdtTaskInput(const RdtTaskInput& input, RdtTaskSettings& settings);

}  // namespace qx::station
