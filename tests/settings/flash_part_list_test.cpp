#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_name_code.h"
#include "settings/file_bytes.h"
#include "settings/flash_config_fixture.h"
#include "station/flash_part_line.h"
#include "station/flash_part_list.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

const char kPart[] = "P1 PN1 0x1849 2 3 0x98 0xDE 0x94 0x82 0x76 0x000000 0 0 0 0 1 0";

std::string PartLine(const std::string& name) {
    return name + " PN 0x1849 2 3 1 2 3 4 5 0 0 0 0 0 1 0";
}

FlashPartList SampleList() {
    FlashPartList list;
    EXPECT_TRUE(LoadFlashPartList(QX_SOURCE_DIR "/data", "Flash.ini", list));
    return list;
}

bool SameTables(const FlashPartList& a, const FlashPartList& b) {
    if (a.FlashVendorNames != b.FlashVendorNames || a.FlashVendorStart != b.FlashVendorStart ||
        a.PartCount() != b.PartCount()) {
        return false;
    }
    for (int i = 0; i < a.PartCount(); ++i) {
        if (std::memcmp(&a.FlashPartTable[i], &b.FlashPartTable[i], sizeof(FlashPartRecord)) != 0) return false;
    }
    return true;
}

TEST(FlashPartList, SampleFileLoads) {
    FlashPartList list;
    ASSERT_TRUE(LoadFlashPartList(QX_BIN_DIR, "Flash.ini", list)) << "the copy beside the programs";
    EXPECT_EQ(list.VendorCount(), 4);
    EXPECT_EQ(list.PartCount(), 10);
    EXPECT_EQ(list.FlashVendorStart, (std::vector<int>{0, 4, 7, 9, 10}));
    for (const FlashPartRecord& part : list.FlashPartTable) {
        EXPECT_LE(std::strlen(part.PartName), 9u) << part.PartName << " must fit FlashUniName";
    }
    const FlashPartRecord& wbg = list.FlashPartTable[0];
    EXPECT_STREQ(wbg.PartName, "WBG");
    EXPECT_STREQ(wbg.PartNumber, "NV16G08A1M");
    EXPECT_EQ(wbg.FlashTypeWord, 0x1811u);
    EXPECT_EQ(wbg.FlashId, (std::array<std::uint8_t, 5>{0x98, 0xDE, 0x94, 0x93, 0x76}));
    const FlashPartRecord& halfPages = list.FlashPartTable[5];
    EXPECT_STREQ(halfPages.PartName, "KT64H");
    EXPECT_EQ(halfPages.HalfPages, 1);
}

class SampleFlashPart : public test::FlashConfigFixture {};

// The default part is the geometry the simulated drives carry: 4 channels of
// 2 chips with 2048 blocks of 256 pages of 4 KB.
TEST_F(SampleFlashPart, DefaultPartMatchesTheSimulatedDrives) {
    const FlashPartList list = SampleList();
    Apply(list.FlashPartTable[0], 4, 2);
    EXPECT_EQ(config_.FlashGeometry.BlocksPerCe, 2048);
    EXPECT_EQ(config_.FlashGeometry.PagesPerBlock, 256);
    EXPECT_EQ(config_.FlashGeometry.SectorsPerPage, 8);
    EXPECT_EQ(config_.RawCapacityGB, 16);
    EXPECT_EQ(FirmwareName(), "SYS_TSCF.bin");
}

TEST(FlashPartList, BrokenFilesLeaveThePreviousTables) {
    std::string tooManyParts = "[Vendor]\nName00=V\n[V]\n";
    for (int i = 0; i < 501; ++i) tooManyParts += "Name" + std::to_string(1000 + i).substr(1) + "=" + kPart + "\n";
    std::string tooManyVendors = "[Vendor]\n";
    for (int i = 0; i < 50; ++i) tooManyVendors += "Name" + std::to_string(100 + i).substr(1) + "=V" + std::to_string(i) + "\n";

    const std::pair<const char*, std::string> cases[] = {
        {"comma between tokens", "[Vendor]\nName00=V\n[V]\nName000=P1,PN1 0x1849 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"},
        {"bad number", "[Vendor]\nName00=V\n[V]\nName000=P1 PN1 1F 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"},
        {"hex prefix alone", "[Vendor]\nName00=V\n[V]\nName000=P1 PN1 0x 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"},
        {"nine hex digits", "[Vendor]\nName00=V\n[V]\nName000=P1 PN1 0x100000000 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"},
        {"decimal too large", "[Vendor]\nName00=V\n[V]\nName000=P1 PN1 2147483648 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"},
        {"sixteen tokens", "[Vendor]\nName00=V\n[V]\nName000=P1 PN1 0x1849 2 3 1 2 3 4 5 0 0 0 0 0 1\n"},
        {"bad line after good ones", std::string("[Vendor]\nName00=V\nName01=W\n[V]\nName000=") + kPart +
                                         "\n[W]\nName000=" + kPart + "\nName001=P2 PN2 -1\n"},
        {"part name of 32", "[Vendor]\nName00=V\n[V]\nName000=" + PartLine(std::string(32, 'n')) + "\n"},
        {"vendor name of 20", "[Vendor]\nName00=" + std::string(20, 'v') + "\n"},
        {"no vendor", "[Vendor]\nName01=V\n"},
        {"too many parts", tooManyParts},
        {"too many vendors", tooManyVendors},
    };
    const FlashPartList sample = SampleList();
    for (const auto& [what, text] : cases) {
        FlashPartList list = sample;
        EXPECT_FALSE(ParseFlashPartList(text, list)) << what;
        EXPECT_TRUE(SameTables(list, sample)) << what;
    }

    test::TempDir dir;
    FlashPartList list = sample;
    EXPECT_FALSE(LoadFlashPartList(dir.path(), "Flash.ini", list)) << "missing file";
    EXPECT_TRUE(SameTables(list, sample));
}

TEST(FlashPartList, LimitsThemselvesAreAccepted) {
    std::string text = "[Vendor]\n";
    for (int i = 0; i < 49; ++i) text += "Name" + std::to_string(100 + i).substr(1) + "=V" + std::to_string(i) + "\n";
    text += "[V0]\n";
    for (int i = 0; i < 500; ++i) text += "Name" + std::to_string(1000 + i).substr(1) + "=" + kPart + "\n";
    text += "[V1]\nName000=" + PartLine(std::string(31, 'n')) + "\n";
    FlashPartList list;
    EXPECT_FALSE(ParseFlashPartList(text, list)) << "501 parts over two vendors";
    text.erase(text.rfind("[V1]"));
    ASSERT_TRUE(ParseFlashPartList(text, list));
    EXPECT_EQ(list.VendorCount(), 49);
    EXPECT_EQ(list.PartCount(), 500);
    EXPECT_EQ(list.FlashVendorStart.back(), 500);
    EXPECT_TRUE(ParseFlashPartList("[Vendor]\nName00=" + std::string(19, 'v') + "\n[" + std::string(19, 'v') +
                                       "]\nName000=" + PartLine(std::string(31, 'n')) + "\n",
                                   list));
    EXPECT_EQ(std::strlen(list.FlashPartTable[0].PartName), 31u);
}

TEST(FlashPartList, ListEndsAndEmptyVendors) {
    FlashPartList list;
    ASSERT_TRUE(ParseFlashPartList(std::string("[Vendor]\r\nName00=Alpha\r\nName02=Gamma\r\n[alpha]\r\nname000=") +
                                       kPart + "\r\nName001=No\r\nName002=" + kPart + "\r\n",
                                   list));
    EXPECT_EQ(list.FlashVendorNames, (std::vector<std::string>{"Alpha"}));
    EXPECT_EQ(list.PartCount(), 1);

    ASSERT_TRUE(ParseFlashPartList(std::string("[Vendor]\nName00=Empty\nName01=no\nName02=NO\nName03=No\n"
                                                "Name04=Late\n[no]\nName000=") +
                                       kPart + "\nName001=" + kPart + "\n",
                                   list));
    EXPECT_EQ(list.FlashVendorNames, (std::vector<std::string>{"Empty", "no", "NO"}));
    EXPECT_EQ(list.FlashVendorStart, (std::vector<int>{0, 0, 2, 4})) << "sections compare without case";
}

TEST(FlashPartLine, Tokens) {
    std::uint32_t a = 0, b = 0, c = 0, v = 0;
    EXPECT_TRUE(ParseFlashPartInteger("0x1F", a));
    EXPECT_TRUE(ParseFlashPartInteger("X1F", b));
    EXPECT_TRUE(ParseFlashPartInteger("31", c));
    EXPECT_EQ(a, 31u);
    EXPECT_EQ(b, 31u);
    EXPECT_EQ(c, 31u);
    EXPECT_TRUE(ParseFlashPartInteger("0xFFFFFFFF", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(ParseFlashPartInteger("2147483647", v));
    for (const char* bad : {"1F", "x", "0x", "0xG1", "12a", ""}) EXPECT_FALSE(ParseFlashPartInteger(bad, v)) << bad;

    std::string token = "keep";
    std::size_t consumed = 0;
    EXPECT_FALSE(GetNextToken(" \t,abc", token, consumed));
    EXPECT_EQ(token, "keep");
    EXPECT_TRUE(GetNextToken(" \tab1,c", token, consumed));
    EXPECT_EQ(token, "ab1");
    EXPECT_EQ(consumed, 5u);

    FlashPartRecord record{};
    EXPECT_TRUE(ParseFlashPartLine("P1\tPN1\t0x21849 0x102 0x1FF 0x98 0xDE 0x94 0x82 0x176 0x01A55A 0x105 3 "
                                   "0x10400 8 0x1FF 0x101 trailing, text - ignored",
                                   record));
    EXPECT_STREQ(record.PartName, "P1");
    EXPECT_EQ(record.FlashTypeWord, 0x21849u);
    EXPECT_EQ(record.CeCount, 0x102u);
    EXPECT_EQ(record.EccMode, 0x1FF);
    EXPECT_EQ(record.FlashId[4], 0x76) << "the fifth ID byte keeps its low byte";
    EXPECT_EQ(record.OptionA, 0x5A);
    EXPECT_EQ(record.OptionB, 0xA5);
    EXPECT_EQ(record.HalfPages, 0x01);
    EXPECT_EQ(record.FlashModeFlag, 0x105);
    EXPECT_EQ(record.ExtraBlocks, 3);
    EXPECT_EQ(record.DieOffset, 0x0400);
    EXPECT_EQ(record.LowPageType, 8);
    EXPECT_EQ(record.FlashInterface, 0xFF);
    EXPECT_EQ(record.OnePlane, 0x101u);
}

}  // namespace
}  // namespace qx
