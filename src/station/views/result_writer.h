// The run's records in the log folder: production log rows, result markers,
// error detail files and the window capture. The station window implements
// it; the run controller calls it on the window thread after every worker
// has ended.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace qx::station {

struct RunInfo {
    std::time_t startTime = 0;   // START pressed (this round)
    std::time_t endTime = 0;     // taken when the production log is written
    int batchRound = 0;          // 1-based round of a batch, 0 outside a batch
    // Tested total of the yield counters when the run started, before any
    // result of it was counted: the log numbers this run's rows from it + 1.
    std::uint32_t testedTotalAtStart = 0;
    // Filled by WriteProductionLog (with [DeviceSetting] SNErrReuse): serial
    // numbers of the ports whose download failed, in port order, for reuse.
    std::vector<std::string> failedDownloadSerials;
};

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    // false: the production log could be neither opened nor created; the
    // controller skips everything after the log.
    virtual bool WriteProductionLog(RunInfo& run) = 0;
    virtual void WriteErrorDumps(const RunInfo& run) = 0;
    virtual void CaptureWindowImage(const RunInfo& run) = 0;
};

}  // namespace qx::station
