#include "station/forms/main/port_panel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>

#include "station/forms/form_text.h"
#include "station/panels/panel_drawing.h"

namespace qx::station {
namespace {

constexpr std::uint32_t kSystemWindowText = 0x80000008;

QLabel* EditLabel(const QString& text, QWidget* parent, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSize(7);
    f.setBold(false);
    label->setFont(f);
    label->setGeometry(x, y, width, 24);
    return label;
}

QLineEdit* PortEdit(const QString& name, QWidget* parent, const QRect& place) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    QFont f("Courier New");
    f.setPointSize(9);
    f.setBold(false);
    edit->setFont(f);
    edit->setGeometry(place);
    return edit;
}

// A status text wider than the panel is drawn in a smaller size of the
// panel's font rather than cut; no smaller than still reads well.
constexpr double kSmallestCaptionPoints = 7.0;

void FitCaptionFont(QLabel* caption, const QFont& panelFont) {
    QFont f = panelFont;
    const int room = caption->contentsRect().width();
    while (f.pointSizeF() > kSmallestCaptionPoints && QFontMetrics(f).horizontalAdvance(caption->text()) > room)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    caption->setFont(f);
}

QProgressBar* Gauge(const QString& name, QWidget* parent, const QRect& place, const QColor& fore) {
    auto* gauge = new QProgressBar(parent);
    gauge->setObjectName(name);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    gauge->setGeometry(place);
    gauge->setTextVisible(true);
    QFont f = gauge->font();
    f.setPointSize(7);
    f.setBold(false);
    gauge->setFont(f);
    QPalette p = gauge->palette();
    p.setColor(QPalette::Highlight, fore);
    gauge->setPalette(p);
    return gauge;
}

}  // namespace

QColor ColorFromBgr(std::uint32_t bgr) {
    if (bgr == kPanelButtonFace) return QApplication::palette().color(QPalette::Button);
    if (bgr == kSystemWindowText) return QApplication::palette().color(QPalette::WindowText);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

PortPanel::PortPanel(int port, QWidget* parent) : QFrame(parent), port_(port) {
    const QString i = QString::number(port);
    const QString n = QString::number(port + 1);
    setObjectName("PortPanel" + i);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    resize(kStylePanelWidth, kStylePanelHeight);
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSize(10);
    setFont(bold);

    caption_ = new QLabel(this);
    caption_->setObjectName("PortCaption" + i);
    // The caption is the panel's own: it spans the panel inside its border.
    caption_->setGeometry(2, 56, kStylePanelWidth - 4, 22);
    caption_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    EditLabel("Port" + n + ":SN", this, 2, 2, 50);
    serial_ = PortEdit("PortLEdit" + i, this, QRect(53, 2, 193, 24));
    EditLabel("Port" + n + ":WWN UID", this, 2, 30, 87);
    wwn_ = PortEdit("PortLEditWWN" + i, this, QRect(90, 30, 154, 24));

    details_ = new QPushButton("?", this);
    details_->setObjectName("PortBitBtn" + i);
    details_->setGeometry(229, 85, 17, 19);
    connect(details_, &QPushButton::clicked, this, [this] { emit detailsClicked(port_); });

    gauge_ = Gauge("PortCGuage" + i, this, QRect(195, 106, 50, 13), QColor(0x00, 0x54, 0xE3));
    rwGauge_ = Gauge("PortCGuageP" + i, this, QRect(143, 106, 50, 13), QColor(0x80, 0x00, 0x80));
    rwGauge_->hide();

    cycle_ = new QLabel(this);
    cycle_->setObjectName("PortCycleCounterLabel" + i);
    cycle_->setGeometry(86, 80, 44, 20);
    SetColor(kPanelButtonFace);
}

void PortPanel::SetCaption(const std::string& text) {
    caption_->setText(Q(text));
    FitCaptionFont(caption_, font());
}
std::string PortPanel::Caption() const { return S(caption_->text()); }

void PortPanel::SetColor(std::uint32_t bgr) {
    bgr_ = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, ColorFromBgr(bgr));
    setPalette(p);
}

void PortPanel::SetSerial(const std::string& text) { serial_->setText(Q(text)); }
void PortPanel::SetWwn(const std::string& text) { wwn_->setText(Q(text)); }
void PortPanel::SetGauge(int percent) { gauge_->setValue(std::clamp(percent, 0, 100)); }

void PortPanel::SetRwGauge(std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr) {
    // The bar counts in int: large sector counts are shown to a common scale.
    const double ratio = maximum == 0 ? 0.0 : static_cast<double>(position) / static_cast<double>(maximum);
    rwGauge_->setValue(std::clamp(static_cast<int>(ratio * 100.0), 0, 100));
    QPalette p = rwGauge_->palette();
    p.setColor(QPalette::Highlight, ColorFromBgr(bgr));
    rwGauge_->setPalette(p);
}

void PortPanel::ShowRwProgress(bool shown) {
    rwGauge_->setVisible(shown);
    cycle_->setVisible(shown);
}

void PortPanel::SetCycleText(const std::string& text) { cycle_->setText(Q(text)); }
void PortPanel::ShowDetailsButton(bool shown) { details_->setVisible(shown); }

void PortPanel::mousePressEvent(QMouseEvent* event) {
    if (pinned_ && pinned_()) return;
    dragging_ = true;
    grab_ = event->position().toPoint();
    raise();
}

void PortPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    move(mapToParent(event->position().toPoint() - grab_));
}

void PortPanel::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

}  // namespace qx::station
