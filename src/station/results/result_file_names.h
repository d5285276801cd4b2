// Names of the per-drive result files in the log folder. A serial number comes
// from the drive or an operator's scan: any character that cannot stand in a
// file name (path separators, control characters, the characters other
// systems refuse) becomes "_", so a serial never names another folder.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace qx::station {

std::string FileNameSafe(std::string_view text);

// A serial that names a folder or stands alone as a file name: FileNameSafe,
// and an empty text or one made only of dots (".", "..") becomes
// kNoSerialName, so it can never name the folder itself or its parent.
inline constexpr std::string_view kNoSerialName = "NO_SERIAL";
std::string PathComponentSafe(std::string_view text);

// logDir + "/MP_<serial>_YYYYMMDD_hhmmss_PASS.log" (or _FAIL.log).
std::string ResultMarkerPath(const std::string& logDir, std::string_view serial, const std::tm& end, bool pass);

// logDir + "Error_YYYYMMDDhhmm_PP_<first 40 characters of the serial>.txt",
// PP the port number from 1.
std::string ErrorDumpPath(const std::string& logDir, int port, std::string_view serial, const std::tm& end);

// logDir + "Image_MMDDhhmmss.jpg".
std::string WindowImagePath(const std::string& logDir, const std::tm& end);

}  // namespace qx::station
