// The factory defect table as a text file: its form, the reader's edge
// cases and refusals, and the way to and from a drive's code blocks.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/firmware/defect_table_drive.h"
#include "qxlib/firmware/defect_table_text.h"
#include "qxlib/firmware/table_text.h"

namespace qx::test {
namespace {

class DefectTableFile : public FirmwareFixture {
protected:
    DefectTableFile() { logUse_ = LogUse::Requests; }

    std::string File(const char* name) { return dir_->file(name); }

    // A channel's defect page: the tag, then the records.
    Bytes DefectPage(const std::string& records, std::size_t bytes = 4096) {
        Bytes p(kDefectTableTag.begin(), kDefectTableTag.end());
        const Bytes r = Hex(records);
        p.insert(p.end(), r.begin(), r.end());
        p.resize(bytes, 0);
        return p;
    }
};

TEST_F(DefectTableFile, VersionLineByVariant) {
    for (int v : {11, 12, 20, 21, 30}) EXPECT_EQ(TableTextVersionLine(v), "V#" + std::to_string(v) + "\r\n");
    for (int v : {0, 10, 13, 15, 22, 42}) EXPECT_EQ(TableTextVersionLine(v), "V#10\r\n");
}

TEST_F(DefectTableFile, OneChannelTwoBanksAsInTheExample) {
    config_.ChannelCount = 1;
    const Bytes page = DefectPage("FB A0 00 00 12 00 01 00 45 03 10 01 FB A0 01 00 20 0A 00 00 FE D1 00 00");
    ASSERT_TRUE(WriteDefectTableText(config_, page, File("d.txt").c_str(), 15));
    EXPECT_EQ(ReadText(File("d.txt")), "V#10\r\nC#00\r\nB#00U#0012,01,0U#0345,10,1\r\nB#01U#0A20,00,0");
}

TEST_F(DefectTableFile, ChannelsWithoutTheTagWriteNothingButTheLineEnd) {
    config_.ChannelCount = 3;
    Bytes pages = DefectPage("12 00 00 07 FE D1");
    Bytes untagged(4096, 0x00);
    pages.insert(pages.end(), untagged.begin(), untagged.end());
    const Bytes third = DefectPage("34 00 00 08");   // no end marker: to the page's end
    pages.insert(pages.end(), third.begin(), third.end());
    EXPECT_EQ(DefectTableText(config_, pages).substr(0, 45), "C#00U#0012,00,7\r\n\r\nC#02U#0034,00,9U#0000,00,0");
}

TEST_F(DefectTableFile, NibblesPastNineAndLargeTypesRoundTrip) {
    config_.ChannelCount = 1;
    ASSERT_TRUE(WriteDefectTableText(config_, DefectPage("FB A0 00 00 34 12 1A 0C FE D1"), File("d.txt").c_str(), 21));
    EXPECT_EQ(ReadText(File("d.txt")), "V#21\r\nC#00\r\nB#00U#1234,1:,9");
    Bytes back(4096);
    ASSERT_TRUE(ParseDefectTableText(config_, back, File("d.txt").c_str(), 21));
    EXPECT_EQ(Slice(back, 0, 28), DefectPage("FB A0 00 00 34 12 1A 09 FE D1 00", 28));
}

TEST_F(DefectTableFile, FirstChannelLineWithDigitTwoPadsToItsPage) {
    WriteText(File("d.txt"), "V#10\r\nC#02\r\nB#00U#0012,01,0");
    Bytes pages(4 * 4096, 0xEE);
    ASSERT_TRUE(ParseDefectTableText(config_, pages, File("d.txt").c_str(), 10));
    EXPECT_EQ(Slice(pages, 0, 2), Hex("FE D1"));
    EXPECT_EQ(Slice(pages, 2, 2 * 4096 - 2), Bytes(2 * 4096 - 2, 0));
    EXPECT_EQ(Slice(pages, 2 * 4096, 24), DefectPage("FB A0 00 00 12 00 01 00", 24));
    EXPECT_EQ(Slice(pages, 2 * 4096 + 24, 3), Hex("FE D1 00"));
    EXPECT_EQ(Slice(pages, 3 * 4096, 4096), Bytes(4096, 0)) << "the page set is cleared first";
}

TEST_F(DefectTableFile, VersionTwentyOneWithVariantTwelveKeepsTheChannelsOwnEntries) {
    const std::string text = "V#21\r\nC#00\r\nB#00U#0010,01,0U#0011,01,1\r\nC#01\r\nB#00U#0020,01,0U#0021,01,1U#0022,01,1";
    WriteText(File("d.txt"), text);
    Bytes pages(4 * 4096);
    ASSERT_TRUE(ParseDefectTableText(config_, pages, File("d.txt").c_str(), 12));
    EXPECT_EQ(Slice(pages, 16, 12), Hex("FB A0 00 00 10 00 01 00 FE D1 00 00"));
    EXPECT_EQ(Slice(pages, 4096 + 16, 16), Hex("FB A0 00 00 21 00 01 01 22 00 01 01 FE D1 00 00"));
    // Any other variant, or another version, keeps every entry.
    ASSERT_TRUE(ParseDefectTableText(config_, pages, File("d.txt").c_str(), 21));
    EXPECT_EQ(Slice(pages, 4096 + 16, 16), Hex("FB A0 00 00 20 00 01 00 21 00 01 01 22 00 01 01"));
}

TEST_F(DefectTableFile, TextsThePageSetCannotHoldAreRefused) {
    struct Case {
        const char* what;
        std::string text;
    };
    std::string tooMany = "V#10\r\nC#03\r\nB#00";
    for (int i = 0; i < 1100; ++i) tooMany += "U#0001,00,0";
    const Case cases[] = {
        {"channel past the page set", "V#10\r\nC#04\r\nU#0001,00,0"},
        {"channel going back", "V#10\r\nC#02\r\nU#0001,00,0\r\nC#01\r\n"},
        {"channel 0 again", "V#10\r\nC#00\r\nU#0001,00,0\r\nC#00\r\n"},
        {"more records than a page set", tooMany},
        {"entry cut short", "V#10\r\nC#00\r\nU#0001,0"},
        {"block not hexadecimal", "V#10\r\nC#00\r\nU#00G1,00,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(File("d.txt"), c.text);
        Bytes pages(4 * 4096);
        EXPECT_FALSE(ParseDefectTableText(config_, pages, File("d.txt").c_str(), 10));
    }
    Bytes pages(4 * 4096);
    EXPECT_FALSE(ParseDefectTableText(config_, pages, nullptr, 10));
    EXPECT_FALSE(ParseDefectTableText(config_, pages, File("missing.txt").c_str(), 10));
    EXPECT_FALSE(WriteDefectTableText(config_, pages, nullptr, 10));
    EXPECT_FALSE(WriteDefectTableText(config_, pages, File("no/such/folder.txt").c_str(), 10));
}

TEST_F(DefectTableFile, ReaderSkipsLineEndsAndBlanks) {
    std::FILE* f = std::fopen(File("c.txt").c_str(), "wb");
    std::fputs(" \r\n A\r\n", f);
    std::fclose(f);
    f = std::fopen(File("c.txt").c_str(), "rb");
    EXPECT_EQ(ReadCharSkipBlank(f), 'A');
    EXPECT_EQ(ReadCharSkipBlank(f), EOF);
    std::fclose(f);
}

// The drive's table as pre-format left it (blocks 100 and 200 bad on both
// chip enables), out as text, edited, back into every code block.
TEST_F(DefectTableFile, TakenFromAndPutIntoTheCodeBlocks) {
    const std::string drive =
        "V#20\r\n"
        "C#00\r\nB#00U#0064,10,0U#00C8,10,0\r\nB#01U#0064,11,0U#00C8,11,0\r\n"
        "C#01\r\nB#00U#0064,10,1U#00C8,10,1\r\nB#01U#0064,11,1U#00C8,11,1\r\n"
        "C#02\r\nB#00U#0064,10,2U#00C8,10,2\r\nB#01U#0064,11,2U#00C8,11,2\r\n"
        "C#03\r\nB#00U#0064,10,3U#00C8,10,3\r\nB#01U#0064,11,3U#00C8,11,3";
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(GetDefectTable(slot, Ctx(), File("out.txt").c_str(), 20));
        EXPECT_EQ(ReadText(File("out.txt")), drive);

        std::string edited = drive;
        edited.replace(edited.find("U#00C8,10,2"), 11, "U#0123,10,2U#0456,12,2");
        WriteText(File("in.txt"), edited);
        ASSERT_TRUE(PutDefectTable(slot, Ctx(), bins_, File("in.txt").c_str(), 20));
        for (std::uint16_t block = 0; block < 4; ++block) {
            const Bytes info = NandPage(slot, block, 0, 0);
            EXPECT_EQ(Slice(info, 0, 15), Hex("4C 44 42 4B 20 42 4C 4F 43 4B 53 20 56 35 30"));
            EXPECT_EQ(get_le16(&info[0x210]), 120);
            EXPECT_EQ(info[0x1D], block);
            EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, block, 1, 3), kDefectTableTag));
            EXPECT_EQ(NandPage(slot, block, 2, 0), Bytes(4096, 0xFF)) << "the program blanked the rest";
        }
        ASSERT_TRUE(GetDefectTable(slot, Ctx(), File("back.txt").c_str(), 20));
        EXPECT_EQ(ReadText(File("back.txt")), edited);
    }
}

TEST_F(DefectTableFile, RefusedTextLeavesTheDriveUntouched) {
    WriteText(File("in.txt"), "V#10\r\nC#07\r\n");
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ClearLog();
        EXPECT_FALSE(PutDefectTable(slot, Ctx(), bins_, File("in.txt").c_str(), 10));
        EXPECT_FALSE(PutDefectTable(slot, Ctx(), bins_, File("missing.txt").c_str(), 10));
        EXPECT_TRUE(Requests(slot).empty());
    }
}

}  // namespace
}  // namespace qx::test
