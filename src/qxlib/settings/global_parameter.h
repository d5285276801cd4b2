// The station's settings record: the in-memory image of the settings file,
// the yield counters and one enable byte per production step. A plain record,
// copied by value into every production worker. Texts are zero-terminated and
// hold at most their size minus one characters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "qxlib/error_items/item_numbers.h"

namespace qx {

inline constexpr std::size_t kTestItemCount = 40;
inline constexpr std::size_t kReMPSerialCount = 50;

struct GlobalParameter {
    // Yield counters; kept in their own file, not in the settings file.
    std::uint32_t TotalTestCount;
    std::uint32_t NumberOfPass;

    // [Setting]
    char ProductModel[80];
    std::uint8_t MPVersion;
    std::uint8_t ShowTitle;
    std::uint32_t TimeOut;  // milliseconds; the file holds minutes
    std::uint8_t ConnectDevNum;
    std::uint8_t EnBarCode;
    std::uint8_t EnDumpFreeBlockInfo;
    std::uint8_t EnUpdateFirmwareMode;
    std::uint8_t EnBarCodeWWN;
    std::uint8_t EnCustomizeIdentify;
    std::uint8_t EnAutoExecuteAfterInputSn;
    std::uint8_t BarCodeInputMode;
    std::uint8_t BarCodeInputMaxCnt;
    std::uint8_t EnRudavuzSnToWWN;
    std::uint8_t EnRudavuzLogResult;
    std::uint8_t RudavuzSnToWWNMode;
    std::uint8_t EnCheckToolOnRemoteDisk;
    std::uint8_t EnBuildModifiedGDP;
    std::uint8_t SupportCustIniFilePath;
    char CustIniFilePath[260];
    std::uint8_t EnNoCheckRDTSn;
    std::uint8_t EnPPID;
    std::uint8_t EnCRCLabel;
    std::uint8_t EnShowCapacityAfterMPPass;
    std::uint8_t EnWriteLogFileNameEnd;
    std::uint8_t EnADATAWWN;

    // Enable flag of each production step, by item number.
    std::array<std::uint8_t, kTestItemCount> TestItemEnable;

    // [TestItems]
    std::uint8_t EnReadRDTLog;
    std::uint8_t EnCheckRDT;
    std::uint8_t CheckRDTMode;
    std::uint8_t EnCheckSnLength;
    std::uint8_t CheckSnLengthValue;
    std::uint8_t CheckPPIDLengthValue;
    std::uint8_t CheckFlashMask;
    std::uint8_t DownloadType;
    std::uint8_t DiskFormat;
    char DiskLabel[40];
    char CopyImagePath[260];
    std::uint8_t EnGenImage;
    std::uint8_t CheckMaxTemperatureValue;
    std::uint64_t SetMaxLBAValue;
    std::uint8_t EnCheckTablesErase;

    // [DeviceSetting]
    char SerialNum[22];
    char FirmwareVer[10];
    char ModelNum[42];
    std::uint8_t SNAutoInc;
    std::uint8_t SNDecimal;
    std::uint8_t SNErrReuse;
    std::uint8_t SNMinLength;
    char UsbVid[6];
    char UsbPid[6];
    char UsbVendorName[10];
    char UsbProductName[18];
    char UsbManufacturerString[18];
    char UsbProductString[26];
    std::uint8_t EncryptionEnable;
    char EncryptionString[24];
    char OUI[8];
    char UID[12];
    std::uint8_t UIDAutoInc;
    std::uint8_t UIDDecimal;
    std::uint8_t LimitSATASpeed;
    std::uint8_t IDE_UDMA5;

    // [FlashSetting]
    char ExtFlashFile[260];
    std::uint8_t Capacity;
    char FlashUniName[10];
    std::uint8_t Channel;
    std::uint8_t Bank;
    std::uint8_t DrvCurrent;
    std::array<std::uint8_t, 8> FwBankSet;

    // [FwSetting] and three [Setting] keys
    std::uint8_t DefPercentage;
    std::uint16_t ResPercentage;
    std::uint8_t Bch16ReadErrorThreshold;
    std::uint8_t Bch24ReadErrorThreshold;
    std::uint8_t Bch40ReadErrorThreshold;
    std::uint8_t Bch16EccErrorCopyThreshold;
    std::uint8_t Bch24EccErrorCopyThreshold;
    std::uint8_t Bch40EccErrorCopyThreshold;
    std::uint8_t WearLevelFrequency;
    std::uint8_t ScrambleEnable;
    std::uint8_t RemapEnable;
    std::uint8_t UsbRemovable;
    std::uint8_t UsbLedP14;
    std::uint8_t SecurityCounter;
    std::uint16_t DirtyDepth;
    std::uint8_t InterleaveWay;
    std::uint8_t LEDControl;
    std::uint8_t EnSkipEraseGood;
    std::uint8_t EnEarlyBad;
    std::uint8_t EnLaterBad;
    std::uint8_t EnEraseReBuildBad;
    std::uint8_t EnTrimCmd;
    std::uint8_t EnThermalSensor;
    std::uint8_t EnNoSPI;
    std::uint8_t EnSizeAlignment;
    std::uint8_t EnKeepEraseCount;
    std::uint8_t UpdateFirmwareA2B;
    std::uint8_t EnKeepSmartInfo;
    std::uint8_t EnLaterSkipEccOver;
    std::uint8_t EnLaterSkipProgFail;
    std::uint8_t EnLaterSkipEraseFail;
    std::uint8_t EnLaterSkipEccFail;
    std::uint8_t EnOneDram;
    std::uint8_t EnExtendBlock;
    std::uint8_t EnLowPage;
    std::uint8_t NoDeviceSleep;
    std::uint8_t EN_Digital_DLLPhase_Adjust;

    // [RDSetting]
    std::uint8_t EnableGetPutTable;
    char TableIn[260];
    char TableOut[260];
    char LaterTableIn[260];
    char LaterTableOut[260];

    // Test options set on the settings pages; no keys.
    std::uint16_t IdemaCapacityGB;
    std::uint16_t RWTestPercentage;
    std::uint16_t RWTestPercentageCycles;
    std::uint32_t LbaCapacity;
    std::uint16_t WTestFullCycles;
    std::uint16_t RWTestFullCycles;
    std::uint8_t SnCheckUsePattern;
    char SnCheckPattern[40];
    char SnCheckMask[40];

    std::uint8_t EnOutputDbgMsg;  // [Setting]
    std::uint8_t EnReMPSN;        // [ReMP]
    char ReMPSerialNum[kReMPSerialCount][22];

    // [SMART]
    std::uint32_t SMARTPowerOnHoursCount;
    std::uint32_t SMARTDrivePowerCycleCount;
    std::uint32_t SMARTSSDProtectMode;
    std::uint32_t SMARTSATAPHYErrorCount;
    std::uint32_t SMARTBADBlockCount;
    std::uint32_t SMARTMaxBadBlockCount;
    std::uint32_t SMARTEraseCount;
    std::uint32_t SMARTUnexpectedPowerLossCount;
    std::uint32_t SMARTMinTemperature;
    std::uint32_t SMARTMaxTemperature;
};

// Production step items that have an enable key in the settings file, as
// indexes of TestItemEnable.
inline constexpr std::size_t kItemFlashModule = item::kFlashModuleTest;
inline constexpr std::size_t kItemSataTest = item::kBusInterfaceTest;
inline constexpr std::size_t kItemFlashTest = item::kFlashInterfaceTest;
inline constexpr std::size_t kItemDramTest = item::kDramTest;
inline constexpr std::size_t kItemPreFormat = item::kPreformat;
inline constexpr std::size_t kItemDownload = item::kDownload;
inline constexpr std::size_t kItemUpload = item::kUpload;
inline constexpr std::size_t kItemRWTest = item::kRWTest;
inline constexpr std::size_t kItemCheckTables = item::kCheckTables;
inline constexpr std::size_t kItemPPID = item::kWritePpid;
inline constexpr std::size_t kItemSetMaxLBA = item::kSetMaxLba;
inline constexpr std::size_t kItemFormat = item::kDiskFormat;
inline constexpr std::size_t kItemCopyImage = item::kCopyImage;
inline constexpr std::size_t kItemCheckTemperature = item::kCheckTemperature;

}  // namespace qx
