// Which daily production log a run writes to: files named by the date and an
// index ("20150614_003.txt") in the log folder, rolling over to the next
// index once a file has reached the size limit.
#pragma once

#include <ctime>
#include <string>

namespace qx::station {

inline constexpr long kLogSizeLimit = 83000;
inline constexpr int kLogFileIndexMax = 100000;

struct ProductionLogFile {
    // Log folder text and the date "%04d%02d%02d"; the index part "_%03d.txt"
    // is appended per file. Kept apart so a folder text holding '%' is never
    // used as a format.
    std::string LogNamePattern;
    std::string LogFileName;
    long LogSizeLimit = kLogSizeLimit;
    int LogFileIndex = 0;

    std::string NameFor(int index) const;
};

// Chooses the file for the date `today` (local time): the last file of the
// unbroken series from index 0, or the one after it when that one has reached
// the limit; index 0 when there is none yet. Creates the log folder (one
// level) when it is missing; throws CannotCreateLogDirectory when it cannot.
void SelectProductionLogFile(const std::string& logDir, const std::tm& today, ProductionLogFile& log);

}  // namespace qx::station
