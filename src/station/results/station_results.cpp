#include "station/results/station_results.h"

#include <algorithm>

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
#include "station/results/text_file.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr int kDownloadStep = 8;

// Opens the log for appending; a file found full makes way for the next
// index. Null when a file can be neither opened nor created.
FilePtr OpenProductionLog(ProductionLogFile& log, const std::string& header) {
    AppendFile opened = OpenForAppend(log.LogFileName);
    while (opened.file && opened.size >= log.LogSizeLimit && log.LogFileIndex < kLogFileIndexMax) {
        opened.file.reset();
        ++log.LogFileIndex;
        log.LogFileName = log.NameFor(log.LogFileIndex);
        opened = OpenForAppend(log.LogFileName);
    }
    if (!opened.file) return nullptr;
    // Only a file this run creates (or finds empty) gets the header; an
    // existing file keeps whatever header it has.
    if (opened.size == 0) Put(opened.file.get(), header);
    return std::move(opened.file);
}

}  // namespace

StationResults::StationResults(ResultSources sources)
    : src_(sources), now_([] { return std::time(nullptr); }) {}

std::tm StationResults::Local(std::time_t t) const {
    std::tm out{};
    ::localtime_r(&t, &out);
    return out;
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

    FilePtr single;
    if (labels_.singleExecuteResult) {
        single = CreateFresh(LogFilePath(logDir_, kSingleRunFileName));
        Put(single.get(), header);
    }
    if (s.EnWriteLogFileNameEnd) SelectProductionLogFile();

    FilePtr log = OpenProductionLog(logFile_, header);
    if (!log) {
        DebugPrint("FAILED(WriteProductionLog) '%s'\r\n", logFile_.LogFileName.c_str());
        src_.prompter.Box({"Error", kLogOpenFailText, ui::BoxIcon::Error, ui::BoxButtons::Ok});
        return false;
    }

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
            CreateFresh(ResultMarkerPath(logDir_, PortText(r.SerialNumber), end, r.OverallResult != kResultFail));
        }
        Put(log.get(), line);
        Put(single.get(), line);
        if (s.SNErrReuse && r.StepStatus[kDownloadStep] == kStepFailed) {
            run.failedDownloadSerials.emplace_back(PortText(r.SerialNumber));
        }
    }
    return true;
}

void StationResults::WriteErrorDumps(const RunInfo& run) {
    const std::tm end = Local(run.endTime);
    const int ports = std::min(src_.portCount, kPortCount);
    for (int i = 0; i < ports; ++i) {
        PortRecord& r = src_.ports[static_cast<std::size_t>(i)];
        // A port that passed this run may still carry an earlier failure's
        // item; only this run's failures are dumped.
        if (!r.Connected || r.OverallResult != kResultFail || !HasErrorDump(r.ErrorCode)) continue;
        const std::span<char> detail = ItemText(i, r.ErrorCode);
        const std::string text = BuildErrorDump(
            r.ErrorCode, {reinterpret_cast<const std::uint8_t*>(detail.data()), detail.size()}, src_.flash, r);
        FilePtr file = CreateFresh(ErrorDumpPath(logDir_, i, PortText(r.SerialNumber), end));
        Put(file.get(), text);
    }
}

void StationResults::CaptureWindowImage(const RunInfo& run) {
    if (!labels_.captureAppImage || !capture_) return;
    capture_(WindowImagePath(logDir_, Local(run.endTime)));
}

}  // namespace qx::station
