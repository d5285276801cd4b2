// The detail dialog's read of a drive the station has just produced on the
// controller's own USB: a run downloads the system firmware, the drive boots
// it, and its memory image is the firmware's header page. That page carries
// the drive's IDENTIFY template where an image of the other layout keeps
// the USB identity block, so the dialog's identity strings stay empty while
// the capacity and the firmware information are read as ever.
#include <cstring>
#include <filesystem>

#include "firmware/firmware_fixture.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "station/port_info/drive_detail.h"
#include "station/rack_engine.h"

namespace qx::test {
namespace {

class ProducedUsbDetailTest : public FirmwareFixture {
protected:
    void SetUp() override {
        FirmwareFixture::SetUp();
        ASSERT_TRUE(run_.Open(2));
        for (int p : kBothSlots) RackEngine::Connect(p, PathOf(p), p == kUsbSlot);
        std::filesystem::copy_file(kSystemFirmware, dir_->file("SYS_S.bin"));
        settings_.TestItemEnable = {};
        settings_.TestItemEnable[8] = 1;   // the firmware download alone
        std::snprintf(settings_.SerialNum, sizeof settings_.SerialNum, "QX0001");
        run_.state.programFolder = dir_->path().string() + "/";
        run_.state.sataBinName = "SYS_S.bin";
        run_.state.specialMode = true;
        run_.view.controls.checkedCount = 1;
        run_.view.controls.sataBin = true;
        run_.Make();
    }
    void TearDown() override {
        run_.Close();
        FirmwareFixture::TearDown();
    }

    RackEngine run_{settings_, config_};
};

TEST_F(ProducedUsbDetailTest, AProducedDriveShowsNoUsbIdentityStrings) {
    for (int p : kBothSlots) PrepareDrive(p);
    run_.engine->ExecuteBtnClick();
    ASSERT_EQ(ActivePortTable[static_cast<std::size_t>(kUsbSlot)].StepStatus[8], kStepPassed);
    Bytes page(PageSetBytes(config_));
    ASSERT_EQ(EnterFirmwareMode(kUsbSlot, config_, page), 1);
    {
        // The image the dialog reads is the downloaded header page: the
        // identity block's offsets hold IDENTIFY text there.
        auto hold = DriveOf(kUsbSlot).Lock();
        const std::vector<std::uint8_t>& image = DriveOf(kUsbSlot).Model().systemImage;
        ASSERT_GE(image.size(), 0x30Eu);
        ASSERT_EQ(std::memcmp(&image[0x300], "QXSS", 4), 0);
        ASSERT_EQ(image[0x30D], 'S');
        ASSERT_NE(image[126], 0);
    }

    const station::DriveDetail d = station::ReadDriveDetail(kUsbSlot);
    EXPECT_TRUE(d.memoLines.empty());
    EXPECT_FALSE(d.loader);
    ASSERT_TRUE(d.capacityRead);
    EXPECT_EQ(d.capacity, std::to_string(GetCapacityMB(kUsbSlot)) + " MB");
    ASSERT_TRUE(d.usbStringsRead);
    EXPECT_EQ((std::vector<std::string>{d.vid, d.pid, d.vendorName, d.productName, d.manufacturer, d.productString,
                                        d.serial}),
              std::vector<std::string>(7));
    ASSERT_TRUE(d.fwInfoRead);
    EXPECT_EQ(d.fwInfo.rfind("QXSS", 0), 0u) << d.fwInfo;
}

}  // namespace
}  // namespace qx::test
