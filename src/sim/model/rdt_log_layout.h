// The reliability-test (RDT) firmware's log, laid out in the NAND as that
// firmware leaves it in channel 0, CE 0 of its block:
//   page 0                "RDTM", the drive result at byte 6, the header at 796
//   summary page          the summary (the serial number at 24)
//   die information page  32-byte records, then an end record
//   factory pages         the bad-block bitmap, one page after the other
//   error pages           16-byte records, then an end record
//   last page             "RDTM"
// Header at byte 796 of page 0 (16-bit little-endian values):
//   +0 first error page   +2 error pages   +4 first factory page
//   +6 factory pages      +12 summary page +16 die information page
#pragma once

namespace qx::sim {

class DriveModel;

// Writes the configured log (nothing when its block is 0). Lists and
// bitmaps that outgrow their pages are cut at the pages' end.
void LayOutRdtLog(DriveModel& m);

}  // namespace qx::sim
