// One port's panel in the station window's scroll box: its status caption
// and colour, the serial-number and WWN edits, the "?" button, the two
// gauges and the cycle label, all copied from the template panel's places.
// Dragged with the mouse while the panels are not pinned.
#pragma once

#include <QFrame>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qx::station {

// The template panel's size and its children's places.
inline constexpr int kStylePanelWidth = 249;
inline constexpr int kStylePanelHeight = 129;

// A colour as 0x00BBGGRR, or one of the system colours (button face,
// window text) by its code.
QColor ColorFromBgr(std::uint32_t bgr);

class PortPanel final : public QFrame {
    Q_OBJECT
public:
    PortPanel(int port, QWidget* parent);

    int Port() const { return port_; }
    void SetCaption(const std::string& text);
    std::string Caption() const;
    void SetColor(std::uint32_t bgr);
    std::uint32_t Color() const { return bgr_; }
    void SetSerial(const std::string& text);
    void SetWwn(const std::string& text);
    void SetGauge(int percent);
    void SetRwGauge(std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr);
    void ShowRwProgress(bool shown);
    void SetCycleText(const std::string& text);
    void ShowDetailsButton(bool shown);

    // While pinned the panel stays where it is.
    void SetPinned(const std::function<bool()>& pinned) { pinned_ = pinned; }

signals:
    void detailsClicked(int port);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int port_;
    std::uint32_t bgr_ = 0;
    QLabel* caption_;
    QLineEdit* serial_;
    QLineEdit* wwn_;
    QPushButton* details_;
    QProgressBar* gauge_;
    QProgressBar* rwGauge_;
    QLabel* cycle_;
    std::function<bool()> pinned_;
    bool dragging_ = false;
    QPoint grab_;
};

}  // namespace qx::station
