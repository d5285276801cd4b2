// A printf-formatted text of any length, for the dialogs' lines.
#pragma once

#include <string>

namespace qx::station {

std::string PrintfText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx::station
