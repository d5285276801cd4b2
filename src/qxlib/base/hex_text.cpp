#include "qxlib/base/hex_text.h"

#include <bit>
#include <cstring>

namespace qx {

std::uint8_t HexCharToValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return static_cast<std::uint8_t>(static_cast<unsigned char>(c) - 0x30u);
}

char NibbleToHexChar(unsigned n) { return "0123456789ABCDEF"[n & 0xFu]; }

std::uint8_t LowestSetBitIndex(std::uint32_t x) {
    return x == 0 ? 0 : static_cast<std::uint8_t>(std::countr_zero(x));
}

std::size_t MinLenOfString(const char* text, std::size_t n) { return text ? ::strnlen(text, n) : 0; }

}  // namespace qx
