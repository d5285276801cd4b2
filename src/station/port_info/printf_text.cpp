#include "station/port_info/printf_text.h"

#include <cstdarg>
#include <cstdio>

namespace qx::station {

std::string PrintfText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out(n > 0 ? static_cast<std::size_t>(n) + 1 : 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, again);
    va_end(again);
    out.pop_back();
    return out;
}

}  // namespace qx::station
