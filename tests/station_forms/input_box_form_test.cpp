// The bar-code dialog offscreen: every kind in both modes, Enter, Cancel,
// kind 4 after kind 2, the length limits, and answers that reach the
// buffers and port records through the station's store.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "form_test_support.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/input_box_form.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/barcode_request.h"
#include "station/identity/barcode_store.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::BarcodeRequestFor;
using station::TInputBoxForm;

class InputBoxFormTest : public ::testing::Test {
protected:
    QLineEdit* Edit1() { return Child<QLineEdit>(form_, "LabeledEdit1"); }
    QLineEdit* Edit2() { return Child<QLineEdit>(form_, "LabeledEdit2"); }
    QLabel* Label1() { return Child<QLabel>(form_, "LabeledEdit1Label"); }
    QLabel* Label2() { return Child<QLabel>(form_, "LabeledEdit2Label"); }
    QPushButton* Ok() { return Child<QPushButton>(form_, "ButtonOK"); }
    QPushButton* Cancel() { return Child<QPushButton>(form_, "ButtonCancel"); }

    TInputBoxForm form_;
};

struct KindCase {
    int kind;
    bool shared;
    const char* caption;
    const char* label1;
    int max1;
    bool two;
};

TEST_F(InputBoxFormTest, EveryKindInBothModesShowsItsCaptionLabelsLimitsAndLayout) {
    const KindCase cases[] = {
        {1, false, "Please Input the SN(Port3)", "Serial Number", 39, false},
        {1, true, "Please Input the SN", "Serial Number", 39, false},
        {2, false, "Please Input the WWN or UID(Port3)", "WWN or UID", 17, false},
        {2, true, "Please Input the WWN or UID(Port3)", "WWN or UID", 17, false},
        {3, false, "Please Input the PPID(Port3)", "Customer P/N(PPID)", 23, false},
        {3, true, "Please Input the PPID", "Customer P/N(PPID)", 23, false},
        {4, false, "Please Input the SN and PPID(Port3)", "Serial Number", 39, true},
        {4, true, "Please Input the SN and PPID", "Serial Number", 39, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        form_.FormShow(BarcodeRequestFor(c.kind, 2, c.shared));
        form_.show();
        EXPECT_EQ(form_.windowTitle().toStdString(), c.caption);
        EXPECT_EQ(Text(Label1()), c.label1);
        EXPECT_EQ(Edit1()->maxLength(), c.max1);
        EXPECT_EQ(Edit2()->isVisible(), c.two);
        EXPECT_EQ(Label2()->isVisible(), c.two);
        EXPECT_EQ(Ok()->y(), c.two ? 140 : 80);
        EXPECT_EQ(Cancel()->y(), c.two ? 140 : 80);
        EXPECT_EQ(Ok()->x(), 70);
        EXPECT_EQ(Cancel()->x(), 175);
        EXPECT_EQ(form_.width(), 314);
        EXPECT_EQ(form_.height(), c.two ? 188 : 132);
        if (c.two) {
            EXPECT_EQ(Text(Label2()), "Customer P/N(PPID)");
            EXPECT_EQ(Edit2()->maxLength(), 23);
        }
        EXPECT_EQ(Label1()->font().pixelSize(), 15);
        EXPECT_EQ(Label1()->font().family().toStdString(), "Tahoma");
        SaveGrab(form_, "InputBoxForm_kind" + std::to_string(c.kind) + (c.shared ? "_shared" : "_port"));
        form_.hide();
    }
}

TEST_F(InputBoxFormTest, Kind4AfterKind2ShowsBothFieldsWithTheButtonsBelowTheSecond) {
    form_.FormShow(BarcodeRequestFor(2, 0, false));
    form_.FormShow(BarcodeRequestFor(4, 0, false));
    form_.show();
    EXPECT_TRUE(Edit2()->isVisible());
    EXPECT_GT(Ok()->y(), Edit2()->y() + Edit2()->height());
    EXPECT_EQ(form_.height(), 188);
}

TEST_F(InputBoxFormTest, EnterMovesToTheSecondFieldThenAccepts) {
    WhenModal([this] {
        QTest::keyClicks(Edit1(), "SN-1");
        QTest::keyClick(Edit1(), Qt::Key_Return);
        EXPECT_EQ(form_.focusWidget(), Edit2());
        EXPECT_TRUE(form_.isVisible());
        QTest::keyClicks(Edit2(), "PPID-1");
        QTest::keyClick(Edit2(), Qt::Key_Return);
    });
    const auto answer = form_.Ask(BarcodeRequestFor(4, 0, true));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text1, "SN-1");
    EXPECT_EQ(answer->text2, "PPID-1");
}

TEST_F(InputBoxFormTest, EnterInTheOnlyFieldAcceptsAndCancelGivesNothing) {
    WhenModal([this] {
        QTest::keyClicks(Edit1(), "WWN1");
        QTest::keyClick(Edit1(), Qt::Key_Enter);
    });
    auto answer = form_.Ask(BarcodeRequestFor(2, 0, false));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text1, "WWN1");
    EXPECT_EQ(answer->text2, "");

    // Each showing starts empty.
    WhenModal([this] {
        EXPECT_EQ(Text(Edit1()), "");
        QTest::keyClicks(Edit1(), "X");
        QTest::mouseClick(Cancel(), Qt::LeftButton);
    });
    EXPECT_FALSE(form_.Ask(BarcodeRequestFor(1, 0, false)).has_value());
}

TEST_F(InputBoxFormTest, FieldsTakeNoMoreThanTheirBuffersHold) {
    WhenModal([this] {
        QTest::keyClicks(Edit1(), QString(45, 'S'));
        QTest::keyClicks(Edit2(), QString(30, 'P'));
        QTest::mouseClick(Ok(), Qt::LeftButton);
    });
    const auto answer = form_.Ask(BarcodeRequestFor(4, 0, false));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text1, std::string(39, 'S'));
    EXPECT_EQ(answer->text2, std::string(23, 'P'));
    WhenModal([this] {
        QTest::keyClicks(Edit1(), QString(30, 'W'));
        QTest::mouseClick(Ok(), Qt::LeftButton);
    });
    EXPECT_EQ(form_.Ask(BarcodeRequestFor(2, 0, false))->text1, std::string(17, 'W'));
}

TEST_F(InputBoxFormTest, TheStationPrompterShowsThisFormAndTheStoreTakesItsAnswer) {
    ClearPortTable(ActivePortTable);
    auto settings = std::make_unique<GlobalParameter>();
    station::BarcodeState barcodes;
    ui::ScriptedPrompter boxes;
    station::BarcodeFormPrompter prompter(boxes, form_);
    const station::MesClient mes;
    station::BarcodeContext ctx{barcodes, *settings, prompter, mes};
    barcodes.InputBoxKind = station::kBarcodeSnPpid;
    barcodes.InputBoxPort = 6;
    WhenModal([this] {
        QTest::keyClicks(Edit1(), "SCANNED-7");
        QTest::keyClick(Edit1(), Qt::Key_Return);
        QTest::keyClicks(Edit2(), "PPID-7");
        QTest::keyClick(Edit2(), Qt::Key_Return);
    });
    station::ShowBarcodeDialog(ctx);
    EXPECT_STREQ(barcodes.PortBarcodeSN[6].data(), "SCANNED-7");
    EXPECT_STREQ(barcodes.PortBarcodePPID[6].data(), "PPID-7");
    EXPECT_EQ(PortText(ActivePortTable[6].SerialNumber), "SCANNED-7");
    EXPECT_EQ(PortText(ActivePortTable[6].Ppid), "PPID-7");
    prompter.Message("through");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"through"});
    ClearPortTable(ActivePortTable);
}

}  // namespace
}  // namespace qx::test
