// "Auto Detect" on the settings area against simulated drives.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include "diagnostics/diag_fixture.h"
#include "platform/clock.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/transport/device_slot.h"
#include "sim/rack/sim_rack.h"
#include "station/forms/engineering/flash_detect_handler.h"
#include "station/forms/engineering/flash_info_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/results/write_failures.h"
#include "station_forms/settings/settings_area_fixture.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

const std::string kPath = "\\\\?\\usbstor#disk&ven_qx&prod_native#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

class FlashAutoDetectTest : public SettingsAreaTest {
protected:
    void SetUp() override {
        SettingsAreaTest::SetUp();
        platform::SetClock(&clock_);
        scoped_ = std::make_unique<sim::ScopedRack>(rack_);
        sim::DriveConfig cfg;
        cfg.frontEnd = sim::FrontEnd::NativeUsb;
        cfg.state = sim::ControllerState::Loader;
        cfg.busyPolls = 0;
        drive_ = &rack_.AddDrive(kPath, cfg);
        DeviceSlots[0].InterfacePath = kPath.c_str();
        DeviceSlots[0].UsbPath = 1;
        WriteProgramImage(dir_.file("GDP.bin"), kDiagnosticTag, 0x47);
        SetGdpImagePath(dir_.file("GDP.bin"));
        savedPortCount_ = PortCount;
        PortCount = 3;
        for (PortRecord& r : ActivePortTable) r.Connected = 0;
        ActivePortTable[0].Connected = 1;
        ini_ = "[Setting]\r\nMPVersion=0\r\n[FlashSetting]\r\nFlashUniName=KT128A\r\nChannel=2\r\nBank=1\r\n"
               "DrvCurrent=1\r\n[Other]\r\nKeep=1\r\n";
        Load(ini_);
        WriteFile("QXMPTOOL.ini", ini_);
    }
    void TearDown() override {
        for (PortRecord& r : ActivePortTable) r.Connected = 0;
        PortCount = savedPortCount_;
        DeviceSlots[0].InterfacePath.clear();
        DeviceSlots[0].UsbPath = 0;
        scoped_.reset();
        platform::SetClock(nullptr);
        SettingsAreaTest::TearDown();
    }
    void Detect(station::TFlashInfoFrom& dialog) {
        station::FlashAutoDetectBtnClick(*area_, prompter_, dialog, {1, {}, {}, station::StationPortTables()});
    }

    platform::VirtualClock clock_;
    sim::SimRack rack_;
    std::unique_ptr<sim::ScopedRack> scoped_;
    sim::SimDrive* drive_ = nullptr;
    int savedPortCount_ = 0;
    std::string ini_;
};

TEST_F(FlashAutoDetectTest, DetectedPartIsSelectedAppliedAndItsKeysWritten) {
    station::TFlashInfoFrom dialog(*area_, prompter_);
    std::string shownType;
    WhenModal([&] {
        shownType = Text(Child<QLineEdit>(dialog, "TypeEdit"));
        dialog.FormCloseBtnClick();
    });
    Detect(dialog);
    EXPECT_EQ(shownType, "WBG  /  NV16G08A1M (x2)");
    EXPECT_STREQ(settings_.FlashUniName, "WBG");
    EXPECT_EQ(settings_.Channel, 4);
    EXPECT_EQ(settings_.Bank, 2);
    EXPECT_EQ(settings_.DrvCurrent, 3);
    EXPECT_EQ(C<QComboBox>("DrvCurrentCmBx")->currentText().toStdString(), " 8 mA");
    EXPECT_EQ(ReadFile(dir_.file("QXMPTOOL.ini")),
              "[Setting]\r\nMPVersion=0\r\n[FlashSetting]\r\nFlashUniName=WBG\r\nChannel=4\r\nBank=2\r\n"
              "DrvCurrent=3\r\n[Other]\r\nKeep=1\r\n");
    EXPECT_TRUE(C<QPushButton>("FlashAutoDetectBtn")->isEnabled());
}

TEST_F(FlashAutoDetectTest, AFolderInPlaceOfTheSettingsFileIsToldAndNoted) {
    station::WriteFailures failures;
    area_->ReportFailuresTo(failures);
    std::filesystem::remove(dir_.file("QXMPTOOL.ini"));
    std::filesystem::create_directory(dir_.file("QXMPTOOL.ini"));
    station::TFlashInfoFrom dialog(*area_, prompter_);
    WhenModal([&] { dialog.FormCloseBtnClick(); });
    Detect(dialog);
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"Cannot write the settings file " + dir_.file("QXMPTOOL.ini")});
    EXPECT_TRUE(failures.settings);
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("QXMPTOOL.ini")));
}

TEST_F(FlashAutoDetectTest, AFailedDetectionShowsZerosAndRestoresTheConfiguration) {
    drive_->AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x05));
    const std::uint8_t banks = config_.BankCount;
    station::TFlashInfoFrom dialog(*area_, prompter_);
    Detect(dialog);
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"Not found, check your flash list!!",
                                        "Flash's CE:0\nFlash's Maker Code:0\nFlash's Device Code:0\nFlash's 3rd "
                                        "Code:0\nFlash's 4th Code:0\nFlash's 5th Code:0\nSSD's total channel:0\nSSD's "
                                        "total bank:0\n"}));
    EXPECT_EQ(config_.BankCount, banks) << "the detection's boot geometry does not stay";
    EXPECT_EQ(ReadFile(dir_.file("QXMPTOOL.ini")), ini_);
    EXPECT_TRUE(C<QPushButton>("FlashAutoDetectBtn")->isEnabled());
}

TEST_F(FlashAutoDetectTest, AnUnknownIdIsReportedWithItsBytes) {
    {
        auto hold = drive_->Lock();
        drive_->Model().cfg.flashId = {0x11, 0x22, 0x33, 0x44, 0x55};
    }
    station::TFlashInfoFrom dialog(*area_, prompter_);
    Detect(dialog);
    ASSERT_EQ(prompter_.Texts().size(), 2u);
    EXPECT_EQ(prompter_.Texts()[1].substr(0, 40), "Flash's CE:2\nFlash's Maker Code:11\nFlash");
    EXPECT_EQ(settings_.Channel, 4) << "the drive's report applies without a part";
}

TEST_F(FlashAutoDetectTest, NoConnectedDevice) {
    station::TFlashInfoFrom dialog(*area_, prompter_);
    station::FlashAutoDetectBtnClick(*area_, prompter_, dialog, {0, {}, {}, station::StationPortTables()});
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"No connected device for detecting!!"});
    EXPECT_TRUE(rack_.Log().For(kPath).empty());
}

// The page viewer on the same drive: ten pages go to the memos, eleven to
// files in the working folder after the warning.
TEST_F(FlashAutoDetectTest, PageViewerMemosOrFiles) {
    struct EnterFolder {
        std::filesystem::path previous = std::filesystem::current_path();
        explicit EnterFolder(const std::filesystem::path& to) { std::filesystem::current_path(to); }
        ~EnterFolder() { std::filesystem::current_path(previous); }
    } enter(dir_.path());
    station::TReadFlashForm form({config_, settings_, [] { return 1; }, state_.ProgramFolder, station::StationPortTables()}, prompter_);
    form.show();
    Child<QLineEdit>(form, "BankLabeledEdit")->setText("0");
    Child<QLineEdit>(form, "BlockLabeledEdit")->setText("10");
    Child<QLineEdit>(form, "PageLabeledEdit")->setText("0");
    Child<QLineEdit>(form, "PageCountLabeledEdit")->setText("10");
    form.ReadDataButtonClick();
    EXPECT_TRUE(prompter_.Texts().empty());
    const auto pageBytes = static_cast<int>(config_.FlashGeometry.SectorsPerPage) * 512;
    EXPECT_EQ(Child<QPlainTextEdit>(form, "FlashDataMemo0")->blockCount(), 10 * pageBytes / 16);
    Child<QLineEdit>(form, "PageCountLabeledEdit")->setText("11");
    form.ReadDataButtonClick();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"For performance issue, Read Flash Tool only support saving result to file "
                                        "when page count is biger than 10",
                                        "Save results to FlashData_XXXXXXXX.txt done"}));
    EXPECT_TRUE(Child<QPlainTextEdit>(form, "FlashDataMemo0")->toPlainText().isEmpty());
    for (int ch = 0; ch < config_.ChannelCount; ++ch) {
        const std::string name = "FlashData_Ch" + std::to_string(ch) + "_Bank0_Block10_Page0.txt";
        EXPECT_EQ(std::filesystem::file_size(dir_.file(name)),
                  static_cast<std::uintmax_t>(11 * pageBytes / 16) * 63u) << name;   // 61 characters and CR LF a line
    }
}

}  // namespace
}  // namespace qx::test
