#include <sys/stat.h>

#include "results_fixture.h"

#include "station/results/log_directory.h"

namespace qx::test {
namespace {

constexpr const char* kLog000 = "20150614_000.txt";
constexpr const char* kLog001 = "20150614_001.txt";

class StationResultsTest : public ResultsFixture {};

TEST_F(StationResultsTest, RowsNumberOnFromTheTestedTotal) {
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    Port(2, "SN-B", -1);
    Port(4, "SN-C", 1);
    run_.testedTotalAtStart = 0;
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(run_.endTime, kRunEnd);
    // The next run with two drives continues the numbers and appends.
    ports_[2].Connected = 0;
    station::RunInfo second = run_;
    second.testedTotalAtStart = 3;
    ASSERT_TRUE(writer_.WriteProductionLog(second));
    EXPECT_EQ(Read(kLog000), std::string(kHeader) + Row(1, 1, "SN-A", "Pass\tPass\tPass\t") +
                                 Row(2, 3, "SN-B", "Pass\tFail\tD00\t") + Row(3, 5, "SN-C", "Pass\tPass\tPass\t") +
                                 Row(4, 1, "SN-A", "Pass\tPass\tPass\t") + Row(5, 5, "SN-C", "Pass\tPass\tPass\t"));
    EXPECT_TRUE(prompter_.Records().empty());
    EXPECT_FALSE(Exists("SingleExecuteResult.log"));
}

TEST_F(StationResultsTest, ExistingLogIsAppendedWithoutHeaderAndNeverShortened) {
    const std::string old(82999, 'x');
    WriteBytes(dir_.path() / kLog000, old);
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    const std::string row = Row(1, 1, "SN-A", "Pass\tPass\tPass\t");
    EXPECT_EQ(Read(kLog000), old + row) << "no new header, rows may pass the limit";

    // The next run finds _000 too large and goes on in _001, with a header.
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(Read(kLog000), old + row);
    EXPECT_EQ(Read(kLog001), std::string(kHeader) + row);
    EXPECT_EQ(writer_.LogFile().LogFileIndex, 1);
}

TEST_F(StationResultsTest, RolloverIntoAnExistingFileAppends) {
    // Chosen at start-up while _000 was small; meanwhile _000 filled up and
    // _001 appeared (another station on the same folder): _001 is kept.
    writer_.SelectProductionLogFile();
    WriteBytes(dir_.path() / kLog000, std::string(83000, 'x'));
    WriteBytes(dir_.path() / kLog001, "earlier rows\r\n");
    Port(0, "SN-A", 1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(Read(kLog001), "earlier rows\r\n" + Row(1, 1, "SN-A", "Pass\tPass\tPass\t"));
    EXPECT_EQ(Read(kLog000).size(), 83000u);
}

TEST_F(StationResultsTest, EmptyExistingFileGetsTheHeader) {
    WriteBytes(dir_.path() / kLog000, "");
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(Read(kLog000), std::string(kHeader) + Row(1, 1, "SN-A", "Pass\tPass\tPass\t"));
}

TEST_F(StationResultsTest, FileChosenAtStartUpIsKeptPastMidnightUnlessChosenPerRun) {
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    now_ = kRunEnd + 86400;   // the next day
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_TRUE(Exists(kLog000));
    EXPECT_FALSE(Exists("20150615_000.txt"));

    settings_.EnWriteLogFileNameEnd = 1;
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_TRUE(Exists("20150615_000.txt"));
}

TEST_F(StationResultsTest, PerRunChoiceRaisesTheFolderError) {
    settings_.EnWriteLogFileNameEnd = 1;
    writer_.SetLogDir(dir_.path().string() + "/missing/deeper/");
    Port(0, "SN-A", 1);
    EXPECT_THROW(writer_.WriteProductionLog(run_), station::CannotCreateLogDirectory);
}

TEST_F(StationResultsTest, LogThatCannotBeOpenedStopsTheRunWithABox) {
    labels_.singleExecuteResult = true;
    writer_.SetRunLabels(labels_);
    writer_.SelectProductionLogFile();
    std::filesystem::create_directory(dir_.path() / kLog000);   // a folder where the file should be
    Port(0, "SN-A", 1);
    settings_.EnRudavuzLogResult = 1;
    EXPECT_FALSE(writer_.WriteProductionLog(run_));
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "Error");
    EXPECT_EQ(records[0].text, "Fail to open/create log file!");
    EXPECT_EQ(records[0].icon, ui::BoxIcon::Error);
    EXPECT_EQ(Read("SingleExecuteResult.log"), kHeader) << "no row of the run is written anywhere";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2) << "no marker either";
}

TEST_F(StationResultsTest, SingleRunFileHoldsOnlyTheLastRun) {
    labels_.singleExecuteResult = true;
    writer_.SetRunLabels(labels_);
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    station::RunInfo second = run_;
    second.testedTotalAtStart = 1;
    ASSERT_TRUE(writer_.WriteProductionLog(second));
    EXPECT_EQ(Read("SingleExecuteResult.log"), std::string(kHeader) + Row(2, 1, "SN-A", "Pass\tPass\tPass\t"));
}

TEST_F(StationResultsTest, MarkersPerPortWithSafeSerials) {
    settings_.EnRudavuzLogResult = 1;
    writer_.SelectProductionLogFile();
    Port(0, "SN-PASS", 1);
    Port(1, "SN/../FAIL", -1);
    Port(2, "SN-NONE", 0);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_TRUE(Exists("MP_SN-PASS_20150614_101112_PASS.log"));
    EXPECT_TRUE(Exists("MP_SN_.._FAIL_20150614_101112_FAIL.log"));
    EXPECT_TRUE(Exists("MP_SN-NONE_20150614_101112_PASS.log")) << "no result counts as PASS";
    EXPECT_EQ(Read("MP_SN-PASS_20150614_101112_PASS.log"), "");
}

TEST_F(StationResultsTest, FolderTextWithoutSeparatorIsAPrefix) {
    const std::string prefix = dir_.path().string() + "/line7_";
    writer_.SetLogDir(prefix);
    settings_.EnRudavuzLogResult = 1;
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", 1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_TRUE(Exists("line7_20150614_000.txt"));
    EXPECT_TRUE(std::filesystem::exists(prefix + "/MP_SN-A_20150614_101112_PASS.log"))
        << "the marker puts a separator after the folder text";
}

TEST_F(StationResultsTest, FailedDownloadSerialsAreCollectedForReuse) {
    writer_.SelectProductionLogFile();
    Port(0, "SN-A", -1);
    Port(1, "SN-B", 1);
    Port(3, "SN-C", -1);
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_TRUE(run_.failedDownloadSerials.empty()) << "only with SNErrReuse";
    settings_.SNErrReuse = 1;
    ASSERT_TRUE(writer_.WriteProductionLog(run_));
    EXPECT_EQ(run_.failedDownloadSerials, (std::vector<std::string>{"SN-A", "SN-C"}));
}

TEST_F(StationResultsTest, CaptureNamedByTheRunsEndOnlyWhenAsked) {
    std::vector<std::string> paths;
    writer_.SetWindowCapture([&](const std::string& path) {
        paths.push_back(path);
        return true;
    });
    run_.endTime = kRunEnd;
    writer_.CaptureWindowImage(run_);
    EXPECT_TRUE(paths.empty());
    labels_.captureAppImage = true;
    writer_.SetRunLabels(labels_);
    writer_.CaptureWindowImage(run_);
    EXPECT_EQ(paths, (std::vector<std::string>{logDir_ + "Image_0614101112.jpg"}));
}

}  // namespace
}  // namespace qx::test
