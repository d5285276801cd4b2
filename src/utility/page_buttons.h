// The buttons of the shown pages and of the log page, reached also by the
// page hot keys: each works on the current drive through its page function
// and writes what the function returns into the window.
#pragma once

namespace qx::utility {

class MainFormLogic;

class PageButtons {
public:
    explicit PageButtons(MainFormLogic& logic) : logic_(logic) {}

    // "S.M.A.R.T info".
    void GetSmartInfoBnClick();
    void SaveSmartInfoBnClick();
    void ResetSmartInfoBnClick();
    // The memo saves, each under its page's default name.
    void DetailSaveBnClick();
    void SavebadblockinfoBnClick();
    void SavebadblockDetailBnClick();
    void UartLogSaveBtnClick();
    void DbgErrLogSaveBtnClick();
    // "Uart Log of F/W": the logs through the GDP program.
    void ReadFwDebugMsgGDPClick();

private:
    MainFormLogic& logic_;
};

}  // namespace qx::utility
