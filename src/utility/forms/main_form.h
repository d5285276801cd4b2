// Sondrel's main window: the drive list, the nine pages and the hot keys. It
// only shows and wires; MainFormLogic decides what is read and shown.
#pragma once

#include <QItemSelection>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "utility/hot_keys.h"
#include "utility/main_form_logic.h"
#include "utility/utility_view.h"

class QComboBox;
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
    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, const std::string& text) override;
    std::vector<std::string> Lines(std::string_view memo) const override;
    void SetLines(std::string_view memo, const std::vector<std::string>& lines) override;
    std::string Cell(std::string_view grid, int row, int column) const override;
    void SetCell(std::string_view grid, int row, int column, const std::string& text) override;
    void SetCaption(std::string_view control, const std::string& text) override;
    void SetEnabled(std::string_view control, bool enabled) override;
    void SetVisible(std::string_view control, bool visible) override;
    bool Checked(std::string_view control) const override;
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

    QTreeWidget* listView_ = nullptr;
    QComboBox* deviceList_ = nullptr;
    QTabWidget* pages_ = nullptr;
    TSplashForm* splash_ = nullptr;
    std::vector<std::pair<HotKey, QShortcut*>> shortcuts_;
    QTimer autoTimer_;
    HotKeyGate hotKeys_;
    std::function<bool()> inFront_;
    std::unique_ptr<MainFormLogic> logic_;
    std::unique_ptr<PageButtons> buttons_;
    std::unique_ptr<DebugPageButtons> debugButtons_;
};

}  // namespace qx::utility
