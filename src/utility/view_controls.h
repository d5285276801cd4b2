// The main window's controls that the utility's logic reads or fills, by
// kind. The logic names them by these ids, never by text, so a misspelt
// control does not compile; the window binds each id to its widget once,
// when it is built, and refuses to be built when one is missing. Each list
// below gives both the ids and the controls' names (their objectName), so
// the two cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Single-line texts: the edits, then the labelled edits. A refresh empties
// every one of them (the page-read entries lose their design-time texts
// "8", "0", "0", "1" and empty with the first refresh).
#define QX_UTILITY_EDITS(X)                                                                                      \
    X(FlashmodelEdit) X(ChannelEdit) X(CapacityEdit) X(DriverEdit) X(ResPerEdit) X(EccReadEdit) X(EccCopyEdit)    \
    X(WearLevelingEdit) X(BankMapEdit) X(FwEdit) X(SupportEdit1) X(SupportEdit2) X(FlashInfoEdit)                \
    X(FlashTypeEdit) X(BlockCeEdit) X(PageBlockEdit) X(CeEdit) X(AeraseEdit) X(MeraseEdit) X(ModelNameEdit)      \
    X(FwVersionEdit) X(SNEdit) X(ChsEdit) X(DiskHeadEdit) X(TotalSectorEdit) X(MultiwordDMAEdit)                 \
    X(MultiwordDMAmodeEdit) X(UltraDMAEdit) X(UltraDMAModeEdit) X(SMARTfeatureEdit) X(SecurityModeEdit)          \
    X(WWNEdit) X(DebugEdit) X(VendorNameEdit) X(ProductNameEdit) X(ManufacturStringEdit) X(ProductStringEdit)    \
    X(VIDEdit) X(PIDEdit) X(SNUSBEdit) X(CapEdit) X(TotalLBAEdit) X(DbgChLEdit) X(DbgBankLEdit)                  \
    X(DbgBlockLEdit) X(DbgPageLEdit) X(DbgBlockUnitLEdit)

// Multi-line texts. A refresh empties every one of them.
#define QX_UTILITY_MEMOS(X)                                                                                      \
    X(SSDInfoMemo) X(DpdFTLMemo) X(EraseMemo) X(BadBlockMemo) X(DetalBadInfoMemo) X(SMARTMemo) X(SmartEccMemo)   \
    X(DebugMemo) X(DebugMemo2) X(UartLogMemo) X(DbgErrLogMemo) X(DiagMemo)

// The SMART attribute grid; a refresh empties its rows 0 to 49.
#define QX_UTILITY_GRIDS(X) X(StringGrid1)
// The SMART report's caption, on the "S.M.A.R.T" group.
#define QX_UTILITY_CAPTIONS(X) X(GroupBox4)
// Controls a page turns on or shows.
#define QX_UTILITY_SWITCHES(X) X(SaveSmartInfoBn) X(ResetSmartInfoBn) X(GroupBox3) X(GroupBox9)
// Tick boxes.
#define QX_UTILITY_CHECKS(X) X(Ecc24Ck)

namespace qx::utility {

#define QX_UTILITY_ID(name) name,
enum class EditId : int { QX_UTILITY_EDITS(QX_UTILITY_ID) Count };
enum class MemoId : int { QX_UTILITY_MEMOS(QX_UTILITY_ID) Count };
enum class GridId : int { QX_UTILITY_GRIDS(QX_UTILITY_ID) Count };
enum class CaptionId : int { QX_UTILITY_CAPTIONS(QX_UTILITY_ID) Count };
enum class SwitchId : int { QX_UTILITY_SWITCHES(QX_UTILITY_ID) Count };
enum class CheckId : int { QX_UTILITY_CHECKS(QX_UTILITY_ID) Count };
#undef QX_UTILITY_ID

inline constexpr int kClearedGridRows = 50;

template <typename Id>
inline constexpr std::size_t kIdCount = static_cast<std::size_t>(Id::Count);

// The control's name in the window (its objectName).
std::string_view NameOf(EditId id);
std::string_view NameOf(MemoId id);
std::string_view NameOf(GridId id);
std::string_view NameOf(CaptionId id);
std::string_view NameOf(SwitchId id);
std::string_view NameOf(CheckId id);

// Every id of a kind, in order.
template <typename Id>
constexpr std::array<Id, kIdCount<Id>> AllIds() {
    std::array<Id, kIdCount<Id>> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<Id>(i);
    return ids;
}

}  // namespace qx::utility
