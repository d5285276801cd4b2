#include "utility/forms/ctrl_click_corner.h"

#include <QMouseEvent>

namespace qx::utility {

SpecialTipShape::SpecialTipShape(QWidget* parent, std::function<void(bool)> pressed)
    : QFrame(parent), pressed_(std::move(pressed)) {
    setObjectName("SpecialTipShape");
    setFrameShape(QFrame::NoFrame);
    setFixedSize(23, 22);
}

void SpecialTipShape::mousePressEvent(QMouseEvent* event) {
    pressed_((event->modifiers() & Qt::ControlModifier) != 0);
    event->accept();
}

}  // namespace qx::utility
