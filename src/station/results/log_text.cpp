#include "station/results/log_text.h"

#include <cstdio>

#include "qxlib/error_items/error_items.h"
#include "qxlib/error_items/item_numbers.h"

namespace qx::station {
namespace {

std::string Format06(const char* format, int value) {
    char text[32];   // "Batch Mode Round " and any int
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void AppendField(std::string& line, std::string_view text) {
    line.append(text);
    line.push_back('\t');
}

}  // namespace

std::string_view StepStatusText(int status) {
    switch (status) {
        case kStepFailed: return "Fail";
        case kStepOff: return "----";
        case kStepPassed: return "Pass";
        default: return "";
    }
}

std::string FormatLogTime(const std::tm& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d\t", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::vector<int> LogStepColumns(const std::vector<std::string>& checkListItems) {
    std::vector<int> columns;
    for (int item = item::kFlashModuleTest; item <= item::kLastStep; ++item) {
        const std::string_view name = ErrorItemStepName(item);
        for (const std::string& entry : checkListItems) {
            if (entry == name) columns.push_back(item);
        }
    }
    return columns;
}

std::string BuildLogHeader(const std::vector<int>& stepColumns, bool withPpid) {
    std::string header = "  No.\t Port.\t     StartTime \t     EndTime \t WorkOrder\t PartNumber\t WeekCode\t SerialNumber\t";
    if (withPpid) header += " PPID\t";
    header += " WWN\t";
    for (int item : stepColumns) header += ErrorItemLogColumn(item);
    header += "Result\t\r\n";
    return header;
}

std::string BuildLogRow(const PortRecord& record, const std::vector<int>& stepColumns, const LogRowContext& row) {
    std::string line = Format06("%06d\t", row.rowNumber);
    line += Format06("%06d\t", row.port + 1);
    line += row.startTime;
    line += row.endTime;
    AppendField(line, row.workOrder);
    AppendField(line, row.partNo);
    AppendField(line, row.weekCode);
    AppendField(line, PortText(record.SerialNumber));
    if (row.withPpid) AppendField(line, PortText(record.Ppid));
    AppendField(line, PortText(record.Wwn));
    for (int item : stepColumns) AppendField(line, StepStatusText(record.StepStatus[static_cast<std::size_t>(item)]));
    if (record.OverallResult == kResultFail) {
        AppendField(line, ErrorItemCode(record.DisplayCode));
    } else {
        AppendField(line, StepStatusText(record.OverallResult));
    }
    if (row.batchRound >= 0) line += Format06("Batch Mode Round %d", row.batchRound);
    for (int count : row.freeBlocks) line += Format06("\t%06d", count);
    line += "\r\n";
    return line;
}

}  // namespace qx::station
