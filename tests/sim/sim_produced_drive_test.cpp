// A drive the rack describes as already produced: it runs its firmware from
// a header page with the chosen texts, keeps a pre-format's tables beside
// its information page and code, and answers IDENTIFY word 217 as told.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

#include "sim/model/code_block_tables.h"
#include "sim/model/code_blocks.h"
#include "sim/model/drive_model.h"
#include "sim/model/identify_data.h"
#include "sim/model/produced_image.h"
#include "sim/rack/drive_config_text.h"
#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim::test {
namespace {

DriveConfig ProducedConfig() {
    DriveConfig c;
    c.state = ControllerState::Firmware;
    c.systemModel = "849";
    c.systemVersion = "3A0151";
    c.systemVariant = "42";
    c.codeBlocks = {4, 5, 6, 7};
    return c;
}

TEST(ProducedDrive, RunsFromAHeaderWithTheChosenTexts) {
    const DriveModel m(ProducedConfig());
    ASSERT_EQ(m.systemImage.size(), 4096u);
    EXPECT_EQ(std::memcmp(&m.systemImage[0x300], "QXSS", 4), 0);
    EXPECT_EQ(std::memcmp(&m.systemImage[kProducedVersionAt], "3A0151", 6), 0);
    EXPECT_EQ(std::memcmp(&m.systemImage[kProducedModelAt], "849", 3), 0);
    EXPECT_EQ(std::memcmp(&m.systemImage[kProducedVariantAt], "42", 2), 0);
    EXPECT_EQ(m.systemImage[kProducedCodeBlocksAt], 4);
    EXPECT_EQ(m.systemImage[kProducedCodeBlocksAt + 6], 7);
    // IDENTIFY still names the drive's own model and serial.
    const Sector id = BuildIdentify(m);
    EXPECT_EQ(id[27 * 2 + 1], 'Q');
    EXPECT_EQ(id[434], 1);
}

TEST(ProducedDrive, KeepsTablesInfoPageAndBootableCode) {
    const DriveModel m(ProducedConfig());
    ASSERT_TRUE(FindInfoPage(m).has_value());
    EXPECT_EQ(FindInfoPage(m)->block, 4);
    EXPECT_TRUE(FirmwareBootable(m, 1));
    std::vector<std::uint8_t> page(m.nand.PageBytes());
    for (const std::uint16_t table : {std::uint16_t{1}, std::uint16_t{2}}) {
        m.nand.Read({0, 0, 4, table}, page);
        EXPECT_EQ(page, TablePage(m, table, 0)) << "table " << table;
    }
}

TEST(ProducedDrive, PlainDrivesStayAsTheyWere) {
    DriveConfig c;
    c.state = ControllerState::Firmware;
    c.rotationRate = 7200;
    const DriveModel m(c);
    EXPECT_TRUE(m.systemImage.empty());
    EXPECT_TRUE(m.nand.IsErased({0, 0, 0, 1}));
    const Sector id = BuildIdentify(m);
    EXPECT_EQ(id[434] | id[435] << 8, 7200);
}

TEST(ProducedDrive, RackFolderListsDrivesOffTheUsbTree) {
    qx::test::TempDir dir;
    std::ofstream(dir.file("rack.ini"))
        << "[ide]\npath=\\\\?\\ide#diskqx#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\nsystemModel=843\n"
        << "[usb1]\npath=\\\\?\\usbstor#disk&ven_qx&prod_ssd#2#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\n"
        << "[usb]\nroot=2\nport=0.1 usb1\n[disks]\ndisk=ide\n";
    std::string error;
    auto machine = SimMachine::LoadFolder(dir.path().string(), &error);
    ASSERT_TRUE(machine) << error;
    const auto listed = machine->Devices().DiskInterfaces();
    ASSERT_TRUE(listed);
    EXPECT_EQ(*listed, (std::vector<std::string>{
                           "\\\\?\\usbstor#disk&ven_qx&prod_ssd#2#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                           "\\\\?\\ide#diskqx#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"}));
    // Upper case opens the same drive.
    EXPECT_TRUE(machine->Rack().Open("\\\\?\\IDE#DISKQX#1#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}",
                                     platform::ShareMode::Shared).handle);

    std::ofstream(dir.file("rack.ini"), std::ios::app) << "disk=nobody\n";
    EXPECT_FALSE(SimMachine::LoadFolder(dir.path().string(), &error));
    EXPECT_NE(error.find("[disks] bad disk"), std::string::npos) << error;
}

// The configuration record a production run leaves: in the memory image and
// on every information page, naming the described flash; the remap table
// with one record per bad block and its end record.
TEST(ProducedDrive, CarriesItsConfigurationRecordAndRemapTable) {
    DriveConfig c = ProducedConfig();
    c.channels = 2;
    c.ces = 4;
    c.blocksPerCe = 4096;
    c.pagesPerBlock = 128;
    c.sectorsPerPage = 16;
    c.badBlocks = {301, 1200};
    const DriveModel m(c);
    // Toshiba, 4096 blocks (code 1), 128 pages (code 1), 16 sectors (code 2).
    const std::uint16_t typeWord = 2 << 12 | 1 << 6 | 1 << 3 | 2;
    std::vector<std::uint8_t> info(m.nand.PageBytes());
    for (std::uint8_t ch = 0; ch < 2; ++ch) {
        m.nand.Read({ch, 0, 4, 0}, info);
        const std::array<const std::vector<std::uint8_t>*, 2> areas{&m.systemImage, &info};
        for (const std::vector<std::uint8_t>* area : areas) {
            SCOPED_TRACE(area == &info ? "information page" : "memory image");
            EXPECT_EQ((*area)[0x500] | (*area)[0x501] << 8, typeWord);
            EXPECT_EQ((*area)[0x503], 2) << "channels";
            EXPECT_EQ((*area)[0x504], 4) << "banks";
            EXPECT_EQ((*area)[0x50B], 4) << "CEs";
            EXPECT_EQ((*area)[0x509] & 0x20, 0x20) << "remap on";
        }
    }
    std::vector<std::uint8_t> remap(m.nand.PageBytes());
    m.nand.Read({1, 0, 4, 3}, remap);
    auto word = [&](std::size_t i) { return remap[16 + 2 * i] | remap[17 + 2 * i] << 8; };
    // Per CE: CE marker, plane 0 (block 1200 = unit 600), plane 1 (301 = unit 150).
    const std::vector<int> ce0 = {0xEBA0, 0, 0xEAE0, 0, 600, 2047, 0xEAE0, 1, 150, 2046};
    for (std::size_t i = 0; i < ce0.size(); ++i) EXPECT_EQ(word(i), ce0[i]) << i;
    EXPECT_EQ(word(10), 0xEBA0);
    EXPECT_EQ(word(11), 1);
    EXPECT_EQ(word(4 * 10), 0xEED1) << "the end record after four CEs";
}

// The UART text in the firmware's DRAM where the layout reply puts the ring,
// the error log header before it, and their copies behind the SPI header.
TEST(ProducedDrive, LaysOutItsFirmwareLogs) {
    DriveConfig c = ProducedConfig();
    c.uartLog = "up\nok";
    c.spiLog = true;
    DriveConfig outside = c;
    outside.dramLayout[6] = 0x100000;   // the ring beyond the firmware's DRAM window
    EXPECT_TRUE(DriveModel(outside).firmwareDram.empty());
    const DriveModel m(c);
    const std::vector<std::uint8_t> ring = {'u', 'p', 0xEA, 1, 0, 0, 0, 'o', 'k'};
    ASSERT_GE(m.firmwareDram.size(), 0xC800u + 8192);
    EXPECT_TRUE(std::equal(ring.begin(), ring.end(), m.firmwareDram.begin() + 0xC800));
    EXPECT_EQ(std::memcmp(&m.firmwareDram[0xC000], "ErLog01", 7), 0);
    EXPECT_EQ(m.firmwareDram[0xC000 + 16], ring.size()) << "the ring's write index";
    ASSERT_GE(m.spiFlash.size(), 36u);
    EXPECT_EQ(std::memcmp(m.spiFlash.data(), "QX849V00-001", 12), 0);
    const auto le32 = [&](std::size_t at) {
        return m.spiFlash[at] | m.spiFlash[at + 1] << 8 | m.spiFlash[at + 2] << 16 | m.spiFlash[at + 3] << 24;
    };
    EXPECT_EQ(le32(24), 2048);
    EXPECT_EQ(le32(32), 8192);
    ASSERT_GE(m.spiFlash.size(), static_cast<std::size_t>(le32(28)) + 8192);
    EXPECT_TRUE(std::equal(ring.begin(), ring.end(), m.spiFlash.begin() + le32(28)));
    EXPECT_EQ(std::memcmp(&m.spiFlash[static_cast<std::size_t>(le32(20))], "ErLog01", 7), 0);
}

TEST(ProducedDrive, DescriptionKeysReadBackAndRefuseWhatIsNotANumber) {
    DriveConfig c;
    c.failingCes = {0x0201};
    c.uncorrectablePages = {{2, 1}};
    c.uncorrectableChannelPages = {{1, 0, 1}, {1, 3, 1}};
    c.laterBadBlocks = {{2, 1, 700, 4}};
    c.eraseCountBase = 17;
    c.smartAttributes = {{0x09, 100, 0, 0x123456789A}, {0xC2, 60, 0, 41}};
    c.dramLayout = {0xD0000, 0x1000, 0xD1000, 0x8000, 0xE0000, 4096, 0xE1000, 16384};
    IniSection text{"drive01", {}};
    ConfigToIni(c, text);
    EXPECT_EQ(*text.Find("uncorrectableChannelPages"), "1.0.1 1.3.1");
    EXPECT_EQ(*text.Find("smartAttributes"), "9.100.0.78187493530 194.60.0.41");
    DriveConfig back;
    std::string error;
    ASSERT_TRUE(ConfigFromIni(text, back, &error)) << error;
    EXPECT_EQ(back.failingCes, c.failingCes);
    EXPECT_EQ(back.uncorrectablePages, c.uncorrectablePages);
    EXPECT_EQ(back.uncorrectableChannelPages, c.uncorrectableChannelPages);
    EXPECT_EQ(back.laterBadBlocks, c.laterBadBlocks);
    EXPECT_EQ(back.eraseCountBase, 17);
    EXPECT_EQ(back.smartAttributes, c.smartAttributes);
    EXPECT_EQ(back.dramLayout, c.dramLayout);
    // The firmware answers SMART with the described attributes.
    const DriveModel m(back);
    ASSERT_EQ(m.smart.size(), 2u);
    EXPECT_EQ(m.smart[0].raw, 0x123456789Au);
    EXPECT_EQ(m.smart[1].value, 60);

    for (const char* bad : {"1.2", "1.2.x", "1..2", "1.2.3.", "1.2.70000"}) {
        IniSection s{"drive01", {{"uncorrectableChannelPages", bad}}};
        EXPECT_FALSE(ConfigFromIni(s, back, &error)) << bad;
    }
    for (const char* bad : {"1 2 3 4 5 6 7", "1 2 3 4 5 6 7 8 9", "1 2 3 4 5 6 7 x"}) {
        IniSection s{"drive01", {{"dramLayout", bad}}};
        EXPECT_FALSE(ConfigFromIni(s, back, &error)) << bad;
    }
}

}  // namespace
}  // namespace qx::sim::test
