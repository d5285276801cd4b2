#include <gtest/gtest.h>

#include <array>
#include <string>

#include "qxlib/settings/serial_number.h"
#include "qxlib/base/settings_fixed_text.h"
#include "settings/flash_config_fixture.h"

namespace qx {
namespace {

using FlashConfigTest = test::FlashConfigFixture;

TEST_F(FlashConfigTest, ApplyCopiesThePartAndTheSettings) {
    FlashPartRecord part = Part(0x1849, 1);
    part.OptionA = 0x5A;
    part.OptionB = 0x77;
    part.ExtraBlocks = 100;
    part.FlashId = {0x98, 0xDE, 0x94, 0x82, 0x76};
    settings_.DrvCurrent = 3;
    settings_.FwBankSet = {7, 6, 5, 4, 3, 2, 1, 0};
    SataBusMode.store(1);
    EXPECT_EQ(ApplyGlobalParameter(config_, part, settings_), 3);
    EXPECT_EQ(settings_.DrvCurrent, 3);
    EXPECT_EQ(config_.ChannelCount, 8);
    EXPECT_EQ(config_.BankCount, 2);
    EXPECT_EQ(config_.CeCount, 2);
    EXPECT_EQ(config_.EccMode, 3);
    EXPECT_EQ(config_.Options[kOptPartA], 0x5A);
    EXPECT_EQ(config_.Options[kOptPartB], 0) << "the part's second option byte is not passed on";
    EXPECT_EQ(config_.ExtraBlocks, 0) << "only with EnExtendBlock";
    EXPECT_EQ(config_.FlashId, part.FlashId);
    EXPECT_EQ(config_.FlashGeometry.BankMap, settings_.FwBankSet);
    EXPECT_EQ(config_.Options[kOptPageOption], 1);
    EXPECT_EQ(config_.Options[kOptV50Pages], 1);
    EXPECT_EQ(config_.Options[kOptV50BinPages], 1);
    EXPECT_EQ(FixedTextView(config_.BlocksHeaderText), "LDBK BLOCKS V50");
    EXPECT_EQ(FixedTextView(config_.ConfigHeaderText), "LDBK CONFIG V50");
    EXPECT_EQ(FixedTextView(config_.ModelNum), "Quorlix QXF8XX SSD");
    EXPECT_EQ((std::array<std::uint8_t, 6>{13, 20, 34, 6, 15, 27}), config_.BchThresholds);
    EXPECT_EQ(config_.FwFlagsA, 0x01) << "EnTrimCmd is on by default";
    EXPECT_EQ(config_.FwFlagsB, 0x01) << "EnOneDram is forced on by the load";
    EXPECT_EQ(TransferMode.load(), 1);

    settings_.EnExtendBlock = 1;
    ApplyGlobalParameter(config_, part, settings_);
    EXPECT_EQ(config_.ExtraBlocks, 100);
}

TEST_F(FlashConfigTest, DirtyDepthIsClamped) {
    for (auto [given, expected] : {std::pair<int, int>{5, 10}, {50, 40}, {25, 25}}) {
        settings_.DirtyDepth = static_cast<std::uint16_t>(given);
        Apply(Part(0x1849, 1), 4, 2);
        EXPECT_EQ(config_.DirtyDepth, expected) << given;
    }
}

TEST_F(FlashConfigTest, TimingSetsFollowTheInterface) {
    config_.EnModifyTMCvalue = 0;
    Apply(Part(0x1849, 1), 4, 2);
    EXPECT_EQ(config_.SyncTiming, (std::array<std::uint8_t, 7>{0x00, 0x00, 0x22, 0x04, 0xFF, 0xFF, 0x1F}));
    EXPECT_EQ(config_.AsyncTiming, (std::array<std::uint8_t, 7>{0x90, 0x90, 0x22, 0x04, 0x9B, 0xF9, 0x54}));
    Apply(Part(0x1849, 0), 4, 2);
    EXPECT_EQ(config_.SyncTiming, (std::array<std::uint8_t, 7>{0x10, 0x10, 0x11, 0x00, 0x9B, 0xF9, 0x54}));

    config_.EnModifyTMCvalue = 1;
    config_.ToggleTMC = {1, 2, 3, 4, 5, 6, 7};
    config_.ONFITMC = {11, 12, 13, 14, 15, 16, 17};
    config_.AsynTMC = {21, 22, 23, 24, 25, 26, 27};
    Apply(Part(0x1849, 3), 4, 2);
    EXPECT_EQ(config_.SyncTiming, config_.ToggleTMC);
    EXPECT_EQ(config_.AsyncTiming, config_.AsynTMC);
    EXPECT_EQ(config_.FwFlagsB & 0x02, 0x02);
    EXPECT_EQ(FirmwareName().substr(4, 2), "TX");
    Apply(Part(0x1849, 2), 4, 2);
    EXPECT_EQ(config_.SyncTiming, config_.ONFITMC);
}

TEST_F(FlashConfigTest, PartNumberQuirks) {
    struct Case {
        std::uint16_t typeWord;
        const char* partNumber;
        std::uint8_t modeFlag;
        bool flag20;
    };
    const Case cases[] = {
        {0x1849, "K9GBG08U0A", 0, true},  {0x2849, "K9GBG08U0A", 0, false}, {0x1849, "K9GBG08U0AXYZ", 0, true},
        {0x1849, "K9GBG08", 0, false},    {0x1849, "QN0000", 1, true},      {0x3849, "H27UDG8VEA", 0, true},
        {0x3849, "QN0000", 1, true},      {0x3849, "K9GBG08U0A", 0, false},
    };
    for (const Case& c : cases) {
        FlashPartRecord part = Part(c.typeWord, 1, c.partNumber);
        part.FlashModeFlag = c.modeFlag;
        Apply(part, 4, 2);
        EXPECT_EQ((config_.FwFlagsA & 0x20) != 0, c.flag20) << c.partNumber << " class " << (c.typeWord >> 12);
    }

    settings_.Bch24EccErrorCopyThreshold = 9;
    Apply(Part(0x1849, 1, "K9HDG08U1A"), 4, 2);
    EXPECT_EQ(config_.BchThresholds[4], 15);
    Apply(Part(0x1849, 1, "K9XDG08U1A"), 4, 2);
    EXPECT_EQ(config_.BchThresholds[4], 9);

    settings_.RemapEnable = 7;
    FlashPartRecord onePlane = Part(0x1849, 1);
    onePlane.OnePlane = 0x100;  // only the low byte counts
    Apply(onePlane, 4, 2);
    EXPECT_EQ(config_.Options[kOptRemap], 1);
    EXPECT_EQ(config_.FwFlagsB & 0x04, 0);
}

TEST_F(FlashConfigTest, CodeBlockPageTables) {
    const std::array<std::uint16_t, kTablePageEntries> marker{99, 98, 97};
    struct Case {
        std::uint8_t lowPageSwitch;
        std::uint8_t lowPageType;
        bool active;
        std::array<std::uint16_t, 3> pageMapHead;
        std::uint16_t pageMapLast;  // entry 59, beyond the 48 on flash
        std::array<std::uint16_t, 4> tableHead;
    };
    const Case cases[] = {
        {0, 3, false, {0, 1, 2}, 59, {99, 98, 97, 0}},
        {1, 0, false, {0, 1, 2}, 59, {99, 98, 97, 0}},
        {1, 9, false, {0, 1, 2}, 59, {99, 98, 97, 0}},
        {1, 3, true, {28, 29, 32}, 145, {0, 1, 2, 3}},
        {1, 7, true, {30, 31, 34}, 147, {0, 1, 2, 3}},
        {1, 2, true, {31, 33, 35}, 149, {0, 1, 3, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "switch " << int{c.lowPageSwitch} << " type " << int{c.lowPageType});
        config_.TablePageList = marker;
        config_.EnCodeBlockLowPage = c.lowPageSwitch;
        FlashPartRecord part = Part(0x1849, 1);
        part.LowPageType = c.lowPageType;
        Apply(part, 4, 2);
        EXPECT_EQ(IsLowPageModeActive(config_), c.active);
        EXPECT_EQ(config_.PageMap[0], c.pageMapHead[0]);
        EXPECT_EQ(config_.PageMap[1], c.pageMapHead[1]);
        EXPECT_EQ(config_.PageMap[2], c.pageMapHead[2]);
        EXPECT_EQ(config_.PageMap[59], c.pageMapLast);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(config_.TablePageList[i], c.tableHead[i]) << i;
    }
    // The flash copies of the tables end where the text of the layout does.
    config_.EnCodeBlockLowPage = 1;
    FlashPartRecord set1 = Part(0x1849, 1);
    set1.LowPageType = 6;
    Apply(set1, 4, 2);
    EXPECT_EQ(config_.PageMap[kPageMapFlashEntries - 1], 121);
    EXPECT_EQ(config_.TablePageList[15], 25);
    set1.LowPageType = 1;
    Apply(set1, 4, 2);
    EXPECT_EQ(config_.PageMap[kPageMapFlashEntries - 1], 123);
    EXPECT_EQ(config_.TablePageList[15], 27);
}

TEST_F(FlashConfigTest, SerialNumberAndUidAreFittedToTheirLengths) {
    struct Case {
        const char* serial;
        std::uint8_t minLength;
        const char* expected;
    };
    const Case cases[] = {
        {"12345", 12, "000000012345"},
        {"ABCDEFGHIJKLMN", 12, "CDEFGHIJKLMN"},
        {"ABC", 0, ""},
        // The field holds 21 characters; a larger minimum stops there.
        {"7", 40, "000000000000000000007"},
        {"123456789012345678901", 255, "123456789012345678901"},
    };
    for (const Case& c : cases) {
        CopyFixedText(settings_.SerialNum, c.serial);
        settings_.SNMinLength = c.minLength;
        Apply(Part(0x1849, 1), 4, 2);
        EXPECT_EQ(FixedTextView(settings_.SerialNum), c.expected) << c.serial << " / " << int{c.minLength};
        EXPECT_EQ(settings_.SerialNum[sizeof settings_.SerialNum - 1], '\0');
    }
    CopyFixedText(settings_.UID, "12");
    Apply(Part(0x1849, 1), 4, 2);
    EXPECT_EQ(FixedTextView(settings_.UID), "000000012");
    CopyFixedText(settings_.UID, "ABCDEFGHIJK");
    Apply(Part(0x1849, 1), 4, 2);
    EXPECT_EQ(FixedTextView(settings_.UID), "CDEFGHIJK");
}

TEST(SerialNumber, Steppers) {
    struct Case {
        const char* before;
        const char* hex;
        const char* dec;
    };
    const Case cases[] = {
        {"00FF", "0100", "00F0"}, {"0009", "000A", "0010"}, {"FFFF", "0000", "FFF0"}, {"12g", "120", "120"},
        {"0999", "099A", "1000"}, {"9999", "999A", "0000"}, {"12a", "12B", "120"},   {"00fe", "00fF", "00f0"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        char hex[22] = {};
        char dec[22] = {};
        CopyFixedText(hex, c.before);
        CopyFixedText(dec, c.before);
        IncHexSerialNumber(hex);
        IncDecSerialNumber(dec);
        EXPECT_STREQ(hex, c.hex) << c.before;
        EXPECT_STREQ(dec, c.dec) << c.before;
    }
    char line[] = "0019\nrest";
    IncDecSerialNumber(line);
    EXPECT_STREQ(line, "0020\nrest") << "the text ends at a line feed";
    EXPECT_EQ(LineLength(line), 4);
}

}  // namespace
}  // namespace qx
