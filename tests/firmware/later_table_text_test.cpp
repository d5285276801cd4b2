// The later-bad lists as a text file: out of a drive, the two passes of the
// reader, and back into the code blocks' system page and the list blocks.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/firmware/later_table_drive.h"
#include "qxlib/firmware/later_table_text.h"

namespace qx::test {
namespace {

class LaterTableFile : public FirmwareFixture {
protected:
    LaterTableFile() { logUse_ = LogUse::Requests; }

    std::string File(const char* name) { return dir_->file(name); }

    void TearDown() override {
        for (int slot : kBothSlots) DeviceSlots[static_cast<std::size_t>(slot)].LaterBadPages.Release();
        FirmwareFixture::TearDown();
    }

    // One channel's later-bad page: tag, count, entries (block, type, 0xFF).
    static Bytes ListPage(std::uint16_t count, const std::vector<std::pair<std::uint16_t, std::uint8_t>>& entries) {
        Bytes p(4096, 0xFF);
        std::copy(kLaterBadTableTag.begin(), kLaterBadTableTag.end(), p.begin());
        put_le16(&p[16], count);
        std::size_t at = 32;
        for (const auto& [block, type] : entries) {
            put_le16(&p[at], block);
            p[at + 2] = type;
            at += 4;
        }
        return p;
    }
};

// After pre-format every list is empty: the list blocks of the system page
// (0x20 for the first bank, 0x22 for the others; plane blocks, so blocks
// 0x40 and 0x44) hold the tag and a count of 0.
TEST_F(LaterTableFile, EmptyListsOfAPreformattedDrive) {
    const std::string empty = "C#00T#0000,\r\nC#01T#0000,\r\nC#02T#0000,\r\nC#03T#0000,\r\n";
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(GetLaterTable(slot, Ctx(), File("later.txt").c_str(), 21));
        EXPECT_EQ(ReadText(File("later.txt")),
                  "V#21\r\nB#00\r\nD#00\r\nS#0020\r\n" + empty + "\r\nB#01\r\nD#00\r\nS#0022\r\n" + empty + "\r\n");
    }
}

TEST_F(LaterTableFile, ListsGoToTheDriveAndComeBack) {
    const std::string text =
        "V#10\r\n"
        "B#00\r\nD#00\r\nS#0030\r\n"
        "C#00T#0002,U#0123,1U#0456,2\r\nC#01\r\nC#02T#0000,\r\nC#03T#0001,U#07FF,7\r\n\r\n"
        "B#01\r\nD#00\r\nS#03D0\r\n"
        "C#00T#0001,U#0100,3\r\nC#01T#0001,U#0101,4\r\nC#02T#0001,U#0102,5\r\nC#03T#0001,U#0103,6\r\n\r\n";
    WriteText(File("in.txt"), text);
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
        ASSERT_TRUE(PutLaterTable(slot, Ctx(), File("in.txt").c_str(), 10));

        // Each code block: pages 0 and 1 kept, the new system page as page 4,
        // the rest erased.
        for (std::uint16_t block = 0; block < 4; ++block) {
            EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, block, 1, 2), kDefectTableTag));
            EXPECT_EQ(Slice(NandPage(slot, block, 0, 0), 0, 4), Hex("4C 44 42 4B"));
            Bytes system(4096, 0xFF);
            std::copy(kSystemPageTag.begin(), kSystemPageTag.end(), system.begin());
            put_le16(&system[16], 0x0030);
            put_le16(&system[20], 0x03D0);
            EXPECT_EQ(NandPage(slot, block, 4, 0), system);
            EXPECT_EQ(NandPage(slot, block, 4, 1), Bytes(4096, 0xFF)) << "only channel 0's page carries it";
            EXPECT_EQ(NandPage(slot, block, 2, 0), Bytes(4096, 0xFF));
        }
        // The lists on page 1 of blocks 0x60 (CE 0) and 0x7A0 (CE 1).
        auto list = [&](std::uint8_t ce, std::uint16_t block, std::uint8_t ch) {
            auto hold = DriveOf(slot).Lock();
            Bytes p(4096);
            DriveOf(slot).Model().nand.Read({ch, ce, block, 1}, p);
            return p;
        };
        EXPECT_EQ(list(0, 0x60, 0), ListPage(2, {{0x0123, 1}, {0x0456, 2}}));
        EXPECT_EQ(list(0, 0x60, 1), Bytes(4096, 0xFF));
        EXPECT_EQ(list(0, 0x60, 3), ListPage(1, {{0x07FF, 7}}));
        EXPECT_EQ(list(1, 0x7A0, 2), ListPage(1, {{0x0102, 5}}));

        ASSERT_TRUE(s.LaterBadPages.Allocate(kLaterBadPagesSize));
        ASSERT_TRUE(GetLaterTable(slot, Ctx(), File("out.txt").c_str(), 10));
        EXPECT_EQ(ReadText(File("out.txt")), text);
        // The lists read land in LaterBadPages at (bank x 2 + die) x 128 KB.
        EXPECT_EQ(Slice(Bytes(s.LaterBadPages.data(), s.LaterBadPages.data() + 4096), 0, 4096), ListPage(2, {{0x0123, 1}, {0x0456, 2}}));
        EXPECT_EQ(Slice(Bytes(s.LaterBadPages.data() + 2 * 131072, s.LaterBadPages.data() + 2 * 131072 + 4 * 4096), 3 * 4096, 4096),
                  ListPage(1, {{0x0103, 6}}));
        s.LaterBadPages.Release();
    }
}

TEST_F(LaterTableFile, ListBlockWithTheLettersBAndDIsABlock) {
    LaterTableBlocks blocks;
    std::vector<LaterListWrite> lists;
    ASSERT_TRUE(ParseLaterTableText(config_, "V#10\r\nB#01\r\nD#00\r\nS#0B1D\r\nC#00T#0000,\r\n", blocks, lists));
    EXPECT_EQ(blocks.listBlocks[1][0], 0x0B1D);
    EXPECT_EQ(Slice(blocks.systemPages, 16, 4), Hex("1D 0B FF FF"));
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].bank, 1);
    EXPECT_EQ(lists[0].die, 0);
}

// With two dies, both dies' channel lines go into one page set, written
// only to the block of the bank's last die.
TEST_F(LaterTableFile, TwoDiesShareOnePageSet) {
    const std::string text =
        "V#10\r\n"
        "B#00\r\nD#00\r\nS#0010\r\nC#00T#0001,U#0100,1\r\nC#01T#0001,U#0101,1\r\n"
        "D#01\r\nS#0810\r\nC#00T#0001,U#0200,2\r\nC#01\r\n\r\n";
    LaterTableBlocks blocks;
    std::vector<LaterListWrite> lists;
    ASSERT_TRUE(ParseLaterTableText(config_, text, blocks, lists));
    EXPECT_EQ(blocks.listBlocks[0][0], 0x0010);
    EXPECT_EQ(blocks.listBlocks[0][1], 0x0810);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].die, 1);
    EXPECT_EQ(Slice(lists[0].pages, 0, 4096), ListPage(1, {{0x0200, 2}}));
    EXPECT_EQ(Slice(lists[0].pages, 4096, 4096), ListPage(1, {{0x0101, 1}})) << "die 1 left channel 1 as die 0 wrote it";
}

TEST_F(LaterTableFile, TextsTheListsCannotHoldAreRefusedBeforeTheDriveIsTouched) {
    std::string tooMany = "V#10\r\nB#00\r\nD#00\r\nS#0010\r\nC#00T#0400,";
    for (int i = 0; i < 1017; ++i) tooMany += "U#0001,1";
    const std::pair<const char*, std::string> cases[] = {
        {"bank 8", "V#10\r\nB#08\r\nD#00\r\nS#0010\r\n"},
        {"die 4", "V#10\r\nB#00\r\nD#04\r\nS#0010\r\n"},
        {"channel 4", "V#10\r\nB#00\r\nD#00\r\nS#0010\r\nC#04T#0000,\r\n"},
        {"list block not hexadecimal", "V#10\r\nB#00\r\nD#00\r\nS#00X0\r\n"},
        {"more entries than a page", tooMany},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        WriteText(File("in.txt"), text);
        for (int slot : kBothSlots) {
            ClearLog();
            EXPECT_FALSE(PutLaterTable(slot, Ctx(), File("in.txt").c_str(), 10));
            EXPECT_TRUE(Requests(slot).empty());
        }
    }
}

TEST_F(LaterTableFile, NoFileWritesNothing) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        EXPECT_TRUE(PutLaterTable(slot, Ctx(), nullptr, 10));
        EXPECT_TRUE(PutLaterTable(slot, Ctx(), File("missing.txt").c_str(), 10));
        EXPECT_EQ(Writes(slot), 0);
        // Get without a path reads the system page only.
        EXPECT_TRUE(GetLaterTable(slot, Ctx(), nullptr, 10));
        EXPECT_FALSE(std::filesystem::exists(File("missing.txt")));
    }
}

TEST_F(LaterTableFile, GetNeedsTheSystemTag) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        Bytes p = NandPage(slot, 0, 4, 0);
        p[0] = 'X';
        PutNandPage(slot, 0, 4, 0, p);
        EXPECT_FALSE(GetLaterTable(slot, Ctx(), File("later.txt").c_str(), 10));
        EXPECT_FALSE(std::filesystem::exists(File("later.txt")));
    }
}

}  // namespace
}  // namespace qx::test
