#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxlib/settings/global_parameter.h"
#include "settings/flash_config_fixture.h"
#include "station/settings/test_item_list.h"

namespace qx::station {
namespace {

std::vector<std::string> Texts(const std::vector<TestItemRow>& rows) {
    std::vector<std::string> texts;
    for (const TestItemRow& r : rows) texts.push_back(r.Text);
    return texts;
}

TestItemRow* Row(std::vector<TestItemRow>& rows, const std::string& text) {
    for (TestItemRow& r : rows)
        if (r.Text == text) return &r;
    ADD_FAILURE() << text;
    return nullptr;
}

class TestItemList : public test::FlashConfigFixture {};

TEST_F(TestItemList, DefaultRowsAndMarks) {
    const std::vector<TestItemRow> rows = BuildTestItemRows(settings_);
    EXPECT_EQ(Texts(rows), (std::vector<std::string>{"Flash Module Test", "Bus Interface Test", "Flash Interface Test",
                                                     "Dram Test", "Preformat", "Download", "R/W Test",
                                                     "Check Tables"}));
    for (const TestItemRow& r : rows) EXPECT_EQ(r.Checked, r.Text == "Flash Module Test") << r.Text;
}

TEST_F(TestItemList, OptionalStepsFollowTheirEnables) {
    for (std::size_t item : {kItemUpload, kItemPPID, kItemSetMaxLBA, kItemFormat, kItemCheckTemperature})
        settings_.TestItemEnable[item] = 1;
    EXPECT_EQ(Texts(BuildTestItemRows(settings_)),
              (std::vector<std::string>{"Flash Module Test", "Bus Interface Test", "Flash Interface Test", "Dram Test",
                                        "Preformat", "Download", "Upload", "R/W Test", "Check Tables", "Write PPID",
                                        "Set Max LBA", "Disk Format", "Check Temperature"}));
}

TEST_F(TestItemList, RebuildBadBlockStaysOnceChecked) {
    settings_.UpdateFirmwareA2B = 1;
    std::vector<TestItemRow> rows = BuildTestItemRows(settings_);
    ASSERT_EQ(rows[1].Text, "Rebuild Bad Block");
    EXPECT_FALSE(rows[1].Checked);
    rows[1].Checked = true;
    TakeTestItemChecks(rows, settings_);
    EXPECT_EQ(settings_.TestItemEnable[2], 1);
    settings_.UpdateFirmwareA2B = 0;
    rows = BuildTestItemRows(settings_);
    ASSERT_EQ(rows[1].Text, "Rebuild Bad Block");
    EXPECT_TRUE(rows[1].Checked);
}

TEST_F(TestItemList, PreformatHoldsDownload) {
    std::vector<TestItemRow> rows = BuildTestItemRows(settings_);
    Row(rows, "Preformat")->Checked = true;
    TakeTestItemChecks(rows, settings_);
    EXPECT_TRUE(Row(rows, "Download")->Checked) << "checked with Preformat in one pass";
    EXPECT_EQ(settings_.TestItemEnable[kItemDownload], 1);

    Row(rows, "Download")->Checked = false;
    TakeTestItemChecks(rows, settings_);
    EXPECT_TRUE(Row(rows, "Download")->Checked) << "cannot be unchecked under Preformat";

    Row(rows, "Preformat")->Checked = false;
    TakeTestItemChecks(rows, settings_);
    Row(rows, "Download")->Checked = false;
    TakeTestItemChecks(rows, settings_);
    EXPECT_FALSE(Row(rows, "Download")->Checked);
    EXPECT_EQ(settings_.TestItemEnable[kItemDownload], 0);
    EXPECT_EQ(settings_.TestItemEnable[kItemPreFormat], 0);
}

TEST_F(TestItemList, AStoredTwoIsTakenBackAsOne) {
    settings_.TestItemEnable[kItemPreFormat] = 2;
    std::vector<TestItemRow> rows = BuildTestItemRows(settings_);
    EXPECT_TRUE(Row(rows, "Preformat")->Checked);
    TakeTestItemChecks(rows, settings_);
    EXPECT_EQ(settings_.TestItemEnable[kItemPreFormat], 1);
    EXPECT_EQ(settings_.TestItemEnable[kItemDownload], 1);
}

TEST(TestItemOptionPages, StepToPage) {
    EXPECT_EQ(OptionPageOfStep("Download"), "OP_Download");
    EXPECT_EQ(OptionPageOfStep("Flash Module Test"), "OP_FlashModule");
    EXPECT_EQ(OptionPageOfStep("Disk Format"), "OP_Format");
    EXPECT_EQ(OptionPageOfStep("Set Max LBA"), "OP_SetMaxLBA");
    EXPECT_EQ(OptionPageOfStep("R/W Test"), "");
    EXPECT_EQ(OptionPages().size(), 14u);
}

}  // namespace
}  // namespace qx::station
