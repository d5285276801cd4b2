#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "discovery/topology.h"
#include "platform/linux/udev_disks.h"
#include "platform/linux/usb_sysfs.h"
#include "platform/trace_sink.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_topology.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

enum class Backend { Sim, Sysfs };

class TopologyTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTraceSink([this](std::string_view t) { trace_ += t; });
        Reset();
    }
    void TearDown() override {
        EXPECT_EQ(usb_->OpenHandles(), 0) << "a hub handle was left open";
        platform::SetUsbHubs(nullptr);
        platform::SetDeviceTree(nullptr);
        platform::SetTraceSink({});
    }
    void Reset() {
        usb_ = std::make_unique<sim::SimUsbTree>();
        devices_ = std::make_unique<sim::SimDeviceTree>();
        ClearPortTable(ScanPortTable);
        trace_.clear();
    }
    int ScanSim(const std::string& tree) {
        test::BuildSimTopology(test::ParseTopology(tree), *usb_, *devices_);
        return ScanSim();
    }
    int ScanSim() {
        platform::SetUsbHubs(usb_.get());
        platform::SetDeviceTree(devices_.get());
        return ScanUsbTopology();
    }
    int ScanSysfs(const std::string& tree) {
        const std::string root = dir_.file("sys" + std::to_string(++fixtures_));
        test::WriteSysfsTopology(test::ParseTopology(tree), root);
        sysfs_ = std::make_unique<platform::linux_usb::SysfsUsbTree>(root);
        udev_ = std::make_unique<platform::linux_udev::UdevDeviceTree>(root);
        platform::SetUsbHubs(sysfs_.get());
        platform::SetDeviceTree(udev_.get());
        return ScanUsbTopology();
    }
    // Port number -> serial of every recorded port.
    static std::map<int, std::string> Recorded() {
        std::map<int, std::string> out;
        for (int i = 0; i < kPortCount; ++i)
            if (ScanPortTable[static_cast<std::size_t>(i)].Present) out[i] = ScanPortTable[static_cast<std::size_t>(i)].UsbSerial;
        return out;
    }

    test::TempDir dir_;
    int fixtures_ = 0;
    std::unique_ptr<sim::SimUsbTree> usb_;
    std::unique_ptr<sim::SimDeviceTree> devices_;
    std::unique_ptr<platform::linux_usb::SysfsUsbTree> sysfs_;
    std::unique_ptr<platform::linux_udev::UdevDeviceTree> udev_;
    std::string trace_;
};

struct NumberingCase {
    const char* name;
    const char* tree;
    int total;
    std::map<int, std::string> records;
};

const NumberingCase kNumbering[] = {
    {"devices on ports 1 and 3", "4(1:d,3:d)", 4, {{0, "0-1"}, {2, "0-3"}}},
    {"second root hub starts at 4", "4() 4(1:d)", 8, {{4, "1-1"}}},
    {"external hub walks with its parent's base", "4(1:4(1:d,2:d,3:d,4:d),2:d)", 8,
     {{0, "0-1.1"}, {1, "0-1.2"}, {2, "0-1.3"}, {3, "0-1.4"}, {5, "0-2"}}},
    {"external hub's device overwrites the root device", "4(1:d,2:4(1:d))", 8, {{0, "0-2.1"}}},
    {"nested hubs", "4(2:4(3:4(1:d)),4:d)", 12, {{0, "0-2.3.1"}, {11, "0-4"}}},
    {"gaps and an empty hub", "7(2:d,3:2(),7:d) 2(2:d)", 11, {{1, "0-2"}, {8, "0-7"}, {10, "1-2"}}},
    {"60 ports: 50 and above are counted, not recorded", "15() 15() 15() 15(5:d,6:d,15:d)", 60, {{49, "3-5"}}},
    {"USB 3 and vendor root hubs are walked, a USB 1.1 one is not", "2s(1:d) 2o(1:d) 2a(2:d)", 4,
     {{0, "0-1"}, {3, "2-2"}}},
};

class TopologyNumbering : public TopologyTest, public ::testing::WithParamInterface<Backend> {};

TEST_P(TopologyNumbering, NumbersPortsAsTheLayoutFileExpects) {
    for (const auto& c : kNumbering) {
        SCOPED_TRACE(c.name);
        Reset();
        const int total = GetParam() == Backend::Sim ? ScanSim(c.tree) : ScanSysfs(c.tree);
        EXPECT_EQ(total, c.total);
        EXPECT_EQ(Recorded(), c.records);
    }
}

TEST_P(TopologyNumbering, RecordsIdentityOfTheDeviceOnThePort) {
    const bool sim = GetParam() == Backend::Sim;
    EXPECT_EQ(sim ? ScanSim("4(2:d)") : ScanSysfs("4(2:d)"), 4);
    const PortRecord& r = ScanPortTable[1];
    EXPECT_EQ(r.UsbVendorId, 0x1234);
    EXPECT_EQ(r.UsbProductId, 0x5678);
    EXPECT_STREQ(r.UsbSerial, "0-2");
    EXPECT_STREQ(r.DriverKeyName, sim ? "{36fc9e60-c465-11cf-8056-444553540000}\\0-2" : "1-2");
    EXPECT_STREQ(r.DeviceInstanceId, sim ? "USB\\VID_1234&PID_5678\\0-2" : "USB\\VID_1234&PID_5678\\1-2");
}

INSTANTIATE_TEST_SUITE_P(Backends, TopologyNumbering, ::testing::Values(Backend::Sim, Backend::Sysfs),
                         [](const ::testing::TestParamInfo<Backend>& p) { return p.param == Backend::Sim ? "Sim" : "Sysfs"; });

TEST_F(TopologyTest, ASharedNumberKeepsNothingOfTheEarlierDevice) {
    const auto root = usb_->AddRootHub(4);
    sim::SimUsbDevice first;
    first.serial = "FIRST";
    first.driverKey = "{key}\\0001";
    devices_->AddDevice(first.driverKey, "USB\\VID_1234&PID_5678\\FIRST");
    usb_->PlugDevice(root, 1, first);
    const auto hub = usb_->PlugHub(root, 2, 4);
    sim::SimUsbDevice later;          // no serial, no driver
    later.vendorId = 0xABCD;
    usb_->PlugDevice(hub, 1, later);
    EXPECT_EQ(ScanSim(), 8);
    const PortRecord& r = ScanPortTable[0];
    EXPECT_EQ(r.UsbVendorId, 0xABCD);
    EXPECT_STREQ(r.DriverKeyName, "");
    EXPECT_STREQ(r.DeviceInstanceId, "");
}

struct SerialCase {
    const char* name;
    std::vector<std::uint8_t> descriptor;
    const char* serial;
};

TEST_F(TopologyTest, SerialTextIsBoundByTheDescriptorsOwnLength) {
    const SerialCase cases[] = {
        {"bLength beyond the bytes returned", {0x40, 3, 'A', 0, 'B', 0}, "AB"},
        {"bLength shorter than the bytes returned", {4, 3, 'A', 0, 'B', 0}, "A"},
        {"odd bLength", {5, 3, 'A', 0, 'B'}, "A"},
        {"bLength below the header", {1, 3, 'A', 0}, ""},
        {"not a string descriptor", {6, 2, 'A', 0, 'B', 0}, ""},
        {"NUL inside the text", {8, 3, 'A', 0, 0, 0, 'B', 0}, "A"},
        {"characters beyond ASCII", {8, 3, 0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8}, "\xC3\xA9\xE2\x82\xAC?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const auto root = usb_->AddRootHub(1);
        sim::SimUsbDevice d;
        d.rawSerialDescriptor = c.descriptor;
        usb_->PlugDevice(root, 1, d);
        EXPECT_EQ(ScanSim(), 1);
        EXPECT_EQ(ScanPortTable[0].Present, 1);
        EXPECT_STREQ(ScanPortTable[0].UsbSerial, c.serial);
    }
}

TEST_F(TopologyTest, TextsThatDoNotFitTheirFieldsAreLeftEmptyWithATrace) {
    const auto root = usb_->AddRootHub(1);
    sim::SimUsbDevice d;
    d.serial = std::string(80, 'S');
    d.driverKey = "{key}\\0001";
    devices_->AddDevice(d.driverKey, "USB\\VID_1234&PID_5678\\" + std::string(60, 'I'));
    usb_->PlugDevice(root, 1, d);
    EXPECT_EQ(ScanSim(), 1);
    EXPECT_EQ(ScanPortTable[0].Present, 1);
    EXPECT_STREQ(ScanPortTable[0].UsbSerial, "");
    EXPECT_STREQ(ScanPortTable[0].DriverKeyName, "");
    EXPECT_STREQ(ScanPortTable[0].DeviceInstanceId, "");
    EXPECT_NE(trace_.find("too long"), std::string::npos);
}

TEST_F(TopologyTest, ADeviceWithoutSerialStringGetsTheLanguageListAsText) {
    const auto root = usb_->AddRootHub(1);
    usb_->PlugDevice(root, 1, sim::SimUsbDevice{});
    EXPECT_EQ(ScanSim(), 1);
    EXPECT_STREQ(ScanPortTable[0].UsbSerial, "\xD0\x89");   // U+0409, the US English ID read as text
}

TEST_F(TopologyTest, FailuresSkipWhatCannotBeReadAndCountNothingForIt) {
    struct Case {
        const char* name;
        const char* tree;
        void (*fault)(sim::SimUsbTree&);
        int total;
        std::map<int, std::string> records;
    };
    const Case cases[] = {
        {"hub list fails", "4(1:d)", [](sim::SimUsbTree& u) { u.SetListFails(true); }, 0, {}},
        {"root hub cannot be opened", "4(1:d) 4(1:d)", [](sim::SimUsbTree& u) { u.SetOpenError(0, EACCES); }, 4,
         {{0, "1-1"}}},
        {"root hub node information fails", "4(1:d) 4(1:d)", [](sim::SimUsbTree& u) { u.SetNodeInfoError(0, EIO); },
         4, {{0, "1-1"}}},
        {"external hub cannot be opened", "4(1:4(1:d),2:d)", [](sim::SimUsbTree& u) { u.SetOpenError(1, EACCES); },
         4, {{1, "0-2"}}},
        {"external hub node information fails", "4(1:4(1:d),2:d)",
         [](sim::SimUsbTree& u) { u.SetNodeInfoError(1, EIO); }, 4, {{1, "0-2"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        test::BuildSimTopology(test::ParseTopology(c.tree), *usb_, *devices_);
        c.fault(*usb_);
        EXPECT_EQ(ScanSim(), c.total);
        EXPECT_EQ(Recorded(), c.records);
    }
}

TEST_F(TopologyTest, PortsWhoseStateCannotBeReadOrIsNotConnectedRecordNothing) {
    const auto root = usb_->AddRootHub(4);
    sim::SimUsbDevice failing;
    failing.connectionInfoFails = true;
    usb_->PlugDevice(root, 1, failing);
    sim::SimUsbDevice overcurrent;
    overcurrent.status = platform::UsbConnectionStatus::DeviceCausedOvercurrent;
    usb_->PlugDevice(root, 2, overcurrent);
    sim::SimUsbDevice noDriver;
    noDriver.serial = "ND";
    usb_->PlugDevice(root, 3, noDriver);
    EXPECT_EQ(ScanSim(), 4);
    EXPECT_EQ(Recorded(), (std::map<int, std::string>{{2, "ND"}}));
    EXPECT_STREQ(ScanPortTable[2].DriverKeyName, "");
    EXPECT_STREQ(ScanPortTable[2].DeviceInstanceId, "");
}

TEST_F(TopologyTest, HubInterfaceListLimits) {
    // 80 interfaces are examined; the 81st root hub is not walked.
    for (int i = 0; i < 81; ++i) usb_->AddRootHub(1);
    usb_->PlugDevice(80, 1, sim::SimUsbDevice{});
    EXPECT_EQ(ScanSim(), 80);

    // A path of 255 characters is examined; a longer one ends the list.
    for (std::size_t length : {std::size_t{255}, std::size_t{256}}) {
        SCOPED_TRACE(length);
        Reset();
        usb_->AddListedInterface("\\\\?\\usb#odd#" + std::string(length - 12, 'x'));
        usb_->AddRootHub(4);
        EXPECT_EQ(ScanSim(), length == 255 ? 4 : 0);
    }
}

}  // namespace
}  // namespace qx
