// The station's result writer: after every worker of a run has ended, the
// production log rows (and the single-run file and result markers), the error
// detail files and the window capture, all in the log folder. Runs on the
// window thread; reads the settings record and the active port table the
// window owns.
#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "qxlib/discovery/port_record.h"
#include "station/results/log_file_choice.h"
#include "station/results/write_failures.h"
#include "station/views/result_writer.h"

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}  // namespace qx

namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct ResultSources {
    const GlobalParameter& settings;
    std::array<PortRecord, kPortCount>& ports;   // the active table
    const int& portCount;
    const FlashConfig& flash;
    ui::Prompter& prompter;
};

// What the window supplies besides: the texts entered at start, the item texts
// of the test-item list in list order, and two command-line switches.
struct RunLabels {
    std::string workOrder;
    std::string partNo;
    std::string weekCode;
    std::vector<std::string> checkListItems;
    bool singleExecuteResult = false;   // "SingleExecuteResult"
    bool captureAppImage = false;       // "CaptureAppImage"
};

inline constexpr char kSingleRunFileName[] = "SingleExecuteResult.log";
inline constexpr char kLogOpenFailText[] = "Fail to open/create log file!";
// The log could be opened, but this run's rows did not all reach it.
inline constexpr char kLogWriteFailText[] = "Fail to write log file!";

class StationResults final : public ResultWriter {
public:
    explicit StationResults(ResultSources sources);

    void SetLogDir(std::string logDir) { logDir_ = std::move(logDir); }
    const std::string& LogDir() const { return logDir_; }
    void SetRunLabels(RunLabels labels) { labels_ = std::move(labels); }
    // Seconds since the epoch; the system time unless a test sets its own.
    void SetTimeSource(std::function<std::time_t()> now) { now_ = std::move(now); }
    // Saves the window's picture as a JPEG at the given path.
    void SetWindowCapture(std::function<bool(const std::string& path)> capture) { capture_ = std::move(capture); }
    // Where a result file that was not written whole is noted (results).
    void ReportFailuresTo(WriteFailures& failures) { failures_ = &failures; }

    // Chooses the production log for today (start-up, and every run with
    // [Setting] EnWriteLogFileNameEnd). Throws CannotCreateLogDirectory.
    void SelectProductionLogFile();
    const ProductionLogFile& LogFile() const { return logFile_; }

    bool WriteProductionLog(RunInfo& run) override;
    void WriteErrorDumps(const RunInfo& run) override;
    void CaptureWindowImage(const RunInfo& run) override;

private:
    std::tm Local(std::time_t t) const;
    std::vector<int> FreeBlocksOf(int port) const;
    void ReportUnwritten();

    ResultSources src_;
    std::string logDir_;
    RunLabels labels_;
    ProductionLogFile logFile_;
    std::function<std::time_t()> now_;
    std::function<bool(const std::string&)> capture_;
    WriteFailures* failures_ = nullptr;
};

}  // namespace qx::station
