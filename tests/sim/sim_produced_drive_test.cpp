// A drive the rack describes as already produced: it runs its firmware from
// a header page with the chosen texts, keeps a pre-format's tables beside
// its information page and code, and answers IDENTIFY word 217 as told.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "sim/model/code_block_tables.h"
#include "sim/model/code_blocks.h"
#include "sim/model/drive_model.h"
#include "sim/model/identify_data.h"
#include "sim/model/produced_image.h"
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

}  // namespace
}  // namespace qx::sim::test
