// The production log's texts: the header line and one port's row, tab
// separated, ending in CR LF. Pure functions of the run's data.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "qxlib/discovery/port_record.h"

namespace qx::station {

// "Fail" (-1), "----" (0), "Pass" (1), "" (2, still running), "" otherwise.
std::string_view StepStatusText(int status);

// "%04d/%02d/%02d %02d:%02d:%02d\t" of a local time.
std::string FormatLogTime(const std::tm& time);

// The step columns: for each step item 1 to 39 in order, one column per
// test-item list entry (in list order) whose text is the item's step name.
// Entries are item numbers.
std::vector<int> LogStepColumns(const std::vector<std::string>& checkListItems);

std::string BuildLogHeader(const std::vector<int>& stepColumns, bool withPpid);

// What a row takes besides the port record.
struct LogRowContext {
    int rowNumber = 0;          // tested total at run start + k
    int port = 0;               // port index from 0
    std::string startTime;      // FormatLogTime texts
    std::string endTime;
    std::string workOrder;
    std::string partNo;
    std::string weekCode;
    bool withPpid = false;
    int batchRound = -1;        // < 0: no batch column
    std::vector<int> freeBlocks; // free-block columns, in order
};

std::string BuildLogRow(const PortRecord& record, const std::vector<int>& stepColumns, const LogRowContext& row);

}  // namespace qx::station
