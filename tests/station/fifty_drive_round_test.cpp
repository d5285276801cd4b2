// A full rack: fifty workers at once through the library on fifty simulated
// drives (even ports behind a bridge, odd ones on the controller's own USB),
// in virtual time, with the window's side recorded. What one drive's work
// changes must stay with that drive: a faulty drive fails alone, every other
// port passes with its own records and panel updates.
#include <algorithm>

#include "diagnostics/diag_fixture.h"
#include "station/rack_engine.h"

namespace qx::test {
namespace {

constexpr int kRackPorts = 50;

class FiftyDriveRound : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        for (int p = 0; p < kRackPorts; ++p) {
            if (p == kSataSlot || p == kUsbSlot) continue;
            char path[128];
            std::snprintf(path, sizeof path,
                          "\\\\?\\usbstor#disk&ven_qx&prod_ssd#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", p + 100);
            sim::DriveConfig cfg;
            cfg.frontEnd = OnUsb(p) ? sim::FrontEnd::NativeUsb : sim::FrontEnd::Bridge;
            if (OnUsb(p)) cfg.chipTag = "q461";
            cfg.state = sim::ControllerState::Loader;
            cfg.vendorMode = true;
            cfg.busyPolls = 0;
            paths_[static_cast<std::size_t>(p)] = path;
            drives_[static_cast<std::size_t>(p)] = &rack_.AddDrive(path, cfg);
        }
        paths_[kSataSlot] = sataPath_;
        paths_[kUsbSlot] = usbPath_;
        drives_[kSataSlot] = sataDrive_;
        drives_[kUsbSlot] = usbDrive_;
        ASSERT_TRUE(run_.Open(kRackPorts));
        for (int p = 0; p < kRackPorts; ++p) {
            RackEngine::Connect(p, paths_[static_cast<std::size_t>(p)], OnUsb(p));
            Point(p, paths_[static_cast<std::size_t>(p)], OnUsb(p) ? 1 : 0);
        }
        run_.state.programFolder = dir_->path().string() + "/";
        run_.state.specialMode = true;
        run_.view.controls.checkedCount = 4;
    }

    void TearDown() override {
        run_.Close();
        DiagFixture::TearDown();
    }

    static bool OnUsb(int port) { return port % 2 == 1; }

    template <typename F>
    void Change(int port, F&& change) {
        sim::SimDrive& d = *drives_[static_cast<std::size_t>(port)];
        auto hold = d.Lock();
        change(d.Model());
    }

    RackEngine run_{settings_, config_};
    std::array<std::string, kRackPorts> paths_;
    std::array<sim::SimDrive*, kRackPorts> drives_{};
};

TEST_F(FiftyDriveRound, EveryDrivePassesButTheFaultyOneOnItsOwn) {
    constexpr int kFaulty = 37;
    Change(kFaulty, [](sim::DriveModel& m) { m.cfg.dramStatus = 26; });
    settings_.TestItemEnable = {};
    for (int item : {1, 3, 4, 5}) settings_.TestItemEnable[static_cast<std::size_t>(item)] = 1;
    run_.Make().ExecuteBtnClick();

    for (int p = 0; p < kRackPorts; ++p) {
        SCOPED_TRACE(p);
        const PortRecord& r = ActivePortTable[static_cast<std::size_t>(p)];
        if (p == kFaulty) {
            EXPECT_EQ(r.ErrorCode, 67);   // the DRAM failure refined by its reason
            EXPECT_EQ(r.OverallResult, kResultFail);
            continue;
        }
        EXPECT_EQ(r.ErrorCode, 0);
        EXPECT_EQ(r.OverallResult, kResultPass);
        for (int item : {1, 3, 4, 5})
            EXPECT_EQ(r.StepStatus[static_cast<std::size_t>(item)], kStepPassed) << item;
    }
    // Each port's panel got its own start; the window thread saw them all.
    for (const std::vector<std::string>& events : run_.ports.events)
        EXPECT_NE(std::find(events.begin(), events.end(), "Caption Start 65535"), events.end());
    EXPECT_TRUE(run_.prompter.Texts().empty());
}

}  // namespace
}  // namespace qx::test
