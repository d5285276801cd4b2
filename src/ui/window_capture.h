// The window capture after a run: pending window events are handled once so
// the panels show the final state, then the window's picture (taken by the
// callback the window hands in) is saved as a JPEG of quality 90.
#pragma once

#include <functional>
#include <string>

class QImage;

namespace qx::ui {

bool CaptureWindowImage(const std::string& path, const std::function<QImage()>& takeWindowImage);

}  // namespace qx::ui
