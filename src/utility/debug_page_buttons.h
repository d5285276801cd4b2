// The controls of the hidden engineering pages ("Debug Tool", "Diagnose
// SSD"): the register console, the page reads and their save, the mode
// switches and the log-file decoder.
#pragma once

#include "utility/pages/fw_debug_log.h"

namespace qx::utility {

class MainFormLogic;

class DebugPageButtons {
public:
    explicit DebugPageButtons(MainFormLogic& logic) : logic_(logic) {}

    // A key typed into DebugEdit; Enter runs the console line.
    void DebugEditKeyPress(char key);
    void DbgSysReadPageClick();
    void DbgLDReadPageClick();
    void SaveReadPageBnClick();
    void JumpToLoaderClick();
    void LoadGDPBnClick();
    void DecodeLogFileBnClick();

private:
    MainFormLogic& logic_;
    OpenDialogState openDialog_;   // OpenDialog1: its folder lasts between uses
};

}  // namespace qx::utility
