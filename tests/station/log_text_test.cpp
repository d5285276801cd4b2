#include <gtest/gtest.h>

#include <cstring>

#include "qxlib/discovery/port_record.h"
#include "station/results/log_text.h"

namespace qx::station {
namespace {

std::tm At(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

TEST(LogText, StepStatusTexts) {
    EXPECT_EQ(StepStatusText(-1), "Fail");
    EXPECT_EQ(StepStatusText(0), "----");
    EXPECT_EQ(StepStatusText(1), "Pass");
    EXPECT_EQ(StepStatusText(2), "");
    EXPECT_EQ(FormatLogTime(At(2015, 6, 14, 9, 5, 7)), "2015/06/14 09:05:07\t");
}

TEST(LogText, StepColumnsFollowItemOrderAndListEntries) {
    // Item order decides, not list order; an entry that names no step gives
    // nothing; a name listed twice gives two columns; checked or not does
    // not matter (the list holds texts only).
    const std::vector<std::string> list = {"Download", "Unknown step", "Flash Module Test", "R/W Test", "Download"};
    EXPECT_EQ(LogStepColumns(list), (std::vector<int>{1, 8, 8, 10}));
    EXPECT_TRUE(LogStepColumns({}).empty());
}

TEST(LogText, HeaderBytes) {
    const std::vector<int> columns = {1, 8, 10, 16};
    EXPECT_EQ(BuildLogHeader(columns, false),
              "  No.\t Port.\t     StartTime \t     EndTime \t WorkOrder\t PartNumber\t WeekCode\t SerialNumber\t"
              " WWN\tModule\tDown\tR/W\tCheckTemper\tResult\t\r\n");
    EXPECT_EQ(BuildLogHeader({}, true),
              "  No.\t Port.\t     StartTime \t     EndTime \t WorkOrder\t PartNumber\t WeekCode\t SerialNumber\t"
              " PPID\t WWN\tResult\t\r\n");
}

PortRecord Record(const char* serial, int overall, int display) {
    PortRecord r{};
    CopyPortText(r.SerialNumber, serial);
    CopyPortText(r.Wwn, "5000000000000001");
    CopyPortText(r.Ppid, "PPID-1");
    r.Connected = 1;
    r.OverallResult = static_cast<OverallResult>(overall);
    r.DisplayCode = display;
    return r;
}

TEST(LogText, RowBytes) {
    const std::vector<int> columns = {1, 8, 10};
    LogRowContext base;
    base.rowNumber = 4;
    base.port = 4;
    base.startTime = FormatLogTime(At(2015, 6, 14, 9, 5, 7));
    base.endTime = FormatLogTime(At(2015, 6, 14, 9, 15, 0));
    base.workOrder = "WO1";
    base.partNo = "PN2";
    base.weekCode = "2415";
    const std::string head = "000004\t000005\t2015/06/14 09:05:07\t2015/06/14 09:15:00\tWO1\tPN2\t2415\t";

    struct Case {
        const char* name;
        PortRecord record;
        LogRowContext row;
        std::string expected;
    };
    std::vector<Case> cases;
    {
        PortRecord r = Record("SN01", 1, 0);
        r.StepStatus[1] = kStepPassed;
        r.StepStatus[8] = kStepPassed;
        cases.push_back({"pass", r, base, head + "SN01\t5000000000000001\tPass\tPass\t----\tPass\t\r\n"});
    }
    {
        // The watchdog leaves the running step at 2: its column is empty.
        PortRecord r = Record("SN02", -1, 42);
        r.StepStatus[1] = kStepPassed;
        r.StepStatus[8] = kStepRunning;
        cases.push_back({"timeout", r, base, head + "SN02\t5000000000000001\tPass\t\t----\tT00\t\r\n"});
    }
    {
        PortRecord r = Record("SN03", 0, 0);
        LogRowContext row = base;
        row.withPpid = true;
        cases.push_back({"no result, PPID", r, row, head + "SN03\tPPID-1\t5000000000000001\t----\t----\t----\t----\t\r\n"});
    }
    {
        PortRecord r = Record("SN04", -1, 8);
        r.StepStatus[1] = kStepPassed;
        r.StepStatus[8] = kStepFailed;
        r.StepStatus[10] = kStepFailed;
        LogRowContext row = base;
        row.batchRound = 2;
        cases.push_back({"batch round", r, row,
                         head + "SN04\t5000000000000001\tPass\tFail\tFail\tD00\tBatch Mode Round 2\r\n"});
        row.freeBlocks = {291, 7};
        cases.push_back({"batch round and free blocks", r, row,
                         head + "SN04\t5000000000000001\tPass\tFail\tFail\tD00\tBatch Mode Round 2\t000291\t000007\r\n"});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(BuildLogRow(c.record, columns, c.row), c.expected) << c.name;
    }
}

TEST(LogText, UnterminatedRecordTextStopsAtFieldEnd) {
    PortRecord r{};
    std::memset(r.Wwn, 'W', sizeof r.Wwn);
    EXPECT_EQ(PortText(r.Wwn), std::string(sizeof r.Wwn, 'W'));
}

}  // namespace
}  // namespace qx::station
