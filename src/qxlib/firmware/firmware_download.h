// The "Download" production step: carries the tables the diagnostic program
// built in the code blocks over a fresh write of every page of every code
// block (information page, tables, bin files with the system bin header
// patched for the drive, filler pages).
#pragma once

#include <cstdint>
#include <span>

#include "qxlib/firmware/bin_file_pages.h"

namespace qx {

struct BinFileList;
struct StepContext;

// Boots the diagnostic program and starts action 1 with the boot flags and
// 0x10 (the program blanks the code blocks), without waiting while busy;
// true on status 0x0E.
bool RunGdpType1Download(int slot, const StepContext& ctx);

// The download and upload move their data through the UDMA tunnel where the
// PIO one was chosen, unless a bridge forces PIO: the slot's TransferMode 1
// becomes 2, ForcePioTransfer makes it 1. The value stays with the slot; the
// other slots tunnel on as they were.
void UseFirmwareTransferMode(int slot);

// Information page (with the sequence), table pages, bin files and, in
// normal mode, the extra table pages. The first failure: false.
bool WriteFirmwareToCodeBlocks(int slot, const StepContext& ctx, std::uint16_t sequence, BinFileList& binFiles,
                               const DriveIdentity& identity, std::span<const std::uint8_t> tablePages);

// The whole step. Refuses before touching the drive a bin area that does not
// fit (BinAreaFits) or a bin file that cannot be opened. Sets the slot's
// LaterBadBlockFirst and Other, RemapRowMarks, RemapRows and EarlyBadCount
// from the tables, the placements of binFiles and the slot's LedInterleave.
// On a false the scratch buffer holds the failure record of a wrong table
// tag, or the program's error information.
bool DownloadFirmware(int slot, const StepContext& ctx, BinFileList& binFiles, const DriveIdentity& identity);

}  // namespace qx
