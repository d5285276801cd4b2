#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QShortcut>
#include <QToolButton>

#include "qxlib/base/switches.h"
#include "qxlib/settings/settings_switches.h"
#include "station/forms/engineering/access_handlers.h"
#include "station/forms/engineering/file_handlers.h"
#include "station_forms/settings/settings_area_fixture.h"

namespace qx::test {
namespace {

class AccessHandlersTest : public SettingsAreaTest {
protected:
    void SetUp() override {
        SettingsAreaTest::SetUp();
        savedDump_ = DumpDebugFile;
        savedGod_ = EnGodMode.load();
        button_.setCheckable(true);
    }
    void TearDown() override {
        DumpDebugFile = savedDump_;
        EnGodMode = savedGod_;
        SettingsAreaTest::TearDown();
    }
    bool PagesEnabled() {
        auto* pages = C<QTabWidget>("PageControl1");
        bool all = true;
        for (int i = 0; i < pages->count(); ++i) all = all && pages->widget(i)->isEnabled();
        return all;
    }
    bool RdShown() {
        auto* pages = C<QTabWidget>("PageControl1");
        for (int i = 0; i < pages->count(); ++i)
            if (pages->widget(i)->objectName() == "TabSheet5") return pages->isTabVisible(i);
        return false;
    }
    QToolButton button_;
    bool savedDump_ = false;
    std::uint8_t savedGod_ = 0;
};

TEST_F(AccessHandlersTest, LockAndUnlockThroughTheButton) {
    Load("[Setting]\nMPVersion=1\n");
    station::SpeedButton8Click(*area_, prompter_, station::LockCaller::Window, &button_);
    EXPECT_FALSE(PagesEnabled());
    EXPECT_FALSE(C<QPushButton>("INISaveBtn")->isEnabled());
    EXPECT_TRUE(button_.isChecked());
    prompter_.Answer(std::optional<std::string>("wrong"));
    station::SpeedButton8Click(*area_, prompter_, station::LockCaller::Button, &button_);
    EXPECT_FALSE(PagesEnabled());
    EXPECT_TRUE(button_.isChecked());
    prompter_.Answer(std::optional<std::string>("velpask"));
    station::SpeedButton8Click(*area_, prompter_, station::LockCaller::Button, &button_);
    EXPECT_TRUE(PagesEnabled());
    EXPECT_TRUE(C<QPushButton>("INISaveBtn")->isEnabled());
    EXPECT_FALSE(button_.isChecked());
    // Unlocked, the button locks at once without asking.
    station::SpeedButton8Click(*area_, prompter_, station::LockCaller::Button, &button_);
    EXPECT_FALSE(PagesEnabled());
    EXPECT_TRUE(button_.isChecked());
    EXPECT_EQ(prompter_.Records().size(), 2u);
}

TEST_F(AccessHandlersTest, SpecialModeOpensItsControlsOnlyWithCtrl) {
    Load("");
    station::SpecialTipShapeMouseDown(*area_, prompter_, Qt::NoModifier);
    EXPECT_TRUE(prompter_.Records().empty());
    EXPECT_FALSE(C<QWidget>("Panel4")->isEnabled());
    prompter_.Answer(ui::BoxAnswer::Ok);
    prompter_.Answer(ui::BoxAnswer::Cancel);
    station::SpecialTipShapeMouseDown(*area_, prompter_, Qt::ControlModifier);
    for (const char* name : {"Panel4", "Panel5", "Panel8"}) EXPECT_TRUE(C<QWidget>(name)->isEnabled()) << name;
    EXPECT_FALSE(C<QWidget>("DecodeNameBn")->isHidden());
    EXPECT_TRUE(RdShown());
    EXPECT_TRUE(state_.SpecialMode);
    EXPECT_FALSE(state_.UseDefaultFirmwareName);
    EXPECT_TRUE(DumpDebugFile);
    const auto texts = prompter_.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Enter Special mode");
    SaveGrab(*area_, "engineering_special_mode");
}

TEST_F(AccessHandlersTest, SpecialModeLeavesLockedPagesLocked) {
    Load("[Setting]\nMPVersion=1\n");
    station::SpeedButton8Click(*area_, prompter_, station::LockCaller::Window, &button_);
    station::SpecialTipShapeMouseDown(*area_, prompter_, Qt::ControlModifier);
    EXPECT_FALSE(PagesEnabled());
    EXPECT_FALSE(C<QPushButton>("INISaveBtn")->isEnabled());
}

TEST_F(AccessHandlersTest, HiddenModeMarksGodModeOnce) {
    Load("");
    for (int key : {4096, 4097}) station::WMHotKey(*area_, prompter_, key);
    EXPECT_TRUE(prompter_.Records().empty());
    station::WMHotKey(*area_, prompter_, 4098);
    EXPECT_EQ(C<QLabel>("ProdModalPanel")->text().toStdString(), "God Mode");
    EXPECT_EQ(EnGodMode.load(), 1);
    EXPECT_TRUE(state_.SpecialMode);
    const std::size_t asked = prompter_.Records().size();
    station::WMHotKey(*area_, prompter_, 4096);
    EXPECT_EQ(prompter_.Records().size(), asked);
}

TEST_F(AccessHandlersTest, Label27TogglesTheTimingGroupWithCtrlOnly) {
    auto* group = C<QWidget>("DramGroupBox");
    EXPECT_TRUE(group->isHidden());
    station::Label27Click(*area_, Qt::NoModifier);
    EXPECT_TRUE(group->isHidden());
    station::Label27Click(*area_, Qt::ControlModifier);
    EXPECT_FALSE(group->isHidden());
    station::Label27Click(*area_, Qt::ControlModifier);
    EXPECT_TRUE(group->isHidden());
}

TEST_F(AccessHandlersTest, HiddenAutoDetectNeedsThePassword) {
    int runs = 0;
    prompter_.Answer(std::optional<std::string>("nope"));
    station::SpeedButton6Click(prompter_, [&] { ++runs; });
    prompter_.Answer(std::optional<std::string>("velpask"));
    station::SpeedButton6Click(prompter_, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(prompter_.Texts().at(1), "Password Fail!");
}

TEST_F(AccessHandlersTest, RunModeRadiosGateRebuildClose) {
    station::TableFileFolders folders;
    station::WireFileControls(*area_, prompter_, folders);
    auto* close = C<QCheckBox>("RebuildCloseChk");
    EXPECT_FALSE(close->isEnabled());
    C<QRadioButton>("ClaimNewChk")->click();
    EXPECT_TRUE(close->isEnabled());
    close->setChecked(true);
    C<QRadioButton>("GetLaterTabChk")->click();
    EXPECT_FALSE(close->isEnabled());
    EXPECT_TRUE(close->isChecked());
}

TEST_F(AccessHandlersTest, TableButtonSetsEditAndSetting) {
    station::TableFileFolders folders;
    station::WireFileControls(*area_, prompter_, folders);
    C<QPushButton>("GetDefTabBtn")->click();   // cancelled
    EXPECT_TRUE(Edit("TableInEdit").isEmpty());
    prompter_.Answer(std::optional<std::string>("/tmp/tables/def.txt"));
    C<QPushButton>("GetDefTabBtn")->click();
    EXPECT_EQ(Edit("TableInEdit").toStdString(), "/tmp/tables/def.txt");
    EXPECT_STREQ(settings_.TableIn, "/tmp/tables/def.txt");
    EXPECT_EQ(prompter_.Records()[0].file.folder, state_.ProgramFolder);
}

TEST_F(AccessHandlersTest, KeyFileButtonWritesBesideTheProgram) {
    station::TableFileFolders folders;
    station::WireFileControls(*area_, prompter_, folders);
    C<QLineEdit>("LeEncryption")->setText("ABC");
    C<QPushButton>("BnKeyFile")->click();
    EXPECT_EQ(std::filesystem::file_size(dir_.file("KeyFile.dat")), 128u);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Generate the key file (" + state_.ProgramFolder +
                                                          "KeyFile.dat) successfully"});
}

TEST(HiddenModeHotKeys, ThreeCtrlLettersCarryTheirIdentifiers) {
    QWidget window;
    std::vector<int> ids;
    station::RegisterHiddenModeHotKeys(window, [&](int id) { ids.push_back(id); });
    const std::vector<std::pair<int, QKeySequence>> expected = {{4096, QKeySequence(Qt::CTRL | Qt::Key_G)},
                                                                {4097, QKeySequence(Qt::CTRL | Qt::Key_J)},
                                                                {4098, QKeySequence(Qt::CTRL | Qt::Key_K)}};
    for (const auto& [id, keys] : expected) {
        auto* shortcut = window.findChild<QShortcut*>(QString("HotKey%1").arg(id));
        ASSERT_NE(shortcut, nullptr) << id;
        EXPECT_EQ(shortcut->key(), keys);
        EXPECT_EQ(shortcut->context(), Qt::ApplicationShortcut);
        emit shortcut->activated();
    }
    EXPECT_EQ(ids, (std::vector<int>{4096, 4097, 4098}));
}

}  // namespace
}  // namespace qx::test
