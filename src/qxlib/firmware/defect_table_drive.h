// The factory defect table between a drive and a text file (a table operation
// of the run controller): taken from page 1 of the first code block, or put as
// page 1 of every code block.
#pragma once

namespace qx {

struct BinFileList;
struct StepContext;

// Boots the diagnostic program, reads page 1 of CodeBlocks[0] (all
// channels, CE 0, table format), dumps "02_DTG.raw" and writes the text
// file. False on a failed boot or read, a null path or a file that cannot
// be created.
bool GetDefectTable(int slot, const StepContext& ctx, const char* path, int variant);

// Reads the text file first (a file that cannot be opened or a text the
// page set cannot hold is refused before the drive is touched), then has
// the program blank the code blocks (action 1 with 0x10), writes the
// information page (sequence 120, placements of binFiles) and the parsed
// page set as page 1 of every code block; dumps "05_DTP.raw". The caller
// runs the program's action 1 afterwards.
bool PutDefectTable(int slot, const StepContext& ctx, BinFileList& binFiles, const char* path, int variant);

}  // namespace qx
