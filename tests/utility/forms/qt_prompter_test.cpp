// The Qt prompter's file filters and the bar-code dialog, offscreen.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "ui/widgets/barcode_dialog.h"
#include "ui/widgets/qt_prompter.h"
#include "utility/forms/qt_app.h"

namespace qx::test {
namespace {

TEST(QtPrompter, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(ui::QtNameFilters("*.txt"), "*.txt");
    EXPECT_EQ(ui::QtNameFilters("Text files|*.txt"), "Text files (*.txt)");
    EXPECT_EQ(ui::QtNameFilters("Text files (*.txt)|*.txt|All|*.*"), "Text files (*.txt);;All (*.*)");
    EXPECT_EQ(ui::QtNameFilters("Images|*.bin;*.img"), "Images (*.bin *.img)");
}

TEST(BarcodeDialog, ShowsTheSecondEditOnlyWhenItHasALabel) {
    FormsApp();
    ui::BarcodeDialog one({"Serial", "SN", "", "A1", "ignored"});
    EXPECT_EQ(one.windowTitle(), "Serial");
    EXPECT_FALSE(one.findChild<QLineEdit*>("Edit2")->isVisibleTo(&one));
    EXPECT_EQ(one.Answer().text1, "A1");
    EXPECT_EQ(one.Answer().text2, "");
    ui::BarcodeDialog two({"Identity", "SN", "WWN", "A1", "B2"});
    two.findChild<QLineEdit*>("Edit2")->setText(QString::fromLatin1("\xB5"));
    EXPECT_TRUE(two.findChild<QLineEdit*>("Edit2")->isVisibleTo(&two));
    EXPECT_EQ(two.Answer().text2, "\xB5");
}

}  // namespace
}  // namespace qx::test
