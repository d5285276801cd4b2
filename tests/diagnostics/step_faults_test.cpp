// Every diagnostic step passes on a healthy simulated drive and fails, on
// both paths, with the error item, code and detail text a real drive's fault
// gives.
#include <gtest/gtest.h>

#include <functional>

#include "diagnostics/diag_fixture.h"
#include "diagnostics/step_runner.h"
#include "qxlib/error_items/error_items.h"

namespace qx::test {
namespace {

using Change = std::function<void(sim::DriveModel&)>;

class StepFaultsTest : public DiagFixture {};

TEST_F(StepFaultsTest, EveryStepPassesOnAHealthyDrive) {
    for (int slot : kBothSlots)
        for (Step s : {Step::Detect, Step::Module, Step::Bus, Step::FlashIf, Step::Dram, Step::Erase, Step::Rebuild,
                       Step::PreFormat, Step::Chip}) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " step " << StepName(s));
            EXPECT_TRUE(RunStep(s, slot, Ctx()).passed);
        }
}

// A few bad blocks under the 2 % defect ratio are what every drive has.
TEST_F(StepFaultsTest, BadBlocksUnderTheDefectRatioPass) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.badBlocks = {300, 301, 1900}; });
        for (Step s : {Step::Erase, Step::Rebuild, Step::PreFormat}) {
            SCOPED_TRACE(StepName(s));
            EXPECT_TRUE(RunStep(s, slot, Ctx()).passed);
        }
    }
}

// The program lists the CEs channel by channel; the summary follows the
// decoder's counters, CE by CE.
std::string OverRatioText(int bad) {
    std::string text = "Number of bad block is over defect ratio:\r\n";
    char line[160];
    for (int ch = 0; ch < 4; ++ch)
        for (int ce = 0; ce < 2; ++ce) {
            std::snprintf(line, sizeof line,
                          "Ch#%2.2X, Bank#%2.2X, Die#00, BadBlockNum: %d, BadBlockNumRatio(1/1000): %d\r\n", ch, ce,
                          bad, bad * 1000 / 1024);
            text += line;
        }
    return text;
}

std::string OverRatioSummary(int bad) {
    std::string summary = "\r\nBad CH/CE:\r\n";
    char line[80];
    for (int index = 0; index < 8; ++index) {
        std::snprintf(line, sizeof line, "Ch#%d, CE#%d, BadBlockNum: %d\r\n", index % 4, index / 4, bad);
        summary += line;
    }
    return summary;
}

std::set<std::uint16_t> Blocks(std::uint16_t first, int n) {
    std::set<std::uint16_t> out;
    for (int i = 0; i < n; ++i) out.insert(static_cast<std::uint16_t>(first + i));
    return out;
}

struct FaultCase {
    const char* fault;
    Step step;
    Change change;
    int item;
    const char* code;
    std::string detail;
};

const FaultCase kFaults[] = {
    {"wrong flash id on channel 3, CE 1", Step::Module,
     [](sim::DriveModel& m) { m.flashIdAt[3 << 8 | 1] = {0x98, 0xDE, 0x94, 0x93, 0x77}; }, 1, "M00",
     "Flash Setting - ID: 98 DE 94 93 76\r\n"
     "Scan Result -  ID: 98 DE 94 93 77 (Ch#03, Bank#01)\r\n"},
    {"channel 3 missing", Step::Module, [](sim::DriveModel& m) { m.cfg.channels = 3; }, 1, "M00",
     "Flash Setting - ID: 98 DE 94 93 76\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#03, Bank#00)\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#03, Bank#01)\r\n"},
    {"one CE fewer than configured", Step::Module, [](sim::DriveModel& m) { m.cfg.ces = 1; }, 1, "M00",
     "Flash Setting - ID: 98 DE 94 93 76\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#00, Bank#01)\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#01, Bank#01)\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#02, Bank#01)\r\n"
     "Scan Result -  ID: 00 00 00 00 00 (Ch#03, Bank#01)\r\n"},
    {"bus data bit 6 stuck", Step::Bus, [](sim::DriveModel& m) { m.cfg.busStuckBits = 0x0040; }, 3, "A00", ""},
    {"bus data bit 15 stuck", Step::Bus, [](sim::DriveModel& m) { m.cfg.busStuckBits = 0x8000; }, 3, "A00", ""},
    {"channel 2, CE 0 cannot erase", Step::FlashIf, [](sim::DriveModel& m) { m.cfg.failingCes = {2 << 8 | 0}; }, 58,
     "B04",
     "Flash Interface Test Fail\r\n"
     "Flash Erase fail. Ch#02, Bank#00\r\n"
     "\r\nBad CH/CE:\r\n"
     "CH#2, BK#0\r\n"},
    {"DRAM 1 fails", Step::Dram, [](sim::DriveModel& m) { m.cfg.dramStatus = 25; }, 66, "B12", ""},
    {"DRAM 2 fails", Step::Dram, [](sim::DriveModel& m) { m.cfg.dramStatus = 26; }, 67, "B13", ""},
    {"DRAM smaller than the test", Step::Dram, [](sim::DriveModel& m) { m.cfg.dramBytes = 64ull << 20; }, 68, "B14",
     ""},
    {"DRAM test ends with another status", Step::Dram, [](sim::DriveModel& m) { m.cfg.dramStatus = 0x16; }, 5, "H00",
     ""},
    {"channel 1, CE 1 cannot erase", Step::Erase, [](sim::DriveModel& m) { m.cfg.failingCes = {1 << 8 | 1}; }, 6,
     "H01", ""},
    {"bad blocks over the defect ratio", Step::Rebuild, [](sim::DriveModel& m) { m.cfg.badBlocks = Blocks(400, 42); },
     2, "A01", ""},
    {"channel 1, CE 1 cannot erase", Step::PreFormat, [](sim::DriveModel& m) { m.cfg.failingCes = {1 << 8 | 1}; }, 49,
     "C03",
     "Number of bad block is over defect ratio:\r\n"
     "Ch#01, Bank#01, Die#00, BadBlockNum: 2048, BadBlockNumRatio(1/1000): 2000\r\n"
     "\r\nBad CH/CE:\r\n"
     "Ch#1, CE#1, BadBlockNum: 2048\r\n"},
    {"bad blocks over the defect ratio", Step::PreFormat,
     [](sim::DriveModel& m) { m.cfg.badBlocks = Blocks(400, 42); }, 49, "C03", OverRatioText(42) + OverRatioSummary(42)},
    {"single-bank chip on the full build", Step::Chip,
     [](sim::DriveModel& m) { m.registers = sim::ControllerRegisters(sim::GpioStraps::SingleBank); }, 69, "P00", ""},
    {"broken strap", Step::Chip,
     [](sim::DriveModel& m) { m.registers = sim::ControllerRegisters(sim::GpioStraps::Broken); }, 69, "P00", ""},
    {"program stays busy", Step::Erase, [](sim::DriveModel& m) { m.cfg.busyPolls = -1; }, 6, "H01", ""},
};

TEST_F(StepFaultsTest, EachFaultFailsItsStepWithItsItemAndDetail) {
    for (const FaultCase& c : kFaults)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.fault << ", step " << StepName(c.step) << ", slot " << slot);
            Drive(slot, c.change);
            std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
            const StepOutcome out = RunStep(c.step, slot, Ctx());
            EXPECT_FALSE(out.passed);
            EXPECT_EQ(out.item, c.item);
            EXPECT_EQ(ErrorItemCode(out.item), c.code);
            EXPECT_EQ(out.detail, c.detail);
            // The next case starts from a healthy drive again.
            Drive(slot, [](sim::DriveModel& m) {
                const sim::DriveConfig healthy;
                m.cfg.channels = healthy.channels;
                m.cfg.ces = healthy.ces;
                m.cfg.badBlocks.clear();
                m.cfg.failingCes.clear();
                m.cfg.busStuckBits = 0;
                m.cfg.dramStatus = healthy.dramStatus;
                m.cfg.dramBytes = healthy.dramBytes;
                m.cfg.busyPolls = 0;
                m.flashIdAt.clear();
                m.flashTestRecords.clear();
                m.registers = sim::ControllerRegisters(healthy.straps);
            });
        }
}

}  // namespace
}  // namespace qx::test
