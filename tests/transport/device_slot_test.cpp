#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "qxlib/transport/device_slot.h"

namespace qx {
namespace {

TEST(DeviceSlotBuffers, AreZeroedSizedAndReleased) {
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    for (int slot : {0, kSlotCount - 1}) {
        DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
        EXPECT_EQ(s.EarlyTable.size(), 128u * 1024);
        EXPECT_EQ(s.DefectTable.size(), 128u * 1024);
        EXPECT_EQ(s.LaterBadPages.size(), 2u * 1024 * 1024);
        EXPECT_EQ(s.KeptEraseCounts.size(), 8u * 1024 * 1024);
        EXPECT_EQ(s.KeptSmartPage.size(), 512u);
        auto kept = s.KeptEraseCounts.span();
        EXPECT_TRUE(std::all_of(kept.begin(), kept.end(), [](std::uint8_t b) { return b == 0; }));
    }
    FreeDeviceSlotBuffers();
    EXPECT_FALSE(DeviceSlots[0].EarlyTable);
    EXPECT_TRUE(ItemText(0, 1).empty());
}

TEST(DeviceSlotBuffers, ItemTextsExistOnlyForItems0To86OfRealSlots) {
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    EXPECT_EQ(ItemText(0, 0).size(), 2048u);
    EXPECT_EQ(ItemText(kSlotCount - 1, 86).size(), 2048u);
    EXPECT_TRUE(ItemText(0, 87).empty());
    EXPECT_TRUE(ItemText(0, -1).empty());
    EXPECT_TRUE(ItemText(kSlotCount, 1).empty());
    EXPECT_TRUE(ItemText(-1, 1).empty());
    // Neighbouring items do not overlap.
    ItemText(3, 5)[2047] = 'z';
    EXPECT_EQ(ItemText(3, 6)[0], '\0');
    FreeDeviceSlotBuffers();
}

TEST(DeviceSlot, PathOfUnknownOrEmptySlotIsEmpty) {
    EXPECT_STREQ(SlotPath(-1), "");
    EXPECT_STREQ(SlotPath(kSlotCount), "");
    DeviceSlots[2].InterfacePath.clear();
    EXPECT_STREQ(SlotPath(2), "");
}

// The slot keeps its own copy: the record or buffer it was set from may
// change or go while the slot's drive is still addressed.
TEST(DeviceSlot, TheSlotKeepsItsOwnPath) {
    std::string from = "\\\\?\\usbstor#disk&ven_qx#0001";
    DeviceSlots[2].InterfacePath = from.c_str();
    from.assign(300, 'x');
    EXPECT_STREQ(SlotPath(2), "\\\\?\\usbstor#disk&ven_qx#0001");
    DeviceSlots[2].InterfacePath.clear();
    EXPECT_STREQ(SlotPath(2), "");
}

}  // namespace
}  // namespace qx
