#include "station/flash_part_line.h"

#include <array>

#include "qxlib/base/settings_fixed_text.h"

namespace qx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool NextToken(PartLineCursor& cursor, std::string& token) {
    cursor.Position += cursor.Consumed;
    cursor.Consumed = 0;
    return GetNextToken(cursor.Text.substr(std::min(cursor.Position, cursor.Text.size())), token, cursor.Consumed);
}

}  // namespace

bool GetNextToken(std::string_view text, std::string& token, std::size_t& consumed) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && IsAsciiAlnum(text[i])) ++i;
    consumed = i;
    if (i == start) return false;
    token.assign(text.substr(start, i - start));
    return true;
}

bool ParseFlashPartInteger(std::string_view token, std::uint32_t& value) {
    std::string_view hex;
    if (token.starts_with("0x") || token.starts_with("0X")) {
        hex = token.substr(2);
    } else if (token.starts_with("x") || token.starts_with("X")) {
        hex = token.substr(1);
    } else {
        if (token.empty()) return false;
        std::uint64_t decimal = 0;
        for (char c : token) {
            if (c < '0' || c > '9') return false;
            decimal = decimal * 10 + static_cast<std::uint64_t>(c - '0');
            if (decimal > 2147483647u) return false;
        }
        value = static_cast<std::uint32_t>(decimal);
        return true;
    }
    if (hex.empty() || hex.size() > 8) return false;
    std::uint32_t result = 0;
    for (char c : hex) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        result = result << 4 | static_cast<std::uint32_t>(digit);
    }
    value = result;
    return true;
}

bool ReadStringToken(PartLineCursor& cursor, std::span<char> field) {
    std::string token;
    if (!NextToken(cursor, token) || token.size() >= field.size()) return false;
    CopyFixedText(field, token);
    return true;
}

bool ReadIntToken(PartLineCursor& cursor, std::uint32_t& value) {
    std::string token;
    return NextToken(cursor, token) && ParseFlashPartInteger(token, value);
}

bool ParseFlashPartLine(std::string_view line, FlashPartRecord& record) {
    PartLineCursor cursor{line};
    FlashPartRecord parsed{};
    if (!ReadStringToken(cursor, parsed.PartName) || !ReadStringToken(cursor, parsed.PartNumber)) return false;
    std::array<std::uint32_t, kFlashPartTokenCount - 2> v{};
    for (std::uint32_t& value : v) {
        if (!ReadIntToken(cursor, value)) return false;
    }
    // Each value keeps the low part that fits its field.
    parsed.FlashTypeWord = v[0];
    parsed.CeCount = v[1];
    parsed.EccMode = static_cast<std::uint16_t>(v[2]);
    for (std::size_t i = 0; i < parsed.FlashId.size(); ++i) parsed.FlashId[i] = static_cast<std::uint8_t>(v[3 + i]);
    parsed.OptionA = static_cast<std::uint8_t>(v[8]);
    parsed.OptionB = static_cast<std::uint8_t>(v[8] >> 8);
    parsed.HalfPages = static_cast<std::uint8_t>(v[8] >> 16);
    parsed.FlashModeFlag = static_cast<std::uint16_t>(v[9]);
    parsed.ExtraBlocks = static_cast<std::uint16_t>(v[10]);
    parsed.DieOffset = static_cast<std::uint16_t>(v[11]);
    parsed.LowPageType = static_cast<std::uint8_t>(v[12]);
    parsed.FlashInterface = static_cast<std::uint8_t>(v[13]);
    parsed.OnePlane = v[14];
    record = parsed;
    return true;
}

}  // namespace qx
