#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/engineering/flash_info_form.h"
#include "station/forms/engineering/pattern_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/settings/flash_selection.h"
#include "station/settings/integer_text.h"
#include "station_forms/settings/settings_area_fixture.h"

namespace qx::test {
namespace {

class FlashInfoFormTest : public SettingsAreaTest {};

TEST_F(FlashInfoFormTest, TwoCandidatesNeedAChoiceToClose) {
    Load("[FlashSetting]\nFlashUniName=KT128A\nChannel=4\nBank=2\nDrvCurrent=3\n");
    const auto part = station::FindFlashPartIndex(parts_.FlashPartTable, "KT128A");
    const auto id = parts_.FlashPartTable[static_cast<std::size_t>(part)].FlashId;
    station::FlashCandidates found = station::FindFlashCandidates(parts_, id);
    ASSERT_GE(found.Count, 1);
    // A second candidate of the same ID, as two list entries sharing it.
    found.Vendor[1] = found.Vendor[0];
    found.Code[1] = found.Code[0];
    found.Count = 2;
    station::TFlashInfoFrom dialog(*area_, prompter_);
    dialog.SetCandidates(found);
    dialog.FormShow();
    auto* list = Child<QListWidget>(dialog, "FlashTypeListBox");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(Text(Child<QLineEdit>(dialog, "ChnnelBankEdit")), "4 / 2");
    EXPECT_EQ(Text(Child<QLineEdit>(dialog, "DrvCurrentEdit")), "8mA");
    EXPECT_NE(Text(Child<QLineEdit>(dialog, "TypeEdit")).find(" (x"), std::string::npos);
    EXPECT_NE(list->item(0)->text().toStdString().find("CE)"), std::string::npos);
    SaveGrab(dialog, "flash_info_form");
    list->clearSelection();
    Child<QPushButton>(dialog, "FormCloseBtn")->click();
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Please choose one flash type"});
    EXPECT_TRUE(dialog.isVisible());
    list->setCurrentRow(0);
    Child<QPushButton>(dialog, "FormCloseBtn")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(state_.ChosenFlashCodeIndex, found.Code[0]);
}

class DialogTest : public ::testing::Test {
protected:
    ui::ScriptedPrompter prompter_;
};

TEST_F(DialogTest, ReadFlashFormShowsUsedChannelsAndRefusesWithoutAPort) {
    FlashConfig config{};
    config.ChannelCount = 2;
    config.BankCount = 2;
    config.FlashGeometry.BlocksPerCe = 2048;
    config.FlashGeometry.PagesPerBlock = 256;
    GlobalParameter settings{};
    int selected = 0;
    station::TReadFlashForm form({config, settings, [&] { return selected; }, "/tmp/", station::StationPortTables()}, prompter_);
    form.show();
    auto* channels = Child<QTabWidget>(form, "PageControl2");
    EXPECT_TRUE(channels->isTabVisible(1));
    EXPECT_FALSE(channels->isTabVisible(2));
    EXPECT_FALSE(Child<QTabWidget>(form, "PageControl1")->isTabVisible(1));
    SaveGrab(form, "read_flash_form");
    for (const char* name : {"BankLabeledEdit", "BlockLabeledEdit", "PageLabeledEdit", "PageCountLabeledEdit"})
        Child<QLineEdit>(form, name)->setText("1");
    Child<QLineEdit>(form, "BlockLabeledEdit")->setText("10");
    form.ReadDataButtonClick();
    selected = 3;
    for (PortRecord& r : ActivePortTable) r.Connected = 0;
    form.ReadDataButtonClick();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"No port is selected", "The selected port has no connected device"}));
    prompter_.Clear();
    Child<QLineEdit>(form, "BankLabeledEdit")->setText("256");
    form.ReadDataButtonClick();
    Child<QLineEdit>(form, "BankLabeledEdit")->setText("0");
    Child<QLineEdit>(form, "BlockLabeledEdit")->setText("3");
    form.ReadDataButtonClick();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Invalid Read Flash Bank!", "Invalid Read Flash Block!"}));
}

TEST_F(DialogTest, PatternFormDoneAppliesTheZeroRules) {
    station::RdtTaskSettings settings;
    station::TPatternForm form(settings, "/tmp/", prompter_);
    auto* data = Child<QComboBox>(form, "ComboBox1");
    ASSERT_EQ(data->count(), 256);
    EXPECT_EQ(data->itemText(0).toStdString(), "0x00");
    EXPECT_EQ(data->itemText(255).toStdString(), "0xff");
    form.show();
    SaveGrab(form, "pattern_form");
    Child<QCheckBox>(form, "cbSetRunTime")->setChecked(true);
    Child<QLineEdit>(form, "ePatternRunTime")->setText("0");
    Child<QCheckBox>(form, "boRunLoopSet")->setChecked(false);
    Child<QLineEdit>(form, "dwRunLoopTimes")->setText("5");
    Child<QCheckBox>(form, "boLTSTest")->setChecked(true);
    Child<QLineEdit>(form, "wLTSRunTime")->setText("12");
    Child<QLineEdit>(form, "WaitTimeLEdit")->setText("x");
    Child<QPushButton>(form, "Btn_Close")->click();
    EXPECT_TRUE(form.isVisible()) << "a bad number keeps the dialog open";
    ASSERT_EQ(prompter_.Records().size(), 1u);
    EXPECT_EQ(prompter_.Records()[0].caption, "Error");
    EXPECT_EQ(settings.DramRunTime, 0);
    Child<QLineEdit>(form, "WaitTimeLEdit")->setText("4");
    Child<QPushButton>(form, "Btn_Close")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settings.NandRunTime, 0);
    EXPECT_EQ(settings.SetNandRunTime, 0);
    EXPECT_EQ(settings.NandLoops, 0);
    EXPECT_EQ(settings.DramRunTime, 12);
    EXPECT_EQ(settings.WaitTime, 4);
    form.show();
    EXPECT_FALSE(Child<QCheckBox>(form, "cbSetRunTime")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(form, "boLTSTest")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(form, "wLTSRunTime")->text().toStdString(), "12");
}

TEST_F(DialogTest, PatternEditorStepsAndSpecialView) {
    station::RdtTaskSettings settings;
    station::TPatternForm form(settings, "/tmp/", prompter_);
    form.show();
    form.Shape1MouseDown(Qt::NoModifier);
    EXPECT_TRUE(Child<QLineEdit>(form, "Edit_Param2_0")->isHidden());
    form.Shape1MouseDown(Qt::ControlModifier);
    EXPECT_FALSE(Child<QLineEdit>(form, "Edit_Param2_0")->isHidden());
    EXPECT_TRUE(Child<QListWidget>(form, "ListBox_Pattern")->isHidden());
    auto* patterns = Child<QListWidget>(form, "ListBox_Pattern");
    patterns->setCurrentRow(0);
    form.ListBox_PatternMouseDown(0);
    EXPECT_EQ(Child<QLineEdit>(form, "Edit_Param2_0")->text().toStdString(), "0x1E");
    for (int v : {0x11, 0x22, 0x33}) {
        Child<QComboBox>(form, "ComboBox1")->setCurrentIndex(v);
        form.Btn_AddClick();
    }
    auto* steps = Child<QListWidget>(form, "ListBox_Selected_Pattern");
    ASSERT_EQ(steps->count(), 3);
    steps->setCurrentRow(2);
    form.Btn_UpClick();
    EXPECT_EQ(steps->currentRow(), 1);
    EXPECT_EQ(steps->item(1)->text().toStdString(), "1. RW with data 0x33");
    form.Btn_DeleteClick();
    EXPECT_EQ(form.Steps().size(), 2u);
    Child<QLineEdit>(form, "Edit_Param2_3")->setText("zz");
    EXPECT_THROW(form.Btn_AddClick(), station::InvalidInteger);
    EXPECT_EQ(form.Steps().size(), 2u);
    form.Btn_ClearClick();
    EXPECT_EQ(steps->count(), 0);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Enter Special mode"});
}

}  // namespace
}  // namespace qx::test
