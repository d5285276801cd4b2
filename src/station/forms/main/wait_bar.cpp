#include "station/forms/main/wait_bar.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>

namespace qx::station {

int NextWaitBarOffset(int x) {
    x += kWaitBarStepPixels;
    return x > 0 ? -kWaitBarWidth : x;
}

WaitBar::WaitBar(QWidget* parent) : QWidget(parent) {
    setObjectName("PaintBox1");
    setFixedWidth(kWaitBarWidth);
    timer_.setInterval(kWaitBarTickMs);
    connect(&timer_, &QTimer::timeout, this, &WaitBar::Tick);
}

void WaitBar::Tick() {
    x_ = NextWaitBarOffset(x_);
    update();
}

// Blocks that brighten towards the bar's leading edge.
void WaitBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    constexpr int kBlock = 12;
    constexpr int kGap = 3;
    for (int left = 0; left + kBlock <= kWaitBarWidth; left += kBlock + kGap) {
        QColor color(0, 70, 200);
        color.setAlpha(60 + 195 * left / kWaitBarWidth);
        painter.fillRect(x_ + left, 2, kBlock, height() - 4, color);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void WaitBar::showEvent(QShowEvent* event) {
    x_ = -kWaitBarWidth;
    timer_.start();
    QWidget::showEvent(event);
}

void WaitBar::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

QWidget* MakeWaitPanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("WaitPanel");
    // The row keeps the panel's place, so nothing beside it moves when a run
    // shows it.
    QSizePolicy policy = panel->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    panel->setSizePolicy(policy);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new WaitBar(panel);
    bar->setFixedHeight(20);
    layout->addWidget(bar);
    return panel;
}

}  // namespace qx::station
