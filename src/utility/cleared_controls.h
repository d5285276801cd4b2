// The controls every refresh empties first, by kind: edits and labelled
// edits lose their text, memos their lines, grids rows 0 to 49 (the title
// row included). Controls of other kinds (the device list, the hidden combo
// box, buttons) keep what they show.
#pragma once

#include <string_view>

namespace qx::utility {

inline constexpr std::string_view kClearedEdits[] = {
    // SSD Info: SSD Setting and Flash Info.
    "FlashmodelEdit", "ChannelEdit", "CapacityEdit", "DriverEdit", "ResPerEdit", "EccReadEdit", "EccCopyEdit",
    "WearLevelingEdit", "BankMapEdit", "FwEdit", "SupportEdit1", "SupportEdit2", "FlashInfoEdit", "FlashTypeEdit",
    "BlockCeEdit", "PageBlockEdit", "CeEdit",
    // Erase Count.
    "AeraseEdit", "MeraseEdit",
    // Device Info, SATA group.
    "ModelNameEdit", "FwVersionEdit", "SNEdit", "ChsEdit", "DiskHeadEdit", "TotalSectorEdit", "MultiwordDMAEdit",
    "MultiwordDMAmodeEdit", "UltraDMAEdit", "UltraDMAModeEdit", "SMARTfeatureEdit", "SecurityModeEdit", "WWNEdit",
    // Debug Tool: the console line.
    "DebugEdit",
};

inline constexpr std::string_view kClearedLabeledEdits[] = {
    // Device Info, USB group.
    "VendorNameEdit", "ProductNameEdit", "ManufacturStringEdit", "ProductStringEdit", "VIDEdit", "PIDEdit",
    "SNUSBEdit", "CapEdit", "TotalLBAEdit",
    // Debug Tool: their design-time texts ("8", "0", "0", "1", empty) go too.
    "DbgChLEdit", "DbgBankLEdit", "DbgBlockLEdit", "DbgPageLEdit", "DbgBlockUnitLEdit",
};

inline constexpr std::string_view kClearedMemos[] = {
    "SSDInfoMemo", "DpdFTLMemo",  "EraseMemo",   "BadBlockMemo",  "DetalBadInfoMemo", "SMARTMemo",
    "SmartEccMemo", "DebugMemo", "DebugMemo2", "UartLogMemo", "DbgErrLogMemo",    "DiagMemo",
};

inline constexpr std::string_view kClearedGrids[] = {"StringGrid1"};
inline constexpr int kClearedGridRows = 50;

}  // namespace qx::utility
