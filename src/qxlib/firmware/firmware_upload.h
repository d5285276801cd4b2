// The "Upload" production step: the code blocks' table pages and bin files
// read back into files in the working folder.
#pragma once

namespace qx {

struct BinFileList;
struct StepContext;

// Boots the program, sets the firmware transfer mode, places the bin files
// from page 8 (as the normal-mode information page does), then reads the
// table pages and the bin files back. True when both reads succeed.
bool UploadFirmware(int slot, const StepContext& ctx, BinFileList& binFiles);

// Turns the slot's dumps on (they stay on for this slot's work until its next
// run is seeded; other slots dump as the settings say), boots the program
// and reads every table
// page (normal mode 0..7, low-page mode TablePageList[0..9]) of code blocks
// 0..3 on every channel, dumped as "10_TPR_%2.2d_%2.2d.raw" (code block
// index, page). A failed read: false.
bool ReadBackTablePages(int slot, const StepContext& ctx);

// Boots the program and reads each bin file's pages from each code block:
// the file "UP%2.2X%2.2X%2.2X.raw" (file, code block, channel) in the working
// folder gets that channel's part of every page, whether or not dumps are
// on. A file that cannot be created or a failed read: false.
bool ReadBackBinFiles(int slot, const StepContext& ctx, const BinFileList& binFiles);

}  // namespace qx
