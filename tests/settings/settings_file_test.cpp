#include <gtest/gtest.h>

#include <map>
#include <string>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/ini_engine.h"
#include "qxlib/settings/settings_file.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/settings_key_scramble.h"
#include "qxlib/settings/settings_keys.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/base/switches.h"
#include "settings/file_bytes.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::string Crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The default file: the saved keys in save order, every section after the
// first preceded by an empty line.
const char kDefaultFile[] =
    "[Setting]\nProductModel=QX\nMPVersion=0\nTimeOut=200\nConnectDevNum=0\nEnBarCode=0\nEnKeepEraseCount=0\n"
    "EnKeepSmartInfo=0\nEnBarCodeWWN=0\n"
    "\n[TestItems]\nCheckFlashMask=31\nEnSataTest=0\nEnFlashTest=0\nEnDramTest=0\nEnPreFormat=0\nEnDownload=0\n"
    "DownloadType=1\nEnRWTest=0\nEnCheckTables=0\nEnSetMaxLBA=0\nSetMaxLBAValue=0\nEnFormat=0\nDiskFormat=0\n"
    "DiskLabel=SSD Disk\nEnCheckRDT=0\nCheckRDTMode=0\n"
    "\n[DeviceSetting]\nModelNum=Quorlix QXF8XX SSD\nFirmwareVer=12345678\nSerialNum=QX_0123456789\nSNAutoInc=0\n"
    "SNDecimal=0\nSNMinLength=12\nSNErrReuse=0\nOUI=000000\nUID=000000000\nUIDAutoInc=0\nUIDDecimal=0\n"
    "\n[FlashSetting]\nExtFlashFile=Flash.ini\nCapacity=0\nFlashUniName=WBG\nChannel=8\nBank=2\nDrvCurrent=1\n"
    "FwBankSet0=0\nFwBankSet1=1\nFwBankSet2=2\nFwBankSet3=3\nFwBankSet4=4\nFwBankSet5=5\nFwBankSet6=6\n"
    "FwBankSet7=7\n"
    "\n[FwSetting]\nDefPercentage=48\nResPercentage=68\nBch16ReadErrorThreshold=13\nBch24ReadErrorThreshold=20\n"
    "Bch40ReadErrorThreshold=34\nBch16EccErrorCopyThreshold=6\nBch24EccErrorCopyThreshold=15\n"
    "Bch40EccErrorCopyThreshold=27\nScrambleEnable=1\nRemapEnable=1\nNoDeviceSleep=0\nSecurityCounter=5\n"
    "DirtyDepth=40\nEnTrimCmd=1\nEnThermalSensor=0\nEnNoSPI=0\nEnLaterSkipEccOver=0\nEnLaterSkipProgFail=0\n"
    "EnLaterSkipEraseFail=0\nEnLaterSkipEccFail=0\nEnOneDram=1\n";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {DebugToFile.load(), DumpDebugFile.load(), SataBusMode.load(), FlashIdCheckMask.load(),
                  EnGodMode.load()};
        savedPcIni_ = PcIniPath();
        SetPcIniPath(dir_.path() / "pc.ini");
    }
    void TearDown() override {
        DebugToFile.store(saved_.debugToFile);
        DumpDebugFile.store(saved_.dump);
        SataBusMode.store(saved_.busMode);
        FlashIdCheckMask.store(saved_.mask);
        EnGodMode.store(saved_.god);
        SetPcIniPath(savedPcIni_);
    }

    // Loads text (LF line ends) and returns what a save of it writes, as LF text.
    std::string LoadAndSave(const std::string& text) {
        WriteBytes(dir_.file("in.ini"), Crlf(text));
        LoadGlobalParameter(dir_.file("in.ini"), settings_, config_);
        return SaveNow();
    }
    std::string SaveNow() {
        EXPECT_EQ(SaveGlobalParameter(dir_.file("out.ini"), settings_, config_), 1);
        std::string bytes = ReadBytes(dir_.file("out.ini"));
        std::string lf;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
            lf += bytes[i];
        }
        return lf;
    }
    void Load(const std::string& text) {
        ReadSettingsText(IniText(text), settings_, config_);
    }

    test::TempDir dir_;
    GlobalParameter settings_{};
    FlashConfig config_{};

private:
    struct {
        bool debugToFile, dump;
        std::uint8_t busMode, mask, god;
    } saved_{};
    std::filesystem::path savedPcIni_;
};

TEST_F(SettingsFileTest, NoFileSavesTheCompleteDefaultFileWithCrLf) {
    LoadGlobalParameter(dir_.file("missing.ini"), settings_, config_);
    SaveGlobalParameter(dir_.file("new.ini"), settings_, config_);
    EXPECT_EQ(ReadBytes(dir_.file("new.ini")), Crlf(kDefaultFile));
}

TEST_F(SettingsFileTest, DefaultsOfKeysThatAreNotSaved) {
    Load("");
    EXPECT_EQ(settings_.TimeOut, 200u * 60000u);
    EXPECT_EQ(settings_.EnCheckToolOnRemoteDisk, 1);
    EXPECT_EQ(settings_.EnCRCLabel, 1);
    EXPECT_EQ(settings_.TestItemEnable[kItemFlashModule], 1);
    EXPECT_EQ(settings_.CheckSnLengthValue, 12);
    EXPECT_EQ(settings_.CheckPPIDLengthValue, 23);
    EXPECT_EQ(settings_.WearLevelFrequency, 128);
    EXPECT_EQ(settings_.InterleaveWay, 4);
    EXPECT_EQ(FixedTextView(settings_.EncryptionString), "Pelgrun");
    EXPECT_EQ(settings_.SMARTPowerOnHoursCount, 99877u);
    EXPECT_EQ(settings_.SMARTMaxTemperature, 99877u);
    EXPECT_EQ(SataBusMode.load(), 2);
    EXPECT_EQ(FlashIdCheckMask.load(), 31);
    EXPECT_EQ(config_.ToggleTMC, (std::array<std::uint8_t, 7>{0, 0, 34, 4, 255, 255, 31}));
    EXPECT_EQ(config_.ONFITMC, (std::array<std::uint8_t, 7>{16, 16, 17, 0, 155, 249, 84}));
    EXPECT_EQ(config_.AsynTMC, (std::array<std::uint8_t, 7>{144, 144, 34, 4, 155, 249, 84}));
    EXPECT_EQ(config_.LedInterleaveConfig, 4);
    EXPECT_EQ(config_.DirtyDepth, 40);
}

TEST_F(SettingsFileTest, ForeignKeysAndCommentsSurviveALoadSaveRoundTrip) {
    const std::string file =
        "; station settings, edited by hand\n"
        "[Setting]\n"
        "ProductModel=Line 3\n"
        "LogPath=log\n"
        "EnOutputDbgMsg=1\n"
        "; the time-out is in minutes\n"
        "TimeOut=7\n"
        "[Custom]\n"
        "Anything=goes here\n"
        "\n"
        "[SMART]\n"
        "SMARTEraseCount=12\n"
        "[FwSetting]\n"
        "ToggleTMC2=99\n"
        "DefPercentage=50\n";
    const std::string saved = LoadAndSave(file);
    EXPECT_EQ(settings_.SMARTEraseCount, 12u);
    EXPECT_EQ(config_.ToggleTMC[2], 99);
    // Known keys are replaced in place; new ones go to the end of their section.
    EXPECT_NE(saved.find("; station settings, edited by hand\n[Setting]\nProductModel=Line 3\nLogPath=log\n"
                         "EnOutputDbgMsg=1\n; the time-out is in minutes\nTimeOut=7\nMPVersion=0\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("[Custom]\nAnything=goes here\n\n[SMART]\nSMARTEraseCount=12\n[FwSetting]\n"
                         "ToggleTMC2=99\nDefPercentage=50\n"),
              std::string::npos)
        << saved;
    // A second round changes nothing.
    const std::string again = LoadAndSave(saved);
    EXPECT_EQ(again, saved);
}

TEST_F(SettingsFileTest, LoadTransforms) {
    struct Case {
        const char* text;
        std::uint32_t timeOutMs;
        std::uint8_t snLength;
        std::uint8_t sataSpeed;
        const char* timeOutSaved;
    };
    const Case cases[] = {
        {"[Setting]\nTimeOut=0\n", 300000, 12, 0, "TimeOut=5\n"},
        {"[Setting]\nTimeOut=3\n", 180000, 12, 0, "TimeOut=3\n"},
        {"[Setting]\nTimeOut=-4\n", 300000, 12, 0, "TimeOut=5\n"},
        // Minutes beyond what a signed millisecond count holds stop there.
        {"[Setting]\nTimeOut=99999999\n", 35791u * 60000u, 12, 0, "TimeOut=35791\n"},
        {"[TestItems]\nCheckSnLengthValue=25\n", 12000000, 20, 0, "TimeOut=200\n"},
        {"[TestItems]\nCheckSnLengthValue=300\n", 12000000, 20, 0, "TimeOut=200\n"},
        {"[DeviceSetting]\nLimitSATASpeed=4\n", 12000000, 12, 0, "TimeOut=200\n"},
        {"[DeviceSetting]\nLimitSATASpeed=3\n", 12000000, 12, 3, "TimeOut=200\n"},
    };
    for (const Case& c : cases) {
        const std::string saved = LoadAndSave(c.text);
        EXPECT_EQ(settings_.TimeOut, c.timeOutMs) << c.text;
        EXPECT_EQ(settings_.CheckSnLengthValue, c.snLength) << c.text;
        EXPECT_EQ(settings_.LimitSATASpeed, c.sataSpeed) << c.text;
        EXPECT_NE(saved.find(c.timeOutSaved), std::string::npos) << c.text;
    }
}

TEST_F(SettingsFileTest, ValuesKeepTheirFieldWidth) {
    Load("[Setting]\nMPVersion=300\nProductModel=" + std::string(100, 'm') +
         "\n[FwSetting]\nResPercentage=70000\n[TestItems]\nSetMaxLBAValue=1099511627776\n");
    EXPECT_EQ(settings_.MPVersion, 44);
    EXPECT_EQ(settings_.ResPercentage, 70000 - 65536);
    EXPECT_EQ(FixedTextView(settings_.ProductModel), std::string(79, 'm'));
    EXPECT_EQ(settings_.SetMaxLBAValue, std::uint64_t{1} << 40);
}

TEST_F(SettingsFileTest, DecimalSerialNumbersAndUidsAreReset) {
    Load("[DeviceSetting]\nSNDecimal=1\nSerialNum=12A45\nUIDDecimal=1\nUID=9x\n");
    EXPECT_EQ(FixedTextView(settings_.SerialNum), "00000");
    EXPECT_EQ(FixedTextView(settings_.UID), "00");
    Load("[DeviceSetting]\nSNDecimal=1\nSerialNum=12345\nUIDDecimal=0\nUID=9x\n");
    EXPECT_EQ(FixedTextView(settings_.SerialNum), "12345");
    EXPECT_EQ(FixedTextView(settings_.UID), "9x");
}

TEST_F(SettingsFileTest, ComposedAndCopiedValues) {
    Load("[Setting]\nEnPPID=1\nEnOutputDbgMsg=1\nSataBusMode=1\n"
         "[TestItems]\nCheckFlashMask=7\nEnCopyImage=1\n"
         "[DeviceSetting]\nIDE_UDMA5=1\n"
         "[FwSetting]\nEnWriteProtect=1\nEnSecurityErase=1\nSEStartLatency=3\nUsbLedP14=1\nUsbRemovable=1\n"
         "DirtyDepth=12\nLEDControl=2\nInterleaveWay=3\nEnOneDram=0\n"
         "[RDSetting]\nDumpDebugFile=1\nEnGodMode=1\n");
    EXPECT_EQ(settings_.TestItemEnable[kItemPPID], 1);
    EXPECT_EQ(settings_.TestItemEnable[kItemCopyImage], 1);
    EXPECT_TRUE(DebugToFile.load());
    EXPECT_TRUE(DumpDebugFile.load());
    EXPECT_EQ(SataBusMode.load(), 1);
    EXPECT_EQ(EnGodMode.load(), 1);
    EXPECT_EQ(FlashIdCheckMask.load(), 7);
    EXPECT_EQ(config_.IDE_UDMA5, 1);
    EXPECT_EQ(config_.SecurityOptions, 0x80 | 0x40 | 3);
    EXPECT_EQ(config_.Options[kOptUsbLedP14], 1);
    EXPECT_EQ(config_.UsbRemovable, 1);
    EXPECT_EQ(config_.DirtyDepth, 12);
    EXPECT_EQ(config_.LedInterleaveConfig, 0x23);
    EXPECT_EQ(settings_.EnLaterBad, 1);
    EXPECT_EQ(settings_.EnOneDram, 1) << "the file is not asked for EnOneDram";
}

TEST_F(SettingsFileTest, SwitchesSavedWhenSetCanBeTurnedOff) {
    const std::string file =
        "[Setting]\nSupportCustIniFilePath=1\nCustIniFilePath=/srv/line3.ini\n"
        "[TestItems]\nEnCheckTemperature=1\nCheckMaxTemperatureValue=70\nEnReadRDTLog=1\n"
        "[DeviceSetting]\nIDE_UDMA5=1\n";
    LoadAndSave(file);
    settings_.SupportCustIniFilePath = 0;
    settings_.TestItemEnable[kItemCheckTemperature] = 0;
    settings_.EnReadRDTLog = 0;
    settings_.IDE_UDMA5 = 0;
    const std::string saved = SaveNow();
    for (const char* line : {"SupportCustIniFilePath=0\n", "CustIniFilePath=/srv/line3.ini\n",
                             "EnCheckTemperature=0\n", "CheckMaxTemperatureValue=70\n", "EnReadRDTLog=0\n",
                             "IDE_UDMA5=0\n"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
    }
    // Without a line in the file, a switch that is off stays out of it.
    const std::string fresh = LoadAndSave("");
    for (const char* key : {"SupportCustIniFilePath", "EnCheckTemperature", "EnReadRDTLog", "IDE_UDMA5"}) {
        EXPECT_EQ(fresh.find(key), std::string::npos) << key;
    }
}

TEST_F(SettingsFileTest, ConditionalKeysFollowTheirSwitch) {
    settings_ = {};
    LoadAndSave("[RDSetting]\nEnableGetPutTable=1\nTableIn=in.txt\n[TestItems]\nEnCopyImage=1\nCopyImagePath=img\n");
    const std::string saved = SaveNow();
    EXPECT_NE(saved.find("[RDSetting]\nEnableGetPutTable=1\nTableIn=in.txt\nTableOut=\nLaterTableIn=\n"
                         "LaterTableOut=\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("CopyImagePath=img\n"), std::string::npos);

    settings_.ExtFlashFile[0] = '\0';
    EXPECT_NE(SaveNow().find("ExtFlashFile=Flash.ini\n"), std::string::npos) << "an empty name keeps the old line";
}

TEST_F(SettingsFileTest, EncryptionStringStaysOutWhilePcIniExists) {
    const std::string file = "[DeviceSetting]\nEncryptionString=OLD\n";
    LoadAndSave(file);
    settings_.EncryptionEnable = 1;
    CopyFixedText(settings_.EncryptionString, "NEW");
    WriteBytes(PcIniPath(), "ab\n");
    EXPECT_NE(SaveNow().find("EncryptionString=OLD\n"), std::string::npos);
    std::filesystem::remove(PcIniPath());
    EXPECT_NE(SaveNow().find("EncryptionString=NEW\n"), std::string::npos);
}

TEST_F(SettingsFileTest, MissingSectionIsAppendedInSaveOrder) {
    const std::string saved = LoadAndSave("[Setting]\nProductModel=QX\n[FlashSetting]\nChannel=4\n");
    const std::size_t fw = saved.find("\n\n[FwSetting]\nDefPercentage=48\nResPercentage=68\n");
    ASSERT_NE(fw, std::string::npos) << saved;
    EXPECT_NE(saved.find("EnLaterSkipEccFail=0\nEnOneDram=1\n", fw), std::string::npos);
    EXPECT_NE(saved.find("[FlashSetting]\nChannel=4\n"), std::string::npos) << saved;
}

TEST_F(SettingsFileTest, CustomIdentifyAndReMPSerialNumbers) {
    Load("[Setting]\nEnCustomizeIdentify=1\n[DeviceSetting]\nIdentiyData005=Z1234\nIdentiyData255=X00FFextra\n"
         "[ReMP]\nEnReMPSN=1\nSerialNum01=AB12\nSerialNum50=ZZ99\n");
    EXPECT_STREQ(config_.IdentifyOverrides[5].data(), "Z1234");
    EXPECT_STREQ(config_.IdentifyOverrides[255].data(), "X00FF");
    EXPECT_STREQ(config_.IdentifyOverrides[0].data(), "XXXXX");
    EXPECT_STREQ(settings_.ReMPSerialNum[0], "AB12");
    EXPECT_STREQ(settings_.ReMPSerialNum[49], "ZZ99");
    EXPECT_STREQ(settings_.ReMPSerialNum[1], "N/A");

    IniText out;
    WriteSettingsText(out, settings_, config_);
    EXPECT_EQ(out.IniGetString("DeviceSetting", "IdentiyData005", ""), "Z1234");
    EXPECT_EQ(out.IniGetString("DeviceSetting", "IdentiyData128", ""), "XXXXX");
    EXPECT_FALSE(out.HasKey("ReMP", "SerialNum01"));

    FlashConfig untouched{};
    untouched.IdentifyOverrides[5] = {'Q', 0};
    GlobalParameter record{};
    ReadSettingsText(IniText("[DeviceSetting]\nIdentiyData005=Z1234\n[ReMP]\nSerialNum01=AB12\n"), record,
                     untouched);
    EXPECT_STREQ(untouched.IdentifyOverrides[5].data(), "Q") << "read only with EnCustomizeIdentify";
    EXPECT_STREQ(record.ReMPSerialNum[0], "") << "read only with EnReMPSN";
}

TEST(SettingsKeys, SaveOrderAndKeyTableAgree) {
    std::map<std::string, int> saved;
    for (const SettingsSaveEntry& e : SettingsSaveOrder()) {
        const SettingsKey* key = FindSettingsKey(e.Section, e.Key);
        ASSERT_NE(key, nullptr) << e.Section << "/" << e.Key;
        EXPECT_NE(key->Save, SaveRule::Never) << e.Key;
        ++saved[std::string(e.Section) + "/" + e.Key];
    }
    std::map<std::string, int> names;
    for (const SettingsKey& key : SettingsKeyTable()) {
        const std::string id = std::string(key.Section) + "/" + key.Key;
        ++names[key.Key];
        if (key.Save != SaveRule::Never) {
            EXPECT_EQ(saved[id], 1) << id;
        }
        if (key.FlagKey) {
            EXPECT_NE(FindSettingsKeyByName(key.FlagKey), nullptr) << id;
        }
    }
    for (const auto& [name, count] : names) EXPECT_EQ(count, 1) << name << " names one key only";
}

TEST(SettingsKeyScramble, Bytes) {
    EXPECT_EQ(ScrambleKeyByte(0x10, 3), 0xEC);
    EXPECT_EQ(ScrambleKeyByte(0xFF, 1), 0xFF);
    EXPECT_EQ(ScrambleKeyByte('a', 0), 0x9E);
}

}  // namespace
}  // namespace qx
