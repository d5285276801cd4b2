#include "station/forms/engineering/access_handlers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {

namespace {

constexpr const char* kSpecialChecks[] = {"SMARTChk",  "SecurityChk", "SlumberChk",       "InterleaveChk", "ScrambleChk",
                                          "RemapChk",  "ParalMemChk", "SecurityEraseChk", "OneDramChk"};
constexpr const char* kRatioEdits[] = {"DefBlkRatioEdit",        "ResBlkRatioEdit",        "WearLevFreqEdit",
                                       "Bch16EccErrCpyThldEdit", "Bch24EccErrCpyThldEdit", "Bch40EccErrCpyThldEdit",
                                       "Bch16RdErrThldEdit",     "Bch24RdErrThldEdit",     "Bch40RdErrThldEdit"};

template <class T>
T* Named(const SettingsArea& area, const char* name) {
    return area.findChild<T*>(QString::fromLatin1(name));
}

QTabWidget* Pages(const SettingsArea& area) { return Named<QTabWidget>(area, "PageControl1"); }

void EnablePages(const SettingsArea& area) {
    QTabWidget* pages = Pages(area);
    for (int i = 0; i < pages->count(); ++i) pages->widget(i)->setEnabled(true);
}

void ShowRdPage(const SettingsArea& area) {
    QTabWidget* pages = Pages(area);
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->objectName() == "TabSheet5") pages->setTabVisible(i, true);
}

// Special mode's controls: the locked firmware options, the ratio edits in
// the normal window colour, the "RD" page and the firmware-name decoder.
void OpenSpecialControls(SettingsArea& area) {
    for (const char* name : {"Panel4", "Panel5", "Panel8"})
        if (auto* w = Named<QWidget>(area, name)) w->setEnabled(true);
    for (const char* name : kSpecialChecks)
        if (auto* w = Named<QCheckBox>(area, name)) w->setEnabled(true);
    for (const char* name : kRatioEdits)
        if (auto* w = Named<QLineEdit>(area, name)) w->setPalette(QApplication::palette(w));
    if (area.Stores().Settings.EnableGetPutTable) ShowRdPage(area);
    for (const char* name : {"DecodeNameBn", "DecodeNameEdit"})
        if (auto* w = Named<QWidget>(area, name)) w->show();
}

void EnterSpecialMode(SettingsArea& area, ui::Prompter& prompter) {
    EnterSpecialModeSettings(area.Stores().Window, area.Stores().Settings, prompter);
    OpenSpecialControls(area);
}

// Ctrl+mouse-down on the invisible squares.
class SquareFilter final : public QObject {
public:
    SquareFilter(SettingsArea& area, ui::Prompter& prompter, QObject* parent)
        : QObject(parent), area_(area), prompter_(prompter) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* press = static_cast<QMouseEvent*>(event);
            if (watched->objectName() == "Label27")
                Label27Click(area_, press->modifiers());
            else
                area_.Guarded([&] { SpecialTipShapeMouseDown(area_, prompter_, press->modifiers()); });
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    SettingsArea& area_;
    ui::Prompter& prompter_;
};

}  // namespace

void SpeedButton8Click(SettingsArea& area, ui::Prompter& prompter, LockCaller caller, QAbstractButton* speedButton8) {
    const LockOutcome outcome = SettingsLockClick(area.Stores().Window, caller, prompter);
    if (outcome == LockOutcome::EnablePagesOnly) {
        EnablePages(area);
        return;
    }
    if (outcome != LockOutcome::StaysLocked) area.ApplySettingsLock();
    if (speedButton8) speedButton8->setChecked(area.Stores().Window.SettingsUnlocked == 0);
}

void SpeedButton6Click(ui::Prompter& prompter, const std::function<void()>& flashAutoDetect) {
    if (HiddenAutoDetectAllowed(prompter) && flashAutoDetect) flashAutoDetect();
}

void SpecialTipShapeMouseDown(SettingsArea& area, ui::Prompter& prompter, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier)) return;
    EnterSpecialMode(area, prompter);
    area.BinFileChkClick();
}

void WMHotKey(SettingsArea& area, ui::Prompter& prompter, int hotKeyId) {
    if (!AdvanceHotKeyState(area.Stores().Window, hotKeyId)) return;
    if (auto* panel = Named<QLabel>(area, "ProdModalPanel")) {
        panel->setText("God Mode");
        panel->show();
    }
    EnterSpecialMode(area, prompter);
    EnGodMode = 1;
    area.BinFileChkClick();
}

void Label27Click(SettingsArea& area, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier)) return;
    if (auto* group = Named<QWidget>(area, "DramGroupBox")) group->setVisible(group->isHidden());
}

void RegisterHiddenModeHotKeys(QWidget& window, const std::function<void(int)>& onHotKey) {
    const std::pair<int, QKeySequence> keys[] = {{kHotKeyFirst, QKeySequence(Qt::CTRL | Qt::Key_G)},
                                                 {kHotKeySecond, QKeySequence(Qt::CTRL | Qt::Key_J)},
                                                 {kHotKeyThird, QKeySequence(Qt::CTRL | Qt::Key_K)}};
    for (const auto& [id, sequence] : keys) {
        auto* shortcut = new QShortcut(sequence, &window);
        shortcut->setObjectName(QString("HotKey%1").arg(id));
        shortcut->setContext(Qt::ApplicationShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &window, [onHotKey, id = id] { onHotKey(id); });
    }
}

void WireAccessControls(SettingsArea& area, ui::Prompter& prompter) {
    auto* filter = new SquareFilter(area, prompter, &area);
    for (const char* name : {"SpecialTipShape", "Shape1", "Label27"})
        if (auto* w = Named<QWidget>(area, name)) w->installEventFilter(filter);
}

}  // namespace qx::station
