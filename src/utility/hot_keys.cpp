#include "utility/hot_keys.h"

#include "qxlib/base/debug_print.h"
#include "utility/page_index.h"

namespace qx::utility {
namespace {

struct HotKeyRow {
    int page;
    HotKey key;
    std::string_view button;
};

constexpr HotKeyRow kHotKeys[] = {
    {kPageSsdInfo, HotKey::CtrlS, "DpdFTLSaveBn"},
    {kPageEraseCount, HotKey::CtrlS, "DetailSaveBn"},
    {kPageBadBlockInfo, HotKey::CtrlS, "SavebadblockinfoBn"},
    {kPageBadBlockInfo, HotKey::AltS, "SavebadblockDetailBn"},
    {kPageSmartInfo, HotKey::CtrlS, "SaveSmartInfoBn"},
    {kPageSmartInfo, HotKey::CtrlG, "GetSmartInfoBn"},
    {kPageUartLog, HotKey::CtrlS, "UartLogSaveBtn"},
    {kPageUartLog, HotKey::AltS, "DbgErrLogSaveBtn"},
};

}  // namespace

std::string_view HotKeyButton(int activePage, HotKey key) {
    for (const HotKeyRow& row : kHotKeys)
        if (row.page == activePage && row.key == key) return row.button;
    return {};
}

bool HotKeyGate::Tick(bool windowInFront) {
    if (registered_ && !windowInFront) {
        DebugPrint("######### - Disable hotkey!");
        registered_ = false;
        return true;
    }
    if (!registered_ && windowInFront) {
        DebugPrint("######### - Enable hotkey!");
        registered_ = true;
        return true;
    }
    return false;
}

}  // namespace qx::utility
