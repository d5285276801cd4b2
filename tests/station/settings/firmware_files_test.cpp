#include <gtest/gtest.h>

#include <string>

#include "qxlib/programs/program_paths.h"
#include "settings/flash_config_fixture.h"
#include "station/flash_part_list.h"
#include "station/settings/firmware_files.h"
#include "station/settings/firmware_names.h"
#include "station/settings/firmware_file_builder.h"
#include "station/settings/settings_window_state.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::station {
namespace {

using test::ImageBytes;
using test::ImageTexts;
using test::WriteBytes;

class FirmwareFiles : public test::FlashConfigFixture {
protected:
    void SetUp() override {
        FlashConfigFixture::SetUp();
        savedGdp_ = GdpImagePath();
        savedTest_ = TestImagePath();
        state_.ProgramFolder = dir_.path().string() + "/";
        ASSERT_TRUE(LoadFlashPartList(QX_SOURCE_DIR "/data", "Flash.ini", list_));
    }
    void TearDown() override {
        SetGdpImagePath(savedGdp_);
        SetTestImagePath(savedTest_);
        FlashConfigFixture::TearDown();
    }
    void Choose(int part, std::uint8_t channels, std::uint8_t banks) {
        Apply(list_.FlashPartTable[static_cast<std::size_t>(part)], channels, banks);
    }
    void Write(const std::string& name, const ImageTexts& texts, bool intact = true) {
        WriteBytes(dir_.file(name), ImageBytes(texts, intact));
    }

    test::TempDir dir_;
    FlashPartList list_;
    SettingsWindowState state_;
    ui::ScriptedPrompter prompter_;
    std::string savedGdp_, savedTest_;
};

TEST_F(FirmwareFiles, NamesFromTheChosenPart) {
    struct Case {
        const char* what;
        int part;   // -1: a part with interface code 9
        std::uint8_t channels, banks;
        bool useDefault;
        const char* sata;
        const char* usb;
    };
    const Case cases[] = {
        {"WBG 2x1, interface 1", 0, 2, 1, false, "SYS_TSCI.bin", "SYS_USCI.bin"},
        {"KT128A 4x2: interface 4 turns the class letter", 4, 4, 2, false, "SYS_LHVF.bin", "SYS_UHVF.bin"},
        {"PW8ONFI: no geometry row", 9, 1, 1, false, "SYS_OI#M.bin", "SYS_UI#M.bin"},
        {"interface 9", -1, 2, 1, false, "SYS_#SCI.bin", "SYS_USCI.bin"},
        {"default name", 0, 2, 1, true, "SYS_S.bin", "SYS_U.bin"},
    };
    for (const Case& c : cases) {
        if (c.part < 0)
            Apply(Part(0x1811, 9), c.channels, c.banks);
        else
            Choose(c.part, c.channels, c.banks);
        const std::string name = SataFirmwareName(config_, c.useDefault);
        EXPECT_EQ(name, c.sata) << c.what;
        EXPECT_EQ(UsbFirmwareName(name), c.usb) << c.what;
    }
}

TEST_F(FirmwareFiles, ProgramImagesAtStart) {
    Write("GDP.bin", {.programVersion = "203107"});
    WriteBytes(dir_.file("satatest.bin"), std::vector<std::uint8_t>(1024, 0));   // version bytes empty
    CheckProgramImages(state_, prompter_);
    EXPECT_EQ(GdpImagePath(), dir_.file("GDP.bin"));
    EXPECT_EQ(TestImagePath(), dir_.file("satatest.bin"));
    EXPECT_EQ(state_.Firmware.GdpVersion, "203107");
    EXPECT_EQ(state_.Firmware.TestProgramVersion, "");
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"The satatest.bin is a corrupt file, please check it."});
    EXPECT_EQ(state_.StartAllowed, 1);
}

TEST_F(FirmwareFiles, MissingProgramImagesStopTheStart) {
    CheckProgramImages(state_, prompter_);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"<WARNING> Can't find file : " + dir_.file("GDP.bin"),
                                                           "<WARNING> Can't find file : " + dir_.file("satatest.bin")}));
    EXPECT_EQ(prompter_.Records()[0].caption, "");
    EXPECT_EQ(state_.StartAllowed, 0);
}

TEST_F(FirmwareFiles, PanelsWithBothFilesPresent) {
    Choose(0, 2, 1);
    Write("GDP.bin", {.programVersion = "203107"});
    CheckProgramImages(state_, prompter_);
    prompter_.Clear();   // satatest.bin is missing
    Write("SYS_TSCI.bin", {.firmwareVersion = "104021", .variant = "42", .info = "INFO", .header = "BAHGDCFE"});
    Write("SYS_USCI.bin", {.firmwareVersion = "105000", .variant = "07", .info = "USBI"});
    ChooseFirmwareFiles(config_, true, true, state_, prompter_);
    const FirmwareTexts& f = state_.Firmware;
    EXPECT_EQ(f.SataBinName, "SYS_TSCI.bin");
    EXPECT_EQ(f.UsbBinName, "SYS_USCI.bin");
    EXPECT_EQ(f.SataHeaderText, "ABGHCDEF");
    EXPECT_EQ(f.SataFwVersion, "104021");
    EXPECT_EQ(f.UsbFwVersion, "105000");
    EXPECT_EQ(f.BinVariantCode, "07") << "the USB file's, read last";
    EXPECT_EQ(f.BinInfoText, "USBI");
    EXPECT_EQ(state_.StatusPanels[1], "SYS_TSCI.bin (ABGHCDEF) / SYS_USCI.bin (105000)");
    EXPECT_EQ(state_.StatusPanels[2], "GDP.bin(2.03.107), SYS(1.04.021) USBI");
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(FirmwareFiles, OnlyUsbAndMissingFiles) {
    Choose(0, 2, 1);
    Write("SYS_USCI.bin", {.firmwareVersion = "105000", .info = "USBI"});
    ChooseFirmwareFiles(config_, false, true, state_, prompter_);
    EXPECT_EQ(state_.StatusPanels[1], "SYS_USCI.bin (105000)");
    EXPECT_EQ(state_.StatusPanels[2], "(..), SYS(..) USBI") << "no GDP path set, no SATA version";

    std::filesystem::remove(dir_.file("SYS_USCI.bin"));
    ChooseFirmwareFiles(config_, true, true, state_, prompter_);
    EXPECT_EQ(state_.StatusPanels[1], "SYS_TSCI.bin / SYS_USCI.bin") << "missing files: bare names";
    EXPECT_TRUE(prompter_.Texts().empty()) << "a missing firmware file shows no box";
    ChooseFirmwareFiles(config_, false, false, state_, prompter_);
    EXPECT_EQ(state_.StatusPanels[1], "");
}

TEST_F(FirmwareFiles, NothingOfThePreviousPartSurvives) {
    Choose(0, 2, 1);
    Write("SYS_TSCI.bin", {.firmwareVersion = "104021", .variant = "42", .info = "INFO", .header = "BAHGDCFE"});
    ChooseFirmwareFiles(config_, true, false, state_, prompter_);
    EXPECT_EQ(state_.Firmware.BinVariantCode, "42");
    Choose(4, 4, 2);   // no file for this one
    ChooseFirmwareFiles(config_, true, false, state_, prompter_);
    EXPECT_EQ(state_.Firmware.BinVariantCode, "");
    EXPECT_EQ(state_.Firmware.SataHeaderText, "");
    EXPECT_EQ(state_.StatusPanels[1], "SYS_LHVF.bin");
}

TEST_F(FirmwareFiles, CorruptFirmwareNamedUnlessInSpecialMode) {
    Choose(0, 2, 1);
    Write("SYS_TSCI.bin", {.firmwareVersion = "104021"}, false);
    ChooseFirmwareFiles(config_, true, false, state_, prompter_);
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"The " + dir_.file("SYS_TSCI.bin") + " is a corrupt file, please check it."});
    EXPECT_EQ(state_.Firmware.SataBinName, "SYS_TSCI.bin") << "the file stays chosen";
    prompter_.Clear();
    state_.SpecialMode = true;
    ChooseFirmwareFiles(config_, true, false, state_, prompter_);
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST(FirmwareNameTexts, DottedVersions) {
    EXPECT_EQ(DottedVersion("203107"), "2.03.107");
    EXPECT_EQ(DottedVersion(""), "..");
    EXPECT_EQ(DottedVersion("12"), "1.2.");
}

TEST(FirmwareNameTexts, DecodeName) {
    EXPECT_EQ(DecodeFirmwareName("SYS_SIAA.bin"),
              "Block Unit:1024\nBlock Page:128\nPage Size: 4K\nDie: 1\nDieoffset?: 0\nOnePlane?: 0\n"
              "Channel:   8\nBank:      1\n");
    EXPECT_EQ(DecodeFirmwareName("SYS_SI#M.bin"), "Channel:   1\nBank:      1\n");
    EXPECT_EQ(DecodeFirmwareName("SYS_SI"), "") << "missing letters match nothing";
    EXPECT_EQ(DecodeFirmwareName("SYS_SIA"),
              "Block Unit:1024\nBlock Page:128\nPage Size: 4K\nDie: 1\nDieoffset?: 0\nOnePlane?: 0\n");
}

}  // namespace
}  // namespace qx::station
