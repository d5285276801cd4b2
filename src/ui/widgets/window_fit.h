// Windows that fit the operator's screen: a window's size made to fit the
// screen's free area (a task bar excluded) with its title bar, centred or
// kept where it was, its minimum width room for its title, and title bars
// without a maximise button for the fixed-layout windows.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace qx::ui {

// The least height of a one-line edit that shows its text whole in the
// desktop's style: the fixed-layout dialogs use it.
inline constexpr int kDialogEditHeight = 22;

// The frame a window manager puts round a window: the real one once the
// window is shown, else a title bar and thin borders.
QMargins WindowFrame(const QWidget& window);

// Gives window a client area of `wanted`, made smaller where the screen's
// free area cannot hold it with its frame; centred on that area (and no
// smaller than its layout needs), or, with `at`, at that client position
// moved inside it.
void FitToScreen(QWidget& window, QSize wanted, std::optional<QPoint> at = std::nullopt);

// The client rectangle FitToScreen gives: on the free area `free`, with a
// frame of `frame`, a window that wants `wanted` and, when centred, needs at
// least `least`.
QRect FittedGeometry(QRect free, QMargins frame, QSize wanted, QSize least, std::optional<QPoint> at);

// Title bar of system menu, close and, when asked, minimise: no maximise.
void NoMaximiseButton(QWidget& window, bool minimise = false);

// The window is at least as wide as its title needs beside the title bar's
// icon and buttons.
void RoomForTitle(QWidget& window);

}  // namespace qx::ui
