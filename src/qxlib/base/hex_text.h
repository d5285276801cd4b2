// Small text and bit helpers of the identity and header writers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// "0".."9" give 0..9, "A".."F" and "a".."f" give 10..15; any other character
// gives its code minus 0x30 (modulo 256), which callers mask to a nibble.
std::uint8_t HexCharToValue(char c);
// The upper-case hexadecimal character of the low four bits.
char NibbleToHexChar(unsigned n);
// Index of the lowest bit set; 0 for 0. log2 of a power of two.
std::uint8_t LowestSetBitIndex(std::uint32_t x);
// The smaller of n and the text's length; reads at most n characters.
std::size_t MinLenOfString(const char* text, std::size_t n);

}  // namespace qx
