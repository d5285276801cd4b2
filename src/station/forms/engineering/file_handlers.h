// The main window's "RD" page file buttons, its run-mode radio buttons and
// the key-file button of the "Encryption" group, acting on the settings area.
#pragma once

#include "station/engineering/key_file.h"
#include "station/engineering/table_files.h"

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class SettingsArea;

// GetDefTabBtnClick, PutDefTabBtnClick, GetLaterTabBtnClick and
// PutLaterTabBtnClick: the chosen name goes to the button's edit and setting.
void TableFileButtonClick(SettingsArea& area, ui::Prompter& prompter, TableFileFolders& folders,
                          TableFileButton button);

// RebuildCloseChk is enabled exactly while ClaimNewChk is checked.
void RDPageClick(SettingsArea& area);

// Writes "KeyFile.dat" from LeEncryption.
void BnKeyFileClick(SettingsArea& area, ui::Prompter& prompter, const ByteGenerator& filler);

// Connects the four file buttons, the five radio buttons and BnKeyFile;
// folders must outlive the area.
void WireFileControls(SettingsArea& area, ui::Prompter& prompter, TableFileFolders& folders);

}  // namespace qx::station
