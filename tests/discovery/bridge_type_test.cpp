#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "qxlib/discovery/bridge_type.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/settings_switches.h"

namespace qx {
namespace {

// A USB device that answers every SCSI request with the same INQUIRY bytes.
class InquiryDevice final : public platform::DeviceIo {
public:
    std::vector<std::uint8_t> reply;
    bool fails = false;

    platform::OpenResult Open(std::string_view, platform::ShareMode) override {
        return {std::make_unique<Handle>(*this), 0};
    }

private:
    struct Handle final : platform::DeviceHandle {
        explicit Handle(InquiryDevice& d) : dev(d) {}
        platform::ScsiResult Scsi(const platform::ScsiCommand& cmd) override {
            const std::size_t n = std::min(dev.reply.size(), cmd.data.size());
            std::copy_n(dev.reply.begin(), n, cmd.data.begin());   // a failure may leave bytes behind
            platform::ScsiResult r;
            r.ok = !dev.fails;
            r.error = dev.fails ? 5 : 0;
            r.transferred = static_cast<std::uint32_t>(n);
            return r;
        }
        platform::AtaResult Ata(const platform::AtaCommand&) override { return {}; }
        InquiryDevice& dev;
    };
};

std::vector<std::uint8_t> InquiryWithTag(const std::string& tag, std::size_t length = 40) {
    std::vector<std::uint8_t> d(40, ' ');
    d[0] = 0;
    std::copy(tag.begin(), tag.end(), d.begin() + 36);
    d.resize(length);
    return d;
}

class BridgeTypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetDevices(&device_);
        DeviceSlots[kSlot].InterfacePath = "\\\\?\\usbstor#disk&ven_qx#1&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
        DeviceSlots[kSlot].UsbPath = 1;
    }
    void TearDown() override {
        platform::SetDevices(nullptr);
        DeviceSlots[kSlot].InterfacePath.clear();
        DeviceSlots[kSlot].UsbPath = 0;
        EnNoCheckBridge = 0;
    }
    static constexpr int kSlot = 3;
    InquiryDevice device_;
};

TEST_F(BridgeTypeTest, EveryTagOfTheTable) {
    const struct {
        std::string tag;
        int type;
    } cases[] = {
        {"q461", 1}, {"q462", 9}, {"q465", 4}, {"q455", 7}, {"q478", 8}, {"q735", 11}, {"q767", 12},
        {"q755", 12}, {"q786", 13}, {std::string("\x05\xE3\x07\x18", 4), 14}, {"x783", 13}, {"x784", 13},
        {"\x01" "785", 13}, {"z786", 13}, {"q780", 13}, {"q781", 13}, {"q814", 10}, {"F81X", 10},
        {"elm ", 10}, {"q82x", 10}, {"F82X", 10},
        {"Q461", 0}, {"q46", 0}, {"abcd", 0}, {std::string(4, '\0'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        device_.reply = InquiryWithTag(c.tag);
        EXPECT_EQ(GetBridgeChipType(kSlot), c.type);
    }
}

TEST_F(BridgeTypeTest, NoCheckBridgeDrivesEveryBridgeButTheUsbInterfaceAsType7) {
    EnNoCheckBridge = 1;
    const struct {
        std::string tag;
        int type;
    } cases[] = {{"abcd", 7}, {"q461", 7}, {"q786", 7}, {"q814", 10}, {"elm ", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        device_.reply = InquiryWithTag(c.tag);
        EXPECT_EQ(GetBridgeChipType(kSlot), c.type);
    }
}

TEST_F(BridgeTypeTest, ShortOrFailedInquiryIsUnknown) {
    device_.reply = InquiryWithTag("q461", 36);   // ends before the tag
    EXPECT_EQ(GetBridgeChipType(kSlot), 0);
    device_.reply = InquiryWithTag("q461");
    device_.fails = true;                          // bytes arrived, the request failed
    EXPECT_EQ(GetBridgeChipType(kSlot), 0);
    EnNoCheckBridge = 1;
    EXPECT_EQ(GetBridgeChipType(kSlot), 7);
    EXPECT_EQ(BridgeTypeFromInquiry(std::vector<std::uint8_t>(39, 'q'), false), 0);
}

TEST(IsSataBridgeTypeTest, BridgesInFrontOfASataDrive) {
    for (int t = -1; t <= 15; ++t) {
        const bool sata = t == 1 || t == 4 || t == 7 || t == 8 || t == 9 || t == 11 || t == 12 || t == 13 || t == 14;
        EXPECT_EQ(IsSataBridgeType(t), sata) << t;
    }
}

}  // namespace
}  // namespace qx
