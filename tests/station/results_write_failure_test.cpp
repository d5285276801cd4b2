// The result writer on a disk that refuses its files: a row goes out whole
// or not at all, rows of earlier rounds stay, every file that did not reach
// the disk is said in an "Error" box and noted for the exit code.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "results_fixture.h"
#include "station/results/result_file_names.h"
#include "station/results/write_failures.h"
#include "support/file_size_limit.h"

namespace qx::test {
namespace {

constexpr const char* kLog000 = "20150614_000.txt";

class ResultsWriteFailure : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        writer_.ReportFailuresTo(failures_);
        writer_.SelectProductionLogFile();
    }
    std::tm End() const {
        std::tm end{};
        const std::time_t t = kRunEnd;
        ::gmtime_r(&t, &end);
        return end;
    }
    // The box texts of a run, in order.
    std::vector<std::string> Texts() const { return prompter_.Texts(); }

    station::WriteFailures failures_;
};

TEST_F(ResultsWriteFailure, AllWrittenNotesNothing) {
    settings_.EnRudavuzLogResult = 1;
    Port(0, "SN-A", -1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    writer_.WriteErrorDumps(run_);
    EXPECT_TRUE(prompter_.Records().empty());
    EXPECT_FALSE(failures_.results);
    EXPECT_FALSE(failures_.settings);
}

TEST_F(ResultsWriteFailure, ARowThatDoesNotFitIsCutBackAndSaid) {
    const std::string earlier = std::string(kHeader) + Row(1, 1, "SN-OLD", "Pass\tPass\tPass\t");
    std::ofstream(dir_.path() / kLog000, std::ios::binary) << earlier;
    Port(0, "SN-A", 1);
    Port(1, "SN-B", 1);
    run_.testedTotalAtStart = 1;
    // Room for a part of the first row only: the file must end as it began.
    const auto outcome = RunInChild(static_cast<long long>(earlier.size()) + 10, [&] {
        const bool continued = writer_.WriteProductionLog(run_);
        return continued && failures_.results && Texts() == std::vector<std::string>{"Fail to write log file!"} &&
               prompter_.Records()[0].caption == "Error";
    });
    EXPECT_EQ(outcome, ChildOutcome::True) << "the run goes on, the box and the note are there";
    EXPECT_EQ(Read(kLog000), earlier) << "no torn row, no earlier row lost";

    // The second row does not fit: the first stays whole, the second is not
    // there, nor any later one.
    Port(2, "SN-C", 1);
    const std::string oneRow = earlier + Row(2, 1, "SN-A", "Pass\tPass\tPass\t");
    EXPECT_EQ(RunInChild(static_cast<long long>(oneRow.size()) + 20,
                         [&] { return writer_.WriteProductionLog(run_) && failures_.results; }),
              ChildOutcome::True);
    EXPECT_EQ(Read(kLog000), oneRow);
}

TEST_F(ResultsWriteFailure, ANewLogWithoutRoomForItsHeaderStaysEmpty) {
    Port(0, "SN-A", 1);
    EXPECT_EQ(RunInChild(20, [&] { return writer_.WriteProductionLog(run_) && failures_.results; }),
              ChildOutcome::True);
    EXPECT_EQ(Read(kLog000), "");
    // The next run, with room, writes the header and its row.
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(Read(kLog000), std::string(kHeader) + Row(1, 1, "SN-A", "Pass\tPass\tPass\t"));
}

TEST_F(ResultsWriteFailure, ALogThatCannotBeOpenedIsNoted) {
    std::filesystem::create_directory(dir_.path() / kLog000);
    Port(0, "SN-A", 1);
    EXPECT_FALSE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Fail to open/create log file!"});
    EXPECT_TRUE(failures_.results);
}

TEST_F(ResultsWriteFailure, MarkersDetailFilesAndTheSingleRunFileThatCannotBeWritten) {
    struct Case {
        const char* name;
        std::function<std::string()> block;   // puts a folder or a FIFO where a file goes; its path
    };
    const Case cases[] = {
        {"a result marker",
         [&] {
             const std::string path = station::ResultMarkerPath(logDir_, "SN-A", End(), false);
             std::filesystem::create_directory(path);
             return path;
         }},
        {"an error detail file",
         [&] {
             const std::string path = station::ErrorDumpPath(logDir_, 0, "SN-A", End());
             std::filesystem::create_directory(path);
             return path;
         }},
        {"the single-run file as a FIFO",
         [&] {
             const std::string path = logDir_ + "SingleExecuteResult.log";
             ::mkfifo(path.c_str(), 0644);
             return path;
         }},
    };
    settings_.EnRudavuzLogResult = 1;
    labels_.singleExecuteResult = true;
    writer_.SetRunLabels(labels_);
    Port(0, "SN-A", -1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir_.path());
        std::filesystem::create_directory(dir_.path());
        prompter_.Clear();
        failures_ = {};
        const std::string blocked = c.block();
        // In a child: a writer that opened the FIFO would wait for ever.
        const auto outcome = RunInChild(-1, [&] {
            if (!writer_.WriteProductionLog(run_)) return false;
            writer_.WriteErrorDumps(run_);
            const auto texts = Texts();
            return failures_.results && texts.size() == 1 && texts[0] == "Fail to write " + blocked + "!";
        });
        EXPECT_EQ(outcome, ChildOutcome::True);
        EXPECT_TRUE(Read(kLog000).ends_with(Row(1, 1, "SN-A", "Pass\tFail\tD00\t"))) << "the log row is written";
    }
}

}  // namespace
}  // namespace qx::test
