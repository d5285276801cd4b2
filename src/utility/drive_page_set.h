// The refresh's page operations over the real pages: each reads the drive
// through its page function and puts what the function returns into the
// window's controls, which carry the names of the texts' fields.
#pragma once

#include "utility/page_set.h"

namespace qx::utility {

class UtilityView;
struct FwDebugLogPage;

class DrivePageSet final : public PageSet {
public:
    void ParseInfo(PageContext& ctx) override;
    void ParseUSBInfo(PageContext& ctx) override;
    void ShowSSDInfo(PageContext& ctx) override;
    void ProcessBadBlockInfo(PageContext& ctx) override;
    void GetEraseCount(PageContext& ctx) override;
    void ShowFWDebugMessage(PageContext& ctx, int mode) override;
};

// A firmware-log read on its page: the page shown when the read asks for it
// and the decoded lines appended to UartLogMemo (a refresh empties it first;
// a second read adds to what is there).
void ShowFwDebugLog(UtilityView& view, const FwDebugLogPage& page);

}  // namespace qx::utility
