#include <gtest/gtest.h>

#include "qxlib/settings/flash_geometry.h"
#include "settings/flash_config_fixture.h"

namespace qx {
namespace {

using FlashGeometryTest = test::FlashConfigFixture;

// Type word, interface, flags and layout in; everything the firmware choice
// and the capacity fields show out.
TEST_F(FlashGeometryTest, TypeWordsDecodeToGeometrySizesAndFirmwareName) {
    struct Case {
        std::uint16_t typeWord;
        std::uint8_t flashInterface;
        std::uint8_t modeFlag;
        std::uint16_t dieOffset;
        std::uint8_t halfPages;
        std::uint8_t channels, banks;
        std::uint16_t blocksPerCe, blocksPerPlane, pagesPerBlock;
        std::uint8_t dies, sectorsPerPage;
        std::uint8_t sizeCode, sizeCodeEx;
        std::uint16_t rawGB;
        std::uint16_t dataBlocks;
        std::uint32_t sectors;
        const char* firmware;
        bool valid;
    };
    const Case cases[] = {
        // Class 1, MLC, one die, 4096 blocks of 128 pages of 4 KB.
        {0x1849, 1, 0, 0, 0, 4, 2, 4096, 2048, 128, 1, 8, 0x19, 0x19, 16, 1908, 31195136, "SYS_TSEF.bin", true},
        // The same with half pages: the name still follows the full 128 pages.
        {0x1849, 1, 0, 0, 1, 4, 2, 4096, 2048, 64, 1, 8, 0x18, 0x18, 8, 1908, 15564800, "SYS_TSEF.bin", true},
        // Class 2, two dies, 256 pages of 8 KB; interface 4 halves the extended page code.
        {0x2A52, 4, 0, 0, 0, 8, 1, 4096, 1024, 256, 2, 16, 0x06, 0x05, 64, 1908, 125042688, "SYS_LHVA.bin", true},
        // Class 3 with the mode flag and a die offset; 2 KB pages have no geometry letter.
        {0x3A08, 2, 1, 1024, 0, 2, 4, 2048, 512, 128, 2, 4, 0x15, 0x15, 4, 954, 7684096, "SYS_OT#K.bin", true},
        // Page-size code 5 and dies code 3 do not decode: no division, no letter.
        {0x184D, 1, 0, 0, 0, 4, 2, 4096, 2048, 128, 1, 0, 0x19, 0x19, 0, 1908, 0, "SYS_TS#F.bin", false},
        {0x1E49, 1, 0, 0, 0, 4, 2, 4096, 0, 128, 0, 8, 0x11, 0x11, 16, 0, 0, "SYS_TS#F.bin", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type word 0x" << std::hex << c.typeWord << " half " << int{c.halfPages});
        FlashPartRecord part = Part(c.typeWord, c.flashInterface);
        part.FlashModeFlag = c.modeFlag;
        part.DieOffset = c.dieOffset;
        part.HalfPages = c.halfPages;
        Apply(part, c.channels, c.banks);
        const FlashGeometry& g = config_.FlashGeometry;
        EXPECT_EQ(g.BlocksPerCe, c.blocksPerCe);
        EXPECT_EQ(g.BlocksPerPlane, c.blocksPerPlane);
        EXPECT_EQ(g.PagesPerBlock, c.pagesPerBlock);
        EXPECT_EQ(g.DiesPerCe, c.dies);
        EXPECT_EQ(g.SectorsPerPage, c.sectorsPerPage);
        EXPECT_EQ(IsValidGeometry(g), c.valid);
        EXPECT_EQ(config_.SizeCode, c.sizeCode);
        EXPECT_EQ(config_.SizeCodeEx, c.sizeCodeEx);
        EXPECT_EQ(config_.RawCapacityGB, c.rawGB);
        UserCapacity capacity{};
        CalcUserCapacity(config_, capacity);
        EXPECT_EQ(capacity.DataBlocks, c.dataBlocks);
        EXPECT_EQ(capacity.CapacitySectors, c.sectors);
        EXPECT_EQ(CalcDiskCapacity(config_), c.sectors);
        EXPECT_EQ(FirmwareName(), c.firmware);
    }
}

TEST_F(FlashGeometryTest, UserCapacityParts) {
    Apply(Part(0x1849, 1), 4, 2);
    UserCapacity capacity{};
    CalcUserCapacity(config_, capacity);
    EXPECT_EQ(capacity.BlocksPerPlane, 2048);
    EXPECT_EQ(capacity.PlaneBlocksAllDies, 2048);
    EXPECT_EQ(capacity.ReservedBlocksAllDies, 140);
    EXPECT_EQ(capacity.DataBlocks, 1908);
    EXPECT_EQ(capacity.CapacitySectors, 31195136u);
}

TEST_F(FlashGeometryTest, CapacitiesClampInsteadOfWrapping) {
    // A reserve above the whole plane leaves no data blocks, not 65,000 of them.
    settings_.ResPercentage = 2000;
    Apply(Part(0x1849, 1), 4, 2);
    UserCapacity capacity{};
    CalcUserCapacity(config_, capacity);
    EXPECT_EQ(capacity.DataBlocks, 0);
    EXPECT_EQ(capacity.CapacitySectors, 0u);

    // 16384 blocks of 512 pages of 16 KB on 8 x 8 chips is 8 TiB: beyond 32
    // bits of sectors, so the count stops at the largest value.
    settings_.ResPercentage = 68;
    Apply(Part(0x10DB, 1), 8, 8);
    EXPECT_EQ(config_.FlashGeometry.BlocksPerCe, 16384);
    EXPECT_EQ(config_.RawCapacityGB, 8192);
    EXPECT_EQ(CalcDiskCapacity(config_), UINT32_MAX);
    // 64 x 64 chips: 512 TiB does not fit the 16-bit GiB count either.
    Apply(Part(0x10DB, 1), 64, 64);
    EXPECT_EQ(config_.RawCapacityGB, 65535);

    // Channel count 0 gives no capacity and no division by zero.
    Apply(Part(0x1849, 1), 0, 2);
    EXPECT_EQ(CalcDiskCapacity(config_), 0u);
}

TEST_F(FlashGeometryTest, BlockNumbering) {
    Apply(Part(0x1849, 1), 4, 2);  // class 1; 1024 blocks per plane needs 2048 per CE
    config_.FlashGeometry.BlocksPerPlane = 1024;
    EXPECT_EQ(PlaneBlockToBlock(5, config_), 10);
    EXPECT_EQ(BlockToPlaneBlock(10, config_), 5);

    config_.FlashTypeWord = 0x2849;  // class 2 without the mode flag
    EXPECT_EQ(PlaneBlockToBlock(5, config_), 10);
    EXPECT_EQ(BlockToPlaneBlock(10, config_), 10);
    EXPECT_EQ(PlaneBlockToBlock(1029, config_), 2058);
    EXPECT_EQ(BlockToPlaneBlock(2058, config_), 1034);

    config_.FlashGeometry.BlocksPerPlane = 0;  // an undecodable word
    EXPECT_EQ(BlockToPlaneBlock(10, config_), 5);
    EXPECT_EQ(PlaneBlockToBlock(5, config_), 10);
}

TEST(FlashGeometryCalc, Log2IfPowerOfTwo) {
    struct Case {
        std::uint32_t value;
        bool power;
        std::uint8_t exponent;
    };
    for (const Case& c : {Case{0, false, 0}, Case{1, true, 0}, Case{1024, true, 10}, Case{6, false, 1},
                          Case{0x80000000u, true, 31}}) {
        std::uint8_t exponent = 99;
        EXPECT_EQ(Log2IfPowerOfTwo(c.value, exponent), c.power) << c.value;
        if (c.power) {
            EXPECT_EQ(exponent, c.exponent) << c.value;
        }
    }
}

TEST(FlashGeometryCalc, TableMemSizeV11) {
    EXPECT_EQ(CalcTableMemSizeV11(2, 4, 2048, 128, 68, 10), 4784128u);
    // No reserve: the entry count would go below zero; it stops at zero.
    EXPECT_EQ(CalcTableMemSizeV11(1, 1, 1024, 64, 0, 0), 3178496u);
    // More defects than reserve entries, and a reserve above the block count.
    EXPECT_EQ(CalcTableMemSizeV11(1, 1, 1024, 64, 68, 5000), 3178496u);
    EXPECT_EQ(CalcTableMemSizeV11(8, 8, 8192, 512, 65535, 0) % 16384, 0u);
    EXPECT_EQ(CalcTableMemSizeV11(255, 255, 65535, 65535, 1000, 0), 0xFFFFC000u);
}

}  // namespace
}  // namespace qx
