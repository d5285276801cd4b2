#include "utility/unattended_run.h"

#include "utility/main_form_logic.h"

namespace qx::utility {

int UnattendedRow(const CommandLine& words, const DeviceListModel& list, std::string* error) {
    if (list.Rows.empty()) {
        *error = "No drive listed.\n";
        return -1;
    }
    if (words.Has(kWordRwTest) && list.Rows.size() > 1) {
        *error = "rwtest needs exactly one drive; listed:\n";
        for (const std::string& line : list.Lines) *error += line + "\n";
        return -1;
    }
    return 0;
}

int UnattendedExitStatus(const CommandLine& words, const CommandOutcome& outcome) {
    if (!outcome.ReachedCommandLine) return kExitFailed;
    if (words.Has(kWordRwTest) && !(outcome.RwTestRan && outcome.RwTestPassed)) return kExitFailed;
    if (words.Has(kWordDumpSsdInfo) && !(outcome.DumpRan && outcome.DumpWritten)) return kExitFailed;
    return kExitDone;
}

}  // namespace qx::utility
