// What the station could not write to its own files during this session.
// Kept so an unattended run can end with a code a script can trust: a failed
// drive is a result, a result that never reached the disk is an error.
// Window thread only, as the writers that set it.
#pragma once

namespace qx::station {

struct WriteFailures {
    // A production log row, the single-run file, a result marker, an error
    // detail file or the yield counters could not be written whole.
    bool results = false;
    // The settings file could not be saved whole.
    bool settings = false;
};

}  // namespace qx::station
