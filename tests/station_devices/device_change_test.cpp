#include <QCoreApplication>

#include "qxlib/discovery/bridge_type.h"
#include "rescan_fixture.h"
#include "sim/control/rack_control.h"
#include "station/devices/device_event_watcher.h"

namespace qx::test {
namespace {

using station::kDeviceArrival;
using station::kDeviceRemoveComplete;
using station::kDeviceTypeInterface;
using station::kRescanTimerId;

class DeviceChangeTest : public RescanFixture {
protected:
    // What qxrack does while the program runs, then the program's event
    // loop serving the control channel.
    void Qxrack(const std::string& verb, int drive) {
        ASSERT_EQ(sim::SendRackCommand(rackDir_.path().string(), verb + " " + DrivePath(drive)),
                  sim::SendResult::Delivered);
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    }
};

TEST_F(DeviceChangeTest, ArrivalAndRemovalArmTheRescanTimer) {
    const struct {
        std::uint32_t event;
        int delay;
        const char* trace;
    } cases[] = {{kDeviceArrival, 1500, "Normal Plug-in event captured\r\n"},
                 {kDeviceRemoveComplete, 200, "Normal Unplug event captured\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delay);
        view_.armed.clear();
        view_.startEnabled.clear();
        traces_.clear();
        rescan_.WMDeviceChange(c.event, kDeviceTypeInterface);
        EXPECT_EQ(view_.armed, (std::vector<std::pair<int, int>>{{kRescanTimerId, c.delay}}));
        EXPECT_EQ(view_.startEnabled, std::vector<bool>{false});
        EXPECT_EQ(traces_, (std::vector<std::string>{"DeviceChange in \r\n", c.trace, "DeviceChange out \r\n"}));
    }
}

// Nothing but an arrival or removal of a device interface while idle
// schedules a rescan.
TEST_F(DeviceChangeTest, OtherEventsRunsAndFlashDetectSetNoTimer) {
    rescan_.WMDeviceChange(0x0007, kDeviceTypeInterface);   // a device-node change
    rescan_.WMDeviceChange(kDeviceArrival, 2);               // a volume
    window_.busy = true;
    rescan_.WMDeviceChange(kDeviceArrival, kDeviceTypeInterface);
    rescan_.WMDeviceChange(kDeviceRemoveComplete, kDeviceTypeInterface);
    EXPECT_TRUE(view_.armed.empty());
    EXPECT_TRUE(view_.startEnabled.empty());

    window_.busy = false;
    window_.flashAutoDetect = true;
    rescan_.WMDeviceChange(kDeviceRemoveComplete, kDeviceTypeInterface);
    EXPECT_TRUE(view_.armed.empty());
    EXPECT_TRUE(Traced("DeviceChange by FlashAutoDetectBtn \r\n"));
}

// Plugged and unplugged through qxrack while the program runs: the control
// channel applies it to the machine, the station rescans after 200 ms for a
// removal and 1500 ms for an arrival, and the port table follows.
TEST_F(DeviceChangeTest, QxrackPlugAndUnplugRescanAfterTheirDelays) {
    LoadRack({Drive("q455", "QXA"), Drive("q814", "QXB")}, "root=4\nport=0.1 drive01\nport=0.3 drive02\n");
    station::DeviceEventWatcher watcher(sim::RackControl::Open(rackDir_.path().string(), *machine_), rescan_);
    ASSERT_TRUE(watcher.Watching());
    rescan_.RefreshDevices();
    ASSERT_EQ(rescan_.LastDeviceCount(), 2);

    Qxrack("unplug", 2);
    EXPECT_FALSE(machine_->Plugged(DrivePath(2)));
    Elapse(199);
    EXPECT_EQ(refreshesByTimer_, 0);
    Elapse(1);
    EXPECT_EQ(refreshesByTimer_, 1);
    EXPECT_EQ(rescan_.LastDeviceCount(), 1);
    EXPECT_EQ(Active(2).Present, 0);

    Qxrack("plug", 2);
    Elapse(1499);
    EXPECT_EQ(refreshesByTimer_, 1);
    Elapse(1);
    EXPECT_EQ(refreshesByTimer_, 2);
    EXPECT_EQ(rescan_.LastDeviceCount(), 2);
    EXPECT_EQ(Active(2).Connected, 1);
    EXPECT_EQ(Active(2).BridgeType, kBridgeUsbNative);
}

// Several events in a row give one refresh, after the last of them.
TEST_F(DeviceChangeTest, EventsInARowGiveOneRefresh) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    station::DeviceEventWatcher watcher(sim::RackControl::Open(rackDir_.path().string(), *machine_), rescan_);
    Qxrack("unplug", 1);
    Elapse(100);
    Qxrack("unplug", 2);
    Elapse(150);
    Qxrack("plug", 1);
    Elapse(1499);
    EXPECT_EQ(refreshesByTimer_, 0);
    Elapse(1);
    EXPECT_EQ(refreshesByTimer_, 1);
    EXPECT_EQ(rescan_.LastDeviceCount(), 1);
}

// During a run qxrack still changes the machine, but the station does not
// rescan; the ports are matched again before the next run.
TEST_F(DeviceChangeTest, EventsDuringARunAreIgnored) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    station::DeviceEventWatcher watcher(sim::RackControl::Open(rackDir_.path().string(), *machine_), rescan_);
    rescan_.RefreshDevices();
    window_.busy = true;
    Qxrack("unplug", 2);
    Elapse(5000);
    EXPECT_EQ(refreshesByTimer_, 0);
    EXPECT_EQ(Active(1).Connected, 1);

    window_.busy = false;
    rescan_.WaitDevicesReady();
    EXPECT_EQ(rescan_.ConnectedCount(), 1);
    EXPECT_EQ(Active(1).Connected, 0);
}

// A line the machine cannot apply gives no event (and no rescan).
TEST_F(DeviceChangeTest, UnknownDriveGivesNoEvent) {
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    auto control = sim::RackControl::Open(rackDir_.path().string(), *machine_);
    ASSERT_TRUE(control);
    ASSERT_EQ(sim::SendRackCommand(rackDir_.path().string(), "unplug \\\\?\\nothing"), sim::SendResult::Delivered);
    ASSERT_EQ(sim::SendRackCommand(rackDir_.path().string(), "plug " + DrivePath(1)), sim::SendResult::Delivered);
    EXPECT_TRUE(control->ReadEvents().empty());
    EXPECT_TRUE(machine_->Plugged(DrivePath(1)));
}

}  // namespace
}  // namespace qx::test
