#include "station/results/station_results.h"

#include <algorithm>

#include "platform/file_replace.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/error_items/item_numbers.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"
#include "station/results/error_dump.h"
#include "station/results/free_block_columns.h"
#include "station/results/log_directory.h"
#include "station/results/log_text.h"
#include "station/results/result_file_names.h"
#include "station/results/row_file.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr int kDownloadStep = 8;

// Opens the log for appending; a file found full makes way for the next
// index. Not open when a file can be neither opened nor created.
RowFile OpenProductionLog(ProductionLogFile& log) {
    RowFile opened = RowFile::OpenForAppend(log.LogFileName);
    while (opened.IsOpen() && opened.Size() >= log.LogSizeLimit && log.LogFileIndex < kLogFileIndexMax) {
        opened.Close();
        ++log.LogFileIndex;
        log.LogFileName = log.NameFor(log.LogFileIndex);
        opened = RowFile::OpenForAppend(log.LogFileName);
    }
    return opened;
}

// One line for the files of an operation that were not written whole: the
// first by name, the others counted.
std::string UnwrittenText(const std::vector<std::string>& paths) {
    std::string text = "Fail to write " + paths.front();
    if (paths.size() > 1) text += " and " + std::to_string(paths.size() - 1) + " more result files";
    return text + "!";
}

}  // namespace

StationResults::StationResults(ResultSources sources)
    : src_(sources), now_([] { return std::time(nullptr); }) {}

std::tm StationResults::Local(std::time_t t) const {
    std::tm out{};
    ::localtime_r(&t, &out);
    return out;
}

void StationResults::ReportUnwritten() {
    if (failures_) failures_->results = true;
}

void StationResults::SelectProductionLogFile() {
    station::SelectProductionLogFile(logDir_, Local(now_()), logFile_);
}

std::vector<int> StationResults::FreeBlocksOf(int port) const {
    const GlobalParameter& s = src_.settings;
    if (!s.TestItemEnable[item::kDownload] || !s.EnDumpFreeBlockInfo) return {};
    if (!IsSlot(port) || OnUsbPath(port)) return {};
    return ReadFreeBlockCounts(port, src_.flash);
}

bool StationResults::WriteProductionLog(RunInfo& run) {
    const GlobalParameter& s = src_.settings;
    const bool withPpid = s.EnPPID != 0;
    const std::vector<int> columns = LogStepColumns(labels_.checkListItems);
    const std::string header = BuildLogHeader(columns, withPpid);

    // Every result file of this run that did not reach the disk whole.
    std::vector<std::string> unwritten;
    RowFile single;
    if (labels_.singleExecuteResult) {
        const std::string path = LogFilePath(logDir_, kSingleRunFileName);
        single = RowFile::CreateFresh(path);
        if (!single.Append(header)) {
            unwritten.push_back(path);
            single.Close();
        }
    }
    if (s.EnWriteLogFileNameEnd) SelectProductionLogFile();

    RowFile log = OpenProductionLog(logFile_);
    if (!log.IsOpen()) {
        DebugPrint("FAILED(WriteProductionLog) '%s'\r\n", logFile_.LogFileName.c_str());
        ReportUnwritten();
        src_.prompter.Box({"Error", kLogOpenFailText, ui::BoxIcon::Error, ui::BoxButtons::Ok});
        return false;
    }
    // Only a file this run creates (or finds empty) gets the header; an
    // existing file keeps whatever header it has. A log that cannot take its
    // header takes no rows either.
    bool logWritten = log.Size() != 0 || log.Append(header);

    run.endTime = now_();
    const std::tm end = Local(run.endTime);
    LogRowContext row;
    row.startTime = FormatLogTime(Local(run.startTime));
    row.endTime = FormatLogTime(end);
    row.workOrder = labels_.workOrder;
    row.partNo = labels_.partNo;
    row.weekCode = labels_.weekCode;
    row.withPpid = withPpid;
    row.batchRound = EnBatchMode.load() ? run.batchRound : -1;
    run.failedDownloadSerials.clear();

    int k = 0;
    const int ports = std::min(src_.portCount, kPortCount);
    for (int i = 0; i < ports; ++i) {
        const PortRecord& r = src_.ports[static_cast<std::size_t>(i)];
        if (!r.Connected) continue;
        row.rowNumber = static_cast<int>(run.testedTotalAtStart) + ++k;
        row.port = i;
        row.freeBlocks = FreeBlocksOf(i);
        const std::string line = BuildLogRow(r, columns, row);
        if (s.EnRudavuzLogResult) {
            const std::string marker =
                ResultMarkerPath(logDir_, PortText(r.SerialNumber), end, r.OverallResult != kResultFail);
            if (!RowFile::CreateFresh(marker).Close()) unwritten.push_back(marker);
        }
        // After a row that did not go out, the later ones stay out too, so
        // the log never skips a row and goes on.
        logWritten = logWritten && log.Append(line);
        if (single.IsOpen() && !single.Append(line)) {
            unwritten.push_back(LogFilePath(logDir_, kSingleRunFileName));
            single.Close();
        }
        if (s.SNErrReuse && r.StepStatus[kDownloadStep] == kStepFailed) {
            run.failedDownloadSerials.emplace_back(PortText(r.SerialNumber));
        }
    }
    logWritten = log.Close() && logWritten;
    if (single.IsOpen() && !single.Close()) unwritten.push_back(LogFilePath(logDir_, kSingleRunFileName));
    if (!logWritten) {
        DebugPrint("FAILED(WriteProductionLog) rows not written to '%s'\r\n", logFile_.LogFileName.c_str());
        ReportUnwritten();
        src_.prompter.Box({"Error", kLogWriteFailText, ui::BoxIcon::Error, ui::BoxButtons::Ok});
    }
    if (!unwritten.empty()) {
        ReportUnwritten();
        src_.prompter.Box({"Error", UnwrittenText(unwritten), ui::BoxIcon::Error, ui::BoxButtons::Ok});
    }
    return true;
}

void StationResults::WriteErrorDumps(const RunInfo& run) {
    const std::tm end = Local(run.endTime);
    std::vector<std::string> unwritten;
    const int ports = std::min(src_.portCount, kPortCount);
    for (int i = 0; i < ports; ++i) {
        PortRecord& r = src_.ports[static_cast<std::size_t>(i)];
        // A port that passed this run may still carry an earlier failure's
        // item; only this run's failures are dumped.
        if (!r.Connected || r.OverallResult != kResultFail || !HasErrorDump(r.ErrorCode)) continue;
        const std::span<char> detail = ItemText(i, r.ErrorCode);
        const std::string text = BuildErrorDump(
            r.ErrorCode, {reinterpret_cast<const std::uint8_t*>(detail.data()), detail.size()}, src_.flash, r);
        // Replaced whole: a same-minute failure's earlier file is kept when
        // the new one cannot be written.
        const std::string path = ErrorDumpPath(logDir_, i, PortText(r.SerialNumber), end);
        if (!platform::ReplaceFileWhole(path, text)) unwritten.push_back(path);
    }
    if (unwritten.empty()) return;
    ReportUnwritten();
    src_.prompter.Box({"Error", UnwrittenText(unwritten), ui::BoxIcon::Error, ui::BoxButtons::Ok});
}

void StationResults::CaptureWindowImage(const RunInfo& run) {
    if (!labels_.captureAppImage || !capture_) return;
    capture_(WindowImagePath(logDir_, Local(run.endTime)));
}

}  // namespace qx::station
