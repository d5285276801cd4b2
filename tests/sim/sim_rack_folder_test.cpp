// The rack folder round trip and the raw image export.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sim/rack/drive_config_text.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

namespace fs = std::filesystem;

IniSection ConfigText(const DriveConfig& cfg) {
    IniSection s;
    ConfigToIni(cfg, s);
    return s;
}

TEST(SimRackFolder, SaveAndLoadKeepDrivesStateAndFaults) {
    Folder folder;
    DriveConfig bridge;
    bridge.chipTag = std::string("\x05\xE3\x07\x18", 4);
    bridge.serial = "SN 50% done";
    bridge.badBlocks = {7, 602};
    bridge.flashId = {0x2C, 0x84, 0x64};
    DriveConfig usb;
    usb.frontEnd = FrontEnd::NativeUsb;
    usb.state = ControllerState::Loader;
    usb.straps = GpioStraps::SingleBank;
    usb.capacitySectors = 0x100000;

    SimRack rack;
    SimDrive& b = rack.AddDrive(kBridgePath, bridge);
    SimDrive& u = rack.AddDrive(kUsbPath, usb);
    b.WriteUserSectors(0x1234FF, Bytes(512, 0xAB));
    b.WriteUserSectors(100'000'000, Bytes(1024, 0x01));
    b.SetVendorMode(true);
    b.Model().logPages[0x9A0000][0] = 'P';
    b.Model().maxLba = 99'999'999;
    b.AddFault(FaultRule::Of(FaultKind::Hang).OnOpcode(0x28).Skip(3));
    u.AddFault(FaultRule::Of(FaultKind::CheckCondition).OnVendorSub(0x84).Sense({0x70, 0, 5}).Times(2));
    u.Model().registers.Write(0x30001, 0x42);
    u.RunProgram(ProgramKind::Test);
    u.Model().nand.Program({1, 1, 700, 9}, Bytes(100, 0x5A));
    u.Model().nand.Erase(0, 0, 2);          // a code block the drive was built with
    u.Model().eraseCounts[NandAddress{0, 0, 2, 0}.Key()] = 3;
    u.Model().codeRam.assign(kCodeRamBytes, 0x66);

    std::string error;
    ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    {
        // Sections of other parts of the rack survive a load and save.
        std::ofstream ini(folder / "rack.ini", std::ios::app);
        ini << "\n[hub1]\nports=4\n";
    }
    auto loaded = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(loaded) << error;
    ASSERT_TRUE(loaded->SaveState(folder.str(), &error)) << error;
    loaded = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(loaded) << error;

    SimDrive* lb = loaded->Find(kBridgePath);
    SimDrive* lu = loaded->Find(kUsbPath);
    ASSERT_TRUE(lb && lu);
    EXPECT_EQ(ConfigText(lb->Config()).values, ConfigText(bridge).values);
    EXPECT_EQ(ConfigText(lu->Config()).values, ConfigText(usb).values);
    EXPECT_EQ(lb->ReadUserSectors(0x1234FF, 1), Bytes(512, 0xAB));
    EXPECT_EQ(lb->ReadUserSectors(100'000'001, 1), Bytes(512, 0x01));
    EXPECT_EQ(lb->StoredSectorCount(), 3u);
    EXPECT_TRUE(lb->VendorMode());
    EXPECT_EQ(lb->CapacitySectors(), 100'000'000u);
    EXPECT_EQ(lb->Model().logPages.at(0x9A0000)[0], 'P');
    EXPECT_EQ(lu->State(), ControllerState::ProgramRunning);
    EXPECT_EQ(lu->Model().program, ProgramKind::Test);
    EXPECT_EQ(lu->Model().nand.Pages(), u.Model().nand.Pages());
    EXPECT_TRUE(lu->Model().nand.IsErased({0, 0, 2, 0}));
    EXPECT_EQ(lu->Model().eraseCounts, u.Model().eraseCounts);
    EXPECT_EQ(lu->Model().codeRam, u.Model().codeRam);
    EXPECT_EQ(lu->Model().registers.Read(0x30001), 0x42);
    ASSERT_EQ(lb->Faults().size(), 1u);
    EXPECT_EQ(FaultToText(lb->Faults()[0]), FaultToText(b.Faults()[0]));
    EXPECT_EQ(FaultToText(lu->Faults()[0]), FaultToText(u.Faults()[0]));
    EXPECT_EQ(loaded->NameOf(kBridgePath), rack.NameOf(kBridgePath));

    std::ifstream ini(folder / "rack.ini");
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_NE(text.str().find("[hub1]\nports=4\n"), std::string::npos);
}

TEST(SimRackFolder, BadDescriptionsAreRefusedWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"[drive01]\npath=x\nfrontEnd=scsi\n", "frontEnd"},
        {"[drive01]\npath=x\ncapacitySectors=-4\n", "capacitySectors"},
        {"[drive01]\npath=x\nfault=melt opcode=0x28\n", "fault"},
        {"[../evil]\npath=x\n", "name"},
        {"[rack]\nversion=1\nlog=everything\n", "log"},
    };
    for (auto [text, word] : cases) {
        Folder folder;
        std::ofstream(folder / "rack.ini") << text;
        std::ofstream(folder / "drive01.state") << "garbage";
        std::string error;
        EXPECT_FALSE(SimRack::LoadFolder(folder.str(), &error));
        EXPECT_NE(error.find(word), std::string::npos) << error;
    }
    Folder folder;
    std::ofstream(folder / "rack.ini") << "[drive01]\npath=x\n";
    std::ofstream(folder / "drive01.state") << "garbage";
    std::string error;
    EXPECT_FALSE(SimRack::LoadFolder(folder.str(), &error));
    EXPECT_NE(error.find("state"), std::string::npos) << error;
    EXPECT_FALSE(SimRack::LoadFolder(folder / "none", &error));
}

std::string FileText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Loading and saving a folder leaves "rack.ini" as it was: the rack's own
// section once, the others where they stood, drives in their places.
TEST(SimRackFolder, LoadAndSaveLeaveTheDescriptionAsItWas) {
    Folder folder;
    {
        SimRack rack;
        rack.AddDrive(kBridgePath, {});
        rack.AddDrive(kUsbPath, {}).AddFault(FaultRule::Of(FaultKind::Hang).OnOpcode(0x28));
        std::string error;
        ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    }
    // Hand-placed: the topology before the drives, another part's section last.
    const std::string written = FileText(folder / "rack.ini");
    const std::string handMade = "[usb]\nroot=4\nport=0.1 drive01\n\n" + written + "\n[hub1]\nports=4\n";
    std::ofstream(folder / "rack.ini", std::ios::trunc) << handMade;

    for (int round = 0; round < 3; ++round) {
        std::string error;
        auto rack = SimRack::LoadFolder(folder.str(), &error);
        ASSERT_TRUE(rack) << error;
        ASSERT_TRUE(rack->SaveState(folder.str(), &error)) << error;
        EXPECT_EQ(FileText(folder / "rack.ini"), handMade) << "round " << round;
    }

    // A drive removed goes; one added follows the last drive.
    std::string error;
    auto rack = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(rack) << error;
    rack->RemoveDrive(kBridgePath);
    rack->AddDrive(kBridgePath + "new", {});
    ASSERT_TRUE(rack->SaveState(folder.str(), &error)) << error;
    const std::string text = FileText(folder / "rack.ini");
    EXPECT_EQ(text.find("[drive01]"), std::string::npos);
    EXPECT_LT(text.find("[drive02]"), text.find("[drive03]"));
    EXPECT_LT(text.find("[drive03]"), text.find("[hub1]"));
    EXPECT_EQ(text.find("[rack]"), text.rfind("[rack]"));
}

// The request log of a rack loaded from its folder, as "qxrack log" sets it.
TEST(SimRackFolder, LogSettingTravelsWithTheFolder) {
    Folder folder;
    std::string error;
    {
        SimRack rack;
        rack.AddDrive(kBridgePath, {});
        rack.SetFolderLog({.keep = true, .ringSize = 64});
        ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    }
    auto rack = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(rack) << error;
    EXPECT_TRUE(rack->Log().Enabled());
    EXPECT_EQ(rack->Log().Options().ringSize, 64u);
    rack->SetFolderLog({});
    ASSERT_TRUE(rack->SaveState(folder.str(), &error)) << error;
    EXPECT_NE(FileText(folder / "rack.ini").find("[rack]\nversion=1\nlog=off\n"), std::string::npos);
    EXPECT_FALSE(SimRack::LoadFolder(folder.str(), &error)->Log().Enabled());

    // A folder without a log key keeps nothing.
    std::ofstream(folder / "rack.ini", std::ios::trunc) << "[drive01]\npath=x\n";
    std::filesystem::remove(folder / "drive01.state");
    EXPECT_FALSE(SimRack::LoadFolder(folder.str(), &error)->Log().Enabled());
}

// Records with an empty body (a NAND page or code RAM of no bytes) read as
// what they say: nothing.
TEST(SimRackFolder, EmptyStateRecordsLoad) {
    Folder folder;
    std::ofstream(folder / "rack.ini") << "[drive01]\npath=x\n";
    std::string state("QXDRIVE1", 8);
    state += 'M';
    state += std::string("\0\0\x10\0\0\0\0\0\0\0\0\0\0", 13);  // loader, max LBA 16: the flash empty
    state += 'C';
    state += std::string(4, '\0');                     // code RAM, 0 bytes
    state += 'N';
    state += std::string("\x01\0\0\0\0\0\0\0", 8);   // a page key
    state += std::string(4, '\0');                     // 0 bytes
    std::ofstream(folder / "drive01.state", std::ios::binary) << state;
    std::string error;
    auto rack = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(rack) << error;
    EXPECT_TRUE(rack->Find("x")->Model().codeRam.empty());
    EXPECT_TRUE(rack->Find("x")->Model().nand.Pages().empty());
}

// A FAT file system written onto a drive through the front end comes out of
// the export as an image outside tools accept, with unwritten sectors left
// as holes.
TEST(SimRackFolder, ExportedImageIsWhatWasWritten) {
    Folder folder;
    const std::string source = folder / "source.img";
    const std::string mkfs = "mkfs.fat -C -F 32 -n QXTEST " + source + " 65536 >/dev/null 2>&1";
    if (std::system(mkfs.c_str()) != 0) GTEST_SKIP() << "mkfs.fat not available";

    RackTest env;
    DriveConfig cfg;
    cfg.capacitySectors = 65536 * 2;
    env.rack.AddDrive(kBridgePath, cfg);
    std::ifstream in(source, std::ios::binary);
    Bytes chunk(64 * 512);
    for (std::uint32_t lba = 0; in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
         lba += 64) {
        const Bytes write10 = {0x2A, 0, static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
                               static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), 0, 0, 64, 0};
        ASSERT_EQ(SendScsi(kBridgePath, write10, platform::Direction::Out, chunk).status, 0);
    }
    const std::string image = folder / "drive.img";
    ASSERT_TRUE(env.rack.ExportImage(kBridgePath, image));
    EXPECT_FALSE(env.rack.ExportImage("no such drive", image));

    struct stat st {};
    ASSERT_EQ(::stat(image.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 65536 * 1024);
    EXPECT_LT(st.st_blocks * 512, st.st_size / 4);
    EXPECT_EQ(std::system(("fsck.fat -n " + image + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(std::system(("cmp -s " + image + " " + source).c_str()), 0);
}

}  // namespace
}  // namespace qx::sim::test
