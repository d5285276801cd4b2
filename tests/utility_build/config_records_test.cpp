// The utility has no digital DLL phase settings: its option byte never
// carries bit 0x80, its parameter block leaves the phase byte 0, and the
// system information leaves the adjust flag alone.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"

namespace qx::test {
namespace {

FlashConfig EveryOptionOn() {
    FlashConfig c{};
    for (std::size_t i = 8; i < 16; ++i) c.Options[i] = 1;
    c.DLLPhase = 0x5A;
    return c;
}

TEST(UtilityConfigRecords, OptionFlagsStopBelowTheDllBit) {
    EXPECT_EQ(PackFwOptionFlags(EveryOptionOn()), 0x7F);
    FlashConfig c{};
    c.Options[kOptDllPhaseAdjust] = 1;
    EXPECT_EQ(PackFwOptionFlags(c), 0x00);
}

TEST(UtilityConfigRecords, ParameterBlockLeavesThePhaseByteZero) {
    const FlashConfig c = EveryOptionOn();
    GlobalParameter settings{};
    std::array<std::uint8_t, kGdpParamBlockSize> block;
    block.fill(0xEE);
    BuildGdpParamBlock(-1, c, settings, GdpParamBlock{block});
    EXPECT_EQ(block[10], 0x7F);
    EXPECT_EQ(block[27], 0x00);
    EXPECT_EQ(block[28], 0x00) << "the block is zero-filled first";
}

TEST(UtilityConfigRecords, SystemInformationTakesNoDllFlag) {
    std::vector<std::uint8_t> image(kSystemImageBytes, 0);
    image[kSysBinRecordAt + 10] = 0xE0;   // page option, no device sleep, DLL adjust
    FlashConfig c{};
    SystemInfo info{};
    ParseSystemInfo(-1, c, info, image);
    EXPECT_EQ(c.Options[kOptPageOption], 1);
    EXPECT_EQ(c.Options[kOptNoDeviceSleep], 1);
    EXPECT_EQ(c.Options[kOptDllPhaseAdjust], 0);
}

}  // namespace
}  // namespace qx::test
