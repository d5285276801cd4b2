// What the defect and later-bad table text files share: the version line
// and the character reader of their parsers. The files are 8-bit text with
// CR LF line ends.
#pragma once

#include <cstdio>
#include <string>

namespace qx {

// "V#" and the firmware variant code in decimal for the codes 11, 12, 20,
// 21 and 30, otherwise "V#10"; then CR LF.
std::string TableTextVersionLine(int variant);

// The next character that is not CR, LF or a blank; EOF at the end.
int ReadCharSkipBlank(std::FILE* stream);

// "%04X" of a 16-bit value.
std::string Hex4(unsigned value);

// The value of four hexadecimal digits (either case); false when one is not.
bool ParseHex4(const char* digits, unsigned& value);

}  // namespace qx
