// The station's exit codes, for scripts that run it unattended
// ("AutoExecuteQuit"). A drive that failed its round is a result, not an
// error: the round still ends with 0 when everything was written.
#pragma once

namespace qx::station {

inline constexpr int kExitDone = 0;
// Another station runs (it leaves with nothing shown), too many ports, or
// start-up stopped with its reason shown.
inline constexpr int kExitRefused = 1;
// QX_SIM_RACK names a rack that does not load.
inline constexpr int kExitNoRack = 2;
// A log row, marker, detail file or the yield counters were not written.
inline constexpr int kExitResultsNotWritten = 3;
// The settings file was not saved; the old one is kept whole.
inline constexpr int kExitSettingsNotSaved = 4;
// No round was run: a prompt needed an operator and nobody can answer, or
// the round was refused or had nothing to do (its message on the console).
inline constexpr int kExitNeedsOperator = 5;

}  // namespace qx::station
