// The later-bad lists between a drive and a text file (a table operation of
// the run controller). The system page (page 4 of the code blocks) names each list's
// block: the first bank's at 16, the other banks' at 20 (the writer here
// puts one block per list at 16, 20, 24, ...); a list is page 1 onwards of
// its block, one page per channel.
#pragma once

namespace qx {

struct StepContext;

// Boots the program and reads the system page of CodeBlocks[0]; false when
// that fails or channel 0's copy has no system tag. Without a path, or when
// the file cannot be created, true with nothing more read. Otherwise the
// text of every bank and die: the list block (the first bank's for bank 0
// die 0, else the other banks' plus die x DieOffset), read at CE BankMap[i]
// page by page from page 1 while some channel's page carries the later-bad
// tag (each tagged page replaces that channel's list), up to the block's
// last page. Each list goes to the slot's LaterBadPages at (i x 2 + j) x
// 128 KB while it fits, and is dumped as "03_%2.2d%2.2d%3.3d.raw". A failed
// read: false, the text so far stays in the file.
bool GetLaterTable(int slot, const StepContext& ctx, const char* path, int variant);

// Reads the text first (a text the lists cannot hold is refused before the
// drive is touched; no path or a file that does not open: true, nothing
// written). Then every code block keeps its pages 0 and 1, is erased and
// gets the new system page as page 4 (the rest stays erased); and each list
// block is erased and gets its list as page 1, at CE bank. Dumps
// "06_LTP.raw" for each list but the last, "07_LTP.raw" for the last.
bool PutLaterTable(int slot, const StepContext& ctx, const char* path, int variant);

}  // namespace qx
