// "Load INI" and "Save INI" in dialog mode and custom-path mode, with the
// exact texts the operator reads.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "qxlib/settings/settings_checksum.h"
#include "station_forms/settings/settings_area_fixture.h"

namespace qx::test {
namespace {

using ui::BoxAnswer;

class IniButtons : public SettingsAreaTest {
protected:
    void Click(const char* button) { C<QPushButton>(button)->click(); }
    void Choose(std::optional<std::string> file) { prompter_.Answer(std::move(file)); }
    std::string PartShown() { return C<QComboBox>("FlashCodeCmBx")->currentText().toStdString(); }
};

TEST_F(IniButtons, LoadThroughTheDialogImportsWithoutSwitchingFiles) {
    Load("[FlashSetting]\nFlashUniName=WBG\n");
    const std::string other = WriteFile("other.ini", "[FlashSetting]\nFlashUniName=KT64H\n[DeviceSetting]\nModelNum=OTHER\n");
    Choose(other);
    Click("INILoadBtn");
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, ui::PromptKind::File);
    EXPECT_EQ(records[0].file.filter, "INI file(*.ini)|*.ini");
    EXPECT_EQ(records[0].file.defaultExt, ".ini");
    EXPECT_EQ(records[0].file.folder, state_.ProgramFolder);
    EXPECT_EQ(Edit("ModelNumEdit"), "OTHER");
    EXPECT_EQ(PartShown(), "KT64H  /  KT9U064T2H (2CE)");
    EXPECT_EQ(Edit("INIFileEdit"), "other.ini");
    char crc[32];
    std::snprintf(crc, sizeof crc, "CRC32: %X", GetFileCRC32(other));
    EXPECT_EQ(C<QLabel>("CRC32Label")->text().toStdString(), crc);
    EXPECT_EQ(state_.IniPath, state_.ProgramFolder + "QXMPTOOL.ini") << "saved at exit to the current file";
}

TEST_F(IniButtons, ThePartListIsRefusedAsASettingsFileInAnyCase) {
    Load("");
    for (const char* name : {"Flash.ini", "FLASH.INI", "flash.Ini"}) {
        prompter_.Clear();
        Choose(state_.ProgramFolder + name);
        Click("INILoadBtn");
        EXPECT_EQ(prompter_.Texts().back(),
                  "The file is a setting file for flash, please choose a correct setting file for MP tool")
            << name;
    }
    EXPECT_EQ(Edit("INIFileEdit"), "QXMPTOOL.ini") << "nothing loaded";
}

TEST_F(IniButtons, AFailedLoadChangesNothing) {
    Load("[FlashSetting]\nFlashUniName=KT64H\n[DeviceSetting]\nModelNum=KEEP\n");
    C<QComboBox>("FlashChanCmBx")->setCurrentIndex(3);
    area_->FormToGlobalParameter();
    const GlobalParameter before = settings_;
    WriteFile("broken.ini", "[Vendor]\nName00=V\n[V]\nName000=P1, PN\n");
    const char* files[] = {"[FlashSetting]\nExtFlashFile=\n[DeviceSetting]\nModelNum=NEW\n[Setting]\nMPVersion=1\n",
                           "[FlashSetting]\nExtFlashFile=broken.ini\nFlashUniName=WBG\n"};
    const char* messages[] = {"Please make sure the flash file  exist!\n",
                              "Please make sure the flash file broken.ini format correct!\n"};
    for (int i = 0; i < 2; ++i) {
        prompter_.Clear();
        Choose(WriteFile("bad.ini", files[i]));
        Click("INILoadBtn");
        EXPECT_EQ(prompter_.Texts().back(), messages[i]);
        EXPECT_EQ(prompter_.Records().back().caption, "Error");
        EXPECT_EQ(std::memcmp(&before, &settings_, sizeof before), 0) << i;
        EXPECT_EQ(PartShown(), "KT64H  /  KT9U064T2H (2CE)") << "the chosen part stays";
        EXPECT_EQ(Edit("ModelNumEdit"), "KEEP");
        EXPECT_TRUE(C<QPushButton>("INISaveBtn")->isEnabled()) << "the lock stays as it was";
        EXPECT_EQ(state_.SettingsUnlocked, 1);
    }
}

TEST_F(IniButtons, MpVersionLocksThePagesRightAfterLoading) {
    Load("");
    Choose(WriteFile("locked.ini", "[Setting]\nMPVersion=1\n"));
    Click("INILoadBtn");
    EXPECT_FALSE(C<QPushButton>("INISaveBtn")->isEnabled());
    EXPECT_FALSE(C<QWidget>("TabSheet2")->isEnabled());
    Choose(WriteFile("open.ini", "[Setting]\nMPVersion=0\n"));
    Click("INILoadBtn");
    EXPECT_FALSE(C<QPushButton>("INISaveBtn")->isEnabled()) << "MPVersion=0 leaves the lock as it was";
}

TEST_F(IniButtons, CustomPathMode) {
    const std::string custom = dir_.file("custom.ini");
    Load("[Setting]\nSupportCustIniFilePath=1\nCustIniFilePath=" + custom + "\n");
    Click("INILoadBtn");
    ASSERT_EQ(prompter_.Records().size(), 1u);
    EXPECT_EQ(prompter_.Texts()[0], "File " + custom + " does not exist.");
    EXPECT_EQ(prompter_.Records()[0].buttons, ui::BoxButtons::Ok);
    EXPECT_EQ(state_.IniPath, custom) << "keeps the custom path";

    WriteFile("custom.ini", "[Setting]\nSupportCustIniFilePath=0\n[DeviceSetting]\nModelNum=CUSTOM\n");
    prompter_.Clear();
    Click("INILoadBtn");
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(Edit("ModelNumEdit"), "CUSTOM");
    EXPECT_EQ(settings_.SupportCustIniFilePath, 1) << "the mode stays on whatever the file said";
    EXPECT_STREQ(settings_.CustIniFilePath, custom.c_str());

    C<QLineEdit>("ModelNumEdit")->setText("SAVED CUSTOM");
    Click("INISaveBtn");
    EXPECT_NE(ReadFile(custom).find("ModelNum=SAVED CUSTOM\r\n"), std::string::npos);
    EXPECT_TRUE(prompter_.Texts().empty()) << "no dialog in custom mode";
}

TEST_F(IniButtons, SaveThroughTheDialogWritesACopy) {
    Load("");
    C<QLineEdit>("ModelNumEdit")->setText("COPY");
    Choose(dir_.file("copy.ini"));
    Click("INISaveBtn");
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file.kind, ui::FileDialogKind::Save);
    EXPECT_EQ(records[0].file.filter, "EEPROM INI file(*.ini)|*.ini");
    EXPECT_NE(ReadFile(dir_.file("copy.ini")).find("ModelNum=COPY\r\n"), std::string::npos);
    EXPECT_EQ(state_.IniPath, state_.ProgramFolder + "QXMPTOOL.ini");

    prompter_.Clear();
    Choose(std::nullopt);
    Click("INISaveBtn");
    EXPECT_EQ(prompter_.Records().size(), 1u) << "a cancelled dialog writes nothing";
}

TEST_F(IniButtons, ASaveThatCannotBeWrittenSaysSo) {
    Load("");
    const std::string blocked = dir_.file("missing_folder/x.ini");
    Choose(blocked);
    Click("INISaveBtn");
    EXPECT_EQ(prompter_.Texts().back(), "Cannot write the settings file " + blocked);
    EXPECT_EQ(prompter_.Records().back().caption, "Error");
}

TEST_F(IniButtons, MissingSettingsFileAtLoad) {
    EXPECT_EQ(area_->LoadIniFile(dir_.file("QXMPTOOL.ini")), 1);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"The " + dir_.file("QXMPTOOL.ini") +
                                                          " file cann't be found, and the application will create the file!\n"});
    EXPECT_EQ(C<QLabel>("CRC32Label")->text(), "");
}

}  // namespace
}  // namespace qx::test
