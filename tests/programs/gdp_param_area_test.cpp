#include <gtest/gtest.h>

#include "programs/program_fixture.h"
#include "qxlib/programs/gdp_param_area.h"

namespace qx::test {
namespace {

class GdpParamArea : public SlotFixture {
protected:
    // Patches a 0xEE image and returns it.
    Bytes Patch(const FlashConfig& config) {
        Bytes image(kParamAreaEnd + 16, 0xEE);
        EXPECT_TRUE(PatchGdpParamArea(kSlot, config, settings_, image));
        EXPECT_TRUE(PatchMapTableBlock(kSlot, config, image, 11));
        return image;
    }
};

TEST_F(GdpParamArea, ToggleFlashInNormalMode) {
    settings_.EnLowPage = 1;
    Slot().CodeBlocks = {10, 20, 31, 40};
    Slot().EarlyBadCount = 100;
    Slot().LedInterleave = 0x21;
    const Bytes image = Patch(ToggleConfig());
    const Bytes expected = Hex(
        // parameter block: type word, interface | low page, channels, banks, ECC,
        // drive current, size code, reserve low, interface flags, option flags, CEs,
        // flags B and C, code blocks (swapped), 64, reserve high, DLL phase
        "49 18 11 04 02 03 02 19 2C 30 A2 02 02 11 00 00"
        " 1F 00 14 00 0A 00 28 00 40 00 01 07 00 00 00 00"
        // defect percentage, prohibit-remap offset low, 0, the block's last bytes
        " 05 34 00 00 00 00 00 00"
        // bank map
        " 01 00 03 02 05 04 07 06"
        // sector offsets of 8-sector pages
        " 00 10 20 30 40 50 60 70 80 90 A0 B0 C0 D0 E0 F0 00 10 20 30 40 50 60 70"
        // map table: memory size, early bad count, first bin page, dirty depth,
        // extra blocks, die offset, LED/interleave, flags A, table pages
        " 00 80 8B 00 64 00 00 00 08 00 14 00 00 00 00 00 21 13"
        " 00 01 02 03 04 05 06 07 3C 3D 00 *6 00 *14");
    ASSERT_EQ(expected.size(), kParamAreaEnd - kGdpParamBlockAt);
    EXPECT_EQ(HexText(Slice(image, kGdpParamBlockAt, expected.size())), HexText(expected));
    EXPECT_EQ(image[kGdpParamBlockAt - 1], 0xEE);
    EXPECT_EQ(image[kParamAreaEnd], 0xEE);
    EXPECT_EQ(Slot().CodeBlocks, (std::array<std::uint16_t, 4>{31, 20, 10, 40}));
}

TEST_F(GdpParamArea, ClassTwoFlashInLowPageMode) {
    Slot().CodeBlocks = {30, 20, 31, 40};
    const Bytes image = Patch(LowPageConfig());
    const Bytes expected = Hex(
        "52 2A 24 08 02 03 01 1A 32 80 41 04 04 00 00 00"
        " 1E 00 14 00 1F 00 28 00 40 00 00 00 00 00 00 00"
        " 0A FF 00 00 00 00 00 00"
        " 01 00 03 02 05 04 07 06"
        " 00 20 40 60 80 A0 C0 E0 00 20 40 60 80 A0 C0 E0 00 20 40 60 80 A0 C0 E0"
        // the memory size is rounded up to whole 16-sector page sets of 8 channels;
        // the first bin page and the table pages come from low-page table 3
        " 00 00 72 00 00 00 00 00 1F 00 0A 00 80 00 00 08 00 20"
        " 00 01 03 05 07 09 0B 0D 0F 11 13 15 17 19 1B 1D 00 *14");
    EXPECT_EQ(HexText(Slice(image, kGdpParamBlockAt, expected.size())), HexText(expected));
    EXPECT_EQ(Slot().CodeBlocks, (std::array<std::uint16_t, 4>{30, 20, 31, 40}));
}

TEST_F(GdpParamArea, CodeBlockSwapRule) {
    struct Case {
        std::array<std::uint16_t, 4> before, after;
    };
    const Case cases[] = {
        {{10, 20, 31, 40}, {31, 20, 10, 40}},
        {{30, 20, 31, 40}, {30, 20, 31, 40}},   // the first is the third's pair
        {{10, 30, 31, 40}, {10, 30, 31, 40}},   // the second is
        {{10, 20, 32, 40}, {10, 20, 32, 40}},   // the third is even
    };
    for (const Case& c : cases) {
        Slot().CodeBlocks = c.before;
        std::array<std::uint8_t, kGdpParamBlockSize> block{};
        BuildGdpParamBlock(kSlot, ToggleConfig(), settings_, block);
        EXPECT_EQ(Slot().CodeBlocks, c.after);
        EXPECT_EQ(block[16], c.after[0]);
        EXPECT_EQ(block[20], c.after[2]);
    }
}

TEST_F(GdpParamArea, InterfaceFlagsOfOptionsAndBanks) {
    struct Case {
        std::uint8_t banks;
        std::array<std::uint8_t, 8> options;   // Options[0..7]
        std::uint8_t flags;
    };
    const Case cases[] = {
        {1, {1, 1, 1, 0, 0, 0, 1, 0}, 0x47},
        {3, {}, 0x08},                          // more than two banks
        {2, {0, 0, 0, 1, 0, 0, 0, 0}, 0x08},    // two banks with option 3
        {2, {}, 0x00},
        {1, {0, 0, 0, 0, 0, 0, 0, 1}, 0x80},    // option 7 without scrambling
        {1, {0, 0, 0, 0, 1, 1, 0, 1}, 0x30},    // ... and with it
    };
    for (const Case& c : cases) {
        FlashConfig config{};
        config.BankCount = c.banks;
        std::copy(c.options.begin(), c.options.end(), config.Options.begin());
        EXPECT_EQ(PackFwInterfaceFlags(config), c.flags) << int{c.banks};
    }
    FlashConfig config{};
    config.Options[8] = config.Options[11] = config.Options[15] = 7;
    EXPECT_EQ(PackFwOptionFlags(config), 0x89);
}

TEST_F(GdpParamArea, ShortImagesAndOtherTableVersionsAreLeftAlone) {
    Bytes image(kParamAreaEnd - 1, 0xEE);
    EXPECT_FALSE(PatchGdpParamArea(kSlot, ToggleConfig(), settings_, image));
    EXPECT_FALSE(PatchMapTableBlock(kSlot, ToggleConfig(), image));
    image.resize(kParamAreaEnd, 0xEE);
    EXPECT_FALSE(PatchMapTableBlock(kSlot, ToggleConfig(), image, 10));
    EXPECT_EQ(image, Bytes(kParamAreaEnd, 0xEE));
}

}  // namespace
}  // namespace qx::test
