// The exit code of a run that ends by itself ("AutoExecuteQuit"). When more
// than one thing went wrong the most serious is told: a result that never
// reached the disk cannot be made again, a settings file not saved makes the
// next start reuse the old serial counters, and a round that did not run has
// touched no drive. The console lines say every one of them.
#pragma once

#include "station/results/write_failures.h"

namespace qx::station {

struct UnattendedEnd {
    WriteFailures writes;
    // A round was refused or not run: a person has to mend what the console
    // line says.
    bool needsOperator = false;
};

int UnattendedExitCode(const UnattendedEnd& end);

}  // namespace qx::station
