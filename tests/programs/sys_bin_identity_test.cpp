#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "programs/program_fixture.h"
#include "qxlib/programs/sys_bin_header.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

class SysBinIdentity : public SlotFixture {
protected:
    Bytes Build(const FlashConfig& config, std::string_view serial, std::string_view wwn) {
        Bytes page(4096, 0x40);
        EXPECT_TRUE(BuildSysBinIdentity(kSlot, config, settings_, page, serial, wwn));
        return page;
    }
    static std::string Text(const Bytes& page, std::size_t at, std::size_t n) {
        return {reinterpret_cast<const char*>(page.data()) + at, n};
    }
    static Bytes Word(const Bytes& page, int w) { return Slice(page, 0x4C + 2 * static_cast<std::size_t>(w), 2); }
};

TEST_F(SysBinIdentity, StringsAreAtaStringsInTheirWords) {
    const Bytes page = Build(ToggleConfig(), "AB12", "123456789");
    EXPECT_EQ(Text(page, 0x60, 20), "BA21                ");
    EXPECT_EQ(Text(page, 0x7A, 8), "WF.120  ");
    EXPECT_EQ(Text(page, 0x82, 40), "uQroil xXQS DS2 65BG                    ");
    // OUI 00AB12 over the 36-bit identifier 123456789 (NAA 5).
    EXPECT_EQ(HexText(Slice(page, 0x124, 8)), HexText(Hex("0A 50 21 B1 45 23 89 67")));
}

TEST_F(SysBinIdentity, TextsAreReadOnlyWithinTheirLength) {
    FlashConfig config = ToggleConfig();
    CopyFixedText(config.OUI, "AB");   // two digits: the rest count as 0
    Bytes page = Build(config, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "12G456789");
    EXPECT_EQ(Text(page, 0x60, 20), "BADCFEHGJILKNMPORQTS");
    EXPECT_EQ(page[0x74], 0x40);   // word 20 keeps the template's bytes
    // "G" is no hexadecimal digit: masked to its low nibble, 7.
    EXPECT_EQ(HexText(Slice(page, 0x124, 8)), HexText(Hex("B0 5A 01 00 45 27 89 67")));

    page = Build(config, "", "12G4");   // not 9 characters: 16 digits, missing ones 0
    EXPECT_EQ(Text(page, 0x60, 20), std::string(20, ' '));
    EXPECT_EQ(HexText(Slice(page, 0x124, 8)), HexText(Hex("74 12 00 00 00 00 00 00")));
    page = Build(config, "", "0123456789ABCDEF");
    EXPECT_EQ(HexText(Slice(page, 0x124, 8)), HexText(Hex("23 01 67 45 AB 89 EF CD")));
}

TEST_F(SysBinIdentity, OverridesWinOverStringsAndLoseToUdmaAndSpeed) {
    FlashConfig config = ToggleConfig();
    CopyFixedText(config.IdentifyOverrides[49], "Z0041");
    CopyFixedText(config.IdentifyOverrides[10], "Z4142");   // the serial's first word
    CopyFixedText(config.IdentifyOverrides[50], "X1234");
    CopyFixedText(config.IdentifyOverrides[76], "ZFFFF");
    CopyFixedText(config.IdentifyOverrides[93], "Z1111");
    CopyFixedText(config.IdentifyOverrides[80], "Z12");     // digits past the entry's text are 0
    config.IDE_UDMA5 = 1;
    Slot().SataSpeedBits = 0x3E;
    settings_.LimitSATASpeed = 1;
    const Bytes page = Build(config, "AB12", "123456789");
    EXPECT_EQ(Word(page, 49), Hex("41 00"));
    EXPECT_EQ(Word(page, 10), Hex("42 41"));
    EXPECT_EQ(Word(page, 50), Hex("40 40"));
    EXPECT_EQ(Word(page, 76), Hex("32 FF"));   // high bits of the drive's speeds, Gen1 only
    EXPECT_EQ(Word(page, 93), Hex("11 20"));
    EXPECT_EQ(Word(page, 80), Hex("00 12"));
}

TEST_F(SysBinIdentity, SataSpeedBitsAndTheirLimit) {
    struct Case {
        std::uint8_t bits, limit, word76;
    };
    for (const Case& c : {Case{0x0E, 0, 0x0E}, Case{0x0E, 1, 0x02}, Case{0x0E, 2, 0x06}, Case{0x0E, 3, 0x0E},
                          Case{0x0E, 9, 0xFE}}) {
        Slot().SataSpeedBits = c.bits;
        settings_.LimitSATASpeed = c.limit;
        EXPECT_EQ(Build(ToggleConfig(), "", "")[0xE4], c.word76) << int{c.limit};
    }
    EXPECT_EQ(Build(ToggleConfig(), "", "")[0x107], 0x40);   // no UDMA5: the template's byte
}

// An IDENTIFY decoder of its own reads back what was written.
std::string Hdparm() {
    for (const char* p : {"/usr/sbin/hdparm", "/sbin/hdparm", "/usr/bin/hdparm"})
        if (std::filesystem::exists(p)) return p;
    return {};
}

TEST_F(SysBinIdentity, DecodesWithHdparm) {
    const std::string hdparm = Hdparm();
    if (hdparm.empty()) GTEST_SKIP() << "hdparm is not installed";
    // The header page of the system firmware the build generates: its
    // IDENTIFY template says what hdparm needs to show the world wide name.
    Bytes page(4096, 0);
    std::ifstream firmware(std::string(QX_BIN_DIR) + "/SYS_S.bin", std::ios::binary);
    ASSERT_TRUE(firmware.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size())));
    ASSERT_TRUE(BuildSysBinIdentity(kSlot, ToggleConfig(), settings_, page, "QX0123456789", "123456789"));

    TempDir dir;
    {
        std::ofstream words(dir.file("identify.txt"));
        for (int w = 0; w < 256; ++w) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02x%02x ", page[0x4D + 2 * w], page[0x4C + 2 * w]);
            words << hex;
        }
        words << "\n";
    }
    const std::string command = hdparm + " --Istdin < " + dir.file("identify.txt") + " 2>&1";
    std::FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string report;
    char line[256];
    while (std::fgets(line, sizeof line, out)) report += line;
    ::pclose(out);

    EXPECT_NE(report.find("Model Number:       Quorlix QX SSD 256GB"), std::string::npos) << report;
    EXPECT_NE(report.find("Serial Number:      QX0123456789"), std::string::npos) << report;
    EXPECT_NE(report.find("Firmware Revision:  FW1.02"), std::string::npos) << report;
    EXPECT_NE(report.find("WWN Device Identifier: 500ab12123456789"), std::string::npos) << report;
}

}  // namespace
}  // namespace qx::test
