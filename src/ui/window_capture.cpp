#include "ui/window_capture.h"

#include <QCoreApplication>
#include <QImage>

#include "ui/jpeg_file.h"

namespace qx::ui {

bool CaptureWindowImage(const std::string& path, const std::function<QImage()>& takeWindowImage) {
    if (!takeWindowImage) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    return SaveJpeg(takeWindowImage(), path, kJpegQuality);
}

}  // namespace qx::ui
