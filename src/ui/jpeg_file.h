// Saving a picture as a baseline JPEG file through libjpeg.
#pragma once

#include <string>

class QImage;

namespace qx::ui {

inline constexpr int kJpegQuality = 90;

// False (and no file left behind) when the picture is empty or the file
// cannot be written.
bool SaveJpeg(const QImage& image, const std::string& path, int quality = kJpegQuality);

}  // namespace qx::ui
