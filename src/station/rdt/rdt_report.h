// The RDT report: before the production steps, the worker turns the log
// the reliability-test firmware left on the drive into text files, one
// factory bad-block file (".ms0") and one result file (".ms1") per die,
// under programFolder + "RDT_Log/":
//   RDT_OK/<serial>/             a drive that passed
//   RDT_NG/P07|P05|P06/<serial>/ a drive that failed, by its first failure bit
//   .../<serial>/Factory/<serial>_Fxy.ms0, .../<serial>/RDT/<serial>_Fxy.ms1
// (x = die / 4, y = die modulo 4). The report never fails the worker: every
// failure ends it silently, keeping what was written so far. All working
// state lives in the call, so several workers report at once.
#pragma once

#include <string>

#include "qxlib/diagnostics/diagnostic_steps.h"

namespace qx::station {

// slot: the worker's port, which is also its drive's slot. ctx: the
// worker's own configuration and settings copies (its buffer and address are not
// used: the report keeps its own page buffer and starts the program at 0).
// programFolder ends with a separator or is empty for the working folder.
void ShowRDTResult(int slot, const StepContext& ctx, const std::string& programFolder);

}  // namespace qx::station
