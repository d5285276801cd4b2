// The SSD Info page's texts from a drive's configuration and firmware header.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "utility/pages/ssd_info_page.h"

namespace qx::test {
namespace {

using utility::FirmwareHeaderText;
using Bytes = std::vector<std::uint8_t>;

FlashConfig Toshiba() {
    FlashConfig c{};
    std::strcpy(c.PartNumber, "TH58TEG8D2HBA8C");
    c.FlashTypeWord = 0x2813;   // maker 2 (Toshiba), MLC
    c.ChannelCount = 4;
    c.BankCount = 2;
    c.CeCount = 8;
    c.EccMode = 2;
    c.DrvCurrent = 3;
    c.DefPercentage = 25;
    c.ResPercentage = 70;
    c.BchThresholds = {10, 18, 30, 12, 20, 33};
    c.WearLevelFrequency = 7;
    c.FlashGeometry.BankMap = {0, 1, 2, 3, 4, 5, 6, 7};
    c.FlashGeometry.BlocksPerCe = 4096;
    c.FlashGeometry.PagesPerBlock = 256;
    c.FlashGeometry.SectorsPerPage = 32;
    c.FlashGeometry.DiesPerCe = 2;
    c.Options[kOptScramble] = 1;
    c.FwFlagsA = 0x41;
    c.SyncTiming = {1, 2, 3, 4, 5, 6, 255};
    c.AsyncTiming = {16, 0, 0, 0, 0, 0, 1};
    c.DriverSetting = 9;
    return c;
}

SystemInfo Header(const char* model) {
    SystemInfo info{};
    std::memcpy(&info.SystemHeaderCopy[0], "QXSS", 4);
    std::memcpy(&info.SystemHeaderCopy[36], model, 3);
    return info;
}

TEST(SsdInfoPage, ShowsTheConfiguration) {
    const utility::SsdInfoTexts t = utility::ShowSSDInfo(Toshiba(), Header("849"), 122104);
    EXPECT_EQ(t.FlashmodelEdit, "Flash model : TH58TEG8D2HBA8C (Toshiba)\r\n");
    EXPECT_EQ(t.ChannelEdit, "Channel number : 4      Total bank : 2");
    EXPECT_EQ(t.CapacityEdit, "Capacity : 119.2 GBytes     ECC mode : BCH 24\r\n");
    EXPECT_EQ(t.DriverEdit, "IO drive current : 8 mA\r\n");
    EXPECT_EQ(t.ResPerEdit, "Defect block percentage :  2.5%, Reserved block percentage :  7.0%\r\n");
    EXPECT_EQ(t.EccReadEdit, "ECC read error threshold : 18 bit(s)\r\n");
    EXPECT_EQ(t.EccCopyEdit, "ECC error copy threshold : 20 bit(s)\r\n");
    EXPECT_EQ(t.WearLevelingEdit, "Wearleveling frequency : 7\r\n");
    EXPECT_EQ(t.BankMapEdit, "Bank map : 00 01 ");
    EXPECT_EQ(t.FwEdit, "F/W version : QXSS,849");
    EXPECT_EQ(t.SupportEdit1, "Support : (V)Scramble\r\n");
    EXPECT_EQ(t.SupportEdit2, "               (X)Remap  (V)Trim  (X)NoDeviceSleep  ");
    EXPECT_EQ(t.FlashInfoEdit, "                  Flash Info (0x2813)\n");
    EXPECT_EQ(t.FlashTypeEdit, "Flash type : MLC\n");
    // One CE: 4 x 256 x 16 = 16384 MiB; eight of them.
    EXPECT_EQ(t.BlockCeEdit, "Blocks/CE = 4096(16G)      Blocks/Flash = 32768(128G)\n");
    EXPECT_EQ(t.PageBlockEdit, "Pages/Block = 256         Bytes/Page = 16384\n");
    EXPECT_EQ(t.CeEdit, "# of CE : 8       # of Die : 2 \n");
    const std::vector<std::string> memo = {
        "TMC0 = 1 (0x1)",      "TMC1 = 2 (0x2)",      "TMC2 = 3 (0x3)",      "TMC3 = 4 (0x4)",
        "TMC4 = 5 (0x5)",      "TMC5 = 6 (0x6)",      "TMC6 = 255 (0xFF)",   "AsynTMC0 = 16 (0x10)",
        "AsynTMC1 = 0 (0x0)",  "AsynTMC2 = 0 (0x0)",  "AsynTMC3 = 0 (0x0)",  "AsynTMC4 = 0 (0x0)",
        "AsynTMC5 = 0 (0x0)",  "AsynTMC6 = 1 (0x1)",  "DriverSetting = 9",
    };
    EXPECT_EQ(t.SSDInfoMemo, memo);
}

TEST(SsdInfoPage, SmallFlashShowsFractionalGigabytes) {
    FlashConfig c = Toshiba();
    c.FlashGeometry.BlocksPerCe = 1024;
    c.FlashGeometry.PagesPerBlock = 64;
    c.FlashGeometry.SectorsPerPage = 4;
    c.CeCount = 1;
    EXPECT_EQ(utility::ShowSSDInfo(c, Header("849"), 0).BlockCeEdit,
              "Blocks/CE = 1024(0.1G)    Blocks/Flash = 1024(0.1G)\n");
}

TEST(SsdInfoPage, LbaItemOnlyForModel818) {
    FlashConfig c = Toshiba();
    EXPECT_EQ(utility::ShowSSDInfo(c, Header("818"), 0).SupportEdit2,
              "               (X)Remap  (V)Trim  (X)NoDeviceSleep  (V)LBA48 ");
    c.FwFlagsA = 0;
    c.Options[kOptRemap] = 1;
    c.Options[kOptNoDeviceSleep] = 1;
    EXPECT_EQ(utility::ShowSSDInfo(c, Header("818"), 0).SupportEdit2,
              "               (V)Remap  (X)Trim  (V)NoDeviceSleep  (X)LBA48 ");
}

TEST(SsdInfoPage, ThresholdsAndNamesByMode) {
    struct Case {
        std::uint8_t ecc, current;
        const char *read, *capacity, *driver;
    };
    const Case cases[] = {
        {0, 0, "ECC read error threshold : 30 bit(s)\r\n", "Capacity :  0.0 GBytes     ECC mode : BCH 8\r\n",
         "IO drive current : 2 mA\r\n"},
        {1, 7, "ECC read error threshold : 10 bit(s)\r\n", "Capacity :  0.0 GBytes     ECC mode : BCH 16\r\n",
         "IO drive current : 16 mA\r\n"},
        {3, 8, "ECC read error threshold : 30 bit(s)\r\n", "Capacity :  0.0 GBytes     ECC mode : BCH 40\r\n",
         "IO drive current : ?\r\n"},
        // Past the table: a question mark, never another row's text.
        {4, 200, "ECC read error threshold : 30 bit(s)\r\n", "Capacity :  0.0 GBytes     ECC mode : ?\r\n",
         "IO drive current : ?\r\n"},
        {12, 255, "ECC read error threshold : 30 bit(s)\r\n", "Capacity :  0.0 GBytes     ECC mode : ?\r\n",
         "IO drive current : ?\r\n"},
    };
    for (const Case& k : cases) {
        FlashConfig c = Toshiba();
        c.EccMode = k.ecc;
        c.DrvCurrent = k.current;
        const utility::SsdInfoTexts t = utility::ShowSSDInfo(c, Header("849"), 0);
        EXPECT_EQ(t.EccReadEdit, k.read) << int{k.ecc};
        EXPECT_EQ(t.CapacityEdit, k.capacity) << int{k.ecc};
        EXPECT_EQ(t.DriverEdit, k.driver) << int{k.current};
    }
}

TEST(SsdInfoPage, NoBanksShowsTheLabelAlone) {
    FlashConfig c = Toshiba();
    c.BankCount = 0;
    EXPECT_EQ(utility::ShowSSDInfo(c, Header("849"), 0).BankMapEdit, "Bank map : ");
}

TEST(SsdInfoPage, PartNumberFillingItsFieldStopsAtIt) {
    FlashConfig c = Toshiba();
    std::memset(c.PartNumber, 'A', sizeof c.PartNumber);   // no NUL inside
    EXPECT_EQ(utility::ShowSSDInfo(c, Header("849"), 0).FlashmodelEdit,
              "Flash model : " + std::string(32, 'A') + " (Toshiba)\r\n");
}

TEST(FirmwareHeaderText, CommasStandForNulRuns) {
    struct Case {
        Bytes header;
        const char* text;
    };
    const Case cases[] = {
        {{'Q', 'X', 'S', 'S', 0, 0, 0, '8', '4', '9'}, "F/W version : QXSS,849"},
        {{'Q', 'X', 0, 'A', 0, 0, 'B'}, "F/W version : QX,A,B"},
        {{0, 'A', 'B'}, "F/W version : ,AB"},
        {{'A', 'B', 0, 0}, "F/W version : AB"},
        {{0, 0}, "F/W version : "},
    };
    for (const Case& c : cases) EXPECT_EQ(FirmwareHeaderText(c.header), c.text);
}

}  // namespace
}  // namespace qx::test
