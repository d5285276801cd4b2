// Loader or firmware, told from the names the drive reports on each path.
#include <gtest/gtest.h>

#include "qxlib/vendor_access/firmware_mode.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class LoaderDetectTest : public VendorFixture {
protected:
    LoaderDetectTest() { logUse_ = LogUse::Requests; }

    void SataModel(const std::string& loaderModel, sim::ControllerState state = sim::ControllerState::Loader) {
        SetState(kSataSlot, state);
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().cfg.loaderModel = loaderModel;
    }
};

struct SataNameCase {
    const char* model;
    bool loader;       // either SATA loader name
    bool quorlix;      // the Quorlix loader name
};

TEST_F(LoaderDetectTest, SataLoaderNamesCountOverTheirFirst36Characters) {
    const SataNameCase cases[] = {
        {"Zivizaz EVO SATA Loader Loader Device", true, false},
        {"Quorlix QXF84X SATA SSD Loader Device", true, true},
        {"Quorlix QXF84X SATA SSD Loader DevicX", true, true},    // differs from the 37th character on
        {"Zivizaz EVO SATA Loader Loader Devic", true, false},
        {"Quorlix QXF84X SATA SSD Loader DeviXe", false, false},  // differs at the 36th
        {"Zivizaz EVO USB Loader ", false, false},
        {"QX SSD 128GB", false, false},
    };
    for (const SataNameCase& c : cases) {
        SCOPED_TRACE(c.model);
        SataModel(c.model);
        rack_.Log().Clear();
        EXPECT_EQ(IsLoaderDevice(kSataSlot), c.loader);
        EXPECT_EQ(IsSataLoaderDevice(kSataSlot), c.quorlix);
        EXPECT_EQ(Sent(kSataSlot), (Texts{"ID", "ID"}));
    }
}

TEST_F(LoaderDetectTest, FirmwareIsNoLoaderOnEitherPath) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        EXPECT_TRUE(IsLoaderDevice(slot));
        SetState(slot, sim::ControllerState::Firmware);
        EXPECT_FALSE(IsLoaderDevice(slot));
    }
    EXPECT_EQ(Sent(kUsbSlot), (Texts{"INQ", "INQ"}));
    EXPECT_EQ(Requests(kUsbSlot)[0].cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0x28, 0}));
}

TEST_F(LoaderDetectTest, UnansweredNameReadIsNoLoader) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        sim::FaultRule f;
        f.opcode = slot == kSataSlot ? std::uint8_t{0xEC} : std::uint8_t{0x12};
        DriveOf(slot).AddFault(f);
        EXPECT_FALSE(IsLoaderDevice(slot));
    }
    EXPECT_FALSE(IsSataLoaderDevice(kSataSlot));
}

TEST_F(LoaderDetectTest, SataLoaderQuestionOnUsbPathIsTracedAndSendsNothing) {
    EXPECT_FALSE(IsSataLoaderDevice(kUsbSlot));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
    EXPECT_EQ(LayerTraces(), (Texts{"######### - USB Command Path!"}));
}

}  // namespace
}  // namespace qx::test
