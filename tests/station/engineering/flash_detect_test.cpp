#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "qxlib/settings/global_parameter.h"
#include "station/engineering/flash_auto_detect.h"
#include "station/flash_part_list.h"
#include "support/temp_dir.h"

namespace qx::station {
namespace {

TEST(FlashDetect, OnlyTheFourFlashKeysOfTheFileChange) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    const std::string before =
        "[Setting]\r\nMPVersion=1\r\n[FlashSetting]\r\nFlashUniName=OLD\r\nChannel=1\r\nKeep=me\r\n"
        "[FwSetting]\r\nBank=9\r\n";
    std::ofstream(folder + "QXMPTOOL.ini", std::ios::binary) << before;
    GlobalParameter s{};
    std::strcpy(s.FlashUniName, "KT128A");
    s.Channel = 4;
    s.Bank = 2;
    s.DrvCurrent = 3;
    ASSERT_TRUE(SaveFlashSettingToIni(folder, "QXMPTOOL.ini", s));
    std::ifstream in(folder + "QXMPTOOL.ini", std::ios::binary);
    const std::string after{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(after,
              "[Setting]\r\nMPVersion=1\r\n[FlashSetting]\r\nFlashUniName=KT128A\r\nChannel=4\r\nKeep=me\r\n"
              "Bank=2\r\nDrvCurrent=3\r\n[FwSetting]\r\nBank=9\r\n");
}

TEST(FlashDetect, CandidatesInTableOrderWithTheirVendors) {
    FlashPartList list;
    list.FlashVendorNames = {"A", "B", "C", "D"};
    list.FlashVendorStart = {0, 2, 2, 3, 5};
    list.FlashPartTable.resize(5);
    const std::array<std::uint8_t, 5> id{1, 2, 3, 4, 5};
    for (int i : {1, 3, 4}) list.FlashPartTable[static_cast<std::size_t>(i)].FlashId = id;
    const FlashCandidates found = FindFlashCandidates(list, id);
    ASSERT_EQ(found.Count, 3);
    EXPECT_EQ((std::array<int, 3>{found.Vendor[0], found.Vendor[1], found.Vendor[2]}), (std::array<int, 3>{0, 3, 3}));
    EXPECT_EQ((std::array<int, 3>{found.Code[0], found.Code[1], found.Code[2]}), (std::array<int, 3>{1, 0, 1}));
}

TEST(FlashDetect, AtMostFiftyCandidates) {
    FlashPartList list;
    list.FlashVendorNames = {"A"};
    list.FlashVendorStart = {0, 60};
    list.FlashPartTable.resize(60);
    const FlashCandidates found = FindFlashCandidates(list, list.FlashPartTable[0].FlashId);
    EXPECT_EQ(found.Count, 50);
    EXPECT_EQ(found.Code[49], 49);
}

TEST(FlashDetect, ReportApplied) {
    FlashDetectResult r;
    r.Bytes = {0x98, 0xDE, 0x94, 0x93, 0x76, 0, 0, 4, 2, 2, 7, 6, 5, 4, 3, 2, 1, 0};
    GlobalParameter s{};
    ApplyFlashReport(r, false, s);
    EXPECT_EQ(s.Channel, 4);
    EXPECT_EQ(s.Bank, 2);
    EXPECT_EQ(s.DrvCurrent, 3);
    EXPECT_EQ(s.FwBankSet, (std::array<std::uint8_t, 8>{}));
    ApplyFlashReport(r, true, s);
    EXPECT_EQ(s.FwBankSet, (std::array<std::uint8_t, 8>{7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(FlashIdMessage(r),
              "Flash's CE:2\nFlash's Maker Code:98\nFlash's Device Code:DE\nFlash's 3rd Code:94\nFlash's 4th "
              "Code:93\nFlash's 5th Code:76\nSSD's total channel:4\nSSD's total bank:2\n");
}

}  // namespace
}  // namespace qx::station
