#include "qxlib/firmware/table_text.h"

#include <cctype>

namespace qx {

std::string TableTextVersionLine(int variant) {
    const bool own = variant == 11 || variant == 12 || variant == 20 || variant == 21 || variant == 30;
    return "V#" + std::to_string(own ? variant : 10) + "\r\n";
}

int ReadCharSkipBlank(std::FILE* stream) {
    int c = 0;
    do {
        c = std::fgetc(stream);
    } while (c == '\r' || c == '\n' || c == ' ');
    return c;
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

bool ParseHex4(const char* digits, unsigned& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = digits[i];
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        const unsigned d = c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(std::toupper(c) - 'A' + 10);
        value = value << 4 | d;
    }
    return true;
}

}  // namespace qx
