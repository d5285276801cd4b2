#include "station/panels/pass_capacity.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class PassCapacity : public VendorFixture {};

TEST_F(PassCapacity, ReadAfterTheDriveLeftItsLoader) {
    VendorModeOn(kSataSlot);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().cfg.bootDelayMs = 2000;
    }
    const int mb = station::CapacityAfterLeavingLoader(kSataSlot, config_);
    EXPECT_EQ(DriveOf(kSataSlot).State(), sim::ControllerState::Firmware);
    EXPECT_EQ(mb, static_cast<int>(DriveOf(kSataSlot).Config().capacitySectors / 2048));
}

}  // namespace
}  // namespace qx::test
