#include "qxlib/settings/settings_key_scramble.h"

namespace qx {

std::uint8_t ScrambleKeyByte(std::uint8_t value, std::uint8_t position) {
    return static_cast<std::uint8_t>(~(value + position));
}

}  // namespace qx
