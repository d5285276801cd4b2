// One part line of the flash part list: seventeen tokens of ASCII letters and
// digits separated by white space, read into a FlashPartRecord.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "qxlib/settings/flash_part_record.h"

namespace qx {

inline constexpr int kFlashPartTokenCount = 17;

// Skips white space, then copies the run of ASCII letters and digits that
// follows into token; consumed covers both. False, with token untouched, when
// the run is empty (end of text, or another character such as a comma).
bool GetNextToken(std::string_view text, std::string& token, std::size_t& consumed);

// Walks one line token by token: each read starts where the previous ended.
struct PartLineCursor {
    std::string_view Text;
    std::size_t Position = 0;
    std::size_t Consumed = 0;
};

// Stores the next token as text; false when there is none or it does not fit
// the field with its terminator.
bool ReadStringToken(PartLineCursor& cursor, std::span<char> field);
// Stores the next token as an integer (ParseFlashPartInteger); false when
// there is none or it is not an integer.
bool ReadIntToken(PartLineCursor& cursor, std::uint32_t& value);

// Decimal digits up to 2147483647, or "0x", "0X", "x" or "X" followed by one
// to eight hexadecimal digits. No sign.
bool ParseFlashPartInteger(std::string_view token, std::uint32_t& value);

// Fills record from a part line; text after the seventeenth token is ignored.
// False when a token is missing, too long for its field or not an integer.
bool ParseFlashPartLine(std::string_view line, FlashPartRecord& record);

}  // namespace qx
