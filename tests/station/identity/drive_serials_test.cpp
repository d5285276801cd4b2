// The drives' own serial numbers, read before a firmware-update run.
#include <gtest/gtest.h>

#include <memory>

#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/global_parameter.h"
#include "sim/model/drive_model.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/identity_steps.h"
#include "support/rack_fixture.h"

namespace qx::test {
namespace {

class DriveSerialsTest : public RackFixture {
protected:
    void SetUp() override {
        RackFixture::SetUp();
        ClearPortTable(ActivePortTable);
        savedPortCount_ = PortCount;
        PortCount = 3;
        for (int p : {kSataSlot, 2}) ActivePortTable[static_cast<std::size_t>(p)].Connected = 1;
        auto hold = sataDrive_->Lock();
        sataDrive_->Model().ChangeState(sim::ControllerState::Firmware);
        sataDrive_->Model().cfg.serial = "QX77";
    }
    void TearDown() override {
        ClearPortTable(ActivePortTable);
        PortCount = savedPortCount_;
        RackFixture::TearDown();
    }
    static std::string Sn(int p) { return std::string(PortText(ActivePortTable[static_cast<std::size_t>(p)].SerialNumber)); }

    GlobalParameter settings_{};
    station::BarcodeState barcodes_;
    int savedPortCount_ = 0;
};

TEST_F(DriveSerialsTest, TheIdentifySerialKeepsItsPaddingAndADriveThatDoesNotAnswerKeepsItsText) {
    CopyPortText(ActivePortTable[2].SerialNumber, "KEPT");   // port 2 has no drive behind it
    CopyPortText(ActivePortTable[1].SerialNumber, "NOT-CONNECTED");
    station::IdentitySteps steps(settings_, barcodes_);
    steps.ReadDriveSerials();
    EXPECT_EQ(Sn(kSataSlot), "QX77" + std::string(16, ' '));
    EXPECT_EQ(Sn(2), "KEPT");
    EXPECT_EQ(Sn(1), "NOT-CONNECTED");

    settings_.EnUpdateFirmwareMode = 1;
    steps.AssignPortIdentity(kSataSlot);
    EXPECT_EQ(Sn(kSataSlot), "QX77" + std::string(16, ' '));
}

}  // namespace
}  // namespace qx::test
