#include "ui/widgets/window_fit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace qx::ui {
namespace {

// A usual desktop's title bar and border, for a window not yet shown.
constexpr QMargins kExpectedFrame{4, 32, 4, 4};
// Per title-bar button (the icon counts as one) and the bar's margins.
constexpr int kTitleButton = 26;
constexpr int kTitleMargins = 20;

QRect FreeArea(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

QMargins WindowFrame(const QWidget& window) {
    if (!window.isVisible()) return kExpectedFrame;
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins real(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    // Some platforms report no title bar until the window manager has
    // framed the window: then keep room for a usual one.
    return real.top() >= kExpectedFrame.top() ? real : kExpectedFrame;
}

QRect FittedGeometry(QRect free, QMargins frame, QSize wanted, QSize least, std::optional<QPoint> at) {
    const QSize room(free.width() - frame.left() - frame.right(), free.height() - frame.top() - frame.bottom());
    // No larger than the screen; a centred window also no smaller than its
    // layout lets it be, so it stays centred when shown.
    const QSize size = wanted.expandedTo(at ? QSize(1, 1) : least.expandedTo(QSize(1, 1))).boundedTo(room);
    const QPoint first(free.left() + frame.left(), free.top() + frame.top());
    if (!at) return {first + QPoint((room.width() - size.width()) / 2, (room.height() - size.height()) / 2), size};
    const int x = std::clamp(at->x(), first.x(), first.x() + room.width() - size.width());
    const int y = std::clamp(at->y(), first.y(), first.y() + room.height() - size.height());
    return {QPoint(x, y), size};
}

void FitToScreen(QWidget& window, QSize wanted, std::optional<QPoint> at) {
    window.setGeometry(FittedGeometry(FreeArea(window), WindowFrame(window), wanted, window.minimumSizeHint(), at));
}

void NoMaximiseButton(QWidget& window, bool minimise) {
    Qt::WindowFlags flags = (window.windowType() == Qt::Dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimise) flags |= Qt::WindowMinimizeButtonHint;
    window.setWindowFlags(flags);
}

void RoomForTitle(QWidget& window) {
    const Qt::WindowFlags f = window.windowFlags();
    int buttons = 1;   // the icon
    for (Qt::WindowType b : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                             Qt::WindowContextHelpButtonHint})
        if (!f.testFlag(Qt::CustomizeWindowHint) || f.testFlag(b)) ++buttons;
    const int needed = QFontMetrics(QApplication::font()).horizontalAdvance(window.windowTitle()) +
                       kTitleMargins + kTitleButton * buttons;
    // Some dialogs (the input box) make their layout when first asked for
    // their size.
    static_cast<void>(window.minimumSizeHint());
    if (QLayout* layout = window.layout()) {
        // A layout sets its window's size itself: it gets a row that wide.
        const QMargins m = layout->contentsMargins();
        layout->addItem(new QSpacerItem(needed - m.left() - m.right(), 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
        return;
    }
    if (window.minimumWidth() < needed) window.setMinimumWidth(needed);
    if (window.maximumWidth() < needed) window.setMaximumWidth(needed);
}

}  // namespace qx::ui
