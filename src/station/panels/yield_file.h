// The yield counters (drives finished, drives passed) and their file
// "QXSSD.log" in the log folder: [TestRecord] TotalTestCount, NumberOfPass.
#pragma once

#include <string>

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

inline constexpr char kYieldFileName[] = "QXSSD.log";

// logDir + "QXSSD.log" (the folder text used as a prefix, like every log file).
std::string YieldFilePath(const std::string& logDir);

// A missing key (or file) reads as 0.
void LoadYield(const std::string& logDir, GlobalParameter& settings);
// Shown with the file's path when the counters could not be saved whole.
inline constexpr char kYieldWriteFailText[] = "Cannot write the yield counter file ";

// Writes both keys; the rest of the file stays. The file is replaced whole:
// false when it was not, and then it still holds the last counters written.
bool SaveYield(const std::string& logDir, const GlobalParameter& settings);
// "Reset": both counters 0, written at once.
bool ResetYield(const std::string& logDir, GlobalParameter& settings);

// "%d / %d": passed, then finished.
std::string YieldText(const GlobalParameter& settings);

}  // namespace qx::station
