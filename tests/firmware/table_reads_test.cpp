// Reading the tables pre-format left: tags checked on every channel's copy,
// the code blocks tried in the order 2, 3, 0, 1, the failure record of a
// wrong tag, pages the read cannot correct, and the early-bad count.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/firmware/table_pages.h"

namespace qx::test {
namespace {

class TableReads : public FirmwareFixture {
protected:
    // The code blocks the reads of one page went to, one entry per try.
    std::vector<std::uint16_t> ReadTries(int slot, std::uint16_t page) {
        std::vector<std::uint16_t> blocks;
        for (const sim::PageCommand& c : PageCommands(slot))
            if (c.sub == 0x89 && c.page == page && c.channel == 0) blocks.push_back(c.block);
        return blocks;
    }

    void BreakTag(int slot, std::uint16_t block, std::uint16_t page, std::uint8_t channel) {
        Bytes p = NandPage(slot, block, page, channel);
        p[6] ^= 0x20;   // "QXF84X" becomes "QXf84X"
        PutNandPage(slot, block, page, channel, p);
    }

    // Nothing was written and the program never blanked the code blocks.
    void DriveUntouched(int slot) {
        EXPECT_EQ(Writes(slot), 0);
        for (const sim::ProgramRun& r : Actions(slot)) EXPECT_FALSE(r.action == 1 && (r.flags & 0x10));
        EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, 1, 1, 0), kDefectTableTag));
    }
};

TEST_F(TableReads, WrongTagInEveryCodeBlockFailsWithTheTableAndChannel) {
    struct Case {
        std::uint16_t page;
        std::uint8_t channel;
        std::uint8_t code;
    };
    settings_.EnKeepSmartInfo = 1;
    for (const Case c : {Case{1, 3, 0xD0}, Case{2, 1, 0xD1}, Case{3, 2, 0xD2}, Case{5, 0, 0xD3}})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "page " << c.page << ", slot " << slot);
            PrepareDrive(slot);
            Drive(slot, [](sim::DriveModel& m) { m.actions.clear(); });
            for (std::uint16_t block = 0; block < 4; ++block) BreakTag(slot, block, c.page, c.channel);
            EXPECT_FALSE(Download(slot));
            EXPECT_EQ(buffer_[0], c.code);
            EXPECT_EQ(buffer_[1], c.channel);
            EXPECT_EQ(ReadTries(slot, c.page), (std::vector<std::uint16_t>{2, 3, 0, 1}));
            DriveUntouched(slot);
        }
}

TEST_F(TableReads, WrongSystemTagNamesOnlyTheChannel) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        for (std::uint16_t block = 0; block < 4; ++block) BreakTag(slot, block, 4, 2);
        EXPECT_FALSE(Download(slot));
        EXPECT_EQ(buffer_[1], 2);
        EXPECT_EQ(buffer_[0], 'S') << "the page's own first byte: the system page has no failure code";
        DriveUntouched(slot);
    }
}

TEST_F(TableReads, SwitchedOffTablesAreReadOnceAndNotChecked) {
    config_.Options[kOptRemap] = 0;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        for (std::uint16_t block = 0; block < 4; ++block) {
            BreakTag(slot, block, 3, 0);
            BreakTag(slot, block, 5, 1);
        }
        ASSERT_TRUE(Download(slot));
        EXPECT_EQ(ReadTries(slot, 3), (std::vector<std::uint16_t>{2}));
        EXPECT_EQ(ReadTries(slot, 5), (std::vector<std::uint16_t>{2}));
    }
}

TEST_F(TableReads, AGoodCopyInALaterCodeBlockPasses) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        // Code block 2 cannot correct its page 1; block 3 can.
        Drive(slot, [](sim::DriveModel& m) { m.cfg.uncorrectablePages = {{2, 1}}; });
        // Page 2 has a wrong tag on one channel in blocks 2, 3 and 0.
        for (const std::uint16_t block : std::array<std::uint16_t, 3>{2, 3, 0}) BreakTag(slot, block, 2, 1);
        ASSERT_TRUE(Download(slot));
        EXPECT_EQ(ReadTries(slot, 1), (std::vector<std::uint16_t>{2, 3}));
        EXPECT_EQ(ReadTries(slot, 2), (std::vector<std::uint16_t>{2, 3, 0, 1}));
        EXPECT_EQ(ReadTries(slot, 4), (std::vector<std::uint16_t>{2}));
        // The good copies went back to every code block.
        for (std::uint16_t block = 0; block < 4; ++block) {
            EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, block, 1, 2), kDefectTableTag));
            EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, block, 2, 1), kEarlyBadTableTag));
        }
        Drive(slot, [](sim::DriveModel& m) { m.cfg.uncorrectablePages.clear(); });
    }
}

TEST_F(TableReads, APageNoCodeBlockCanCorrectFailsTheStep) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.uncorrectablePages = {{0, 61}, {1, 61}, {2, 61}, {3, 61}}; });
        EXPECT_FALSE(Download(slot));
        EXPECT_EQ(ReadTries(slot, 61), (std::vector<std::uint16_t>{2, 3, 0, 1}));
        DriveUntouched(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.uncorrectablePages.clear(); });
    }
}

TEST_F(TableReads, ReadsWithAnotherOptionCannotCorrectTheTables) {
    // Pre-format wrote the tables with option 3 (page option and scramble);
    // a station that reads them without the scramble bit gets nothing.
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        FlashConfig wrong = config_;
        wrong.Options[kOptScramble] = 0;
        EXPECT_FALSE(ReadCodeBlockPage(slot, wrong, buffer_, 0, 1));
        EXPECT_TRUE(ReadCodeBlockPage(slot, config_, buffer_, 0, 1));
        EXPECT_TRUE(HasCodeBlockTag(buffer_, kDefectTableTag));
        EXPECT_FALSE(ReadCodeBlockPage(slot, config_, buffer_, 4, 1)) << "no fifth code block";
    }
}

TEST_F(TableReads, EarlyBadEntriesStopAtTheEndMarkAndSkipBankMarks) {
    EXPECT_EQ(CountEarlyBadEntries(Hex("45 79 AA 55 51 58 46 38 34 58 2D 56 30 30 31 00 12 00 34 FB 56 00 00 FE 78 00")), 2u);
    EXPECT_EQ(CountEarlyBadEntries(Hex("00 *16 00 FE 12 00")), 0u);
    EXPECT_EQ(CountEarlyBadEntries(Hex("00 *16 01 00 02 00 03")), 2u) << "a half entry at the end does not count";
}

TEST_F(TableReads, EarlyBadCountOfEveryTaggedChannelReachesTheProgram) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        // Blocks 100 and 200 bad on both chip enables of every channel.
        EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].EarlyBadCount, 16u);
        // The program booted for the write carries the count in its map table block.
        auto hold = DriveOf(slot).Lock();
        EXPECT_EQ(get_le32(DriveOf(slot).Model().codeRam.data() + kMapTableBlockAt + 4), 16u);
    }
}

TEST_F(TableReads, EarlyBadCountRule) {
    auto tagged = [](const std::string& entries) {
        Bytes p(kEarlyBadTableTag.begin(), kEarlyBadTableTag.end());
        const Bytes e = Hex(entries);
        p.insert(p.end(), e.begin(), e.end());
        p.resize(4096, 0x00);
        return p;
    };
    for (bool skip : {false, true})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "skip " << skip << ", slot " << slot);
            PrepareDrive(slot);
            for (std::uint16_t block = 0; block < 4; ++block) {
                PutNandPage(slot, block, 2, 0, tagged("12 00 34 FB 56 00 00 FE"));   // 2
                PutNandPage(slot, block, 2, 1, tagged("00 FE 12 00"));               // 0
                PutNandPage(slot, block, 2, 2, tagged("01 FB 03 00 04 FE"));         // 1
                // No end mark: every 2-byte entry up to the page's end counts.
                PutNandPage(slot, block, 2, 3, tagged("05 00"));                     // (4096 - 16) / 2
            }
            SkipEarlyBadCount = skip;
            DeviceSlots[static_cast<std::size_t>(slot)].EarlyBadCount = 77;
            ASSERT_TRUE(Download(slot));
            EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].EarlyBadCount, skip ? 0u : 2u + 0 + 1 + 2040);
        }
}

}  // namespace
}  // namespace qx::test
