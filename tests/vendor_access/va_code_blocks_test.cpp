// The information page search and the code-block check against the
// simulated drive's code blocks.
#include <gtest/gtest.h>

#include "qxlib/vendor_access/va_code_blocks.h"
#include "sim/model/code_blocks.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CodeBlocksTest : public VendorFixture {
protected:
    CodeBlocksTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        VendorFixture::SetUp();
        for (int slot : kBothSlots) {
            VendorModeOn(slot);
            DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {0, 1, 2, 3};
        }
    }
    void EraseBlock(int slot, std::uint16_t block) {
        auto hold = DriveOf(slot).Lock();
        for (std::uint8_t c = 0; c < 4; ++c) DriveOf(slot).Model().nand.Erase(c, 0, block);
    }
    void ProgramPage(int slot, std::uint8_t channel, std::uint16_t block, std::uint16_t page, const Bytes& data) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().nand.Erase(channel, 0, block);
        DriveOf(slot).Model().nand.Program({channel, 0, block, page}, data);
    }
    std::vector<sim::PageCommand> PageCommands(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().pageCommands;
    }
    // Blocks read, one entry per page command.
    std::vector<std::uint16_t> BlocksRead(int slot) {
        std::vector<std::uint16_t> out;
        for (const auto& c : PageCommands(slot)) out.push_back(c.block);
        return out;
    }
};

TEST_F(CodeBlocksTest, InfoPageOfTheFirstBlockEndsTheSearch) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Bytes page(kPageSetBytes);
        std::array<std::uint8_t, kInfoPageBinTableSize> table{};
        ASSERT_TRUE(VA_FindInfoPage(slot, config_, page, table));
        EXPECT_EQ(BlocksRead(slot), (std::vector<std::uint16_t>{0, 0, 0, 0}));
        for (const auto& c : PageCommands(slot)) {
            EXPECT_EQ(c.page, 0);
            EXPECT_EQ(c.ce, 0);
            EXPECT_EQ(c.eccMode, 3);
            EXPECT_EQ(c.option, config_.Options[kOptV50Pages]);
            EXPECT_EQ(c.sectorsPerPageByte, 8);   // ECC mode 3: the page's own sector count
        }
        EXPECT_EQ(table[0], 1);                          // one bin file
        EXPECT_EQ(table[4] | table[5] << 8, 0x0008);     // the first starts at page 8
        EXPECT_EQ(Bytes(table.begin(), table.end()), Bytes(page.begin() + 0x230, page.begin() + 0x258));
    }
}

TEST_F(CodeBlocksTest, SearchGoesOnUntilTheBlockThatHoldsIt) {
    EraseBlock(kSataSlot, 0);
    EraseBlock(kSataSlot, 1);
    Bytes page(kPageSetBytes);
    std::array<std::uint8_t, kInfoPageBinTableSize> table{};
    ASSERT_TRUE(VA_FindInfoPage(kSataSlot, config_, page, table));
    EXPECT_EQ(BlocksRead(kSataSlot), (std::vector<std::uint16_t>{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}));
}

struct BinCountCase {
    const char* name;
    std::uint8_t eccMode;
    std::uint8_t binFiles;       // on the drive
    const char* header;          // the configuration's header text
    bool found;
    std::uint8_t count;
    std::uint8_t sectorsPerPageByte;
};

TEST_F(CodeBlocksTest, BinCountOfTheInfoPage) {
    const BinCountCase cases[] = {
        {"one bin file", 3, 1, "LDBK BLOCKS V50", true, 1, 8},
        {"two bin files", 3, 2, "LDBK BLOCKS V50", true, 2, 8},
        {"other ECC mode reads 4-sector units", 2, 2, "LDBK BLOCKS V50", true, 2, 4},
        {"header of another generation", 3, 2, "LDBK BLOCKS V40", false, 0, 8},
        {"blank code blocks", 3, 0, "LDBK BLOCKS V50", false, 0, 8},
    };
    for (const BinCountCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearLog();
        {
            auto hold = DriveOf(kUsbSlot).Lock();
            auto& m = DriveOf(kUsbSlot).Model();
            m.nand.Clear();
            m.pageCommands.clear();
            m.cfg.binFiles = c.binFiles;
            sim::InstallCodeBlocks(m);
        }
        config_.EccMode = c.eccMode;
        std::memcpy(config_.BlocksHeaderText, c.header, 16);
        Bytes page(kPageSetBytes);
        std::uint8_t count = 0xEE;
        EXPECT_EQ(VA_GetInfoPageBinCount(kUsbSlot, config_, page, &count), c.found);
        EXPECT_EQ(count, c.count);
        const auto cmds = PageCommands(kUsbSlot);
        EXPECT_EQ(cmds.size(), c.found ? 4u : 16u);
        EXPECT_EQ(cmds.front().sectorsPerPageByte, c.sectorsPerPageByte);
    }
}

// A read that fails leaves the buffer as it was; an information page left in
// it from before is not taken for the drive's.
TEST_F(CodeBlocksTest, UnreadBlocksDoNotMatchOnOldBufferContent) {
    Bytes page(kPageSetBytes);
    std::array<std::uint8_t, kInfoPageBinTableSize> table{};
    ASSERT_TRUE(VA_FindInfoPage(kUsbSlot, config_, page, table));
    sim::FaultRule f;
    f.vendorSub = 0x89;
    DriveOf(kUsbSlot).AddFault(f);
    EXPECT_FALSE(VA_FindInfoPage(kUsbSlot, config_, page, table));
}

TEST_F(CodeBlocksTest, SoundCodeBlocksPass) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        traces_.clear();
        Bytes page(kPageSetBytes);
        EXPECT_TRUE(VA_CheckCodeBlocks(slot, config_, page));
        EXPECT_EQ(LayerTraces(), (Texts{"######### - 0", "######### - 1", "######### - 2", "######### - 3"}));
        const auto cmds = PageCommands(slot);
        ASSERT_EQ(cmds.size(), 16u);
        for (std::size_t i = 0; i < cmds.size(); ++i) {
            EXPECT_EQ(cmds[i].block, i / 4);
            EXPECT_EQ(cmds[i].channel, i % 4);
            EXPECT_EQ(cmds[i].page, 8);
            EXPECT_EQ(cmds[i].eccMode, config_.EccMode);
            EXPECT_EQ(cmds[i].option, 1);
            EXPECT_EQ(cmds[i].sectorsPerPageByte, 8);
        }
    }
}

TEST_F(CodeBlocksTest, ScanBlockMarkFailsTheCheckAtOnce) {
    Bytes code(8 * 512, 0);
    code[0] = 0x18;
    code[1] = 0xF0;
    code[2] = 0x9F;
    code[3] = 0xE5;
    code[0x550] = 1;
    ProgramPage(kSataSlot, 2, 1, 8, code);
    Bytes page(kPageSetBytes);
    EXPECT_FALSE(VA_CheckCodeBlocks(kSataSlot, config_, page));
    EXPECT_EQ(LayerTraces().back(), "######### - Scan Block is incorrect at block 1, channel 2! - 0x01");
    EXPECT_EQ(PageCommands(kSataSlot).size(), 8u);   // blocks 0 and 1, then it stops
}

TEST_F(CodeBlocksTest, MissingTagOrUnreadableBlockMovesOn) {
    EraseBlock(kUsbSlot, 0);
    sim::FaultRule f;
    f.vendorSub = 0x89;
    f.skip = 4;    // block 0 reads, block 1's first channel does not
    f.count = 1;
    DriveOf(kUsbSlot).AddFault(f);
    Bytes page(kPageSetBytes);
    EXPECT_TRUE(VA_CheckCodeBlocks(kUsbSlot, config_, page));
    const Texts expected = {
        "######### - 0", "######### - 1", "######### - 2", "######### - 3",
        "######### - Compare code block tag fail!", "######### - Compare code block tag fail!",
        "######### - Compare code block tag fail!", "######### - Compare code block tag fail!",
        "######### - Read page fail!",
    };
    EXPECT_EQ(LayerTraces(), expected);
}

// Nothing read is nothing checked: the check fails when no block could be read.
TEST_F(CodeBlocksTest, NoBlockReadFailsTheCheck) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        traces_.clear();
        sim::FaultRule f;
        f.vendorSub = 0x89;
        DriveOf(slot).AddFault(f);
        Bytes page(kPageSetBytes);
        EXPECT_FALSE(VA_CheckCodeBlocks(slot, config_, page));
        const Texts layer = LayerTraces();
        EXPECT_EQ(std::count(layer.begin(), layer.end(), "######### - Read page fail!"), 4);
    }
}

}  // namespace
}  // namespace qx::test
