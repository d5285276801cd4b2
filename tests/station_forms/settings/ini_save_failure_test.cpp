// "Save INI" where the settings file cannot be replaced: the "Error" box, the
// note for the exit code, and the old file (or whatever stands there) left
// as it was.
#include <QPushButton>

#include <sys/stat.h>

#include "station/results/write_failures.h"
#include "station_forms/settings/settings_area_fixture.h"

namespace qx::test {
namespace {

class IniSaveFailure : public SettingsAreaTest {
protected:
    void SetUp() override {
        SettingsAreaTest::SetUp();
        area_->ReportFailuresTo(failures_);
    }
    station::WriteFailures failures_;
};

TEST_F(IniSaveFailure, AFifoOrAFolderInPlaceOfTheFileIsRefusedAndNoted) {
    Load("");
    const std::string fifo = dir_.file("fifo.ini"), folder = dir_.file("folder.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(folder);
    for (const std::string& blocked : {fifo, folder}) {
        prompter_.Clear();
        failures_ = {};
        prompter_.Answer(std::optional<std::string>(blocked));
        C<QPushButton>("INISaveBtn")->click();   // would wait for a reader if the FIFO were opened
        EXPECT_EQ(prompter_.Texts().back(), "Cannot write the settings file " + blocked);
        EXPECT_TRUE(failures_.settings) << blocked;
        EXPECT_FALSE(failures_.results);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    prompter_.Clear();
    failures_ = {};
    EXPECT_TRUE(area_->SaveIniFile(state_.IniPath));
    EXPECT_FALSE(failures_.settings) << "a save that works notes nothing";
}

}  // namespace
}  // namespace qx::test
