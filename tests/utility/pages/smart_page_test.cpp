// The SMART page: names by firmware code, packed rows, summary lines, the
// saved report, and the reads and counter resets on a simulated drive.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/model/identify_data.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"
#include "ui/scripted_prompter.h"
#include "utility/pages/saved_page_text.h"
#include "utility/pages/smart_page.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using utility::SmartAttributeName;
using utility::SmartPage;

class SmartSector {
public:
    SmartSector() : b_(512, 0) {
        b_[0] = 0x10;   // revision 16.0
    }
    SmartSector& Entry(std::size_t i, std::uint8_t id, std::uint16_t flags, std::uint8_t value, std::uint8_t worst,
                       Bytes raw) {
        std::uint8_t* e = &b_[2 + 12 * i];
        e[0] = id;
        e[1] = static_cast<std::uint8_t>(flags);
        e[2] = static_cast<std::uint8_t>(flags >> 8);
        e[3] = value;
        e[4] = worst;
        for (std::size_t k = 0; k < raw.size() && k < 6; ++k) e[5 + k] = raw[k];
        return *this;
    }
    SmartSector& Threshold(std::size_t i, std::uint8_t id, std::uint8_t threshold) {
        b_[2 + 12 * i] = id;
        b_[3 + 12 * i] = threshold;
        return *this;
    }
    const Bytes& bytes() const { return b_; }

private:
    Bytes b_;
};

TEST(SmartNames, VariantsByFirmwareCode) {
    struct Case {
        std::uint8_t id;
        const char* code;
        const char* name;
    };
    const Case cases[] = {
        {0x0C, "1100", "Power Cycle Count"},       {0x0C, "11AB", "Power Cycle Count"},
        {0x0C, "3001", "Power cycle count"},       {0x0C, "3002", "Drive Power Cycle Count"},
        {0x0C, "", "Drive Power Cycle Count"},     {0x01, "1199", "Raw Read Error Rate"},
        {0x01, "3001", "Read Error Rate"},         {0x09, "3001", "Power-on hours"},
        {0x09, "1100", "Power-on Hours Count"},    {0xC0, "1100", "Unsafe Shutdown Count"},
        {0xC0, "3001", "Unexpected Power Loss Count"}, {0xAF, "3001", "Bad Cluster Table Count"},
        {0xF1, "3001", "Total sectors of write"},  {0xF1, "0000", "Total LBA written"},
        {0xF2, "3001", "Total LBA read"},          {0xB2, "0000", "Used Reserved Block Count (Worst Case)"},
    };
    for (const Case& c : cases) EXPECT_STREQ(SmartAttributeName(c.id, c.code), c.name) << int{c.id} << c.code;
    EXPECT_EQ(SmartAttributeName(0x04, "0000"), nullptr);
    EXPECT_EQ(SmartAttributeName(0x00, "0000"), nullptr);
    EXPECT_STREQ(SmartAttributeName(0x0C, nullptr), "Drive Power Cycle Count");
}

TEST(SmartPageFill, RowsCaptionAndSummary) {
    SmartSector smart;
    smart.Entry(0, 0x04, 0x0032, 1, 1, {});   // not listed: takes no row
    smart.Entry(1, 0xC2, 0x0022, 0x41, 0x3C, {0x1E, 0x00, 0x14, 0x00, 0x3C, 0x00});
    smart.Entry(2, 0xA9, 0x0000, 0x64, 0x64, {0x05, 0x00, 0x07, 0x00, 0x02, 0x00});
    smart.Entry(3, 0x09, 0x0032, 0x64, 0x64, {0x10, 0x27});
    SmartSector thresholds;
    thresholds.Threshold(1, 0xC2, 0x0A).Threshold(3, 0x09, 0x05);

    SmartPage page;
    utility::FillSmartPage(page, smart.bytes(), thresholds.bytes(), "0000");
    const auto& g = page.StringGrid1;
    EXPECT_EQ(g[0], (std::array<std::string, 7>{"ID", "S.M.A.R.T. Attribute", "Flags", "Value", "Worst", "Threshold",
                                                "Raw Value"}));
    EXPECT_EQ(g[1], (std::array<std::string, 7>{"C2", "Temperature", "0022", "41", "3C", "0A", "00 3C 00 14 00 1E"}));
    EXPECT_EQ(g[2], (std::array<std::string, 7>{"A9", "Bad Block Count", "0000", "64", "64", "00", "00 02 00 07 00 05"}));
    EXPECT_EQ(g[3], (std::array<std::string, 7>{"09", "Power-on Hours Count", "0032", "64", "64", "05",
                                                "00 00 00 00 27 10"}));
    EXPECT_EQ(g[4][0], "");
    EXPECT_EQ(page.GroupBox4Caption, "\nSMART (v16.0) information report :\n");
    EXPECT_EQ(page.SMARTMemo, (std::vector<std::string>{"Temperature: Current=30  Min=20  Max=60", "Bad Block count=5",
                                                         "Total bad number=7", "Later bad number=2",
                                                         "Power on hour=10000"}));
    EXPECT_TRUE(page.SmartEccMemo.empty());
}

TEST(SmartPageFill, ThirtyKnownAttributesKeepToTheGrid) {
    const std::uint8_t ids[] = {0x01, 0x02, 0x03, 0x05, 0x07, 0x08, 0x09, 0x0A, 0x0C, 0xA3, 0xA4, 0xA6, 0xA7, 0xA8, 0xA9,
                                0xAA, 0xAD, 0xAF, 0xB1, 0xB2, 0xB5, 0xB6, 0xB7, 0xB8, 0xBB, 0xBC, 0xBD, 0xC0, 0xC2, 0xF2};
    SmartSector smart;
    for (std::size_t i = 0; i < 30; ++i) smart.Entry(i, ids[i], 0, 100, 100, {static_cast<std::uint8_t>(i)});
    SmartPage page;
    utility::FillSmartPage(page, smart.bytes(), Bytes(512, 0), "0000");
    EXPECT_EQ(page.StringGrid1[29][0], "C2");   // the 29th; the 30th (F2) has no row
    const std::vector<std::string> report = utility::SmartReportLines(page.StringGrid1);
    EXPECT_EQ(report.size(), 3u + 29u);
    // The summary still speaks of every entry.
    EXPECT_EQ(page.SMARTMemo.back(), "Temperature: Current=28  Min=0  Max=0");
}

TEST(SmartPageFill, ASecondReadWithFewerRowsKeepsTheRest) {
    SmartSector first;
    first.Entry(0, 0x09, 0, 1, 1, {}).Entry(1, 0x0C, 0, 1, 1, {}).Entry(2, 0xAD, 0, 1, 1, {});
    SmartSector second;
    second.Entry(0, 0xC2, 0, 1, 1, {});
    SmartPage page;
    utility::FillSmartPage(page, first.bytes(), Bytes(512, 0), "0000");
    utility::FillSmartPage(page, second.bytes(), Bytes(512, 0), "0000");
    EXPECT_EQ(page.StringGrid1[1][0], "C2");
    EXPECT_EQ(page.StringGrid1[2][0], "0C");
    EXPECT_EQ(page.StringGrid1[3][0], "AD");
    EXPECT_EQ(page.SMARTMemo, (std::vector<std::string>{"Temperature: Current=0  Min=0  Max=0"}));
}

TEST(SmartReport, FileBytes) {
    utility::SmartGrid grid;
    EXPECT_EQ(utility::SmartReportFile(grid),
              std::string(80, '-') + "\r\nID  S.M.A.R.T Attribute           Flags   Value  Worst  Threshold  Raw Value\r\n" +
                  std::string(80, '-') + "\r\n");
    grid[1] = {"C2", "Temperature", "0022", "41", "3C", "0A", "00 3C 00 14 00 1E"};
    grid[3] = {"09", "Power-on Hours Count", "0032", "64", "64", "05", "00 00 00 00 27 10"};
    const std::string bytes = utility::SmartReportFile(grid);
    const std::string tail = "C2  Temperature                    0022    41     3C      0A      00 3C 00 14 00 1E" +
                             std::string(13, ' ') + "\r\n" +
                             "09  Power-on Hours Count           0032    64     64      05      00 00 00 00 27 10" +
                             std::string(13, ' ') + "\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST(SmartReport, SavedThroughTheDialog) {
    TempDir dir;
    ui::ScriptedPrompter prompter;
    utility::SaveDialogState dialog;
    utility::SmartGrid grid;
    grid[1] = {"09", "Power-on Hours Count", "0032", "64", "64", "05", "00 00 00 00 27 10"};
    EXPECT_FALSE(utility::SaveSmartInfoBnClick(prompter, dialog, dir.path().string(), grid));   // cancelled
    const std::vector<ui::PromptRecord> records = prompter.Records();
    ASSERT_EQ(records.size(), 1u);
    const ui::FileRequest& asked = records[0].file;
    EXPECT_EQ(asked.kind, ui::FileDialogKind::Save);
    EXPECT_EQ(asked.fileName, "smart");
    EXPECT_EQ(asked.defaultExt, "txt");
    EXPECT_EQ(asked.filter, "*.txt");
    EXPECT_EQ(asked.folder, dir.path().string());

    const std::string target = dir.file("smart.txt");
    prompter.Answer(std::optional<std::string>(target));
    ASSERT_TRUE(utility::SaveSmartInfoBnClick(prompter, dialog, "/elsewhere", grid));
    EXPECT_EQ(prompter.Records()[1].file.folder, dir.path().string());   // the folder, once set, stays
    std::ifstream in(target, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, utility::SmartReportFile(grid));
}

class SmartDriveTest : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives();
    }
    Bytes buffer_ = Bytes(128 * 1024, 0);
    ui::ScriptedPrompter prompter_;
};

TEST_F(SmartDriveTest, SataPathReadsDataAndThresholds) {
    SmartPage page;
    ASSERT_TRUE(utility::GetSMARTInfo(kSataSlot, buffer_, "0000", page));
    Bytes features;
    for (const sim::LoggedRequest& r : Requests(kSataSlot)) features.push_back(r.cdb.size() > 3 ? r.cdb[3] : 0);
    EXPECT_EQ(features, (Bytes{0xD8, 0xD0, 0xD1}));   // enable, data, thresholds
    Bytes thresholds;
    {
        auto hold = DriveOf(kSataSlot).Lock();
        const auto t = sim::BuildSmartThresholds(DriveOf(kSataSlot).Model());
        thresholds.assign(t.begin(), t.end());
    }
    SmartPage expected;
    utility::FillSmartPage(expected, Bytes(buffer_.begin(), buffer_.begin() + 512), thresholds, "0000");
    EXPECT_EQ(page.StringGrid1, expected.StringGrid1);
    EXPECT_EQ(page.StringGrid1[1][0], "09");
    EXPECT_EQ(page.StringGrid1[3][5], "0A");   // AD's threshold of 10
}

TEST_F(SmartDriveTest, UsbPathReadsTheVendorPageWithoutThresholds) {
    SmartPage page;
    ASSERT_TRUE(utility::GetSMARTInfo(kUsbSlot, buffer_, "0000", page));
    EXPECT_EQ(page.StringGrid1[1][0], "09");
    for (std::size_t row = 1; row <= 4; ++row) EXPECT_EQ(page.StringGrid1[row][5], "00") << row;
}

TEST_F(SmartDriveTest, FailedReadLeavesThePage) {
    SmartPage page;
    page.StringGrid1[1][0] = "kept";
    page.SMARTMemo = {"kept"};
    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::AtaError).OnOpcode(0xB0).Skip(2));
    EXPECT_FALSE(utility::GetSMARTInfo(kSataSlot, buffer_, "0000", page));
    EXPECT_EQ(page.StringGrid1[1][0], "kept");
    EXPECT_EQ(page.SMARTMemo, (std::vector<std::string>{"kept"}));
    EXPECT_EQ(page.StringGrid1[0][0], "");
}

TEST_F(SmartDriveTest, ResetSetsTheThreeCountersAndReadsAgain) {
    SmartPage page;
    EXPECT_TRUE(utility::ResetSmartInfoBnClick(kSataSlot, prompter_, buffer_, "0000", page));
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(page.SMARTMemo[0], "Power on hour=0");
    EXPECT_EQ(page.SMARTMemo[1], "Power on count=0");
    const auto blocks = VendorBlocks(kSataSlot);
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], (Bytes{0xFF, 0xE5, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(blocks[1], (Bytes{0xFF, 0xE5, 0x05, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(blocks[2], (Bytes{0xFF, 0xE5, 0x05, 0x03, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SmartDriveTest, ResetOnTheUsbPathSendsNothingAndSaysSo) {
    SmartPage page;
    page.StringGrid1[1][0] = "kept";
    EXPECT_FALSE(utility::ResetSmartInfoBnClick(kUsbSlot, prompter_, buffer_, "0000", page));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Failed in reseting SMART(PowerCycleCount)",
                                                           "Failed in reseting SMART(PowerLossCount)",
                                                           "Failed in reseting SMART(LifeTimestamp)"}));
    EXPECT_EQ(page.StringGrid1[1][0], "kept");
}

}  // namespace
}  // namespace qx::test
