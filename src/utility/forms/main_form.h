// Sondrel's main window: the drive list, the nine pages and the hot keys. It
// only shows and wires; MainFormLogic decides what is read and shown.
#pragma once

#include <QItemSelection>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <string_view>
#include <memory>

#include "utility/hot_keys.h"
#include "utility/main_form_logic.h"
#include "utility/utility_view.h"
#include "utility/view_controls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QPushButton;
class QShortcut;
class QTabWidget;
class QTreeWidget;

namespace qx::utility {

class DebugPageButtons;
class PageButtons;
class TSplashForm;

class TMainForm final : public QWidget, public UtilityView {
    Q_OBJECT
public:
    TMainForm(UtilityEnvironment env, ui::Prompter& prompter, PageSet& pages, TSplashForm* splash,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    MainFormLogic& Logic() { return *logic_; }
    // Whether the window is in front, asked by the hot-key timer; tests replace it.
    void SetWindowInFront(std::function<bool()> inFront) { inFront_ = std::move(inFront); }
    void AutoTimerTimer();
    void HotKeyPressed(HotKey key);
    const HotKeyGate& HotKeys() const { return hotKeys_; }
    // Selects a row of ListView1 as a click would (the selection handlers run).
    void SelectRow(int row);

    // UtilityView.
    void ClearFields() override;
    std::string Text(EditId edit) const override;
    void SetText(EditId edit, const std::string& text) override;
    std::vector<std::string> Lines(MemoId memo) const override;
    void SetLines(MemoId memo, const std::vector<std::string>& lines) override;
    std::string Cell(GridId grid, int row, int column) const override;
    void SetCell(GridId grid, int row, int column, const std::string& text) override;
    void SetCaption(CaptionId control, const std::string& text) override;
    void SetEnabled(SwitchId control, bool enabled) override;
    void SetVisible(SwitchId control, bool visible) override;
    bool Checked(CheckId control) const override;
    void SetPageVisible(int page, bool visible) override;
    bool PageVisible(int page) const override;
    void SetActivePage(int page) override;
    int ActivePage() const override;
    void ShowDeviceList(const DeviceListModel& list) override;
    void ShowSplash() override;
    void CloseSplash() override;
    void CloseMainWindow() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPages();
    void BuildHiddenPages();
    void BuildLogPage();
    void Wire(QPushButton* button, std::function<void()> handler);
    void WireShortcuts();
    void ListSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    // Binds every control id (and every hot key's button) to its widget,
    // once; throws when the window lacks one.
    void BindControls();

    QTreeWidget* listView_ = nullptr;
    QComboBox* deviceList_ = nullptr;
    QTabWidget* pages_ = nullptr;
    TSplashForm* splash_ = nullptr;
    std::vector<std::pair<HotKey, QShortcut*>> shortcuts_;
    QTimer autoTimer_;
    HotKeyGate hotKeys_;
    std::function<bool()> inFront_;
    // The controls the logic names, by id.
    std::array<QLineEdit*, kIdCount<EditId>> edits_{};
    std::array<QPlainTextEdit*, kIdCount<MemoId>> memos_{};
    std::array<QTableWidget*, kIdCount<GridId>> grids_{};
    std::array<QLabel*, kIdCount<CaptionId>> captions_{};
    std::array<QWidget*, kIdCount<SwitchId>> switches_{};
    std::array<QCheckBox*, kIdCount<CheckId>> checks_{};
    std::map<std::string_view, QPushButton*> hotKeyButtons_;
    std::unique_ptr<MainFormLogic> logic_;
    std::unique_ptr<PageButtons> buttons_;
    std::unique_ptr<DebugPageButtons> debugButtons_;
};

}  // namespace qx::utility
