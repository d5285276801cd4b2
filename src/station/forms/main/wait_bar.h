// The wait panel's sliding picture: while a run goes on, a bar the width of
// the picture slides into the panel from the left, 2 pixels every 10 ms from
// -240 to 0, and starts again, so the operator sees the station is busy.
// It moves only while shown.
#pragma once

#include <QTimer>
#include <QWidget>

namespace qx::station {

inline constexpr int kWaitBarWidth = 240;
inline constexpr int kWaitBarStepPixels = 2;
inline constexpr int kWaitBarTickMs = 10;

// Where the picture is drawn after one more tick.
int NextWaitBarOffset(int x);

// "PaintBox1": draws the picture at its offset.
class WaitBar final : public QWidget {
    Q_OBJECT
public:
    explicit WaitBar(QWidget* parent = nullptr);

    int Offset() const { return x_; }
    bool Sliding() const { return timer_.isActive(); }
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int x_ = -kWaitBarWidth;
};

// "WaitPanel" holding the picture.
QWidget* MakeWaitPanel(QWidget* parent);

}  // namespace qx::station
