// The Device Info page's texts from IDENTIFY data and the USB identity block,
// with hdparm as an independent reader of the same IDENTIFY words.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "utility/pages/identity_page.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using utility::FormatIdentifyPage;

class IdentifyData {
public:
    IdentifyData() : b_(512, 0) {}
    IdentifyData& Word(std::size_t w, std::uint16_t v) {
        b_[2 * w] = static_cast<std::uint8_t>(v);
        b_[2 * w + 1] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    // ATA strings: two characters a word, the first in the high byte; the
    // field padded with blanks.
    IdentifyData& Text(std::size_t first, std::size_t words, const std::string& text) {
        std::string t = text;
        t.resize(2 * words, ' ');
        for (std::size_t i = 0; i < words; ++i)
            Word(first + i, static_cast<std::uint16_t>(static_cast<unsigned char>(t[2 * i]) << 8 |
                                                       static_cast<unsigned char>(t[2 * i + 1])));
        return *this;
    }
    const Bytes& bytes() const { return b_; }

private:
    Bytes b_;
};

// A 48-bit drive of 2^32 + 5 sectors with UDMA 6 supported, mode 5 selected.
IdentifyData BigDrive() {
    IdentifyData d;
    d.Word(1, 16383).Word(3, 16).Word(6, 63);
    d.Text(10, 10, "QX0000000001").Text(23, 4, "QXFW0100").Text(27, 20, "QX SSD 2TB");
    d.Word(53, 0x0006).Word(57, 0xFC10).Word(58, 0x00FB).Word(60, 0xFFFF).Word(61, 0x0FFF);
    d.Word(63, 0x0007).Word(82, 0x0001).Word(85, 0x0001).Word(86, 0x0400).Word(88, 0x207F);
    d.Word(100, 5).Word(101, 0).Word(102, 1).Word(103, 0);
    d.Word(108, 0x5001).Word(109, 0x2345).Word(110, 0x6789).Word(111, 0xABCD);
    // Words the page does not show but an outside reader needs to trust the
    // rest: LBA and DMA capable, ATA-8, 48-bit and WWN feature bits.
    d.Word(49, 0x0300).Word(80, 0x01F0).Word(83, 0x4400).Word(84, 0x4100).Word(87, 0x4100);
    return d;
}

TEST(IdentityPage, ShowsTheWholeDriveFromIdentify) {
    const utility::SataIdentityTexts t = FormatIdentifyPage(BigDrive().bytes());
    EXPECT_EQ(t.ModelNameEdit, "Model Name: QX SSD 2TB");
    EXPECT_EQ(t.SNEdit, "Serial Number: QX0000000001");
    EXPECT_EQ(t.FwVersionEdit, "Firmware Revision: QXFW0100");
    EXPECT_EQ(t.DiskHeadEdit, "Heads: 16   Cylinders: 16383   Sectors per Track: 63\n");
    EXPECT_EQ(t.ChsEdit, "Current capacity in sectors (CHS mode) : 16514064 \n");
    EXPECT_EQ(t.TotalSectorEdit, "Total number of user addressable sectors: (LBA mode) 4294967301\n");
    EXPECT_EQ(t.MultiwordDMAmodeEdit, "Multiword DMA mode 2 and below are supported\n");
    EXPECT_EQ(t.MultiwordDMAEdit, "Multiword DMA is selected : none\n");
    EXPECT_EQ(t.UltraDMAModeEdit, "Ultra DMA mode 6 and below are supported\n");
    EXPECT_EQ(t.UltraDMAEdit, "Ultra DMA is selected : mode 5\n");
    EXPECT_EQ(t.SMARTfeatureEdit, "SMART feature set supported, enabled\n");
    EXPECT_EQ(t.SecurityModeEdit, "Security Mode feature set not supported, not enabled\n");
    EXPECT_EQ(t.WWNEdit, "World Wide Name: 500123456789ABCD");
}

TEST(IdentityPage, ZeroedIdentifyShowsLabelsAndZeros) {
    const utility::SataIdentityTexts t = FormatIdentifyPage(Bytes(512, 0));
    EXPECT_EQ(t.ModelNameEdit, "Model Name:");   // the trim takes the blank after the label
    EXPECT_EQ(t.SNEdit, "Serial Number:");
    EXPECT_EQ(t.FwVersionEdit, "Firmware Revision:");
    EXPECT_EQ(t.TotalSectorEdit, "Total number of user addressable sectors: (LBA mode) 0\n");
    EXPECT_EQ(t.MultiwordDMAmodeEdit, "");
    EXPECT_EQ(t.MultiwordDMAEdit, "Multiword DMA is selected : none\n");
    EXPECT_EQ(t.UltraDMAModeEdit, "");
    EXPECT_EQ(t.UltraDMAEdit, "");
    EXPECT_EQ(t.WWNEdit, "World Wide Name: 0000000000000000");
}

TEST(IdentityPage, DmaWordsGiveTheirLines) {
    struct Case {
        std::uint16_t w53, w63, w88;
        const char *mwModes, *mwSelected, *udmaModes, *udmaSelected;
    };
    const Case cases[] = {
        {0, 0x0407, 0x7F7F, "Multiword DMA mode 2 and below are supported\n", "Multiword DMA is selected : mode 2\n", "",
         ""},
        {4, 0x0103, 0x0003, "Multiword DMA mode 1 and below are supported\n", "Multiword DMA is selected : mode 0\n",
         "Ultra DMA mode 1 and below are supported\n", "Ultra DMA is selected : none\n"},
        {4, 0x0201, 0x0105, "Multiword DMA mode 0 and below are supported\n", "Multiword DMA is selected : mode 1\n", "",
         "Ultra DMA is selected : mode 0\n"},
        {4, 0x0005, 0x4001, "", "Multiword DMA is selected : none\n", "Ultra DMA mode 0 and below are supported\n",
         "Ultra DMA is selected : mode 6\n"},
    };
    for (const Case& c : cases) {
        IdentifyData d;
        d.Word(53, c.w53).Word(63, c.w63).Word(88, c.w88);
        const utility::SataIdentityTexts t = FormatIdentifyPage(d.bytes());
        EXPECT_EQ(t.MultiwordDMAmodeEdit, c.mwModes) << c.w63;
        EXPECT_EQ(t.MultiwordDMAEdit, c.mwSelected) << c.w63;
        EXPECT_EQ(t.UltraDMAModeEdit, c.udmaModes) << c.w88;
        EXPECT_EQ(t.UltraDMAEdit, c.udmaSelected) << c.w88;
    }
}

TEST(IdentityPage, TwentyEightBitCountWithoutTheFortyEightBitFeature) {
    IdentifyData d = BigDrive();
    d.Word(86, 0);
    EXPECT_EQ(FormatIdentifyPage(d.bytes()).TotalSectorEdit,
              "Total number of user addressable sectors: (LBA mode) 268435455\n");
}

TEST(IdentityPage, NulCharactersAddNothing) {
    IdentifyData d;
    d.Word(27, 'Q' << 8).Word(28, 'X' << 8 | 'Y');
    EXPECT_EQ(FormatIdentifyPage(d.bytes()).ModelNameEdit, "Model Name: QXY");
}

std::string RunHdparm(const Bytes& identify) {
    std::string hdparm;
    for (const char* p : {"/usr/sbin/hdparm", "/sbin/hdparm", "/usr/bin/hdparm"})
        if (std::filesystem::exists(p)) hdparm = p;
    if (hdparm.empty()) return {};
    TempDir dir;
    {
        std::ofstream words(dir.file("identify.txt"));
        for (int w = 0; w < 256; ++w) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02x%02x ", identify[2 * w + 1], identify[2 * w]);
            words << hex;
        }
        words << "\n";
    }
    const std::string command = hdparm + " --Istdin < " + dir.file("identify.txt") + " 2>&1";
    std::FILE* out = ::popen(command.c_str(), "r");
    std::string report;
    if (!out) return report;
    char line[256];
    while (std::fgets(line, sizeof line, out)) report += line;
    ::pclose(out);
    return report;
}

TEST(IdentityPage, AgreesWithHdparm) {
    const Bytes identify = BigDrive().bytes();
    const std::string report = RunHdparm(identify);
    if (report.empty()) GTEST_SKIP() << "hdparm is not installed";
    const utility::SataIdentityTexts t = FormatIdentifyPage(identify);
    EXPECT_NE(report.find("Model Number:       QX SSD 2TB"), std::string::npos) << report;
    EXPECT_NE(report.find("Serial Number:      QX0000000001"), std::string::npos) << report;
    EXPECT_NE(report.find("Firmware Revision:  QXFW0100"), std::string::npos) << report;
    // hdparm prints the 48-bit count and the WWN in lower case; the page
    // shows the same number and the same digits.
    EXPECT_NE(report.find("LBA48  user addressable sectors:  4294967301"), std::string::npos) << report;
    EXPECT_NE(t.TotalSectorEdit.find("4294967301"), std::string::npos);
    EXPECT_NE(report.find("WWN Device Identifier: 500123456789abcd"), std::string::npos) << report;
    EXPECT_NE(report.find("udma0 udma1 udma2 udma3 udma4 *udma5 udma6"), std::string::npos) << report;
    EXPECT_NE(report.find("DMA: mdma0 mdma1 mdma2"), std::string::npos) << report;
}

// The USB identity block of the controller-memory image.
Bytes IdentityImage() {
    Bytes image(4096, 0);
    image[100] = 0x34;
    image[101] = 0x12;   // VID 1234
    image[102] = 0xCD;
    image[103] = 0xAB;   // PID ABCD
    std::memcpy(&image[118], "QUORLIXA", 8);   // fills the field: no NUL inside it
    std::memcpy(&image[126], "Flash Disk", 10);
    const auto descriptor = [&](std::size_t at, std::uint8_t length, const std::string& text) {
        image[at] = length;
        image[at + 1] = 3;
        for (std::size_t i = 0; i < text.size(); ++i) image[at + 2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
    };
    descriptor(158, 2 + 2 * 7, "Quorlix");
    descriptor(192, 0xFF, std::string(30, 'P'));   // asks for more than the field holds
    descriptor(242, 1, "S");                       // too short for a character
    return image;
}

TEST(UsbIdentityPage, ShowsTheIdentityBlock) {
    utility::UsbIdentityTexts t;
    utility::FormatUsbIdentityBlock(IdentityImage(), t);
    EXPECT_EQ(t.VIDEdit, "1234");
    EXPECT_EQ(t.PIDEdit, "ABCD");
    EXPECT_EQ(t.VendorNameEdit, "QUORLIXA");
    EXPECT_EQ(t.ProductNameEdit, "Flash Disk");
    EXPECT_EQ(t.ManufacturStringEdit, "Quorlix");   // (16 - 2) / 2 characters, no header byte shown
    EXPECT_EQ(t.ProductStringEdit, std::string(24, 'P'));
    EXPECT_EQ(t.SNUSBEdit, "");
}

TEST(UsbIdentityPage, KnowsTheCardReaderLoader) {
    Bytes inquiry(40, ' ');
    std::memcpy(&inquiry[8], "Quorlix Flash CR Loader", 23);
    EXPECT_TRUE(utility::IsCardReaderLoaderInquiry(inquiry));
    inquiry[8] = 'q';
    EXPECT_FALSE(utility::IsCardReaderLoaderInquiry(inquiry));
}

}  // namespace
}  // namespace qx::test
