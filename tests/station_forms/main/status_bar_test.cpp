// The station window's status bar: each panel keeps its width and grows to
// show its whole text, so a firmware version is never cut to another one.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QStatusBar>

#include "station/forms/settings/settings_area.h"
#include "station_forms/form_test_support.h"
#include "station_forms/main/main_form_fixture.h"

namespace qx::test {
namespace {

using station::StartOutcome;

TEST_F(MainFormTest, StatusPanelsShowTheirWholeTexts) {
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    auto* area = form_->findChild<station::SettingsArea*>();
    ASSERT_NE(area, nullptr);
    struct Case {
        int panel;
        int width;   // at least, whatever the text
        const char* text;
    };
    const Case cases[] = {
        {0, 300, "Flash: KT128A(0x1234), Channel: 4, Bank: 2"},
        {1, 260, "SYS_SIAA.bin (QXSSD849) / SYS_UIAA.bin (3A0151)"},
        {2, 230, "GDP.bin(1.00.000), SYS(1.03.001) QXSD"},
    };
    form_->show();
    for (const Case& c : cases) emit area->statusTextChanged(c.panel, c.text);
    QApplication::processEvents();
    form_->findChild<QStatusBar*>("StatusBar1")->layout()->activate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto* label = Child<QLabel>(*form_, ("StatusPanel" + std::to_string(c.panel)).c_str());
        EXPECT_EQ(label->text().toStdString(), c.text);
        EXPECT_GE(label->width(), c.width);
        EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()));
    }
    // A short text leaves the panel its own width.
    emit area->statusTextChanged(2, "x");
    form_->findChild<QStatusBar*>("StatusBar1")->layout()->activate();
    EXPECT_GE(Child<QLabel>(*form_, "StatusPanel2")->width(), 230);
    EXPECT_GE(Child<QLabel>(*form_, "StatusPanel3")->width(), 50);
    SaveGrab(*form_, "MainForm_StatusBar");
}

}  // namespace
}  // namespace qx::test
