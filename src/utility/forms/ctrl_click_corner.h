// The invisible 23 x 22 shape at the lower left of "SSD Info": a press with
// Ctrl held enters the special mode.
#pragma once

#include <QFrame>
#include <functional>

namespace qx::utility {

class SpecialTipShape final : public QFrame {
public:
    SpecialTipShape(QWidget* parent, std::function<void(bool ctrlDown)> pressed);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void(bool)> pressed_;
};

}  // namespace qx::utility
