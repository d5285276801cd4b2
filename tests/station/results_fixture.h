// A station's result writer over a zeroed settings record and port table, a
// temporary log folder, a scripted prompter and a fixed clock in UTC.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "settings/file_bytes.h"
#include "station/results/station_results.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {

// 2015-06-14 10:11:12 UTC
inline constexpr std::time_t kRunEnd = 1434276672;
inline constexpr std::time_t kRunStart = kRunEnd - 600;

// Local time is UTC for the guard's life, so file names and times are fixed.
class UtcZone {
public:
    UtcZone() {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? tz : "";
        had_ = tz != nullptr;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (had_) ::setenv("TZ", saved_.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    UtcZone(const UtcZone&) = delete;
    UtcZone& operator=(const UtcZone&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

class ResultsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        logDir_ = dir_.path().string() + "/";
        writer_.SetLogDir(logDir_);
        writer_.SetTimeSource([this] { return now_; });
        labels_.workOrder = "WO1";
        labels_.partNo = "PN2";
        labels_.weekCode = "2415";
        labels_.checkListItems = {"Flash Module Test", "Download"};
        writer_.SetRunLabels(labels_);
        run_.startTime = kRunStart;
    }
    PortRecord& Port(int i, const char* serial, int overall) {
        PortRecord& r = ports_[static_cast<std::size_t>(i)];
        r.Connected = 1;
        CopyPortText(r.SerialNumber, serial);
        r.OverallResult = static_cast<OverallResult>(overall);
        r.StepStatus[1] = kStepPassed;
        r.StepStatus[8] = overall == -1 ? kStepFailed : kStepPassed;
        if (overall == -1) r.ErrorCode = r.DisplayCode = 8;
        if (portCount_ <= i) portCount_ = i + 1;
        return r;
    }

    std::string Read(const std::string& name) const { return ReadBytes(dir_.path() / name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.path() / name); }

    static constexpr const char* kHeader =
        "  No.\t Port.\t     StartTime \t     EndTime \t WorkOrder\t PartNumber\t WeekCode\t SerialNumber\t"
        " WWN\tModule\tDown\tResult\t\r\n";
    static std::string Row(int number, int port, const char* serial, const char* tail) {
        char head[128];
        std::snprintf(head, sizeof head, "%06d\t%06d\t2015/06/14 10:01:12\t2015/06/14 10:11:12\tWO1\tPN2\t2415\t%s\t\t",
                      number, port, serial);
        return std::string(head) + tail + "\r\n";
    }

    UtcZone utc_;
    TempDir dir_;
    std::string logDir_;
    GlobalParameter settings_{};
    std::array<PortRecord, kPortCount> ports_{};
    int portCount_ = 0;
    FlashConfig flash_{};
    ui::ScriptedPrompter prompter_;
    station::StationResults writer_{{settings_, ports_, portCount_, flash_, prompter_}};
    station::RunLabels labels_;
    station::RunInfo run_;
    std::time_t now_ = kRunEnd;
};

}  // namespace qx::test
