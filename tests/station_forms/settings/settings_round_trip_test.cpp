// Every settings key either has a control on the pages or is listed here as
// one without; each page key goes file → record → control → record → file.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include <set>

#include "qxlib/settings/settings_keys.h"
#include "station_forms/settings/settings_area_fixture.h"

namespace qx::test {
namespace {

// Keys the pages do not show: other Parts' switches, hidden engineering
// values, counters and tables of their own.
const std::set<std::string> kKeysWithoutControl = {
    "ShowTitle", "EnDumpFreeBlockInfo", "EnUpdateFirmwareMode", "MPVersion", "TimeOut", "EnBarCode",
    "EnableWorkOrder", "EnSaveDefectTable", "UpdateFirmwareA2B", "EnBarCodeWWN", "EnCustomizeIdentify",
    "EnKeepSmartInfo", "EnNoCheckBridge", "SataBusMode", "EnAutoExecuteAfterInputSn", "BarCodeInputMode",
    "BarCodeInputMaxCnt", "EnRudavuzSnToWWN", "EnRudavuzLogResult", "RudavuzSnToWWNMode",
    "EnCheckToolOnRemoteDisk", "EnBuildModifiedGDP", "SupportCustIniFilePath", "CustIniFilePath", "EnNoCheckRDTSn",
    "EnOutputDbgMsg", "EnPPID", "EnCRCLabel", "EnShowCapacityAfterMPPass", "EnWriteLogFileNameEnd", "EnADATAWWN",
    "EnCheckTablesErase", "EnReadRDTLog", "CheckRDTMode", "EnCheckSnLength", "CheckSnLengthValue",
    "CheckPPIDLengthValue", "SNErrReuse", "IDE_UDMA5", "LimitSATASpeed", "ExtFlashFile", "FwBankSet%d",
    "NoDeviceSleep", "EN_Digital_DLLPhase_Adjust", "DLLPhase", "UsbRemovable", "UsbLedP14", "SecurityCounter",
    "DirtyDepth", "InterleaveWay", "LEDControl", "EnTrimCmd", "EnThermalSensor", "EnNoSPI", "EnSizeAlignment",
    "EnLaterSkipEccOver", "EnLaterSkipProgFail", "EnLaterSkipEraseFail", "EnLaterSkipEccFail", "EnExtendBlock",
    "EnLowPage", "ProhibitRemapOffset", "EnModifyTMCvalue", "ToggleTMC%d", "ONFITMC%d", "AsynTMC%d",
    "DriverSetting", "RovidaSSD", "EnCodeBlockLowPage", "EnRegMap", "DumpDebugFile", "EnGodMode", "EnReMPSN",
    "SerialNum%2.2d", "SMARTPowerOnHoursCount", "SMARTDrivePowerCycleCount", "SMARTSSDProtectMode",
    "SMARTSATAPHYErrorCount", "SMARTBADBlockCount", "SMARTMaxBadBlockCount", "SMARTEraseCount",
    "SMARTUnexpectedPowerLossCount", "SMARTMinTemperature", "SMARTMaxTemperature",
};
// Step enables, shown as the check list's marks.
const std::set<std::string> kCheckListKeys = {
    "EnFlashModule", "EnSataTest", "EnFlashTest", "EnDramTest", "EnPreFormat", "EnDownload",
    "EnUpload", "EnRWTest", "EnCheckTables", "EnSetMaxLBA", "EnCheckTemperature",
};

// "FwBankSet0".."7" and the like stand in the list above as one family.
bool ListedWithoutControl(const std::string& name) {
    if (kKeysWithoutControl.count(name)) return true;
    return !name.empty() && std::isdigit(static_cast<unsigned char>(name.back())) &&
           kKeysWithoutControl.count(name.substr(0, name.size() - 1) + "%d");
}

TEST_F(SettingsAreaTest, EveryKeyHasAControlOrIsListed) {
    std::set<std::string> shown;
    for (const auto& [control, key] : area_->ControlKeys())
        if (key) shown.insert(key);
    for (const SettingsKey& key : SettingsKeyTable()) {
        const std::size_t places =
            shown.count(key.Key) + (ListedWithoutControl(key.Key) ? 1 : 0) + kCheckListKeys.count(key.Key);
        EXPECT_EQ(places, 1u) << key.Section << "/" << key.Key;
    }
}

struct RoundTrip {
    const char* fileLines;   // section and key lines (and any flag the key needs to be saved)
    const char* control;
    const char* shown;       // edit text, "1"/"0" for a check or radio, item index for a combo
    const char* savedLine;   // what the next save writes
};

// A distinct value per key, of every width: 8, 16, 32 and 64 bits, texts,
// checks, radios, combos and the spin edit.
const RoundTrip kRoundTrips[] = {
    {"[TestItems]\nEnCheckTemperature=1\nCheckMaxTemperatureValue=85\n", "CheckMaxTemperatureValue", "85", "CheckMaxTemperatureValue=85"},
    {"[TestItems]\nSetMaxLBAValue=123456789012\n", "MaxLBAValue", "123456789012", "SetMaxLBAValue=123456789012"},
    {"[TestItems]\nEnCopyImage=1\nCopyImagePath=/img/a.img\n", "ImagePathEdit", "/img/a.img", "CopyImagePath=/img/a.img"},
    {"[TestItems]\nDiskLabel=QXDISK\n", "VolumeLabeledEdit", "QXDISK", "DiskLabel=QXDISK"},
    {"[TestItems]\nDiskFormat=0\n", "FmtTypeComboBox", "0", "DiskFormat=0"},
    {"[TestItems]\nEnCheckRDT=1\n", "InheritChk", "1", "EnCheckRDT=1"},
    {"[TestItems]\nCheckFlashMask=5\n", "CheckID3", "1", "CheckFlashMask=5"},
    {"[TestItems]\nDownloadType=1\n", "SataBinChk", "1", "DownloadType=1"},
    {"[DeviceSetting]\nModelNum=QX MODEL 2\n", "ModelNumEdit", "QX MODEL 2", "ModelNum=QX MODEL 2"},
    {"[DeviceSetting]\nFirmwareVer=QX0712\n", "FirmwareVerEdit", "QX0712", "FirmwareVer=QX0712"},
    {"[DeviceSetting]\nSerialNum=SN0000123\n", "SerialNumEdit", "SN0000123", "SerialNum=SN0000123"},
    {"[DeviceSetting]\nSNAutoInc=1\n", "SNIncChk", "1", "SNAutoInc=1"},
    {"[DeviceSetting]\nSNDecimal=0\n", "SNDecimal", "0", "SNDecimal=0"},
    {"[DeviceSetting]\nSNMinLength=9\n", "SNMinLengthSpin", "9", "SNMinLength=9"},
    {"[DeviceSetting]\nOUI=ABCDEF\n", "OUILEdit", "ABCDEF", "OUI=ABCDEF"},
    {"[DeviceSetting]\nUID=123456789\n", "UIDLEdit", "123456789", "UID=123456789"},
    {"[DeviceSetting]\nUIDAutoInc=1\n", "UIDIncChk", "1", "UIDAutoInc=1"},
    {"[DeviceSetting]\nUIDDecimal=1\n", "UIDDecimal", "1", "UIDDecimal=1"},
    {"[FlashSetting]\nFlashUniName=AM32T\n", "FlashCodeCmBx", "0", "FlashUniName=AM32T"},
    {"[FlashSetting]\nChannel=3\n", "FlashChanCmBx", "2", "Channel=3"},
    {"[FlashSetting]\nBank=4\n", "FlashBankCmBx", "3", "Bank=4"},
    {"[FlashSetting]\nDrvCurrent=5\n", "DrvCurrentCmBx", "5", "DrvCurrent=5"},
    {"[FlashSetting]\nCapacity=3\n", "CapacityCmBx", "3", "Capacity=3"},
    {"[FwSetting]\nDefPercentage=12\n", "DefBlkRatioEdit", "12", "DefPercentage=12"},
    {"[FwSetting]\nResPercentage=345\n", "ResBlkRatioEdit", "345", "ResPercentage=345"},
    {"[FwSetting]\nBch16ReadErrorThreshold=11\n", "Bch16RdErrThldEdit", "11", "Bch16ReadErrorThreshold=11"},
    {"[FwSetting]\nBch24ReadErrorThreshold=21\n", "Bch24RdErrThldEdit", "21", "Bch24ReadErrorThreshold=21"},
    {"[FwSetting]\nBch40ReadErrorThreshold=31\n", "Bch40RdErrThldEdit", "31", "Bch40ReadErrorThreshold=31"},
    {"[FwSetting]\nBch16EccErrorCopyThreshold=12\n", "Bch16EccErrCpyThldEdit", "12", "Bch16EccErrorCopyThreshold=12"},
    {"[FwSetting]\nBch24EccErrorCopyThreshold=22\n", "Bch24EccErrCpyThldEdit", "22", "Bch24EccErrorCopyThreshold=22"},
    {"[FwSetting]\nBch40EccErrorCopyThreshold=32\n", "Bch40EccErrCpyThldEdit", "32", "Bch40EccErrorCopyThreshold=32"},
    {"[FwSetting]\nWearLevelFrequency=9\n", "WearLevFreqEdit", "9", "WearLevelFrequency=9"},
    {"[FwSetting]\nScrambleEnable=0\n", "ScrambleChk", "0", "ScrambleEnable=0"},
    {"[FwSetting]\nRemapEnable=0\n", "RemapChk", "0", "RemapEnable=0"},
    {"[FwSetting]\nEnOneDram=1\n", "OneDramChk", "1", "EnOneDram=1"},
    {"[FwSetting]\nEnEarlyBad=1\n", "EarlyChk", "1", "EnEarlyBad=1"},
    {"[FwSetting]\nEnEraseReBuildBad=1\n", "EraseChk", "1", "EnEraseReBuildBad=1"},
    {"[FwSetting]\nEnSkipEraseGood=1\n", "SkipEraseGoodChkBox", "1", "EnSkipEraseGood=1"},
    {"[Setting]\nEnKeepEraseCount=1\n", "KeepPreviousEraseCountChk", "1", "EnKeepEraseCount=1"},
    {"[Setting]\nConnectDevNum=3\n", "ConnectionChkCmbox", "3", "ConnectDevNum=3"},
    {"[RDSetting]\nEnableGetPutTable=1\nTableIn=/t/in.txt\n", "TableInEdit", "/t/in.txt", "TableIn=/t/in.txt"},
    {"[RDSetting]\nEnableGetPutTable=1\nTableOut=/t/out.txt\n", "TableOutEdit", "/t/out.txt", "TableOut=/t/out.txt"},
    {"[RDSetting]\nEnableGetPutTable=1\nLaterTableIn=/t/lin.txt\n", "LaterTableInEdit", "/t/lin.txt", "LaterTableIn=/t/lin.txt"},
    {"[RDSetting]\nEnableGetPutTable=1\nLaterTableOut=/t/lout.txt\n", "LaterTableOutEdit", "/t/lout.txt", "LaterTableOut=/t/lout.txt"},
};

std::string Shown(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    if (auto* c = qobject_cast<QCheckBox*>(w)) return c->isChecked() ? "1" : "0";
    if (auto* r = qobject_cast<QRadioButton*>(w)) return r->isChecked() ? "1" : "0";
    if (auto* b = qobject_cast<QComboBox*>(w)) return std::to_string(b->currentIndex());
    if (auto* s = qobject_cast<QSpinBox*>(w)) return std::to_string(s->value());
    return "?";
}

TEST_F(SettingsAreaTest, KeysGoFromFileToControlAndBack) {
    area_->SetPortCount(4);
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.control);
        ASSERT_EQ(area_->LoadIniFile(WriteFile("in.ini", c.fileLines)), 1);
        EXPECT_EQ(Shown(C<QWidget>(c.control)), c.shown);
        area_->FormToGlobalParameter();
        ASSERT_TRUE(area_->SaveIniFile(dir_.file("out.ini")));
        const std::string saved = ReadFile(dir_.file("out.ini"));
        EXPECT_NE(saved.find(std::string("\n") + c.savedLine + "\r\n"), std::string::npos) << saved;
        ASSERT_EQ(area_->LoadIniFile(dir_.file("out.ini")), 1);
        EXPECT_EQ(Shown(C<QWidget>(c.control)), c.shown) << "read again";
    }
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SettingsAreaTest, KeylessFieldsAndOneWayControls) {
    Load("");
    struct Case {
        const char* control;
        const char* typed;
        std::function<std::uint64_t()> field;
        std::uint64_t taken;
    };
    const Case cases[] = {
        {"IDEMACapacityEdit", "999", [this] { return settings_.IdemaCapacityGB; }, 999},
        {"CheckMaxTemperatureValue", "300", [this] { return settings_.CheckMaxTemperatureValue; }, 300 & 0xFF},
        {"Bch40RdErrThldEdit", "0x1FF", [this] { return settings_.Bch40ReadErrorThreshold; }, 0xFF},
        {"RWTestPercentageValue", "50", [this] { return settings_.RWTestPercentage; }, 50},
        {"RWTestPercentageCycle", "7", [this] { return settings_.RWTestPercentageCycles; }, 7},
        {"LBA_Capacity", "4294967295", [this] { return settings_.LbaCapacity; }, 4294967295u},
        {"WTestFullCycle", "65537", [this] { return settings_.WTestFullCycles; }, 1},
        {"RWTestFullCycle", "3", [this] { return settings_.RWTestFullCycles; }, 3},
        {"MaxLBAValue", "18446744073", [this] { return settings_.SetMaxLBAValue; }, 18446744073u},
    };
    for (const Case& c : cases) {
        C<QLineEdit>(c.control)->setText(c.typed);
        area_->FormToGlobalParameter();
        EXPECT_EQ(c.field(), c.taken) << c.control;
        area_->GlobalParameterToForm();
        EXPECT_EQ(Edit(c.control).toULongLong(), c.taken) << c.control;
    }

    // Shown only: the ratios are never taken from their edits.
    C<QLineEdit>("ResBlkRatioEdit")->setText("999");
    C<QLineEdit>("DefBlkRatioEdit")->setText("99");
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.ResPercentage, 68);
    // An empty wear-level edit leaves its field.
    settings_.WearLevelFrequency = 4;
    C<QLineEdit>("WearLevFreqEdit")->clear();
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.WearLevelFrequency, 4);
    // The repeat count is read at START only.
    C<QLineEdit>("LabeledEditRepeatTimes")->setText("7");
    area_->GlobalParameterToForm();
    EXPECT_EQ(Edit("LabeledEditRepeatTimes"), "7");
    // Serial-check texts and source.
    C<QRadioButton>("SnCheckPatternRB")->setChecked(true);
    C<QLineEdit>("SnCheckValueLd")->setText("QX##??");
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.SnCheckUsePattern, 1);
    EXPECT_STREQ(settings_.SnCheckPattern, "QX##??");
    // "Factory + New BB" has no key; every load sets it.
    EXPECT_TRUE(C<QCheckBox>("LaterChk")->isChecked());
    C<QCheckBox>("LaterChk")->setChecked(false);
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.EnLaterBad, 0);
}

TEST_F(SettingsAreaTest, StickyAndHiddenControls) {
    Load("[DeviceSetting]\nEncryptionEnable=1\n[TestItems]\nEnFormat=0\nEnGenImage=0\n");
    EXPECT_FALSE(C<QWidget>("GroupBox7")->isHidden());
    settings_.EncryptionEnable = 0;
    area_->GlobalParameterToForm();
    EXPECT_FALSE(C<QWidget>("GroupBox7")->isHidden()) << "never hidden again";
    EXPECT_TRUE(C<QWidget>("FormatGroupBox")->isHidden());
    EXPECT_TRUE(C<QWidget>("GenImageBn")->isHidden());
    EXPECT_TRUE(C<QWidget>("UsbBinChk")->isHidden());
    EXPECT_TRUE(C<QWidget>("UpdateFirmwareChk")->isHidden());
    EXPECT_TRUE(C<QWidget>("SkipEraseGoodChkBox")->isHidden());
}

}  // namespace
}  // namespace qx::test
