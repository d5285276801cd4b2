// The start-up dialogs offscreen: what each ShowTitle shows, the serial text
// they compose, the key filter and the edit limits, the modal results; the
// work-order dialog's labels, its "Input error" and its Enter.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "form_test_support.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/title_form.h"
#include "station/forms/workorder_form.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::TTitleForm;
using station::TWorkorderForm;

TEST(TitleFormTest, EachShowTitleShowsItsEdits) {
    const struct {
        int showTitle;
        bool whole, parts;
    } cases[] = {{1, true, false}, {2, false, true}, {0, false, false}, {3, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.showTitle);
        TTitleForm form(c.showTitle);
        form.show();
        EXPECT_EQ(form.windowTitle().toStdString(), "Serial Number Information");
        EXPECT_EQ(Child<QLineEdit>(form, "WOEdit")->isVisible(), c.whole);
        EXPECT_EQ(Child<QLineEdit>(form, "SNEdit")->isVisible(), c.whole);
        EXPECT_EQ(Text(Child<QLabel>(form, "WOEditLabel")), " W/O");
        EXPECT_EQ(Text(Child<QLabel>(form, "SNEditLabel")), " S/N");
        for (const char* n : {"Edit1", "Edit2", "Edit3"}) EXPECT_EQ(Child<QLineEdit>(form, n)->isVisible(), c.parts) << n;
        for (const char* n : {"Label1", "Label2"}) {
            EXPECT_EQ(Child<QLabel>(form, n)->isVisible(), c.parts) << n;
            EXPECT_EQ(Text(Child<QLabel>(form, n)), "-");
        }
        EXPECT_EQ(Child<QCheckBox>(form, "SNChkBx")->text().toStdString(), "Auto Increase");
        EXPECT_EQ(Child<QPushButton>(form, "OKBtn")->text().toStdString(), "OK");
        EXPECT_EQ(Child<QPushButton>(form, "CancelBtn")->text().toStdString(), "Cancel");
        EXPECT_EQ(form.Result().serialText, "");
        EXPECT_FALSE(form.Result().autoIncrease);
        SaveGrab(form, "TitleForm_ShowTitle" + std::to_string(c.showTitle));
    }
}

TEST(TitleFormTest, PartsAreJoinedWithDashesOnlyBetweenFilledNeighbours) {
    TTitleForm form(2);
    QTest::keyClicks(Child<QLineEdit>(form, "Edit1"), "ab-3");   // small letters become capitals, "-" is dropped
    EXPECT_EQ(Text(Child<QLineEdit>(form, "Edit1")), "AB3");
    QTest::keyClicks(Child<QLineEdit>(form, "Edit3"), "X9");
    WhenModal([&] {
        Child<QCheckBox>(form, "SNChkBx")->setChecked(true);
        QTest::mouseClick(Child<QPushButton>(form, "OKBtn"), Qt::LeftButton);
    });
    EXPECT_EQ(form.exec(), 1);
    EXPECT_EQ(form.Result().serialText, "AB3X9");
    EXPECT_TRUE(form.Result().autoIncrease);
}

TEST(TitleFormTest, APastedTextIsCutToItsEditsLimit) {
    TTitleForm form(2);
    Child<QLineEdit>(form, "Edit2")->insert("ABCDEFGHIJ");   // a paste bypasses the key filter
    EXPECT_EQ(Text(Child<QLineEdit>(form, "Edit2")), "ABCD");
    Child<QLineEdit>(form, "Edit1")->insert("ABCDEFGHIJ");
    EXPECT_EQ(Text(Child<QLineEdit>(form, "Edit1")), "ABCDEFG");
}

TEST(TitleFormTest, WholeSerialAndTheModalResults) {
    TTitleForm form(1);
    QTest::keyClicks(Child<QLineEdit>(form, "WOEdit"), "wo12");
    QTest::keyClicks(Child<QLineEdit>(form, "SNEdit"), "-sn");
    WhenModal([&] { QTest::mouseClick(Child<QPushButton>(form, "OKBtn"), Qt::LeftButton); });
    EXPECT_EQ(form.exec(), 1);
    EXPECT_EQ(form.Result().serialText, "wo12-sn");   // no key filter on these edits

    TTitleForm cancelled(1);
    QTest::keyClicks(Child<QLineEdit>(cancelled, "WOEdit"), "X");
    WhenModal([&] { QTest::mouseClick(Child<QPushButton>(cancelled, "CancelBtn"), Qt::LeftButton); });
    EXPECT_EQ(cancelled.exec(), 2);
    EXPECT_EQ(cancelled.Result().serialText, "");

    TTitleForm closed(1);
    WhenModal([&] { closed.close(); });
    EXPECT_EQ(closed.exec(), 2);
}

TEST(TitleFormTest, AnOkSerialReachesTheSettingsCutToWhatTheyHold) {
    auto settings = std::make_unique<GlobalParameter>();
    CopyFixedText(settings->SerialNum, "OLD");
    station::TitleResult r{station::kDialogCancel, "IGNORED", true};
    EXPECT_FALSE(station::ApplyTitleResult(r, *settings));
    EXPECT_EQ(FixedTextView(settings->SerialNum), "OLD");
    r = {station::kDialogOk, std::string(30, '7'), true};
    EXPECT_TRUE(station::ApplyTitleResult(r, *settings));
    EXPECT_EQ(FixedTextView(settings->SerialNum), std::string(21, '7'));
    EXPECT_EQ(settings->SNAutoInc, 1);
    r = {station::kDialogOk, "", false};
    EXPECT_TRUE(station::ApplyTitleResult(r, *settings));
    EXPECT_EQ(FixedTextView(settings->SerialNum), std::string(21, '7'));   // an empty text changes nothing
    EXPECT_EQ(settings->SNAutoInc, 0);
}

TEST(TitleSerialRulesTest, KeyFilterAndComposition) {
    EXPECT_EQ(station::AlphaNumKey('a'), 'A');
    EXPECT_EQ(station::AlphaNumKey('Z'), 'Z');
    EXPECT_EQ(station::AlphaNumKey('5'), '5');
    EXPECT_EQ(station::AlphaNumKey('\r'), '\r');
    EXPECT_EQ(station::AlphaNumKey('\b'), '\b');
    for (char c : {' ', '-', '_', '~', '@'}) EXPECT_FALSE(station::AlphaNumKey(c).has_value()) << c;
    EXPECT_EQ(station::TitleSerialText(2, {"", "", "A", "B", "C"}), "A-B-C");
    EXPECT_EQ(station::TitleSerialText(2, {"", "", "", "B", "C"}), "B-C");
    EXPECT_EQ(station::TitleSerialText(2, {"", "", "A", "", "C"}), "AC");
    EXPECT_EQ(station::TitleSerialText(1, {"W", "S", "A", "B", "C"}), "WS");
    EXPECT_EQ(station::TitleSerialText(5, {"W", "S", "A", "B", "C"}), "");
}

class WorkorderFormTest : public ::testing::Test {
protected:
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(form_, name); }
    ui::ScriptedPrompter prompter_;
    TWorkorderForm form_{prompter_};
};

TEST_F(WorkorderFormTest, LabelsAndTheWeekCodeAreSetWhenCreated) {
    form_.show();
    EXPECT_EQ(form_.windowTitle().toStdString(), "Workorder");
    EXPECT_EQ(Text(Child<QLabel>(form_, "WorkIDLEditLabel")), "Work Order");
    EXPECT_EQ(Text(Child<QLabel>(form_, "KeyNumberLEditLabel")), "Part No");
    EXPECT_EQ(Text(Child<QLabel>(form_, "WeekCodeEditLabel")), "WeekCode");
    EXPECT_TRUE(Edit("WeekCodeEdit")->isVisible());
    EXPECT_EQ(Child<QPushButton>(form_, "StartBn")->text().toStdString(), "Start");
    SaveGrab(form_, "WorkorderForm");
}

TEST_F(WorkorderFormTest, AnEmptyTextSaysInputErrorAndKeepsTheDialogOpen) {
    WhenModal([this] {
        form_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form_));
        Edit("WorkIDLEdit")->setFocus();
        QTest::keyClicks(Edit("WorkIDLEdit"), "WO-1");
        QTest::keyClick(Edit("WorkIDLEdit"), Qt::Key_Return);
        EXPECT_EQ(form_.focusWidget(), Edit("KeyNumberLEdit"));
        QTest::keyClicks(Edit("KeyNumberLEdit"), "PN-2");
        QTest::keyClick(Edit("KeyNumberLEdit"), Qt::Key_Return);
        EXPECT_EQ(form_.focusWidget(), Edit("WeekCodeEdit"));
        QTest::mouseClick(Child<QPushButton>(form_, "StartBn"), Qt::LeftButton);
        EXPECT_TRUE(form_.isVisible());
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Input error"});
        QTest::keyClicks(Edit("WeekCodeEdit"), "2615");
        QTest::mouseClick(Child<QPushButton>(form_, "StartBn"), Qt::LeftButton);
    });
    EXPECT_EQ(form_.exec(), 1);
    EXPECT_EQ(form_.Texts().number, "WO-1");
    EXPECT_EQ(form_.Texts().partNumber, "PN-2");
    EXPECT_EQ(form_.Texts().weekCode, "2615");
}

TEST_F(WorkorderFormTest, ClosingThroughTheTitleBarLeavesTheTextsEmpty) {
    WhenModal([this] {
        QTest::keyClicks(Edit("WorkIDLEdit"), "WO-1");
        form_.close();
    });
    EXPECT_EQ(form_.exec(), 2);
    EXPECT_FALSE(station::WorkOrderComplete(form_.Texts()));
    EXPECT_EQ(form_.Texts().number, "");
}

}  // namespace
}  // namespace qx::test
