#include <gtest/gtest.h>

#include <cstring>

#include "programs/program_fixture.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"

namespace qx::test {
namespace {

class SystemInfoImage : public SlotFixture {
protected:
    // The running firmware's header page: its header, then this drive's
    // record and geometry as the download wrote them.
    Bytes Image(const FlashConfig& config, const char* model = "849") {
        Bytes page(kSystemImageBytes, 0x40);
        std::memcpy(&page[0x300], "QXSS", 4);
        std::memcpy(&page[0x306], "103001", 6);
        std::memcpy(&page[0x324], model, 4);
        std::memcpy(&page[0x329], "43", 2);
        page[0x30D] = 'S';
        std::memcpy(&page[0x330], "ABCD", 4);
        BinFileList bins{};
        bins.Placements[0] = {8, 20};
        EXPECT_TRUE(BuildSysBinHeader(kSlot, config, settings_, page));
        EXPECT_TRUE(BuildSysBinGeometry(kSlot, config, bins, false, page));
        return page;
    }
};

TEST_F(SystemInfoImage, ParsesBackTheConfigurationItWasBuiltFrom) {
    for (const FlashConfig& built : {ToggleConfig(), LowPageConfig()}) {
        Slot().CodeBlocks = {4, 5, 6, 7};
        Slot().LaterBadBlockFirst = 0x0321;
        Slot().LaterBadBlockOther = 0x0654;
        const Bytes image = Image(built);
        Reset();

        FlashConfig parsed{};
        SystemInfo info{};
        CopyCodeBlockNumbers(kSlot, image);
        ParseSystemInfo(kSlot, parsed, info, image);
        EXPECT_EQ(Slot().CodeBlocks, (std::array<std::uint16_t, 4>{4, 5, 6, 7}));
        EXPECT_EQ(Slot().LaterBadBlockFirst, 0x0321);
        EXPECT_EQ(Slot().LaterBadBlockOther, 0x0654);
        EXPECT_EQ(parsed.FlashTypeWord, built.FlashTypeWord);
        EXPECT_EQ(parsed.FlashInterface, built.FlashInterface);
        EXPECT_EQ(parsed.FlashModeFlag, built.FlashModeFlag);
        EXPECT_EQ(parsed.ChannelCount, built.ChannelCount);
        EXPECT_EQ(parsed.BankCount, built.BankCount);
        EXPECT_EQ(parsed.EccMode, built.EccMode);
        EXPECT_EQ(parsed.CeCount, built.CeCount);
        EXPECT_EQ(parsed.SizeCode, built.SizeCodeEx);   // the header record carries the extended code
        for (std::size_t i : {kOptScramble, kOptRemap, kOptPageOption, kOptNoDeviceSleep, kOptDllPhaseAdjust})
            EXPECT_EQ(parsed.Options[i], built.Options[i]) << i;
        EXPECT_EQ(parsed.BchThresholds[2], built.BchThresholds[2]);
        EXPECT_EQ(parsed.BchThresholds[5], built.BchThresholds[5]);
        EXPECT_EQ(parsed.WearLevelFrequency, built.WearLevelFrequency);
        EXPECT_EQ(parsed.SecurityCounter, built.SecurityCounter);
        EXPECT_EQ(parsed.FlashGeometry.BankMap, built.FlashGeometry.BankMap);
        EXPECT_EQ(parsed.AsyncTiming, built.AsyncTiming);
        EXPECT_EQ(parsed.AsynTMC, built.AsyncTiming);
        EXPECT_EQ(parsed.FwFlagsA, built.FwFlagsA);
        EXPECT_EQ(parsed.SyncTiming, built.SyncTiming);
        // Toggle interfaces keep their sync timing as the toggle values, the others as ONFI.
        EXPECT_EQ(built.FlashInterface == 1 ? parsed.ToggleTMC : parsed.ONFITMC, built.SyncTiming);
        EXPECT_EQ(parsed.ExtraBlocks, built.ExtraBlocks);
        EXPECT_EQ(parsed.DieOffset, built.DieOffset);
        EXPECT_EQ(parsed.DriverSetting, built.DriverSetting);
        EXPECT_EQ(parsed.RovidaSSD, built.RovidaSSD);
        EXPECT_STREQ(info.HeaderFwVersion, "103001");
        EXPECT_STREQ(info.HeaderModel, "849");
        EXPECT_STREQ(info.HeaderVariant, "43");
        EXPECT_STREQ(info.HeaderInfoText, "ABCD");
        EXPECT_EQ(Slice(Bytes(info.SystemHeaderCopy.begin(), info.SystemHeaderCopy.end()), 0, 64),
                  Slice(image, 0x300, 64));
    }
}

TEST_F(SystemInfoImage, OptionBitsOfAnEarlierDriveDoNotStay) {
    FlashConfig plain = ToggleConfig();
    plain.Options = {};
    plain.FlashModeFlag = 0;
    const Bytes image = Image(plain);
    FlashConfig config = ToggleConfig();   // an earlier drive had them all
    config.FlashModeFlag = 1;
    for (std::size_t i : {kOptScramble, kOptRemap, kOptPageOption, kOptNoDeviceSleep, kOptDllPhaseAdjust})
        config.Options[i] = 1;
    SystemInfo info{};
    ParseSystemInfo(kSlot, config, info, image);
    EXPECT_EQ(config.FlashModeFlag, 0);
    for (std::size_t i : {kOptScramble, kOptRemap, kOptPageOption, kOptNoDeviceSleep, kOptDllPhaseAdjust})
        EXPECT_EQ(config.Options[i], 0) << i;
}

TEST_F(SystemInfoImage, ModelChoosesTheLayoutGeneration) {
    struct Case {
        const char* model;
        const char* blocks;
        std::uint8_t pagesOption;
    };
    for (const Case& c : {Case{"840", "LDBK BLOCKS V40", 0}, Case{"844", "LDBK BLOCKS V40", 0},
                          Case{"818", "LDBK BLOCKS V50", 1}, Case{"999", "untouched", 7}}) {
        FlashConfig config = ToggleConfig();
        CopyFixedText(config.BlocksHeaderText, "untouched");
        config.Options[kOptV50Pages] = config.Options[kOptV50BinPages] = 7;
        SystemInfo info{};
        ParseSystemInfo(kSlot, config, info, Image(ToggleConfig(), c.model));
        EXPECT_STREQ(config.BlocksHeaderText, c.blocks) << c.model;
        EXPECT_EQ(config.Options[kOptV50Pages], c.pagesOption) << c.model;
        EXPECT_EQ(config.Options[kOptV50BinPages], c.pagesOption) << c.model;
    }
}

TEST_F(SystemInfoImage, AV40DriveGetsItsHeaderButTheV50ConfigText) {
    FlashConfig config = ToggleConfig();
    SystemInfo info{};
    ParseSystemInfo(kSlot, config, info, Image(ToggleConfig(), "840"));
    EXPECT_STREQ(config.ConfigHeaderText, "LDBK CONFIG V40");
    BinFileList bins{};
    Bytes page(InfoPageSetBytes(config), 0);
    ASSERT_TRUE(BuildInfoPage(kSlot, config, bins, page, 1));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&page[0])), "LDBK BLOCKS V40");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&page[0x200])), "LDBK CONFIG V50");
}

}  // namespace
}  // namespace qx::test
