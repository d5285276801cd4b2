// Which blocks are the code blocks, as the diagnostic program answers.
#include "firmware/firmware_fixture.h"

namespace qx::test {
namespace {

class CodeBlockList : public FirmwareFixture {};

TEST_F(CodeBlockList, ShortListFailsUnlessUploadIsOn) {
    for (bool upload : {false, true})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "upload " << upload << ", slot " << slot);
            Drive(slot, [](sim::DriveModel& m) { m.cfg.codeBlocks = {5, 7}; });   // reply 5, 7, FFFF
            settings_.TestItemEnable[kItemUpload] = upload;
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            EXPECT_EQ(GetCodeBlockList(slot, Ctx()), upload);
            EXPECT_EQ(s.CodeBlockCount, upload ? 4 : 2);
            if (upload) {
                EXPECT_EQ(s.CodeBlocks, (std::array<std::uint16_t, 4>{0, 1, 2, 3}));
            } else {
                EXPECT_EQ(s.CodeBlocks, (std::array<std::uint16_t, 4>{5, 7, 0xFFFF, 0}));
            }
        }
}

TEST_F(CodeBlockList, RepeatedBlocksCountOnce) {
    Drive(kSataSlot, [](sim::DriveModel& m) { m.cfg.codeBlocks = {4, 4, 9, 6}; });
    EXPECT_FALSE(GetCodeBlockList(kSataSlot, Ctx()));
    EXPECT_EQ(DeviceSlots[kSataSlot].CodeBlockCount, 3);
    EXPECT_EQ(DeviceSlots[kSataSlot].CodeBlocks, (std::array<std::uint16_t, 4>{4, 9, 6, 0xFFFF}));
}

}  // namespace
}  // namespace qx::test
