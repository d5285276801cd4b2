// Serial-number texts: stepping to the next number and fitting to a length.
#pragma once

#include <cstddef>
#include <span>

namespace qx {

// Characters before the first NUL or line feed (or the whole span).
int LineLength(std::span<const char> text);

// Adds one to a hexadecimal text in place: upper case, "F" carries, a
// character outside 0-9/A-F becomes "0" and stops; all "F" wrap to all "0".
void IncHexSerialNumber(std::span<char> text);
// Adds one to a decimal text in place; a non-digit becomes "0" and stops; all
// "9" wrap to all "0".
void IncDecSerialNumber(std::span<char> text);

// Makes the zero-terminated text in field exactly length characters: padded on
// the left with "0", or its last length characters. The length is cut to what
// the field can hold with its terminator.
void FitSerialNumber(std::span<char> field, std::size_t length);

}  // namespace qx
