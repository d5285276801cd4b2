#include "station/entry/unattended_exit.h"

#include "station/entry/exit_codes.h"

namespace qx::station {

int UnattendedExitCode(const UnattendedEnd& end) {
    if (end.writes.results) return kExitResultsNotWritten;
    if (end.writes.settings) return kExitSettingsNotSaved;
    if (end.needsOperator) return kExitNeedsOperator;
    return kExitDone;
}

}  // namespace qx::station
