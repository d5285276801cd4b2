#include "qxlib/settings/settings_keys.h"

#include <array>
#include <cstdio>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/base/switches.h"

namespace qx {
namespace {

using G = GlobalParameter;
using C = FlashConfig;
using Locate = SettingsField (*)(SettingsTargets&, std::size_t);

SettingsField Ref(std::uint8_t& v) { return &v; }
SettingsField Ref(std::uint16_t& v) { return &v; }
SettingsField Ref(std::uint32_t& v) { return &v; }
SettingsField Ref(std::uint64_t& v) { return &v; }
template <std::size_t N>
SettingsField Ref(char (&text)[N]) { return std::span<char>(text); }
template <std::size_t N>
SettingsField Ref(std::array<char, N>& text) { return std::span<char>(text); }

// A field of the record or of the configuration, an element of one of their
// arrays (fixed or by key number), or a library switch.
template <auto M>
SettingsField Rec(SettingsTargets& t, std::size_t) { return Ref(t.Record.*M); }
template <auto M, std::size_t I>
SettingsField RecAt(SettingsTargets& t, std::size_t) { return Ref((t.Record.*M)[I]); }
template <auto M>
SettingsField RecEach(SettingsTargets& t, std::size_t i) { return Ref((t.Record.*M)[i]); }
template <auto M>
SettingsField Cfg(SettingsTargets& t, std::size_t) { return Ref(t.Config.*M); }
template <auto M, std::size_t I>
SettingsField CfgAt(SettingsTargets& t, std::size_t) { return Ref((t.Config.*M)[I]); }
template <auto M>
SettingsField CfgEach(SettingsTargets& t, std::size_t i) { return Ref((t.Config.*M)[i]); }
template <auto& Switch>
SettingsField Lib(SettingsTargets&, std::size_t) { return &Switch; }
template <std::size_t Item>
SettingsField Step(SettingsTargets& t, std::size_t) { return &t.Record.TestItemEnable[Item]; }

constexpr SettingsKey Int(const char* section, const char* key, Locate field, std::int64_t def,
                          SaveRule save = SaveRule::Never, LoadRule load = LoadRule::Plain,
                          const char* flag = nullptr) {
    return {section, key, field, def, nullptr, load, save, flag, 1, 0};
}
constexpr SettingsKey Text(const char* section, const char* key, Locate field, const char* def,
                           SaveRule save = SaveRule::Never, const char* flag = nullptr) {
    return {section, key, field, 0, def, LoadRule::Plain, save, flag, 1, 0};
}

constexpr const char* kSet = "Setting";
constexpr const char* kTest = "TestItems";
constexpr const char* kDev = "DeviceSetting";
constexpr const char* kFlash = "FlashSetting";
constexpr const char* kFw = "FwSetting";
constexpr const char* kRd = "RDSetting";
constexpr const char* kReMP = "ReMP";
constexpr const char* kSmart = "SMART";

constexpr auto Yes = SaveRule::Always;
constexpr auto WhenSet = SaveRule::WhenSet;

const SettingsKey kKeys[] = {
    Int(kSet, "ShowTitle", Rec<&G::ShowTitle>, 0),
    Int(kSet, "EnDumpFreeBlockInfo", Rec<&G::EnDumpFreeBlockInfo>, 0),
    Int(kSet, "EnUpdateFirmwareMode", Rec<&G::EnUpdateFirmwareMode>, 0),
    Text(kSet, "ProductModel", Rec<&G::ProductModel>, "QX", Yes),
    Int(kSet, "MPVersion", Rec<&G::MPVersion>, 0, Yes),
    Int(kSet, "TimeOut", Rec<&G::TimeOut>, 200, Yes, LoadRule::Minutes),
    Int(kSet, "ConnectDevNum", Rec<&G::ConnectDevNum>, 0, Yes),
    Int(kSet, "EnBarCode", Rec<&G::EnBarCode>, 0, Yes),
    Int(kSet, "EnableWorkOrder", Lib<EnableWorkOrder>, 0),
    Int(kSet, "EnSaveDefectTable", Lib<EnSaveDefectTable>, 0),
    Int(kSet, "EnKeepEraseCount", Rec<&G::EnKeepEraseCount>, 0, Yes),
    Int(kSet, "UpdateFirmwareA2B", Rec<&G::UpdateFirmwareA2B>, 0),
    Int(kSet, "EnBarCodeWWN", Rec<&G::EnBarCodeWWN>, 0, Yes),
    Int(kSet, "EnCustomizeIdentify", Rec<&G::EnCustomizeIdentify>, 0),
    Int(kSet, "EnKeepSmartInfo", Rec<&G::EnKeepSmartInfo>, 0, Yes),
    Int(kSet, "EnNoCheckBridge", Lib<EnNoCheckBridge>, 0),
    Int(kSet, "SataBusMode", Lib<SataBusMode>, 2),
    Int(kSet, "EnAutoExecuteAfterInputSn", Rec<&G::EnAutoExecuteAfterInputSn>, 0),
    Int(kSet, "BarCodeInputMode", Rec<&G::BarCodeInputMode>, 0),
    Int(kSet, "BarCodeInputMaxCnt", Rec<&G::BarCodeInputMaxCnt>, 0),
    Int(kSet, "EnRudavuzSnToWWN", Rec<&G::EnRudavuzSnToWWN>, 0),
    Int(kSet, "EnRudavuzLogResult", Rec<&G::EnRudavuzLogResult>, 0),
    Int(kSet, "RudavuzSnToWWNMode", Rec<&G::RudavuzSnToWWNMode>, 0),
    Int(kSet, "EnCheckToolOnRemoteDisk", Rec<&G::EnCheckToolOnRemoteDisk>, 1),
    Int(kSet, "EnBuildModifiedGDP", Rec<&G::EnBuildModifiedGDP>, 0),
    Int(kSet, "SupportCustIniFilePath", Rec<&G::SupportCustIniFilePath>, 0, WhenSet),
    Text(kSet, "CustIniFilePath", Rec<&G::CustIniFilePath>, "", SaveRule::WhenFlag, "SupportCustIniFilePath"),
    Int(kSet, "EnNoCheckRDTSn", Rec<&G::EnNoCheckRDTSn>, 0),
    Int(kSet, "EnOutputDbgMsg", Rec<&G::EnOutputDbgMsg>, 0),
    Int(kSet, "EnPPID", Rec<&G::EnPPID>, 0),
    Int(kSet, "EnCRCLabel", Rec<&G::EnCRCLabel>, 1),
    Int(kSet, "EnShowCapacityAfterMPPass", Rec<&G::EnShowCapacityAfterMPPass>, 0),
    Int(kSet, "EnWriteLogFileNameEnd", Rec<&G::EnWriteLogFileNameEnd>, 0),
    Int(kSet, "EnADATAWWN", Rec<&G::EnADATAWWN>, 0),

    Int(kTest, "EnFlashModule", Step<kItemFlashModule>, 1),
    Int(kTest, "CheckFlashMask", Rec<&G::CheckFlashMask>, 31, Yes),
    Int(kTest, "EnSataTest", Step<kItemSataTest>, 0, Yes),
    Int(kTest, "EnFlashTest", Step<kItemFlashTest>, 0, Yes),
    Int(kTest, "EnDramTest", Step<kItemDramTest>, 0, Yes),
    Int(kTest, "EnPreFormat", Step<kItemPreFormat>, 0, Yes),
    Int(kTest, "EnDownload", Step<kItemDownload>, 0, Yes),
    Int(kTest, "EnUpload", Step<kItemUpload>, 0),
    Int(kTest, "DownloadType", Rec<&G::DownloadType>, 1, Yes),
    Int(kTest, "EnRWTest", Step<kItemRWTest>, 0, Yes),
    Int(kTest, "EnCheckTables", Step<kItemCheckTables>, 0, Yes),
    Int(kTest, "EnCheckTablesErase", Rec<&G::EnCheckTablesErase>, 0),
    Int(kTest, "EnSetMaxLBA", Step<kItemSetMaxLBA>, 0, Yes),
    Int(kTest, "SetMaxLBAValue", Rec<&G::SetMaxLBAValue>, 0, Yes),
    Int(kTest, "EnFormat", Step<kItemFormat>, 0, Yes),
    Text(kTest, "DiskLabel", Rec<&G::DiskLabel>, "SSD Disk", Yes),
    Int(kTest, "DiskFormat", Rec<&G::DiskFormat>, 0, Yes),
    Int(kTest, "EnCopyImage", Step<kItemCopyImage>, 0),
    Text(kTest, "CopyImagePath", Rec<&G::CopyImagePath>, "", SaveRule::WhenFlag, "EnCopyImage"),
    Int(kTest, "EnGenImage", Rec<&G::EnGenImage>, 0),
    Int(kTest, "EnCheckTemperature", Step<kItemCheckTemperature>, 0, WhenSet),
    Int(kTest, "CheckMaxTemperatureValue", Rec<&G::CheckMaxTemperatureValue>, 0, SaveRule::WhenFlag,
        LoadRule::Plain, "EnCheckTemperature"),
    Int(kTest, "EnReadRDTLog", Rec<&G::EnReadRDTLog>, 0, WhenSet),
    Int(kTest, "EnCheckRDT", Rec<&G::EnCheckRDT>, 0, Yes),
    Int(kTest, "CheckRDTMode", Rec<&G::CheckRDTMode>, 0, Yes),
    Int(kTest, "EnCheckSnLength", Rec<&G::EnCheckSnLength>, 0),
    Int(kTest, "CheckSnLengthValue", Rec<&G::CheckSnLengthValue>, 12, SaveRule::Never, LoadRule::AtMost20),
    Int(kTest, "CheckPPIDLengthValue", Rec<&G::CheckPPIDLengthValue>, 23),

    Text(kDev, "SerialNum", Rec<&G::SerialNum>, "QX_0123456789", Yes),
    Text(kDev, "FirmwareVer", Rec<&G::FirmwareVer>, "12345678", Yes),
    Text(kDev, "ModelNum", Rec<&G::ModelNum>, "Quorlix QXF8XX SSD", Yes),
    Int(kDev, "SNAutoInc", Rec<&G::SNAutoInc>, 0, Yes),
    Int(kDev, "SNDecimal", Rec<&G::SNDecimal>, 0, Yes),
    Int(kDev, "SNMinLength", Rec<&G::SNMinLength>, 12, Yes),
    Int(kDev, "SNErrReuse", Rec<&G::SNErrReuse>, 0, Yes),
    Int(kDev, "EncryptionEnable", Rec<&G::EncryptionEnable>, 0),
    Text(kDev, "EncryptionString", Rec<&G::EncryptionString>, "Pelgrun", SaveRule::WhenFlagNoPcIni,
         "EncryptionEnable"),
    Int(kDev, "IDE_UDMA5", Rec<&G::IDE_UDMA5>, 0, WhenSet),
    Text(kDev, "OUI", Rec<&G::OUI>, "000000", Yes),
    Text(kDev, "UID", Rec<&G::UID>, "000000000", Yes),
    Int(kDev, "UIDAutoInc", Rec<&G::UIDAutoInc>, 0, Yes),
    Int(kDev, "UIDDecimal", Rec<&G::UIDDecimal>, 0, Yes),
    {kDev, "IdentiyData%3.3d", CfgEach<&C::IdentifyOverrides>, 0, "XXXXX", LoadRule::WhenFlag, SaveRule::WhenFlag,
     "EnCustomizeIdentify", static_cast<std::uint16_t>(kIdentifyOverrideCount), 0},
    Int(kDev, "LimitSATASpeed", Rec<&G::LimitSATASpeed>, 0, SaveRule::Never, LoadRule::ZeroAbove3),

    Text(kFlash, "ExtFlashFile", Rec<&G::ExtFlashFile>, "Flash.ini", SaveRule::WhenNotEmpty),
    Int(kFlash, "Capacity", Rec<&G::Capacity>, 0, Yes),
    Text(kFlash, "FlashUniName", Rec<&G::FlashUniName>, "WBG", Yes),
    Int(kFlash, "Channel", Rec<&G::Channel>, 8, Yes),
    Int(kFlash, "Bank", Rec<&G::Bank>, 2, Yes),
    Int(kFlash, "DrvCurrent", Rec<&G::DrvCurrent>, 1, Yes),
    Int(kFlash, "FwBankSet0", RecAt<&G::FwBankSet, 0>, 0, Yes),
    Int(kFlash, "FwBankSet1", RecAt<&G::FwBankSet, 1>, 1, Yes),
    Int(kFlash, "FwBankSet2", RecAt<&G::FwBankSet, 2>, 2, Yes),
    Int(kFlash, "FwBankSet3", RecAt<&G::FwBankSet, 3>, 3, Yes),
    Int(kFlash, "FwBankSet4", RecAt<&G::FwBankSet, 4>, 4, Yes),
    Int(kFlash, "FwBankSet5", RecAt<&G::FwBankSet, 5>, 5, Yes),
    Int(kFlash, "FwBankSet6", RecAt<&G::FwBankSet, 6>, 6, Yes),
    Int(kFlash, "FwBankSet7", RecAt<&G::FwBankSet, 7>, 7, Yes),

    Int(kFw, "DefPercentage", Rec<&G::DefPercentage>, 48, Yes),
    Int(kFw, "ResPercentage", Rec<&G::ResPercentage>, 68, Yes),
    Int(kFw, "Bch16ReadErrorThreshold", Rec<&G::Bch16ReadErrorThreshold>, 13, Yes),
    Int(kFw, "Bch24ReadErrorThreshold", Rec<&G::Bch24ReadErrorThreshold>, 20, Yes),
    Int(kFw, "Bch40ReadErrorThreshold", Rec<&G::Bch40ReadErrorThreshold>, 34, Yes),
    Int(kFw, "Bch16EccErrorCopyThreshold", Rec<&G::Bch16EccErrorCopyThreshold>, 6, Yes),
    Int(kFw, "Bch24EccErrorCopyThreshold", Rec<&G::Bch24EccErrorCopyThreshold>, 15, Yes),
    Int(kFw, "Bch40EccErrorCopyThreshold", Rec<&G::Bch40EccErrorCopyThreshold>, 27, Yes),
    Int(kFw, "WearLevelFrequency", Rec<&G::WearLevelFrequency>, 128),
    Int(kFw, "ScrambleEnable", Rec<&G::ScrambleEnable>, 1, Yes),
    Int(kFw, "RemapEnable", Rec<&G::RemapEnable>, 1, Yes),
    Int(kFw, "NoDeviceSleep", Rec<&G::NoDeviceSleep>, 0, Yes),
    Int(kFw, "EN_Digital_DLLPhase_Adjust", Rec<&G::EN_Digital_DLLPhase_Adjust>, 0),
    Int(kFw, "DLLPhase", Cfg<&C::DLLPhase>, 0),
    Int(kFw, "UsbRemovable", Rec<&G::UsbRemovable>, 0),
    Int(kFw, "UsbLedP14", Rec<&G::UsbLedP14>, 0),
    Int(kFw, "SecurityCounter", Rec<&G::SecurityCounter>, 5, Yes),
    Int(kFw, "DirtyDepth", Rec<&G::DirtyDepth>, 40, Yes),
    Int(kFw, "InterleaveWay", Rec<&G::InterleaveWay>, 4),
    Int(kFw, "LEDControl", Rec<&G::LEDControl>, 0),
    Int(kFw, "EnSkipEraseGood", Rec<&G::EnSkipEraseGood>, 0),
    Int(kFw, "EnEarlyBad", Rec<&G::EnEarlyBad>, 0),
    Int(kFw, "EnEraseReBuildBad", Rec<&G::EnEraseReBuildBad>, 0),
    Int(kFw, "EnTrimCmd", Rec<&G::EnTrimCmd>, 1, Yes),
    Int(kFw, "EnThermalSensor", Rec<&G::EnThermalSensor>, 0, Yes),
    Int(kFw, "EnNoSPI", Rec<&G::EnNoSPI>, 0, Yes),
    Int(kFw, "EnSizeAlignment", Rec<&G::EnSizeAlignment>, 0),
    Int(kFw, "EnLaterSkipEccOver", Rec<&G::EnLaterSkipEccOver>, 0, Yes),
    Int(kFw, "EnLaterSkipProgFail", Rec<&G::EnLaterSkipProgFail>, 0, Yes),
    Int(kFw, "EnLaterSkipEraseFail", Rec<&G::EnLaterSkipEraseFail>, 0, Yes),
    Int(kFw, "EnLaterSkipEccFail", Rec<&G::EnLaterSkipEccFail>, 0, Yes),
    Int(kFw, "EnOneDram", Rec<&G::EnOneDram>, 1, Yes, LoadRule::NotRead),
    Int(kFw, "EnExtendBlock", Rec<&G::EnExtendBlock>, 0),
    Int(kFw, "EnLowPage", Rec<&G::EnLowPage>, 0),
    Int(kFw, "ProhibitRemapOffset", Cfg<&C::ProhibitRemapOffset>, 0),
    Int(kFw, "EnModifyTMCvalue", Cfg<&C::EnModifyTMCvalue>, 0),
    Int(kFw, "ToggleTMC0", CfgAt<&C::ToggleTMC, 0>, 0),
    Int(kFw, "ToggleTMC1", CfgAt<&C::ToggleTMC, 1>, 0),
    Int(kFw, "ToggleTMC2", CfgAt<&C::ToggleTMC, 2>, 34),
    Int(kFw, "ToggleTMC3", CfgAt<&C::ToggleTMC, 3>, 4),
    Int(kFw, "ToggleTMC4", CfgAt<&C::ToggleTMC, 4>, 255),
    Int(kFw, "ToggleTMC5", CfgAt<&C::ToggleTMC, 5>, 255),
    Int(kFw, "ToggleTMC6", CfgAt<&C::ToggleTMC, 6>, 31),
    Int(kFw, "ONFITMC0", CfgAt<&C::ONFITMC, 0>, 16),
    Int(kFw, "ONFITMC1", CfgAt<&C::ONFITMC, 1>, 16),
    Int(kFw, "ONFITMC2", CfgAt<&C::ONFITMC, 2>, 17),
    Int(kFw, "ONFITMC3", CfgAt<&C::ONFITMC, 3>, 0),
    Int(kFw, "ONFITMC4", CfgAt<&C::ONFITMC, 4>, 155),
    Int(kFw, "ONFITMC5", CfgAt<&C::ONFITMC, 5>, 249),
    Int(kFw, "ONFITMC6", CfgAt<&C::ONFITMC, 6>, 84),
    Int(kFw, "AsynTMC0", CfgAt<&C::AsynTMC, 0>, 144),
    Int(kFw, "AsynTMC1", CfgAt<&C::AsynTMC, 1>, 144),
    Int(kFw, "AsynTMC2", CfgAt<&C::AsynTMC, 2>, 34),
    Int(kFw, "AsynTMC3", CfgAt<&C::AsynTMC, 3>, 4),
    Int(kFw, "AsynTMC4", CfgAt<&C::AsynTMC, 4>, 155),
    Int(kFw, "AsynTMC5", CfgAt<&C::AsynTMC, 5>, 249),
    Int(kFw, "AsynTMC6", CfgAt<&C::AsynTMC, 6>, 84),
    Int(kFw, "DriverSetting", Cfg<&C::DriverSetting>, 0),
    Int(kFw, "RovidaSSD", Cfg<&C::RovidaSSD>, 0),
    Int(kFw, "EnCodeBlockLowPage", Cfg<&C::EnCodeBlockLowPage>, 0),
    Int(kFw, "EnRegMap", Cfg<&C::EnRegMap>, 0),
    // EnWriteProtect, EnSecurityErase and SEStartLatency are composed into
    // SecurityOptions by the load; they have no field of their own.

    Int(kRd, "EnableGetPutTable", Rec<&G::EnableGetPutTable>, 0),
    Text(kRd, "TableIn", Rec<&G::TableIn>, "", SaveRule::WhenFlag, "EnableGetPutTable"),
    Text(kRd, "TableOut", Rec<&G::TableOut>, "", SaveRule::WhenFlag, "EnableGetPutTable"),
    Text(kRd, "LaterTableIn", Rec<&G::LaterTableIn>, "", SaveRule::WhenFlag, "EnableGetPutTable"),
    Text(kRd, "LaterTableOut", Rec<&G::LaterTableOut>, "", SaveRule::WhenFlag, "EnableGetPutTable"),
    Int(kRd, "DumpDebugFile", Lib<DumpDebugFile>, 0),
    Int(kRd, "EnBatchMode", Lib<EnBatchMode>, 0),
    Int(kRd, "EnGodMode", Lib<EnGodMode>, 0),

    Int(kReMP, "EnReMPSN", Rec<&G::EnReMPSN>, 0),
    {kReMP, "SerialNum%2.2d", RecEach<&G::ReMPSerialNum>, 0, "N/A", LoadRule::WhenFlag, SaveRule::Never, "EnReMPSN",
     static_cast<std::uint16_t>(kReMPSerialCount), 1},

    Int(kSmart, "SMARTPowerOnHoursCount", Rec<&G::SMARTPowerOnHoursCount>, 99877),
    Int(kSmart, "SMARTDrivePowerCycleCount", Rec<&G::SMARTDrivePowerCycleCount>, 99877),
    Int(kSmart, "SMARTSSDProtectMode", Rec<&G::SMARTSSDProtectMode>, 99877),
    Int(kSmart, "SMARTSATAPHYErrorCount", Rec<&G::SMARTSATAPHYErrorCount>, 99877),
    Int(kSmart, "SMARTBADBlockCount", Rec<&G::SMARTBADBlockCount>, 99877),
    Int(kSmart, "SMARTMaxBadBlockCount", Rec<&G::SMARTMaxBadBlockCount>, 99877),
    Int(kSmart, "SMARTEraseCount", Rec<&G::SMARTEraseCount>, 99877),
    Int(kSmart, "SMARTUnexpectedPowerLossCount", Rec<&G::SMARTUnexpectedPowerLossCount>, 99877),
    Int(kSmart, "SMARTMinTemperature", Rec<&G::SMARTMinTemperature>, 99877),
    Int(kSmart, "SMARTMaxTemperature", Rec<&G::SMARTMaxTemperature>, 99877),
};

const SettingsSaveEntry kSaveOrder[] = {
    {kSet, "ProductModel"}, {kSet, "MPVersion"}, {kSet, "TimeOut"}, {kSet, "ConnectDevNum"},
    {kSet, "EnBarCode"}, {kSet, "EnKeepEraseCount"}, {kSet, "EnKeepSmartInfo"}, {kSet, "EnBarCodeWWN"},
    {kSet, "SupportCustIniFilePath"}, {kSet, "CustIniFilePath"},

    {kTest, "CheckFlashMask"}, {kTest, "EnSataTest"}, {kTest, "EnFlashTest"}, {kTest, "EnDramTest"},
    {kTest, "EnPreFormat"}, {kTest, "EnDownload"}, {kTest, "DownloadType"}, {kTest, "EnRWTest"},
    {kTest, "EnCheckTables"}, {kTest, "EnSetMaxLBA"}, {kTest, "SetMaxLBAValue"}, {kTest, "EnFormat"},
    {kTest, "DiskFormat"}, {kTest, "DiskLabel"}, {kTest, "CopyImagePath"}, {kTest, "EnCheckTemperature"},
    {kTest, "CheckMaxTemperatureValue"}, {kTest, "EnReadRDTLog"}, {kTest, "EnCheckRDT"}, {kTest, "CheckRDTMode"},

    {kDev, "ModelNum"}, {kDev, "FirmwareVer"}, {kDev, "SerialNum"}, {kDev, "SNAutoInc"},
    {kDev, "SNDecimal"}, {kDev, "SNMinLength"}, {kDev, "SNErrReuse"}, {kDev, "IDE_UDMA5"},
    {kDev, "EncryptionString"}, {kDev, "OUI"}, {kDev, "UID"}, {kDev, "UIDAutoInc"},
    {kDev, "UIDDecimal"}, {kDev, "IdentiyData%3.3d"},

    {kFlash, "ExtFlashFile"}, {kFlash, "Capacity"}, {kFlash, "FlashUniName"}, {kFlash, "Channel"},
    {kFlash, "Bank"}, {kFlash, "DrvCurrent"}, {kFlash, "FwBankSet0"}, {kFlash, "FwBankSet1"},
    {kFlash, "FwBankSet2"}, {kFlash, "FwBankSet3"}, {kFlash, "FwBankSet4"}, {kFlash, "FwBankSet5"},
    {kFlash, "FwBankSet6"}, {kFlash, "FwBankSet7"},

    {kFw, "DefPercentage"}, {kFw, "ResPercentage"}, {kFw, "Bch16ReadErrorThreshold"},
    {kFw, "Bch24ReadErrorThreshold"}, {kFw, "Bch40ReadErrorThreshold"}, {kFw, "Bch16EccErrorCopyThreshold"},
    {kFw, "Bch24EccErrorCopyThreshold"}, {kFw, "Bch40EccErrorCopyThreshold"}, {kFw, "ScrambleEnable"},
    {kFw, "RemapEnable"}, {kFw, "NoDeviceSleep"}, {kFw, "SecurityCounter"}, {kFw, "DirtyDepth"},
    {kFw, "EnTrimCmd"}, {kFw, "EnThermalSensor"}, {kFw, "EnNoSPI"}, {kFw, "EnLaterSkipEccOver"},
    {kFw, "EnLaterSkipProgFail"}, {kFw, "EnLaterSkipEraseFail"}, {kFw, "EnLaterSkipEccFail"}, {kFw, "EnOneDram"},

    {kRd, "TableIn"}, {kRd, "TableOut"}, {kRd, "LaterTableIn"}, {kRd, "LaterTableOut"},
};

}  // namespace

std::span<const SettingsKey> SettingsKeyTable() { return kKeys; }

std::span<const SettingsSaveEntry> SettingsSaveOrder() { return kSaveOrder; }

const SettingsKey* FindSettingsKey(std::string_view section, std::string_view key) {
    for (const SettingsKey& entry : kKeys) {
        if (section == entry.Section && key == entry.Key) return &entry;
    }
    return nullptr;
}

const SettingsKey* FindSettingsKeyByName(std::string_view key) {
    for (const SettingsKey& entry : kKeys) {
        if (key == entry.Key) return &entry;
    }
    return nullptr;
}

std::string SettingsKeyName(const SettingsKey& entry, std::size_t index) {
    if (entry.Count <= 1) return entry.Key;
    char name[64];
    std::snprintf(name, sizeof name, entry.Key, static_cast<int>(entry.FirstNumber + index));
    return name;
}

}  // namespace qx
