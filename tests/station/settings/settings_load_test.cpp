#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "qxlib/settings/settings_checksum.h"
#include "settings/flash_config_fixture.h"
#include "station/flash_part_list.h"
#include "station/results/log_directory.h"
#include "station/settings/settings_load.h"
#include "station/settings/settings_window_state.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::station {
namespace {

class SettingsLoad : public test::FlashConfigFixture {
protected:
    void SetUp() override {
        FlashConfigFixture::SetUp();
        savedPcIni_ = PcIniPath();
        SetPcIniPath(dir_.file("pc.ini"));
        savedBatch_ = EnBatchMode.load();
        state_.ProgramFolder = dir_.path().string() + "/";
        std::filesystem::copy_file(QX_SOURCE_DIR "/data/Flash.ini", dir_.file("Flash.ini"));
    }
    void TearDown() override {
        SetPcIniPath(savedPcIni_);
        EnBatchMode.store(savedBatch_);
        FlashConfigFixture::TearDown();
    }
    std::string WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(dir_.file(name), std::ios::binary) << text;
        return dir_.file(name);
    }
    bool Load(const std::string& path) { return LoadSettingsFile(path, stores_, prompter_, crc_); }

    test::TempDir dir_;
    FlashPartList parts_;
    SettingsWindowState state_;
    SettingsStores stores_{settings_, config_, parts_, state_};
    ui::ScriptedPrompter prompter_;
    std::string crc_;
    std::filesystem::path savedPcIni_;
    std::uint8_t savedBatch_ = 0;
};

TEST_F(SettingsLoad, AGoodFileLoadsEverything) {
    const std::string path =
        WriteFile("QXMPTOOL.ini", "[Setting]\nLogPath=log\n[FlashSetting]\nFlashUniName=KT64H\n[RDSetting]\nEnBatchMode=1\n");
    ASSERT_TRUE(Load(path));
    char crc[32];
    std::snprintf(crc, sizeof crc, "CRC32: %X", GetFileCRC32(path));
    EXPECT_EQ(crc_, crc);
    EXPECT_STREQ(settings_.FlashUniName, "KT64H");
    EXPECT_EQ(EnBatchMode.load(), 1);
    EXPECT_EQ(state_.FlashVendorCount, 4);
    EXPECT_EQ(state_.FlashPartCount, 10);
    EXPECT_EQ(parts_.PartCount(), 10);
    EXPECT_EQ(state_.LogDir, state_.ProgramFolder + "log/");
    EXPECT_TRUE(prompter_.Texts().empty());
    FinishSettingsLoad(stores_);
    EXPECT_TRUE(std::filesystem::is_directory(state_.LogDir));
}

TEST_F(SettingsLoad, LogPathOtherThanLogIsUsedAsWritten) {
    ASSERT_TRUE(Load(WriteFile("a.ini", "[Setting]\nLogPath=/tmp/station_logs\n")));
    EXPECT_EQ(state_.LogDir, "/tmp/station_logs") << "a prefix: the yield file becomes a sibling";
}

TEST_F(SettingsLoad, MissingFileLoadsDefaults) {
    ASSERT_TRUE(Load(dir_.file("none.ini")));
    EXPECT_EQ(crc_, "");
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"The " + dir_.file("none.ini") +
                                                          " file cann't be found, and the application will create the file!\n"});
    EXPECT_EQ(prompter_.Records()[0].caption, "Error");
    EXPECT_EQ(prompter_.Records()[0].icon, ui::BoxIcon::Error);
    EXPECT_STREQ(settings_.FlashUniName, "WBG");
}

TEST_F(SettingsLoad, AFailedLoadChangesNothing) {
    ASSERT_TRUE(Load(WriteFile("good.ini", "[FlashSetting]\nFlashUniName=KT64H\n")));
    const GlobalParameter before = settings_;
    const FlashConfig configBefore = config_;
    const SettingsWindowState stateBefore = state_;
    struct Case {
        const char* what;
        std::string text;
        std::string message;
    };
    WriteFile("broken.ini", "[Vendor]\nName00=V\n[V]\nName000=P1 PN 0x1849 2, 3\n");
    const Case cases[] = {
        {"empty part list name", "[FlashSetting]\nExtFlashFile=\nFlashUniName=AM16P\n[Setting]\nMPVersion=1\n[RDSetting]\nEnBatchMode=1\n",
         "Please make sure the flash file  exist!\n"},
        {"malformed part list", "[FlashSetting]\nExtFlashFile=broken.ini\nFlashUniName=AM16P\n[RDSetting]\nEnBatchMode=1\n",
         "Please make sure the flash file broken.ini format correct!\n"},
        {"missing part list", "[FlashSetting]\nExtFlashFile=none.ini\n", "Please make sure the flash file none.ini format correct!\n"},
    };
    for (const Case& c : cases) {
        prompter_.Clear();
        EXPECT_FALSE(Load(WriteFile("bad.ini", c.text))) << c.what;
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(std::memcmp(&before, &settings_, sizeof before), 0) << c.what;
        EXPECT_EQ(std::memcmp(&configBefore, &config_, sizeof config_), 0) << c.what;
        EXPECT_EQ(EnBatchMode.load(), 0) << c.what;
        EXPECT_EQ(state_.SettingsUnlocked, stateBefore.SettingsUnlocked) << c.what;
        EXPECT_EQ(parts_.PartCount(), 10) << c.what;
    }
    // The next save still writes into the good file's text.
    ASSERT_TRUE(SaveSettingsFile(dir_.file("out.ini"), stores_, prompter_));
    std::ifstream in(dir_.file("out.ini"));
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("FlashUniName=KT64H"), std::string::npos);
    EXPECT_EQ(saved.find("AM16P"), std::string::npos);
}

TEST_F(SettingsLoad, MpVersionLocksAndZeroLeavesTheLock) {
    ASSERT_TRUE(Load(WriteFile("a.ini", "[Setting]\nMPVersion=0\n")));
    EXPECT_EQ(state_.SettingsUnlocked, 1);
    ASSERT_TRUE(Load(WriteFile("b.ini", "[Setting]\nMPVersion=1\n")));
    EXPECT_EQ(state_.SettingsUnlocked, 0);
    ASSERT_TRUE(Load(WriteFile("c.ini", "[Setting]\nMPVersion=0\n")));
    EXPECT_EQ(state_.SettingsUnlocked, 0) << "only the password unlocks";
}

TEST_F(SettingsLoad, PcIniGivesTheEncryptionString) {
    struct Case {
        const char* content;
        const char* expected;
    };
    for (const Case c : {Case{"ab\ncd", "ab\n"}, Case{"abcde\n", "abc"}, Case{"\nxyz", "\n"}}) {
        WriteFile("pc.ini", c.content);
        settings_.EncryptionEnable = 0;
        ASSERT_TRUE(Load(WriteFile("a.ini", "")));
        EXPECT_STREQ(settings_.EncryptionString, c.expected) << c.content;
        EXPECT_EQ(settings_.EncryptionEnable, 1);
    }
}

TEST_F(SettingsLoad, SavePathsAndAFailedSave) {
    EXPECT_EQ(ResolveProgramPath("/p/", "QXMPTOOL.ini"), "/p/QXMPTOOL.ini");
    EXPECT_EQ(ResolveProgramPath("/p/", "sub/a.ini"), "/p/sub/a.ini");
    EXPECT_EQ(ResolveProgramPath("/p/", "/abs/a.ini"), "/abs/a.ini");
    EXPECT_EQ(ResolveProgramPath("/p/", "c:\\cfg\\a.ini"), "c:\\cfg\\a.ini");
    ASSERT_TRUE(Load(WriteFile("a.ini", "")));
    EXPECT_TRUE(SaveSettingsFile("plain.ini", stores_, prompter_));
    EXPECT_TRUE(std::filesystem::exists(dir_.file("plain.ini")));
    const std::string blocked = dir_.file("no_such_folder/x.ini");
    EXPECT_FALSE(SaveSettingsFile(blocked, stores_, prompter_));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Cannot write the settings file " + blocked});
    EXPECT_EQ(prompter_.Records()[0].caption, "Error");
}

TEST_F(SettingsLoad, LogFolderThatCannotBeMade) {
    ASSERT_TRUE(Load(WriteFile("a.ini", "[Setting]\nLogPath=" + dir_.file("a/b/") + "\n")));
    EXPECT_THROW(FinishSettingsLoad(stores_), CannotCreateLogDirectory);
}

}  // namespace
}  // namespace qx::station

namespace qx::station {
namespace {

TEST_F(SettingsLoad, CapsLockIsSwitchedOffOnlyForBarCodes) {
    int calls = 0;
    const auto off = [&calls] { ++calls; return true; };
    ASSERT_TRUE(Load(WriteFile("a.ini", "[Setting]\nLogPath=log\nEnBarCode=0\n")));
    FinishSettingsLoad(stores_, off);
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(Load(WriteFile("b.ini", "[Setting]\nLogPath=log\nEnBarCode=1\n")));
    FinishSettingsLoad(stores_, off);
    EXPECT_EQ(calls, 1);
    FinishSettingsLoad(stores_);   // no display to switch: a trace line, no failure
}

}  // namespace
}  // namespace qx::station
