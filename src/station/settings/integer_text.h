// Numbers typed into the settings pages: decimal with an optional sign, or
// hexadecimal after "0x", "0X", "x", "X" or "$". A text that does not convert
// raises InvalidInteger, which the window's slot boundary shows as an error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qx::station {

class InvalidInteger : public std::runtime_error {
public:
    // "'%s' is not a valid integer value"
    explicit InvalidInteger(std::string_view text);
};

// The value must fit a 32-bit int.
int StrToInt(std::string_view text);
// The value must fit a 64-bit int.
std::int64_t StrToInt64(std::string_view text);

}  // namespace qx::station
