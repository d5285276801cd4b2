// Sondrel's windows offscreen: their controls, the drive list and refresh
// through the widgets, the hot keys, the special-mode shape and the dialogs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <set>
#include <span>

#include "ui/latin1_text.h"
#include "utility/forms/dvc_chk_form.h"
#include "utility/forms/form_fixture.h"
#include "utility/forms/main_form.h"
#include "utility/forms/qt_app.h"
#include "utility/forms/splash_form.h"
#include "utility/page_index.h"
#include "utility/support/utility_rack_fixture.h"
#include "utility/view_controls.h"

namespace qx::test {
namespace {

using utility::TMainForm;

class MainFormTest : public UtilityFormFixture {
protected:
    TMainForm& Form() { return NewForm(pages_); }
    template <typename T>
    T* Child(const char* name) {
        T* w = form_->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Grab(const char* file) {
        form_->grab().save(QString(QX_BIN_DIR) + "/../" + file);
    }

};

TEST_F(MainFormTest, PagesAndControlsAsTheHandlersKnowThem) {
    TMainForm& form = Form();
    EXPECT_EQ(form.windowTitle(), "Quorlix 843/844/840/847/849/849K/818/819 Utility A.1.51");
    EXPECT_EQ(form.size(), QSize(1194, 723));
    auto* pages = Child<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), utility::kPageCount);
    const char* captions[] = {"SSD Info", "Erase Count", "Bad Block Info", "S.M.A.R.T info", "Device Info",
                              "Random read/write", "Debug Tool", "Uart Log of F/W", "Diagnose SSD"};
    const bool visible[] = {true, true, true, true, true, false, false, false, false};
    for (int i = 0; i < utility::kPageCount; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_EQ(pages->widget(i)->objectName(), "TabSheet" + QString::number(i + 1));
        EXPECT_EQ(pages->isTabVisible(i), visible[i]) << i;
    }
    for (const char* name : {"FlashmodelEdit", "BankMapEdit", "FwEdit", "CeEdit", "AeraseEdit", "VendorNameEdit",
                             "SNUSBEdit", "TotalLBAEdit", "WWNEdit", "DbgChLEdit"})
        Child<QLineEdit>(name);
    for (const char* name : {"SSDInfoMemo", "DpdFTLMemo", "EraseMemo", "BadBlockMemo", "DetalBadInfoMemo", "SMARTMemo",
                             "UartLogMemo", "DbgErrLogMemo", "DiagMemo"})
        Child<QPlainTextEdit>(name);
    EXPECT_FALSE(Child<QPushButton>("SaveSmartInfoBn")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("ResetSmartInfoBn")->isVisibleTo(&form));
    EXPECT_FALSE(Child<QComboBox>("DeviceList")->isVisibleTo(&form));
    auto* list = Child<QTreeWidget>("ListView1");
    const char* columns[] = {"Disk", "Model", "Serial No.", "FW Rev.", "Capacity(GB)", "Interface"};
    const int widths[] = {43, 270, 160, 90, 105, 100};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list->headerItem()->text(i), columns[i]);
        EXPECT_EQ(list->columnWidth(i), widths[i]);
    }
    EXPECT_EQ(Child<QLineEdit>("DbgPageLEdit")->text(), "1");
    // The SSD Setting edits carry the line ends the dump relies on, and 8-bit text unchanged.
    form.SetText(utility::EditId::FlashmodelEdit, "Flash \xB5\r\n");
    EXPECT_EQ(form.Text(utility::EditId::FlashmodelEdit), "Flash \xB5\r\n");
}

TEST_F(MainFormTest, ShowingScansAndSelectingARowReadsTheDrive) {
    Add(IdePath(0), Produced("IDE0"));
    Add(UsbPath(1), NativeUsb("USB1"));
    TMainForm& form = Form();
    form.show();
    auto* list = Child<QTreeWidget>("ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "QX SSD IDE0");
    EXPECT_EQ(Child<QComboBox>("DeviceList")->currentText(), "<< IDE / SATA >>  QX SSD IDE0 IDE0");

    form.SelectRow(1);
    EXPECT_EQ(form.Logic().CurrentDevice(), 1);
    EXPECT_EQ(Child<QLineEdit>("SNUSBEdit")->text(), "<SNUSBEdit>");
    EXPECT_EQ(Child<QPlainTextEdit>("DpdFTLMemo")->toPlainText().count('\n'), 8);
    Grab("sondrel_main_form.png");

    form.SelectRow(0);
    EXPECT_EQ(Child<QLineEdit>("SNUSBEdit")->text(), "");
    EXPECT_EQ(Child<QLineEdit>("ModelNameEdit")->text(), "SATA model");
    list->clearSelection();
    EXPECT_EQ(Child<QLineEdit>("ModelNameEdit")->text(), "");
    EXPECT_TRUE(Child<QPlainTextEdit>("DpdFTLMemo")->toPlainText().isEmpty());
}

TEST_F(MainFormTest, ClearingEmptiesEditsMemosAndTheFirstFiftyGridRows) {
    TMainForm& form = Form();
    auto* grid = Child<QTableWidget>("StringGrid1");
    grid->setItem(0, 0, new QTableWidgetItem("ID"));
    // The SMART grid's 30 rows lie all within the fifty a refresh empties.
    ASSERT_EQ(grid->rowCount(), 30);
    ASSERT_EQ(grid->columnCount(), 7);
    grid->setItem(29, 6, new QTableWidgetItem("x"));
    Child<QPlainTextEdit>("DebugMemo2")->setPlainText("console");
    form.ClearFields();
    EXPECT_EQ(grid->item(0, 0)->text(), "");
    EXPECT_EQ(grid->item(29, 6)->text(), "");
    EXPECT_EQ(Child<QLineEdit>("DbgChLEdit")->text(), "");   // the design-time "8" is gone too
    EXPECT_EQ(Child<QPlainTextEdit>("DebugMemo2")->toPlainText(), "");
    // The ids name every edit and memo the window has, and nothing else.
    std::set<QString> listed;
    for (utility::EditId id : utility::AllIds<utility::EditId>()) listed.insert(ui::Q(std::string(utility::NameOf(id))));
    std::set<QString> edits;
    for (auto* e : form.findChildren<QLineEdit*>())
        if (!e->objectName().isEmpty()) edits.insert(e->objectName());
    EXPECT_EQ(edits, listed);
    std::set<QString> memos;
    for (auto* m : form.findChildren<QPlainTextEdit*>()) memos.insert(m->objectName());
    EXPECT_EQ(memos.size(), utility::kIdCount<utility::MemoId>);
}

TEST_F(MainFormTest, HotKeysPressTheActivePagesButtonWhileTheWindowIsInFront) {
    TMainForm& form = Form();
    bool inFront = true;
    form.SetWindowInFront([&] { return inFront; });
    form.SetActivePage(utility::kPageSsdInfo);
    form.HotKeyPressed(utility::HotKey::CtrlS);
    ASSERT_EQ(prompter_.Records().size(), 1u);
    EXPECT_EQ(prompter_.Records()[0].file.fileName, "DPDFTL");

    form.SetActivePage(utility::kPageSmartInfo);   // no SMART report yet: its save button is disabled
    form.HotKeyPressed(utility::HotKey::CtrlS);
    form.SetActivePage(utility::kPageSsdInfo);
    form.HotKeyPressed(utility::HotKey::CtrlG);
    EXPECT_EQ(prompter_.Records().size(), 1u);

    inFront = false;
    form.AutoTimerTimer();
    EXPECT_FALSE(form.HotKeys().Registered());
    form.HotKeyPressed(utility::HotKey::CtrlS);
    EXPECT_EQ(prompter_.Records().size(), 1u);
    inFront = true;
    form.AutoTimerTimer();
    form.HotKeyPressed(utility::HotKey::CtrlS);
    EXPECT_EQ(prompter_.Records().size(), 2u);
}

TEST_F(MainFormTest, CtrlClickOnTheHiddenShapeEntersSpecialMode) {
    TempDir work(true);
    TMainForm& form = Form();
    QWidget* shape = Child<QWidget>("SpecialTipShape");
    EXPECT_EQ(shape->size(), QSize(23, 22));
    const auto press = [&](Qt::KeyboardModifiers modifiers) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), shape->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                      Qt::RightButton, modifiers);
        QApplication::sendEvent(shape, &e);
    };
    press(Qt::NoModifier);
    EXPECT_TRUE(prompter_.Texts().empty());
    press(Qt::ControlModifier);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Enter Special mode"});
    EXPECT_TRUE(form.PageVisible(utility::kPageUartLog));
    EXPECT_TRUE(form.Logic().SpecialMode());
}

TEST(SmallForms, SplashAndDeviceCheck) {
    FormsApp();
    utility::TSplashForm splash;
    EXPECT_EQ(splash.windowTitle(), "Waiting............");
    EXPECT_EQ(splash.size(), QSize(250, 59));

    utility::TDvcChkForm check;
    EXPECT_EQ(check.windowTitle(), "Device Integrity & Security Check");
    auto* serial = check.findChild<QLineEdit*>("SerialNoEdit");
    auto* model = check.findChild<QLineEdit*>("ModelNoEdit");
    ASSERT_TRUE(serial && model);
    serial->setText("old");
    check.SerialNo = "old";
    check.show();
    EXPECT_EQ(check.SerialNo, "");
    EXPECT_EQ(serial->text(), "");
    EXPECT_EQ(serial->pos(), QPoint(104, 43));
    EXPECT_FALSE(model->isVisible());
    serial->setText("SN123");
    check.grab().save(QString(QX_BIN_DIR) + "/../sondrel_dvc_chk_form.png");
    check.DvcChkOkBtnClick();
    EXPECT_EQ(check.SerialNo, "SN123");
    EXPECT_FALSE(check.isVisible());
}

}  // namespace
}  // namespace qx::test
