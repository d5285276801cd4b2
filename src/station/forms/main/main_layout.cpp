// The station window's controls and the port panel grid.
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "qxlib/discovery/port_record.h"
#include "station/forms/main/main_form.h"
#include "station/forms/main/port_panel.h"
#include "station/forms/settings/settings_area.h"
#include "station/panels/panel_grid.h"
#include "station/panels/style_layout.h"
#include "station/run/run_start.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

QToolButton* ToolButton(QWidget* parent, const char* name, const QString& text, const QString& hint = {}) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    return b;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* LabeledEdit(QWidget* parent, QHBoxLayout* row, const char* name, const QString& label, int width) {
    row->addWidget(new QLabel(label, parent));
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFixedWidth(width);
    row->addWidget(e);
    return e;
}

}  // namespace

void TMainForm::BuildLayout() {
    ui::NoMaximiseButton(*this, true);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    area_ = new SettingsArea(SettingsStores{settings_, config_, parts_, windowState_}, prompter_, this);
    area_->ReportFailuresTo(core_.Failures());
    // 185 high as designed, or as high as the pages' controls need in the
    // desktop's font: a squashed page cannot be used.
    area_->setMinimumHeight(185);
    area_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    top->addWidget(area_);
    connect(area_, &SettingsArea::statusTextChanged, this, [this](int panel, const QString& text) {
        if (panel >= 0 && panel < 3) statusPanels_[static_cast<std::size_t>(panel)]->setText(text);
    });
    connect(area_, &SettingsArea::captionRenewRequested, this, [this] { ShowCaptionString(); });
    connect(area_, &SettingsArea::settingsLockRequested, this, [this] { ApplySettingsLock(LockCaller::Window); });

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName("StyleScrollBox");
    panelHost_ = new QWidget;
    panelHost_->setObjectName("BackGroundMemo");
    panelHost_->setAutoFillBackground(true);
    scrollBox_->setWidget(panelHost_);
    scrollBox_->setWidgetResizable(false);
    top->addWidget(scrollBox_, 1);
    top->addWidget(BuildToolBar());
    top->addWidget(BuildBottomPanel());

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("StatusBar1");
    statusBar_->setSizeGripEnabled(false);
    // Each panel at least its width, and wider when its text needs it: a
    // firmware version cut short would read as another one.
    const int widths[4] = {300, 260, 230, 50};
    for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i] = new QLabel(statusBar_);
        statusPanels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
        statusPanels_[i]->setMinimumWidth(widths[i]);
        statusBar_->addWidget(statusPanels_[i]);
    }
    top->addWidget(statusBar_);

    autoTestTimer_ = new QTimer(this);
    autoTestTimer_->setObjectName("AutoTestTimer");
    autoTestTimer_->setInterval(1000);
    connect(autoTestTimer_, &QTimer::timeout, this, [this] {
        if (core_.Engine()) {
            ApplyRunLabels();
            core_.Engine()->AutoTestTimerTimer();
        }
    });
}

QWidget* TMainForm::BuildToolBar() {
    auto* panel = new QWidget(this);
    panel->setObjectName("ToolBarPanel");
    panel->setFixedHeight(42);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 2);
    pinButton_ = ToolButton(panel, "PinSBtn", "Pin", "Pin");
    pinButton_->setCheckable(true);
    pinButton_->setChecked(true);
    row->addWidget(pinButton_);
    auto* reset = ToolButton(panel, "SpeedButton2", "Reset Layout", "Reset Layout");
    connect(reset, &QToolButton::clicked, this, [this] { ResetLayoutClick(); });
    row->addWidget(reset);
    lockButton_ = ToolButton(panel, "SpeedButton8", "Lock");
    lockButton_->setCheckable(true);
    connect(lockButton_, &QToolButton::clicked, this, [this] { ApplySettingsLock(LockCaller::Button); });
    row->addWidget(lockButton_);
    stopButton_ = ToolButton(panel, "SpeedButton9", "Stop");
    stopButton_->hide();
    connect(stopButton_, &QToolButton::clicked, this, [this] {
        if (core_.Engine()) core_.Engine()->StopClick();
    });
    row->addWidget(stopButton_);
    auto* rdt = ToolButton(panel, "SpeedButton7", "RDT");
    connect(rdt, &QToolButton::clicked, this, [this] {
        if (env_.hooks.openRdtTasks) env_.hooks.openRdtTasks();
    });
    row->addWidget(rdt);
    auto* pages = ToolButton(panel, "SpeedButton3", "Flash Pages");
    connect(pages, &QToolButton::clicked, this, [this] {
        if (env_.hooks.openFlashPages) env_.hooks.openFlashPages();
    });
    row->addWidget(pages);
    row->addStretch(1);
    return panel;
}

QWidget* TMainForm::BuildBottomPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("BottomPanel");
    panel->setFixedHeight(57);
    auto* row = new QHBoxLayout(panel);
    refreshBtn_ = Button(panel, "RefreshBtn", "Refresh");
    executeBtn_ = Button(panel, "ExecuteBtn", "START");
    executeBtn_->setEnabled(false);
    QFont big = executeBtn_->font();
    big.setBold(true);
    big.setPointSize(12);
    executeBtn_->setFont(big);
    safeRmBtn_ = Button(panel, "SafeRmBtn", "Safe Remove");
    safeRmBtn_->hide();
    closeBtn_ = Button(panel, "CloseBtn", "Close");
    connect(refreshBtn_, &QPushButton::clicked, this, [this] { RefreshBtnClick(); });
    connect(executeBtn_, &QPushButton::clicked, this, [this] { ExecuteBtnClick(); });
    connect(safeRmBtn_, &QPushButton::clicked, this, [this] { SafeRmBtnClick(); });
    connect(closeBtn_, &QPushButton::clicked, this, [this] { close(); });
    for (QPushButton* b : {refreshBtn_, executeBtn_, safeRmBtn_, closeBtn_}) row->addWidget(b);

    waitPanel_ = new QLabel("Waiting ...", panel);
    waitPanel_->setObjectName("WaitPanel");
    row->addWidget(waitPanel_);
    elapsed_ = LabeledEdit(panel, row, "ElapsedTime", "ElapsedTime", 90);
    yield_ = LabeledEdit(panel, row, "YieldEdit", "Pass/Total", 90);
    auto* resetYield = Button(panel, "ResetYieldBtn", "Reset");
    connect(resetYield, &QPushButton::clicked, this, [this] { ResetYieldBtnClick(); });
    row->addWidget(resetYield);

    batchPanel_ = new QWidget(panel);
    batchPanel_->setObjectName("PanelBatchMode");
    batchPanel_->setAutoFillBackground(true);
    auto* batchRow = new QHBoxLayout(batchPanel_);
    batchLabel_ = new QLabel("Batch Mode Round 1", batchPanel_);
    batchLabel_->setObjectName("LabelBatchModeRound");
    batchRow->addWidget(batchLabel_);
    batchPanel_->hide();
    row->addWidget(batchPanel_);
    row->addStretch(1);
    return panel;
}

void TMainForm::BuildPortPanels() {
    const int built = PanelLoopCount(core_.Tables().Count());
    const auto layout = LoadStyleLayout(std::filesystem::path(env_.programFolder) / kStyleFileName, built);
    // Centred at its design size, or where the layout file put it; either
    // way inside the screen's free area with its title bar.
    if (layout)
        ui::FitToScreen(*this, QSize(layout->Main.Width, layout->Main.Height), QPoint(layout->Main.Left, layout->Main.Top));
    else
        ui::FitToScreen(*this, size());
    // The window is not shown yet: the box gets what the fixed-height rows
    // above and below it leave of the window's height.
    const int areaHeight = std::max(area_->minimumHeight(), area_->sizeHint().height());
    const int boxHeight = isVisible() ? scrollBox_->viewport()->height()
                                      : height() - areaHeight - 42 - 57 - statusBar_->sizeHint().height() - 4;
    PanelPlacement placement = BuildPanelGrid(built, boxHeight, kStylePanelWidth, kStylePanelHeight);
    if (layout) placement = ApplyStyleLayout(std::move(placement), *layout);
    for (int p = 0; p < built; ++p) {
        auto* panel = new PortPanel(p, panelHost_);
        const PanelRect& r = placement.Panels[static_cast<std::size_t>(p)];
        panel->setGeometry(r.Left, r.Top, r.Width, r.Height);
        panel->SetPinned([this] { return pinButton_->isChecked(); });
        connect(panel, &PortPanel::detailsClicked, this, [this](int port) { MyBitBtnClick(port); });
        panel->hide();
        panels_.push_back(panel);
    }
    panelHost_->resize(std::max(placement.Range.Horizontal, 1), std::max(placement.Range.Vertical, 1));
}

void TMainForm::ResetLayoutClick() {
    const auto placement = ResetLayout(pinButton_->isChecked(), core_.Tables().Count(), BuiltPanels(),
                                       scrollBox_->viewport()->height(), kStylePanelWidth, kStylePanelHeight);
    if (!placement) return;
    for (int p = 0; p < BuiltPanels() && p < static_cast<int>(placement->Panels.size()); ++p) {
        const PanelRect& r = placement->Panels[static_cast<std::size_t>(p)];
        panels_[static_cast<std::size_t>(p)]->setGeometry(r.Left, r.Top, r.Width, r.Height);
    }
    panelHost_->resize(std::max(placement->Range.Horizontal, 1), std::max(placement->Range.Vertical, 1));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!panels_.empty()) ResetLayoutClick();
}

void TMainForm::SaveLayout() {
    std::vector<PanelRect> rects;
    for (const PortPanel* panel : panels_) {
        const QRect g = panel->geometry();
        rects.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const QRect w = geometry();
    const std::filesystem::path file = std::filesystem::path(env_.programFolder) / kStyleFileName;
    // The old layout stays whole when the new one cannot be written.
    if (!SaveStyleLayout(file, rects, MainGeometry{w.x(), w.y(), w.width(), w.height()}))
        prompter_.Error(kLayoutWriteFailText + file.string());
}

}  // namespace qx::station
