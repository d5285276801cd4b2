#include "station/results/result_file_names.h"

#include <cstdio>

namespace qx::station {
namespace {

constexpr std::size_t kSerialInErrorName = 40;
constexpr std::string_view kUnsafe = "/\\:*?\"<>|";

}  // namespace

std::string FileNameSafe(std::string_view text) {
    std::string safe(text);
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || kUnsafe.find(c) != std::string_view::npos) c = '_';
    }
    return safe;
}

std::string PathComponentSafe(std::string_view text) {
    if (text.find_first_not_of('.') == std::string_view::npos) return std::string(kNoSerialName);
    return FileNameSafe(text);
}

std::string ResultMarkerPath(const std::string& logDir, std::string_view serial, const std::tm& end, bool pass) {
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d%02d_%s.log", end.tm_year + 1900, end.tm_mon + 1,
                  end.tm_mday, end.tm_hour, end.tm_min, end.tm_sec, pass ? "PASS" : "FAIL");
    return logDir + "/MP_" + FileNameSafe(serial) + stamp;
}

std::string ErrorDumpPath(const std::string& logDir, int port, std::string_view serial, const std::tm& end) {
    char head[96];
    std::snprintf(head, sizeof head, "Error_%04d%02d%02d%02d%02d_%02d_", end.tm_year + 1900, end.tm_mon + 1,
                  end.tm_mday, end.tm_hour, end.tm_min, port + 1);
    return logDir + head + FileNameSafe(serial.substr(0, kSerialInErrorName)) + ".txt";
}

std::string WindowImagePath(const std::string& logDir, const std::tm& end) {
    char name[96];
    std::snprintf(name, sizeof name, "Image_%02d%02d%02d%02d%02d.jpg", end.tm_mon + 1, end.tm_mday, end.tm_hour,
                  end.tm_min, end.tm_sec);
    return logDir + name;
}

}  // namespace qx::station
