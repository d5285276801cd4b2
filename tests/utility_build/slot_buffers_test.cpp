// The utility's slot table: 12 slots, each with the remap table pages besides
// the station's buffers; the bad-block map is left to the refresh.
#include <gtest/gtest.h>

#include "qxlib/transport/device_slot.h"

namespace qx::test {
namespace {

class UtilitySlotBuffersTest : public ::testing::Test {
protected:
    void TearDown() override { FreeDeviceSlotBuffers(); }
};

TEST_F(UtilitySlotBuffersTest, EverySlotGetsItsBuffersAndLosesThemAgain) {
    ASSERT_EQ(kSlotCount, 12);
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    for (int i = 0; i < kSlotCount; ++i) {
        SCOPED_TRACE(i);
        const DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.EarlyTable.size(), 128u * 1024);
        EXPECT_EQ(s.DefectTable.size(), 128u * 1024);
        EXPECT_EQ(s.RemapTablePages.size(), 128u * 1024);
        EXPECT_EQ(s.LaterBadPages.size(), 2u * 1024 * 1024);
        EXPECT_EQ(s.KeptEraseCounts.size(), 8u * 1024 * 1024);
        EXPECT_EQ(s.KeptSmartPage.size(), 512u);
        EXPECT_FALSE(s.BadBlockMap) << "the refresh allocates the bad-block map itself";
        EXPECT_EQ(ItemText(i, 0).size(), 2048u);
        EXPECT_EQ(ItemText(i, 86).size(), 2048u);
    }
    EXPECT_TRUE(ItemText(kSlotCount, 0).empty());

    DeviceSlots[3].RemapRows.assign(64, 1);
    FreeDeviceSlotBuffers();
    for (int i = 0; i < kSlotCount; ++i) {
        SCOPED_TRACE(i);
        const DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(i)];
        EXPECT_FALSE(s.EarlyTable || s.DefectTable || s.RemapTablePages || s.LaterBadPages || s.KeptEraseCounts ||
                     s.KeptSmartPage);
        EXPECT_TRUE(s.RemapRows.empty());
        EXPECT_TRUE(ItemText(i, 0).empty());
    }
}

// The utility allocates and frees around every refresh.
TEST_F(UtilitySlotBuffersTest, RefreshCyclesStartFromFreshBuffers) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(AllocDeviceSlotBuffers());
        DeviceSlot& s = DeviceSlots[11];
        EXPECT_EQ(s.RemapTablePages.data()[0], 0) << round;
        s.RemapTablePages.data()[0] = 0x5A;
        FreeDeviceSlotBuffers();
        EXPECT_FALSE(s.RemapTablePages);
    }
}

}  // namespace
}  // namespace qx::test
