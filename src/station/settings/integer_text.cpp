#include "station/settings/integer_text.h"

#include <charconv>
#include <limits>

namespace qx::station {
namespace {

// Sign, then a hexadecimal prefix or decimal digits; the whole text converts.
bool ParseInteger(std::string_view text, std::int64_t lowest, std::int64_t highest, std::int64_t& value) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text.front() == 'x' || text.front() == 'X' || text.front() == '$')) {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size()) return false;
    const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(lowest + 1)) + 1
                                         : static_cast<std::uint64_t>(highest);
    if (magnitude > limit) return false;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

}  // namespace

InvalidInteger::InvalidInteger(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid integer value") {}

int StrToInt(std::string_view text) {
    std::int64_t value = 0;
    if (!ParseInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), value))
        throw InvalidInteger(text);
    return static_cast<int>(value);
}

std::int64_t StrToInt64(std::string_view text) {
    std::int64_t value = 0;
    if (!ParseInteger(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                      value))
        throw InvalidInteger(text);
    return value;
}

}  // namespace qx::station
