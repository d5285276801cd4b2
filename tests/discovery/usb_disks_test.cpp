#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/trace_sink.h"
#include "qxlib/discovery/usb_disks.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_usb_tree.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

constexpr const char* kDiskGuid = "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

class UsbDisksTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QX_LOCK_DIR", locks_.path().c_str(), 1);
        platform::SetDeviceTree(&tree_);
        platform::SetTraceSink([this](std::string_view t) { trace_ += t; });
    }
    void TearDown() override {
        platform::SetDeviceTree(nullptr);
        platform::SetTraceSink({});
        unsetenv("QX_LOCK_DIR");
    }
    std::vector<DiskDeviceEntry> Enumerate(int capacity, int* count, int result = 1) {
        std::vector<DiskDeviceEntry> entries(static_cast<std::size_t>(capacity));
        *count = capacity;
        EXPECT_EQ(EnumUsbDiskInterfaces(entries, count), result);
        return entries;
    }

    test::TempDir locks_;
    sim::SimDeviceTree tree_;
    std::string trace_;
};

TEST_F(UsbDisksTest, KeepsInterfacesOfUsbStorageByTheirPathText) {
    const struct {
        std::string path;
        bool kept;
    } cases[] = {
        {std::string("\\\\?\\USBSTOR#Disk&Ven_QX&Prod_SSD&Rev_1.00#0001&0") + kDiskGuid, true},
        {"\\\\?\\storage#volume#usbstor", true},
        {"/dev/disk/by-path/pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:0", true},
        {std::string("\\\\?\\ide#diskqx_ssd#5&1f&0&0.0.0") + kDiskGuid, false},
        {std::string("\\\\?\\scsi#disk&ven_qx&prod_ssd#4&2a&0&000000") + kDiskGuid, false},
        {"/dev/disk/by-path/pci-0000:00:1f.2-ata-1", false},
    };
    for (const auto& c : cases) tree_.AddDisk(c.path);
    int count = 0;
    const auto entries = Enumerate(16, &count);
    std::vector<std::string> kept;
    for (int i = 0; i < count; ++i) kept.emplace_back(entries[static_cast<std::size_t>(i)].InterfaceDetail.DevicePath);
    std::vector<std::string> expected;
    for (const auto& c : cases)
        if (c.kept) expected.push_back(c.path);
    EXPECT_EQ(kept, expected);
}

TEST_F(UsbDisksTest, JoinsEachDiskToItsUsbParentByTheInstanceTail) {
    const std::string path = std::string("\\\\?\\usbstor#disk&ven_a&prod_b&rev_1#0123&0") + kDiskGuid;
    const auto node = tree_.AddDisk(path, "USBSTOR\\Disk&Ven_A&Prod_B&Rev_1\\0123&0", "USB\\VID_1234&PID_5678\\0123");
    const std::string other = std::string("\\\\?\\usbstor#disk&ven_a&prod_b&rev_1#9999&0") + kDiskGuid;
    tree_.AddDisk(other);   // no drive under it: keeps an empty parent
    int count = 0;
    const auto entries = Enumerate(4, &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(entries[0].ParentInstanceId, "usb\\vid_1234&pid_5678\\0123");
    EXPECT_EQ(entries[0].DevInst, node);
    EXPECT_EQ(entries[0].ParentDevInst, node + 1);
    EXPECT_EQ(entries[0].Taken, 0u);
    EXPECT_EQ(entries[0].InterfaceDetail.cbSize, 5u);
    EXPECT_STREQ(entries[1].ParentInstanceId, "");

    std::vector<UsbStorClassEntry> records(4);
    int found = 4;
    EXPECT_EQ(ListUsbStorDisks(records, &found), 1);
    ASSERT_EQ(found, 1);
    EXPECT_STREQ(records[0].InstanceTail, "disk&ven_a&prod_b&rev_1#0123&0");
}

TEST_F(UsbDisksTest, WorksOnTheSimulatedRackTopology) {
    sim::SimUsbTree usb;
    const auto root = usb.AddRootHub(4);
    sim::SimUsbDevice d;
    d.serial = "QX0001";
    const auto names = sim::PlugUsbDisk(usb, tree_, root, 2, d);
    int count = 0;
    const auto entries = Enumerate(4, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::string(entries[0].InterfaceDetail.DevicePath), names.interfacePath);
    EXPECT_STREQ(entries[0].ParentInstanceId, "usb\\vid_1234&pid_5678\\qx0001");
}

TEST_F(UsbDisksTest, NeverWritesPastTheArrayAndSkipsWhatDoesNotFit) {
    const std::string longPath = "\\\\?\\usbstor#" + std::string(1380, 'x');   // 1,392 with the NUL: too long
    tree_.AddDisk(longPath);
    const std::string longParent = std::string("\\\\?\\usbstor#disk&ven_p#1&0") + kDiskGuid;
    tree_.AddDisk(longParent, "USBSTOR\\Disk&Ven_P\\1&0", "USB\\" + std::string(124, 'p'));
    for (int i = 0; i < 3; ++i) tree_.AddDisk("\\\\?\\usbstor#disk#" + std::to_string(i));
    std::vector<DiskDeviceEntry> entries(2);
    int count = 50;   // more than the array holds
    EXPECT_EQ(EnumUsbDiskInterfaces(entries, &count), 1);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::string(entries[0].InterfaceDetail.DevicePath), longParent);
    EXPECT_STREQ(entries[0].ParentInstanceId, "");
    EXPECT_NE(trace_.find("too long"), std::string::npos);
}

TEST_F(UsbDisksTest, FailedListsAndDetailReads) {
    tree_.AddDisk("\\\\?\\usbstor#a");
    tree_.AddDisk("\\\\?\\usbstor#b");
    int count = 0;
    tree_.SetDetailFailsAt(1);
    Enumerate(4, &count);
    EXPECT_EQ(count, 1);
    tree_.SetDetailFailsAt(-1);

    tree_.SetDriveListFails(true);
    auto entries = Enumerate(4, &count);
    EXPECT_EQ(count, 2);
    EXPECT_STREQ(entries[0].ParentInstanceId, "");
    tree_.SetDriveListFails(false);

    tree_.SetInterfaceListFails(true);
    Enumerate(4, &count, 0);
    EXPECT_EQ(count, 0);
    std::vector<DiskDeviceEntry> none(1);
    EXPECT_EQ(EnumUsbDiskInterfaces(none, nullptr), 0);
}

TEST_F(UsbDisksTest, WaitsForTheNamedMutex) {
    tree_.AddDisk("\\\\?\\usbstor#a");
    platform::NamedMutex held("QXUSBAcess");
    held.lock();
    std::atomic<bool> done{false};
    std::thread t([&] {
        std::vector<DiskDeviceEntry> entries(2);
        int count = 2;
        EnumUsbDiskInterfaces(entries, &count);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done);
    held.unlock();
    t.join();
    EXPECT_TRUE(done);
}

TEST(ContainsStringTest, IgnoresLetterCase) {
    EXPECT_EQ(ContainsString("\\\\?\\USBStor#x", "usbstor"), 1);
    EXPECT_EQ(ContainsString("x#usbstor", "usbstor"), 1);
    EXPECT_EQ(ContainsString("x#usbsto", "usbstor"), 0);
    EXPECT_EQ(ContainsString(nullptr, "usb"), 0);
    char text[] = "USB\\VID_ABCD";
    LowerCaseString(text);
    EXPECT_STREQ(text, "usb\\vid_abcd");
}

}  // namespace
}  // namespace qx
