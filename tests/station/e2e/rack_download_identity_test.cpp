// Serial numbers over runs whose firmware downloads really reach the
// simulated drives: a page write the drive refuses (a fault rule, as
// "qxrack break" sets one) fails that drive's download, and its serial
// number is the first one the next run gives out.
#include <filesystem>

#include "firmware/firmware_fixture.h"
#include "station/rack_engine.h"

namespace qx::test {
namespace {

using Texts = std::vector<std::string>;

class RackDownloadIdentityTest : public FirmwareFixture {
protected:
    void SetUp() override {
        FirmwareFixture::SetUp();
        ASSERT_TRUE(run_.Open(2));
        for (int p : kBothSlots) RackEngine::Connect(p, PathOf(p), p == kUsbSlot);
        std::filesystem::copy_file(kSystemFirmware, dir_->file("SYS_S.bin"));
        settings_.TestItemEnable = {};
        settings_.TestItemEnable[8] = 1;
        settings_.SNErrReuse = 1;
        std::snprintf(settings_.SerialNum, sizeof settings_.SerialNum, "QX0001");
        std::snprintf(settings_.UID, sizeof settings_.UID, "7000");
        settings_.UIDDecimal = 1;
        run_.state.programFolder = dir_->path().string() + "/";
        run_.state.sataBinName = "SYS_S.bin";
        run_.state.specialMode = true;
        run_.view.controls.checkedCount = 1;
        run_.view.controls.sataBin = true;
        run_.view.controls.snIncrement = run_.view.controls.uidIncrement = true;
        run_.Make();
    }
    void TearDown() override {
        run_.Close();
        FirmwareFixture::TearDown();
    }

    // One run; the drive on breakPort refuses its first page write.
    Texts RunBreaking(int breakPort) {
        for (int p : kBothSlots) {
            PrepareDrive(p);
            DriveOf(p).ClearFaults();
        }
        if (breakPort >= 0) {
            sim::FaultRule f;
            f.vendorSub = 0x8A;
            f.count = 1;
            DriveOf(breakPort).AddFault(f);
        }
        run_.engine->ExecuteBtnClick();
        Texts serials;
        for (int p : kBothSlots) {
            const PortRecord& r = ActivePortTable[static_cast<std::size_t>(p)];
            EXPECT_EQ(r.StepStatus[8], p == breakPort ? kStepFailed : kStepPassed) << p;
            serials.push_back(r.SerialNumber);
        }
        return serials;
    }

    RackEngine run_{settings_, config_};
};

TEST_F(RackDownloadIdentityTest, ADrivesFailedDownloadGivesItsSerialToTheNextRunFirst) {
    EXPECT_EQ(RunBreaking(kUsbSlot), (Texts{"QX0001", "QX0002"}));
    EXPECT_EQ(RunBreaking(kSataSlot), (Texts{"QX0002", "QX0003"}));
    EXPECT_EQ(RunBreaking(-1), (Texts{"QX0002", "QX0004"}));
    EXPECT_TRUE(run_.view.Has("Counters QX0005 7006"));
}

}  // namespace
}  // namespace qx::test
