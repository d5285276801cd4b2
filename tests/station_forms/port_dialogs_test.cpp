// The port's failure and detail dialogs offscreen: the memo entries for the
// failure items, the board pictures, the detail read on simulated drives on
// both paths, and the "?" button's one-user rule checked in the request log.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <cstring>

#include "form_test_support.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/rw/rw_error_record.h"
#include "qxlib/transport/device_slot.h"
#include "sim/model/drive_model.h"
#include "station/forms/detail_form.h"
#include "station/forms/error_form.h"
#include "station/forms/port_button.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::PortDialog;

std::vector<std::string> MemoLines(const QWidget& form, const char* name) {
    const QString text = Child<QPlainTextEdit>(form, name)->toPlainText();
    std::vector<std::string> out;
    if (text.isEmpty()) return out;
    for (const QString& l : text.split('\n')) out.push_back(l.toStdString());
    return out;
}

class PortDialogsTest : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        ASSERT_TRUE(AllocDeviceSlotBuffers());
        ClearPortTable(ActivePortTable);
        for (int p : {kSataSlot, kUsbSlot}) ActivePortTable[static_cast<std::size_t>(p)].Connected = 1;
        flash_.FlashGeometry.SectorsPerPage = 1;
    }
    void TearDown() override {
        ClearPortTable(ActivePortTable);
        FreeDeviceSlotBuffers();
        VendorFixture::TearDown();
    }
    void Fail(int port, int code) { ActivePortTable[static_cast<std::size_t>(port)].ErrorCode = code; }
    std::span<std::uint8_t> Detail(int port, int code) {
        const std::span<char> t = ItemText(port, code);
        return {reinterpret_cast<std::uint8_t*>(t.data()), t.size()};
    }
    void InFirmware(int slot) {
        std::vector<std::uint8_t> image(kSystemImageBytes, 0);
        std::memcpy(&image[768], "QXSS102003", 10);
        SetState(slot, sim::ControllerState::Firmware);
        VendorModeOn(slot);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().systemImage = image;
    }
    station::PortButtonForms Forms() { return {error_, detail_, prompter_, flash_, dir_.path().string(), station::StationPortTables()}; }
    // Closes the modal dialog the button opens as soon as it runs. A click
    // that opens none leaves the timer pending: it goes with the dialog, so
    // it cannot fire into a later test.
    PortDialog Click(int port, const station::PortBusy& busy) {
        QTimer::singleShot(0, &error_, [this] {
            if (error_.isVisible()) error_.done(0);
            if (detail_.isVisible()) detail_.done(0);
        });
        auto forms = Forms();
        return station::MyBitBtnClick(port, busy, forms);
    }

    FlashConfig flash_{};
    TempDir dir_;
    ui::ScriptedPrompter prompter_;
    station::TErrorForm error_{nullptr, station::StationPortTables()};
    station::TDetailForm detail_;
    const station::PortBusy idle_ = [](int) { return false; };
};

TEST_F(PortDialogsTest, AWatchdogFailureShowsTheSingleEntryTimeout) {
    Fail(kSataSlot, 42);
    EXPECT_EQ(Click(kSataSlot, idle_), PortDialog::Failure);
    EXPECT_EQ(error_.windowTitle().toStdString(), "Error");
    EXPECT_EQ(MemoLines(error_, "Memo1"), std::vector<std::string>{"Timeout"});
    EXPECT_TRUE(Sent(kSataSlot).empty()) << "the failure dialog sends nothing";
}

TEST_F(PortDialogsTest, LaterBadCountsAndTheHexDumpAreListed) {
    Fail(kSataSlot, 11);
    auto d = Detail(kSataSlot, 11);
    d[0] = 0xBB;
    for (std::uint32_t t = 0; t < 5; ++t) put_le32(&d[1 + 4 * t], t);
    error_.FormShow(kSataSlot, flash_, dir_.path().string());
    const auto lines = MemoLines(error_, "Memo1");
    ASSERT_EQ(lines.size(), 5u + 64u);
    EXPECT_EQ(lines[0], "The Later Bad Counts are too large");
    EXPECT_EQ(lines[1], "Read fail count is (4)");
    EXPECT_EQ(lines[4], "Uncorrectable ECC fail count is (3)");
    EXPECT_EQ(lines[5], "0000 : 00, 00, 00, 01, 00, 00, 00, 02");
    SaveGrab(error_, "ErrorForm_LaterBad");
}

TEST_F(PortDialogsTest, ACompareFailureGivesThreeEntriesAfterTheFailureText) {
    Fail(kUsbSlot, 10);
    PutRWErrorRecord(Detail(kUsbSlot, 10), {3, 4096, 0x1234, 0x1235, 17});
    error_.FormShow(kUsbSlot, flash_, dir_.path().string());
    const auto lines = MemoLines(error_, "Memo1");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Comapre fail on LBA(4096), offset(17)(WORD)");
    EXPECT_EQ(lines[2], "expected(0x1234)");
    EXPECT_EQ(lines[3], "received(0x1235)");
}

TEST_F(PortDialogsTest, TheBoardPicturesComeFromTheWorkingFolderWhenThere) {
    Fail(kSataSlot, 42);
    error_.FormShow(kSataSlot, flash_, dir_.path().string());
    EXPECT_TRUE(Child<QLabel>(error_, "Image1")->pixmap().isNull());
    QImage front(40, 30, QImage::Format_RGB32);
    front.fill(Qt::darkGreen);
    ASSERT_TRUE(front.save(QString::fromStdString((dir_.path() / "Layout_Front.jpg").string()), "jpeg"));
    error_.FormShow(kSataSlot, flash_, dir_.path().string());
    EXPECT_EQ(Child<QLabel>(error_, "Image1")->pixmap().width(), 40);
    EXPECT_TRUE(Child<QLabel>(error_, "Image2")->pixmap().isNull());
    SaveGrab(error_, "ErrorForm_Timeout");
}

TEST_F(PortDialogsTest, DetailOfASataDriveInItsLoader) {
    EXPECT_EQ(Click(kSataSlot, idle_), PortDialog::Detail);
    EXPECT_EQ(detail_.windowTitle().toStdString(), "Manual Setting");
    const auto lines = MemoLines(detail_, "DeviceInfoMemo");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Model Number: \tZivizaz EVO SATA Loader", 0), 0u);
    EXPECT_EQ(Text(Child<QLabel>(detail_, "Label1")), "Loader Mode! ");
    detail_.show();
    EXPECT_TRUE(Child<QLabel>(detail_, "Label1")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(detail_, "FWInfoEdit")->isVisible());
    EXPECT_FALSE(detail_.findChild<QWidget*>("GroupBox1")->isVisible());
    EXPECT_EQ(Child<QPlainTextEdit>(detail_, "DeviceInfoMemo")->pos(), QPoint(64, 64));
    SaveGrab(detail_, "DetailForm_SataLoader");
}

TEST_F(PortDialogsTest, DetailOfDrivesInFirmwareOnBothPaths) {
    for (int slot : {kSataSlot, kUsbSlot}) {
        SCOPED_TRACE(slot);
        InFirmware(slot);
        detail_.FormShow(slot);
        detail_.show();
        EXPECT_FALSE(Child<QLabel>(detail_, "Label1")->isVisible());
        EXPECT_TRUE(Child<QLineEdit>(detail_, "FWInfoEdit")->isVisible());
        EXPECT_EQ(Text(Child<QLineEdit>(detail_, "FWInfoEdit")), "QXSS102003");
        EXPECT_EQ(Text(Child<QLabel>(detail_, "FWInfoEditLabel")), "F/W Info . ");
        SaveGrab(detail_, slot == kUsbSlot ? "DetailForm_UsbFirmware" : "DetailForm_SataFirmware");
    }
    EXPECT_TRUE(MemoLines(detail_, "DeviceInfoMemo").empty()) << "the USB path writes no memo lines";
    EXPECT_EQ(Text(detail_.findChild<QLineEdit*>("CapEdit")), "122104 MB");
}

TEST_F(PortDialogsTest, AFailedIdentifyShowsItAlone) {
    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails));
    detail_.FormShow(kSataSlot);
    EXPECT_EQ(MemoLines(detail_, "DeviceInfoMemo"), std::vector<std::string>{"Read Identify fail!"});
}

TEST_F(PortDialogsTest, WhileThePortsWorkerRunsTheButtonReadsAndSendsNothing) {
    Fail(kUsbSlot, 10);
    const station::PortBusy busy = [](int) { return true; };
    for (int port : {kSataSlot, kUsbSlot}) {
        SCOPED_TRACE(port);
        ClearLog();
        prompter_.Clear();
        EXPECT_EQ(Click(port, busy), PortDialog::BusyNote);
        EXPECT_TRUE(Sent(port).empty());
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{station::PortBusyNote(port)});
        EXPECT_FALSE(detail_.isVisible());
        EXPECT_FALSE(error_.isVisible());
    }
    EXPECT_TRUE(MemoLines(error_, "Memo1").empty());
}

}  // namespace
}  // namespace qx::test
