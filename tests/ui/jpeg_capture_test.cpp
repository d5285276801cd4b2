#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdio>
#include <filesystem>
#include <string>

#include "settings/file_bytes.h"
#include "support/temp_dir.h"
#include "ui/jpeg_file.h"
#include "ui/window_capture.h"

namespace qx::ui {
namespace {

std::string Shell(const std::string& command) {
    std::string out;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    const int status = ::pclose(p);
    return status == 0 ? out : "exit " + std::to_string(status) + ": " + out;
}

QImage Picture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixelColor(x, y, QColor((x * 7) % 256, (y * 3) % 256, 128));
    }
    return image;
}

TEST(WindowCapture, WritesAJpegOfTheWindowSizeAtQuality90) {
    test::TempDir dir;
    const std::string path = dir.file("Image_0614101112.jpg");
    int taken = 0;
    ASSERT_TRUE(CaptureWindowImage(path, [&] {
        ++taken;
        return Picture(321, 123);
    }));
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(Shell("identify -format '%m %w %h %Q' '" + path + "'"), "JPEG 321 123 90");
    const std::string ppm = dir.file("decoded.ppm");
    EXPECT_EQ(Shell("djpeg -pnm -outfile '" + ppm + "' '" + path + "'"), "");
    EXPECT_EQ(test::ReadBytes(ppm).substr(0, 15), "P6\n321 123\n255\n");
}

TEST(WindowCapture, NothingIsLeftWhenItCannotBeSaved) {
    test::TempDir dir;
    EXPECT_FALSE(SaveJpeg(QImage(), dir.file("empty.jpg")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.jpg")));
    EXPECT_FALSE(SaveJpeg(Picture(8, 8), dir.file("no/such/folder.jpg")));
    EXPECT_FALSE(CaptureWindowImage(dir.file("none.jpg"), {}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace qx::ui
