// The main window's pages by their fixed index: the index counts every page,
// shown or hidden, so these never shift when a page is hidden.
#pragma once

namespace qx::utility {

enum PageIndex : int {
    kPageSsdInfo = 0,
    kPageEraseCount = 1,
    kPageBadBlockInfo = 2,
    kPageSmartInfo = 3,
    kPageDeviceInfo = 4,
    kPageRandomRw = 5,
    kPageDebugTool = 6,
    kPageUartLog = 7,
    kPageDiagnose = 8,
    kPageCount = 9,
};

}  // namespace qx::utility
