// The byte transform of the key file, also the utility's log-file decoder.
#pragma once

#include <cstdint>

namespace qx {

// ((value + position) modulo 256) with every bit inverted; position is the
// low 8 bits of the byte's index.
std::uint8_t ScrambleKeyByte(std::uint8_t value, std::uint8_t position);

}  // namespace qx
